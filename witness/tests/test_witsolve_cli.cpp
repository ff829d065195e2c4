// witsolve as a process: every way a run can fail, with its exact message
// and exit status, standard output as far as it got, and the files left in
// the directory (an earlier data.witness is kept whole).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "cli_table.h"
#include "fatal.h"
#include "num_layout.h"

namespace hc::test {
namespace {

std::string witsolve() { return WITSOLVE_BIN; }

// x^2 + y^2 - 5, x y - 2: isolated roots only, so one hyperplane leaves no
// witness point and data.witness has the same 718 bytes on every run.
const std::string circle =
    "2\n3\n2\n2 0 \n0 2 \n0 0 \n1 1 \n0 0 \n(1,0)\n(1,0)\n(-5,0)\n(1,0)\n(-2,0)\nx\ny\n";
const std::string prompt = "Input the # of hyperplanes (1, ... ,  1)\n";

std::string linear_terms(int n) { return diagonal_num(n, 1, false); }

const char* const old_witness = "the witness points of an earlier run\n";

// x + y + z; x*y as eqtrans writes it: 3 unknowns, 2 equations.
const std::string non_square =
    "3\n3\n1\n1 0 0 \n0 1 0 \n0 0 1 \n1 1 0 \n(1,0)\n(1,0)\n(1,0)\n(1,0)\nx\ny\nz\n";

file_map with_input(const std::string& input, file_map extra = {}) {
  file_map f = {{"bin", "<dir>"}, {"bin/input.num", input}, {"data.witness", old_witness}};
  for (const auto& [name, text] : extra) f[name] = text;
  return f;
}

TEST(witsolve_cli, FailuresLeaveEveryFileAsItWas) {
  const file_map no_input = {{"data.witness", old_witness}};
  const file_map bin_dir = {{"bin", "<dir>"}, {"data.witness", old_witness}};
  const file_map input_dir = {
      {"bin", "<dir>"}, {"bin/input.num", "<dir>"}, {"data.witness", old_witness}};
  // clang-format off
  std::vector<cli_case> cases = {
      {"no bin/input.num", {}, "1\n", "",
       "witsolve: ./bin/input.num: cannot open for reading: No such file or directory\n",
       status::input, bin_dir, bin_dir},
      {"no bin folder", {}, "1\n", "",
       "witsolve: ./bin/input.num: cannot open for reading: No such file or directory\n",
       status::input, no_input, no_input},
      {"a directory as bin/input.num", {}, "1\n", "",
       "witsolve: ./bin/input.num: cannot open for reading: Is a directory\n", status::input,
       input_dir, input_dir},
      {"a coefficient that is not a number", {}, "1\n", "",
       "witsolve: ./bin/input.num, line 5: expected a real number, found \"x\"\n",
       status::data, with_input("1\n2\n1\n0\n(x,0)\n(1,0)\nt\n"),
       with_input("1\n2\n1\n0\n(x,0)\n(1,0)\nt\n")},
      {"a NUL in an exponent is shown escaped", {}, "1\n", "",
       "witsolve: ./bin/input.num, line 3: expected an integer, found \"1\\x00\"\n",
       status::data, with_input(std::string("1\n2\n1\0\n", 7)),
       with_input(std::string("1\n2\n1\0\n", 7))},
      {"more unknowns than equations, as eqtrans writes them", {}, "1\n", "",
       "witsolve: ./bin/input.num, line 4: a system of 2 equations in 3 unknowns, where a "
       "square system is needed (as many equations as unknowns): the line holds 3 exponents "
       "where the term count of equation 3 belongs\n",
       status::data, with_input(non_square), with_input(non_square)},
      {"2e9 equations", {}, "1\n", "",
       "witsolve: ./bin/input.num, line 1: the system is too large: the n x (m + n) exponents "
       "of 2000000000 equations with 2000000000 or more terms pass the 32-bit numbering\n",
       status::size, with_input("2000000000\n1\n"), with_input("2000000000\n1\n")},
      {"counts whose sum passes 2^31", {}, "1\n", "",
       "witsolve: ./bin/input.num, line 3: the system is too large: the n x (m + n) exponents "
       "of 2 equations with 2500000000 or more terms pass the 32-bit numbering\n",
       status::size, with_input("2\n1000000000\n1500000000\n"),
       with_input("2\n1000000000\n1500000000\n")},
      {"an answer that is not an integer", {}, "one\n", prompt,
       "witsolve: standard input, line 1: expected an integer, found \"one\"\n", status::data,
       with_input(circle), with_input(circle)},
      {"no answer in range before the input ends", {}, "0\n2\n", prompt + prompt + prompt,
       "witsolve: standard input: end of input after line 2, expected an integer\n",
       status::data, with_input(circle), with_input(circle)},
      {"a directory as standard input", {}, "", prompt,
       "witsolve: standard input: cannot read: Is a directory\n", status::input,
       with_input(circle, {{"sub", "<dir>"}}), with_input(circle, {{"sub", "<dir>"}}), "sub"},
      {"a directory as data.witness", {}, "1\n", prompt,
       "witsolve: data.witness: cannot open the file for writing: Is a directory\n",
       status::output, with_input(circle, {{"data.witness", "<dir>"}}),
       with_input(circle, {{"data.witness", "<dir>"}})},
      {"a full disk", {}, "1\n", prompt,
       "witsolve: data.witness: the file could not be written: No space left on device\n",
       status::output, with_input(circle, {{"data.witness", "<link to /dev/full>"}}),
       with_input(circle, {{"data.witness", "<link to /dev/full>"}})},
      {"a full disk as standard output", {}, "1\n", "",
       "witsolve: cannot write standard output: No space left on device\n", status::output,
       with_input(circle, {{"data.witness", "<link to /dev/null>"}}),
       with_input(circle, {{"data.witness", "<link to /dev/null>"}}), "", 0, 0, "/dev/full"},
      {"a full disk as standard output keeps an earlier data.witness", {}, "1\n", "",
       "witsolve: cannot write standard output: No space left on device\n", status::output,
       with_input(circle), with_input(circle), "", 0, 0, "/dev/full"},
      {"a file size limit: the earlier file is kept whole", {}, "1\n", prompt,
       "witsolve: data.witness: the file could not be written: File too large\n",
       status::output, with_input(circle), with_input(circle), "", 0, 600},
      // 1000 variables cut by 999 hyperplanes: 1999 x 2002997 exponents, beyond
      // the 32-bit numbering.
      {"an embedded system beyond 32-bit numbering", {}, "999\n",
       "Input the # of hyperplanes (1, ... ,999)\n",
       "witsolve: the system cut by 999 hyperplanes is too large: 1999 equations with "
       "2000998 terms\n",
       status::size, with_input(linear_terms(1000)), with_input(linear_terms(1000))},
  };
  // clang-format on
  // 600 variables cut by 599 hyperplanes: the embedded supports alone take
  // 3.4 GB, more than an address space of 2 GB.
  cases.push_back({"memory exhausted",
                   {},
                   "599\n",
                   "Input the # of hyperplanes (1, ... ,599)\n",
                   "witsolve: out of memory\n",
                   status::memory,
                   with_input(linear_terms(600)),
                   with_input(linear_terms(600)),
                   "",
                   2ULL << 30});
  // The directory afterwards is compared at its top level (bin is a folder).
  for (cli_case& c : cases)
    for (auto it = c.files.begin(); it != c.files.end();)
      it = it->first.find('/') != std::string::npos ? c.files.erase(it) : std::next(it);
  for (const cli_case& c : cases) check_case(witsolve(), c);
}

// An interrupt, a termination, a closed terminal or a closed pipe while
// data.witness is written: the program ends by the signal, the temporary goes
// and an earlier data.witness stays.
// Standard output is a pipe that nobody reads, with room for the prompt
// (and a few records of binary128 re-tracks) but not for the summary, so
// the run stops in its last write, the complete data.witness waiting as a
// temporary until standard output is written.
TEST(witsolve_cli, ASignalWhileWritingRemovesTheTemporary) {
  constexpr std::size_t kRoom = 250;
  const file_map before = with_input(circle);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(sig);
    scratch_dir dir;
    make_files(dir.path(), before);
    auto temporary = [&] {
      for (const auto& [name, text] : dir_files(dir.path()))
        if (name.rfind("data.witness.", 0) == 0) return true;
      return false;
    };
    const signalled_result s = run_until(witsolve(), "1\n", dir.path(), kRoom, temporary, sig, 120);
    EXPECT_TRUE(s.signalled);
    EXPECT_EQ(s.r.status, 128 + sig);
    EXPECT_EQ(s.r.err, "");
    file_map after = dir_files(dir.path());
    EXPECT_EQ(after.size(), 2u);  // bin and data.witness
    EXPECT_EQ(after["data.witness"], old_witness);
  }
}

}  // namespace
}  // namespace hc::test
