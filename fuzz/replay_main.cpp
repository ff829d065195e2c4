// Replays a fuzz target's corpus without the fuzzer: every file of the
// folders given runs once through LLVMFuzzerTestOneInput.  A broken
// invariant or a sanitizer report ends the run; the file names are printed
// as they run, so the last one names the input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int a = 1; a < argc; ++a)
    for (const auto& e : std::filesystem::directory_iterator(argv[a]))
      if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    std::printf("%s\n", f.filename().c_str());
    std::fflush(stdout);
    std::ifstream in(f, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string bytes = s.str();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return files.empty() ? 1 : 0;
}
