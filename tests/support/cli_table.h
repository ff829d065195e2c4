// Table-driven process tests of one program: each case makes the files of a
// scratch directory, runs the program there with its arguments and standard
// input, and compares standard output, standard error, the exact exit status
// and every entry of the directory afterwards (so an output file that should
// not have been written, or an old file that should have been kept, shows).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "run_process.h"

namespace hc::test {

using file_map = std::map<std::string, std::string>;

struct cli_case {
  std::string name;
  std::vector<std::string> args;
  std::string input;
  std::string out;
  std::string err;
  int status;
  file_map files = {};          // the directory's content afterwards
  file_map before = {};         // made before the run: "<dir>" a directory, "<link to T>" a link
  std::string stdin_name = {};  // standard input from this entry of the directory
  unsigned long long address_space = 0;  // limits of the run (0: none)
  unsigned long long file_size = 0;
  std::string stdout_path = {};  // standard output to this file (then not captured)
};

// True in the build under the address sanitizer, which cannot run within a
// limit of the address space (its shadow memory alone passes any such limit).
#if defined(HC_SANITIZED)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

inline void make_files(const std::string& dir, const file_map& files) {
  const std::string link = "<link to ";
  for (const auto& [name, text] : files) {
    const std::string path = dir + "/" + name;
    if (text == "<dir>") {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
    } else if (text.rfind(link, 0) == 0 && text.back() == '>') {
      const std::string target = text.substr(link.size(), text.size() - link.size() - 1);
      ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
    } else {
      write_file(path, text);
    }
  }
}

// The start of a text, for messages about files that can be large.
inline std::string head(const std::string& text) {
  constexpr std::size_t shown = 200;
  return text.size() <= shown
             ? text
             : text.substr(0, shown) + "... (" + std::to_string(text.size()) + " bytes)";
}

// got == want, each differing entry reported by the start of its content.
inline void expect_files(const file_map& got, const file_map& want) {
  for (const auto& [name, text] : want) {
    auto it = got.find(name);
    if (it == got.end())
      ADD_FAILURE() << name << " is missing";
    else if (it->second != text)
      ADD_FAILURE() << name << " holds\n" << head(it->second) << "\ninstead of\n" << head(text);
  }
  for (const auto& [name, text] : got)
    if (want.find(name) == want.end()) ADD_FAILURE() << name << " was left: " << head(text);
}

inline void check_case(const std::string& prog, const cli_case& c) {
  SCOPED_TRACE(c.name);
  if (kSanitizedBuild && c.address_space != 0) return;
  scratch_dir dir;
  make_files(dir.path(), c.before);
  proc_io io;
  if (!c.stdin_name.empty()) io.stdin_path = dir.file(c.stdin_name);
  io.address_space = c.address_space;
  io.file_size = c.file_size;
  io.stdout_path = c.stdout_path;
  const proc_result r = run_in(prog, c.args, c.input, dir.path(), io);
  EXPECT_EQ(r.out, c.out);
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(r.status, c.status);
  expect_files(dir_files(dir.path()), c.files);
}

}  // namespace hc::test
