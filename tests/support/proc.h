// The tests' harness on the shared process runner: a scratch folder with
// path arithmetic, whole files, and a regular expression matching one exact
// message (for death tests).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "run_process.h"

namespace hc::test {

inline std::string slurp(const std::filesystem::path& p) { return read_file(p.string()); }
inline void spit(const std::filesystem::path& p, const std::string& text) {
  write_file(p.string(), text);
}

// A scratch folder removed with its content when the object goes.
class temp_dir {
 public:
  std::filesystem::path path() const { return dir_.path(); }
  std::filesystem::path operator/(const std::string& name) const { return path() / name; }

 private:
  scratch_dir dir_;
};

// Runs `argv` (argv[0] the program) in folder `cwd` with `input` on standard input.
inline proc_result run_process(const std::vector<std::string>& argv, const std::string& input,
                               const std::filesystem::path& cwd) {
  return run_argv(argv, input, cwd.string());
}

// A regular expression that matches exactly `msg` followed by a line end.
inline std::string exactly(const std::string& msg) {
  std::string r = "^";
  for (char c : msg) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r + "\n$";
}

}  // namespace hc::test
