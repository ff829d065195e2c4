// evalgen as a process: every way a run can fail, with its exact message and
// exit status, and the files left in the directory: an earlier MEva.f90 is
// never truncated, whatever stops the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_table.h"
#include "fatal.h"
#include "num_layout.h"

namespace hc::test {
namespace {

const std::string evalgen = EVALGEN_BIN;
const char* const old_text = "      an earlier MEva.f90 that must survive\n";

// One equation x^d - 1 in one variable.
std::string power(long long d) {
  return "1\n2\n" + std::to_string(d) + " \n0 \n(1,0)\n(-1,0)\nx\n";
}

std::string linear(int n) { return diagonal_num(n, 1); }

TEST(evalgen_cli, FailuresLeaveAnEarlierFileWhole) {
  const file_map old = {{"MEva.f90", old_text}};
  const file_map old_dir = {{"MEva.f90", old_text}, {"sub", "<dir>"}};
  const file_map f90_dir = {{"MEva.f90", "<dir>"}};
  const file_map full = {{"MEva.f90", "<link to /dev/full>"}};
  const std::string two_powers =  // x^8388609 y^8388608: 2^24 + 1 powers
      "2\n1\n1\n8388609 0 \n0 8388608 \n(1,0)\n(1,0)\nx\ny\n";
  // clang-format off
  std::vector<cli_case> cases = {
      {"the input ends early", {}, "2\n1\n1\n1 0\n0 1\n", "",
       "evalgen: standard input: end of input after line 5, expected a complex value "
       "\"(re,im)\"\n",
       status::data, old, old},
      {"a letter for an exponent", {}, "1\n1\nx\n", "",
       "evalgen: standard input, line 3: expected an integer, found \"x\"\n", status::data,
       old, old},
      {"a directory as standard input", {}, "", "",
       "evalgen: standard input: cannot read: Is a directory\n", status::input, old_dir,
       old_dir, "sub"},
      {"a degree of 2^31 - 1", {}, power(2147483647), "",
       "evalgen: the evaluator would need 2147483647 powers of the variables (variable 1 up to "
       "degree 2147483647), more than the 16777216 it can be generated for\n",
       status::size, old, old},
      {"powers summed over the variables", {}, two_powers, "",
       "evalgen: the evaluator would need 16777217 powers of the variables (variable 1 up to "
       "degree 8388609), more than the 16777216 it can be generated for\n",
       status::size, old, old},
      {"more unknowns than equations, as eqtrans writes them", {},
       "3\n3\n1\n1 0 0 \n0 1 0 \n0 0 1 \n1 1 0 \n(1,0)\n(1,0)\n(1,0)\n(1,0)\nx\ny\nz\n", "",
       "evalgen: standard input, line 4: a system of 2 equations in 3 unknowns, where a square "
       "system is needed (as many equations as unknowns): the line holds 3 exponents where the "
       "term count of equation 3 belongs\n",
       status::data, old, old},
      {"2e9 equations", {}, "2000000000\n1\n", "",
       "evalgen: standard input, line 1: the system is too large: the n x (m + n) exponents of "
       "2000000000 equations with 2000000000 or more terms pass the 32-bit numbering\n",
       status::size, old, old},
      {"counts whose sum passes 2^31", {}, "2\n1000000000\n1500000000\n", "",
       "evalgen: standard input, line 3: the system is too large: the n x (m + n) exponents of "
       "2 equations with 2500000000 or more terms pass the 32-bit numbering\n",
       status::size, old, old},
      {"an exponent beyond 32 bits", {}, "1\n2\n4294967297 \n0 \n(1,0)\n(1,0)\n", "",
       "evalgen: standard input, line 3: integer out of the 32-bit range, found \"4294967297\"\n",
       status::size, old, old},
      {"a directory as MEva.f90", {}, power(2), "",
       "evalgen: MEva.f90: cannot open the file for writing: Is a directory\n", status::output,
       f90_dir, f90_dir},
      {"a full disk", {}, power(2), "",
       "evalgen: MEva.f90: the file could not be written: No space left on device\n",
       status::output, full, full},
      {"a file size limit", {}, power(200), "",
       "evalgen: MEva.f90: the file could not be written: File too large\n", status::output,
       old, old, "", 0, 1024},
  };
  // clang-format on
  // 600 variables: the tables of the common factors alone take 3.4 GB.
  cases.push_back({"memory exhausted",
                   {},
                   linear(600),
                   "",
                   "evalgen: out of memory\n",
                   status::memory,
                   old,
                   old,
                   "",
                   2ULL << 30});
  for (const cli_case& c : cases) check_case(evalgen, c);
}

}  // namespace
}  // namespace hc::test
