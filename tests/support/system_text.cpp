// system_text NAME: prints a standard system (standard_systems.h) in
// ordinary notation, for the benchmark scripts.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "fatal.h"
#include "standard_systems.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: system_text NAME\n");
    return hc::status::usage;
  }
  try {
    const std::string t = hc::test::text(hc::test::by_name(argv[1]));
    std::fwrite(t.data(), 1, t.size(), stdout);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "system_text: %s\n", e.what());
    return hc::status::usage;
  }
  return std::fflush(stdout) == 0 ? hc::status::ok : hc::status::output;
}
