// The tests' harness on the shared process runner: a scratch folder with
// path arithmetic, whole files, the compilation of a generated evaluator, and
// a regular expression matching one exact message (for death tests).
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

// Turns MEva.f90 in `dir` into ./MEva.so with the command line the user
// runs, gfortran taken from the PATH.
inline proc_result compile_evaluator(const std::filesystem::path& dir) {
  return run_process(
      {"/usr/bin/env", "gfortran", "-shared", "-fPIC", "-O0", "MEva.f90", "-o", "MEva.so"}, "",
      dir);
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
