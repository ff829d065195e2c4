// rootsolve as a process: the binding of ./MEva.so and the check that it
// fits input.num, the reading of input.num, the prompt loop, the writing of
// data.roots and every way the run can fail, with their exact texts and exit
// statuses and the files left behind.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <string>

#include "cli_table.h"
#include "fatal.h"
#include "num_layout.h"
#include "proc.h"

namespace hc::test {
namespace {

namespace fs = std::filesystem;

const std::string rootsolve = ROOTSOLVE_BIN;

const std::string circle_input =
    "2\n3\n2\n2 0 \n0 2 \n0 0 \n1 1 \n0 0 \n"
    "(1.000000000000000,0.000000000000000)\n(1.000000000000000,0.000000000000000)\n"
    "(-4.000000000000000,0.000000000000000)\n(1.000000000000000,0.000000000000000)\n"
    "(-1.000000000000000,0.000000000000000)\nx\ny\n";

const std::string prompt =
    " Please enter the option of homotopy method\n"
    "   1. The polyhedral homotopy\n"
    "   2. The classical linear homotopy\n";
const std::string wrong = " \n Please enter 1 or 2.\n";
const std::string linear = prompt + " The classical linear homotopy\n";
const std::string polyhedral = prompt + " The polyhedral homotopy method\n";

proc_result run_rootsolve(const temp_dir& dir, const std::string& answers) {
  return run_process({rootsolve}, answers, dir.path());
}

// The library evalgen and gfortran make for `input_num` (its bytes), made
// once per system.
const std::string& library_for(const std::string& input_num) {
  static std::map<std::string, std::string> made;
  auto it = made.find(input_num);
  if (it != made.end()) return it->second;
  temp_dir dir;
  const proc_result gen = run_process({EVALGEN_BIN}, input_num, dir.path());
  EXPECT_EQ(gen.status, 0) << gen.err;
  const proc_result cc = compile_evaluator(dir.path());
  EXPECT_EQ(cc.status, 0) << cc.err;
  return made[input_num] = slurp(dir / "MEva.so");
}

std::string powers_input(int n, int d) { return diagonal_num(n, d); }

// Systems whose libraries do not fit circle_input (x^2 + y^2 - 4, x y - 1):
// the same n and m with other supports, a larger m, another n.
const std::string other_supports =  // x^2 + y - 4, x y^2 - 1
    "2\n3\n2\n2 0 \n0 1 \n0 0 \n1 2 \n0 0 \n(1,0)\n(1,0)\n(-4,0)\n(1,0)\n(-1,0)\nx\ny\n";
const std::string more_terms =  // x^2 + y^2 + x y + x - 4, x y - 1
    "2\n5\n2\n2 0 \n1 1 \n1 0 \n0 2 \n0 0 \n1 1 \n0 0 \n"
    "(1,0)\n(1,0)\n(1,0)\n(1,0)\n(-4,0)\n(1,0)\n(-1,0)\nx\ny\n";
const std::string three_variables =  // x^2 + y^2 + z - 4, x y - 1, z - 1
    "3\n4\n2\n2\n2 0 0 \n0 2 0 \n0 0 1 \n0 0 0 \n1 1 0 \n0 0 0 \n0 0 1 \n0 0 0 \n"
    "(1,0)\n(1,0)\n(1,0)\n(-4,0)\n(1,0)\n(-1,0)\n(1,0)\n(-1,0)\nx\ny\nz\n";
const std::string one_variable = "1\n2\n2 \n0 \n(1,0)\n(-4,0)\nx\n";  // x^2 - 4

std::string misfit(const std::string& why) {
  return "rootsolve: ./MEva.so was not generated for the supports of input.num (" + why +
         "); generate it again: evalgen < input.num, then compile MEva.f90\n";
}

const char* const old_roots = "the roots of an earlier run\n";

std::string unbound(const std::string& loader_message) {
  return "rootsolve: ./MEva.so cannot be bound (" + loader_message +
         "); make it: evalgen < input.num, then gfortran -shared -fPIC -O0 MEva.f90 -o "
         "MEva.so\n";
}

// x + y + z; x*y as eqtrans writes it: 3 unknowns, 2 equations.
const std::string non_square =
    "3\n3\n1\n1 0 0 \n0 1 0 \n0 0 1 \n1 1 0 \n(1,0)\n(1,0)\n(1,0)\n(1,0)\nx\ny\nz\n";
const std::string not_square =
    "a system of 2 equations in 3 unknowns, where a square system is needed (as many "
    "equations as unknowns): the line holds 3 exponents where the term count of equation 3 "
    "belongs\n";

// Runs where nothing is tracked: every file stays as it was (an earlier
// data.roots included), and the exact message and status are those of the
// table of fatal.h.
std::vector<cli_case> refusal_cases() {
  const std::string full = slurp(EVALCORE_FULL);
  auto with = [&](file_map f) {
    f["data.roots"] = old_roots;
    return f;
  };
  const file_map good = with({{"MEva.so", full}, {"input.num", circle_input}});
  auto input = [&](const std::string& text) {
    return with({{"MEva.so", full}, {"input.num", text}});
  };
  auto lib = [&](const std::string& lib_text, const std::string& input_text) {
    return with({{"MEva.so", library_for(lib_text)}, {"input.num", input_text}});
  };
  const std::string escape_text("2\n3\n2\x1b[31m\n", 12);
  // clang-format off
  std::vector<cli_case> c = {
      // The library.
      {"no library: the loader's message, and the remedy on standard error", {}, "2\n",
       "error: ./MEva.so: cannot open shared object file: No such file or directory\n",
       unbound("./MEva.so: cannot open shared object file: No such file or directory"),
       status::library, with({{"input.num", circle_input}}),
       with({{"input.num", circle_input}})},
      {"a library without coefhhthx_", {}, "2\n",
       "error: ./MEva.so: undefined symbol: coefhhthx_\n",
       unbound("./MEva.so: undefined symbol: coefhhthx_"), status::library,
       with({{"MEva.so", slurp(EVALCORE_NO_COEF)}, {"input.num", circle_input}}),
       with({{"MEva.so", slurp(EVALCORE_NO_COEF)}, {"input.num", circle_input}})},
      {"a directory as the library", {}, "2\n",
       "error: ./MEva.so: cannot read file data: Is a directory\n",
       unbound("./MEva.so: cannot read file data: Is a directory"), status::library,
       with({{"MEva.so", "<dir>"}, {"input.num", circle_input}}),
       with({{"MEva.so", "<dir>"}, {"input.num", circle_input}})},
      {"not a library", {}, "2\n",
       "error: ./MEva.so: file too short\n", unbound("./MEva.so: file too short"),
       status::library, with({{"MEva.so", "text\n"}, {"input.num", circle_input}}),
       with({{"MEva.so", "text\n"}, {"input.num", circle_input}})},
      {"a library of the same n and m, other supports", {}, "2\n", "",
       misfit("evahhx_: the value of equation 1 differs at a test point"), status::library,
       lib(other_supports, circle_input), lib(other_supports, circle_input)},
      {"a library of a larger m", {}, "2\n", "",
       misfit("evahhx_: the value of equation 2 differs at a test point"), status::library,
       lib(more_terms, circle_input), lib(more_terms, circle_input)},
      {"a library of a smaller m", {}, "2\n", "",
       misfit("evahhx_: the value of equation 2 differs at a test point"), status::library,
       lib(circle_input, more_terms), lib(circle_input, more_terms)},
      {"a library for n = 3 under n = 2", {}, "2\n", "",
       misfit("evahhx_: the value of equation 2 differs at a test point"), status::library,
       lib(three_variables, circle_input), lib(three_variables, circle_input)},
      {"a library for n = 2 under n = 3", {}, "2\n", "",
       misfit("evahhx_: the derivative in variable 3 of equation 1 differs at a test point"), status::library,
       lib(circle_input, three_variables), lib(circle_input, three_variables)},
      {"a library for n = 2 under n = 1", {}, "2\n", "",
       misfit("evahhx_: the value of equation 1 differs at a test point"), status::library,
       lib(circle_input, one_variable), lib(circle_input, one_variable)},
      // input.num.
      {"no input.num", {}, "2\n", "",
       "rootsolve: input.num: cannot open for reading: No such file or directory\n",
       status::input, with({{"MEva.so", full}}), with({{"MEva.so", full}})},
      {"a directory as input.num", {}, "2\n", "",
       "rootsolve: input.num: cannot open for reading: Is a directory\n", status::input,
       input("<dir>"), input("<dir>")},
      {"a letter for a count", {}, "2\n", "",
       "rootsolve: input.num, line 3: expected an integer, found \"x\"\n", status::data,
       input("2\n3\nx\n"), input("2\n3\nx\n")},
      {"an escape in a value is shown escaped", {}, "2\n", "",
       "rootsolve: input.num, line 3: expected an integer, found \"2\\x1b[31m\"\n",
       status::data, input(escape_text), input(escape_text)},
      {"the input ends early", {}, "2\n", "",
       "rootsolve: input.num: end of input after line 4, expected an integer\n", status::data,
       input("2\n3\n2\n2 0\n"), input("2\n3\n2\n2 0\n")},
      {"zero equations", {}, "2\n", "",
       "rootsolve: input.num, line 1: the number of equations is 0; it must be at least 1\n",
       status::data, input("0\n"), input("0\n")},
      {"zero terms", {}, "2\n", "",
       "rootsolve: input.num, line 2: equation 1 has 0 terms; it must have at least 1\n",
       status::data, input("1\n0\n"), input("1\n0\n")},
      {"a negative exponent", {}, "2\n", "",
       "rootsolve: input.num, line 3: negative exponent -1 of variable 1 in term 1\n",
       status::data, input("1\n2\n-1\n0\n(1,0)\n(1,0)\nx\n"),
       input("1\n2\n-1\n0\n(1,0)\n(1,0)\nx\n")},
      {"an exponent beyond 32 bits", {}, "2\n", "",
       "rootsolve: input.num, line 3: integer out of the 32-bit range, found \"4294967297\"\n",
       status::size, input("1\n2\n4294967297\n0\n(1,0)\n(1,0)\nx\n"),
       input("1\n2\n4294967297\n0\n(1,0)\n(1,0)\nx\n")},
      {"more unknowns than equations, as eqtrans writes them", {}, "2\n", "",
       "rootsolve: input.num, line 4: " + not_square, status::data, input(non_square),
       input(non_square)},
      {"2e9 equations", {}, "2\n", "",
       "rootsolve: input.num, line 1: the system is too large: the n x (m + n) exponents of "
       "2000000000 equations with 2000000000 or more terms pass the 32-bit numbering\n",
       status::size, input("2000000000\n1\n"), input("2000000000\n1\n")},
      {"counts whose sum passes 2^31", {}, "2\n", "",
       "rootsolve: input.num, line 3: the system is too large: the n x (m + n) exponents of "
       "2 equations with 2500000000 or more terms pass the 32-bit numbering\n",
       status::size, input("2\n1000000000\n1500000000\n"),
       input("2\n1000000000\n1500000000\n")},
      {"a count beyond 32 bits", {}, "2\n", "",
       "rootsolve: input.num, line 2: integer out of the 32-bit range, found \"2147483648\"\n",
       status::size, input("1\n2147483648\n"), input("1\n2147483648\n")},
      // The answer at the prompt.
      {"no answer", {}, "", prompt,
       "rootsolve: standard input: empty input, expected an integer\n", status::data, good,
       good},
      {"answers that end before 1 or 2", {}, "5\n", prompt + wrong + prompt,
       "rootsolve: standard input: end of input after line 1, expected an integer\n",
       status::data, good, good},
      {"an answer that is not an integer", {}, "one\n", prompt,
       "rootsolve: standard input, line 1: expected an integer, found \"one\"\n", status::data,
       good, good},
      {"a directory as standard input", {}, "", prompt,
       "rootsolve: standard input: cannot read: Is a directory\n", status::input,
       with({{"MEva.so", full}, {"input.num", circle_input}, {"sub", "<dir>"}}),
       with({{"MEva.so", full}, {"input.num", circle_input}, {"sub", "<dir>"}}), "sub"},
      {"a full disk as standard output", {}, "2\n", "",
       "rootsolve: cannot write standard output: No space left on device\n", status::output,
       {{"MEva.so", full}, {"input.num", circle_input}, {"data.roots", "<link to /dev/null>"}},
       {{"MEva.so", full}, {"input.num", circle_input}, {"data.roots", "<link to /dev/null>"}},
       "", 0, 0, "/dev/full"},
      {"a full disk as standard output keeps an earlier data.roots", {}, "2\n", "",
       "rootsolve: cannot write standard output: No space left on device\n", status::output,
       good, good, "", 0, 0, "/dev/full"},
      // Sizes beyond the program: 31 quadrics have 2^31 paths, one more than
      // a 32-bit count holds.
      {"more paths than a 32-bit count holds", {}, "2\n", linear,
       "rootsolve: the number of paths (the product of the degrees) exceeds 2147483647\n",
       status::size, lib(powers_input(31, 2), powers_input(31, 2)),
       lib(powers_input(31, 2), powers_input(31, 2))},
  };
  // clang-format on
  // Memory exhausted: 2^26 paths need about 27 GB of end points, more than
  // an address space of 4 GB holds; standard output is flushed first.
  const file_map big = lib(powers_input(26, 2), powers_input(26, 2));
  constexpr unsigned long long kFourGb = 4ULL << 30;
  // clang-format off
  c.push_back({"memory exhausted, linear homotopy", {}, "2\n", linear,
               "rootsolve: out of memory\n", status::memory, big, big, "", kFourGb});
  // clang-format on
  // clang-format off
  c.push_back({"memory exhausted, polyhedral homotopy", {}, "1\n", polyhedral,
               "rootsolve: out of memory\n", status::memory, big, big, "", kFourGb});
  // clang-format on
  return c;
}

TEST(rootsolve_cli, RefusalsLeaveEveryFileAsItWas) {
  for (const cli_case& c : refusal_cases()) check_case(rootsolve, c);
}

// data.roots that cannot be written: the run's output on standard output is
// kept, the status is the output one, and an earlier data.roots is never
// left truncated.  The system has 8 roots, so that data.roots (over 2 KB)
// passes the file size limit of the last case while standard output (under
// 1 KB) does not.
TEST(rootsolve_cli, UnwritableRootsFile) {
  const std::string input = powers_input(3, 2);
  const std::string lib = library_for(input);
  const std::string big_old(4096, 'r');
  struct out_case {
    const char* name;
    file_map extra;   // data.roots before the run
    std::string err;  // the message, after "rootsolve: data.roots: "
    unsigned long long file_size;
  };
  // clang-format off
  const out_case cases[] = {
      {"a directory", {{"data.roots", "<dir>"}},
       "cannot open the file for writing: Is a directory", 0},
      {"a full disk", {{"data.roots", "<link to /dev/full>"}},
       "the file could not be written: No space left on device", 0},
      {"a file size limit: the earlier file is kept whole", {{"data.roots", big_old}},
       "the file could not be written: File too large", 1200},
  };
  // clang-format on
  for (const out_case& c : cases) {
    SCOPED_TRACE(c.name);
    temp_dir dir;
    file_map before = {{"MEva.so", lib}, {"input.num", input}};
    before.insert(c.extra.begin(), c.extra.end());
    make_files(dir.path().string(), before);
    proc_io io;
    io.file_size = c.file_size;
    const proc_result r = run_in(rootsolve, {}, "2\n", dir.path().string(), io);
    EXPECT_EQ(r.err, "rootsolve: data.roots: " + c.err + "\n");
    EXPECT_EQ(r.status, status::output);
    EXPECT_EQ(r.out, linear + " The # of paths followed  =          8\n") << r.out;
    EXPECT_EQ(dir_files(dir.path().string()), before);
  }
}

// An interrupt, a termination, a closed terminal or a closed pipe while
// data.roots is written: the program ends by the signal, the temporary goes
// and an earlier data.roots stays.
// The moment is made certain: standard output is a pipe that nobody reads,
// with room for the prompt but not for the summary, so the run stops in
// its last write, with the complete data.roots waiting as a temporary
// until standard output is written.
TEST(rootsolve_cli, ASignalWhileWritingRemovesTheTemporary) {
  // Bytes left in the pipe: the prompt (125 bytes) fits, the summary does not.
  constexpr std::size_t kRoom = 250;
  const file_map before = {
      {"MEva.so", slurp(EVALCORE_FULL)}, {"input.num", circle_input}, {"data.roots", old_roots}};
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(sig);
    temp_dir dir;
    make_files(dir.path().string(), before);
    auto temporary = [&] {
      for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("data.roots.", 0) == 0) return true;
      return false;
    };
    const signalled_result s =
        run_until(rootsolve, "2\n", dir.path().string(), kRoom, temporary, sig, 120);
    EXPECT_TRUE(s.signalled);
    EXPECT_EQ(s.r.status, 128 + sig);
    EXPECT_EQ(s.r.err, "");
    EXPECT_EQ(dir_files(dir.path().string()), before);
  }
}

TEST(rootsolve_prompt, AsksAgainUntilOneOrTwo) {
  temp_dir dir;
  fs::copy_file(EVALCORE_FULL, dir / "MEva.so");
  spit(dir / "input.num", circle_input);
  const proc_result r = run_rootsolve(dir, "3\n0\n1\n");
  const std::string expected =
      prompt + wrong + prompt + wrong + prompt + " The polyhedral homotopy method\n";
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);

  const proc_result r2 = run_rootsolve(dir, "  2   7\n");
  const std::string expected2 = prompt + " The classical linear homotopy\n";
  EXPECT_EQ(r2.out.substr(0, expected2.size()), expected2);
}

TEST(rootsolve_linear, EquationOfDegreeZeroRunsWithNoPath) {
  // x^2 - 1 = 0 and the constant equation 5 = 0: no path at all.
  const std::string input = "2\n2\n1\n2 0\n0 0\n0 0\n(1,0)\n(-1,0)\n(5,0)\nx\ny\n";
  temp_dir dir;
  spit(dir / "MEva.so", library_for(input));
  spit(dir / "input.num", input);
  const proc_result r = run_rootsolve(dir, "2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" The # of paths followed  =          0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" The # of roots =               0\n"), std::string::npos) << r.out;
  const std::string roots = slurp(dir / "data.roots");
  EXPECT_EQ(roots.rfind("  The order of variables : \n x\n y\n", 0), 0u) << roots;
  EXPECT_NE(roots.find(" The # of paths followed =        0\n"), std::string::npos);
}

// Every library generated for the system fits it, whatever its coefficients:
// the check compares supports, not values.
TEST(rootsolve_cli, AGeneratedLibraryFitsEverySystemOfItsSupports) {
  const std::string scaled =
      "2\n3\n2\n2 0 \n0 2 \n0 0 \n1 1 \n0 0 \n(3,1)\n(0,0)\n(-4e6,0)\n(1e-9,2)\n(0,-1)\nx\ny\n";
  struct fit_case {
    const std::string& generated_from;
    const std::string& input;
  };
  const fit_case cases[] = {{circle_input, circle_input},
                            {circle_input, scaled},
                            {three_variables, three_variables},
                            {one_variable, one_variable},
                            {more_terms, more_terms}};
  for (const fit_case& c : cases) {
    for (const char* option : {"1\n", "2\n"}) {
      SCOPED_TRACE(c.input + option);
      temp_dir dir;
      spit(dir / "MEva.so", library_for(c.generated_from));
      spit(dir / "input.num", c.input);
      const proc_result r = run_rootsolve(dir, option);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
      EXPECT_TRUE(fs::exists(dir / "data.roots"));
    }
  }
}

}  // namespace
}  // namespace hc::test
