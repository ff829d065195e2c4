// eqtrans as a process: (arguments, standard input) against standard output,
// standard error, the exit status and every file left in its directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cli_table.h"
#include "run_process.h"
#include "small_tmpfs.h"

namespace hc::test {
namespace {

const std::string eqtrans = EQTRANS_BIN;

// Status of an input that is not a convertible system (syntax error, refusal).
constexpr int kStInput = 65;
// Status of a usage error of the option parser.
constexpr int kStUsage = 64;

void check_case(const cli_case& c) { hc::test::check_case(eqtrans, c); }

const char* const div_nonconst =
    "eqtrans: division by nonconstant expression is not yet supported\n";
const char* const pow_nonconst =
    "eqtrans: non-integer exponent on nonconstant express is not yet supported\n";

// ---- the language and the model, through the default writer ----

// clang-format off
const cli_case language_cases[] = {
    {"terms sorted by descending exponents, first variable most significant",
     {}, "y + x^2 + 1 + x*y + y^2 + x",
     "2\n6\n2 0 \n1 1 \n1 0 \n0 2 \n0 1 \n0 0 \n"
     "(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\ny\nx\n",
     "", 0, {}},
    {"like terms merged", {}, "x*y + y*x + 2*x - x",
     "2\n2\n1 1 \n1 0 \n(2,0)\n(1,0)\nx\ny\n", "", 0, {}},
    {"cancellation leaves an empty equation; its variable still counts", {}, "x - x; y",
     "2\n0\n1\n0 1 \n(1,0)\nx\ny\n", "", 0, {}},
    {"(x+1)*(x-1): middle terms cancel", {}, "(x+1)*(x-1)",
     "1\n2\n2 \n0 \n(1,0)\n(-1,-0)\nx\n", "", 0, {}},
    {"zero literals kept, a merge to zero removed", {}, "x + 0; 0*x + y; x + 0 - 0",
     "2\n2\n2\n1\n1 0 \n0 0 \n1 0 \n0 1 \n1 0 \n(1,0)\n(0,0)\n(0,0)\n(1,0)\n(1,0)\nx\ny\n",
     "", 0, {}},
    {"imaginary unit", {}, "i; I; 2i; 2.5 i; i*i; ix + ii + I2 - 2i*ix",
     "3\n1\n1\n1\n1\n1\n3\n0 0 0 \n0 0 0 \n0 0 0 \n0 0 0 \n0 0 0 \n1 0 0 \n0 1 0 \n0 0 1 \n"
     "(0,1)\n(0,1)\n(0,2)\n(0,2.5)\n(-1,0)\n(1,-2)\n(1,0)\n(1,0)\nix\nii\nI2\n",
     "", 0, {}},
    {"unary minus binds looser than ^", {}, "-x^2", "1\n1\n2 \n(-1,-0)\nx\n", "", 0, {}},
    {"minus is left-associative", {}, "a-b-c",
     "3\n3\n1 0 0 \n0 1 0 \n0 0 1 \n(1,0)\n(-1,-0)\n(-1,-0)\na\nb\nc\n", "", 0, {}},
    {"x^2^3 is (x^2)^3", {}, "x^2^3", "1\n1\n6 \n(1,0)\nx\n", "", 0, {}},
    {"* and / left-associative above + and -, ^ above unary minus", {}, "2*3^2 - 6/2*2; -2^2",
     "0\n1\n1\n\n\n(12,0)\n(-4,-0)\n", "", 0, {}},
    {"real literals", {}, "3.e-2*x + 2.*y + .5*z + 1.5e+3",
     "3\n4\n1 0 0 \n0 1 0 \n0 0 1 \n0 0 0 \n(0.03,0)\n(2,0)\n(0.5,0)\n(1500,0)\nx\ny\nz\n",
     "", 0, {}},
    {"integer powers", {}, "(x+1)^2; x^0 + (x+y)^0 + 0^0",
     "2\n3\n1\n2 0 \n1 0 \n0 0 \n0 0 \n(1,0)\n(2,0)\n(1,0)\n(3,0)\nx\ny\n", "", 0, {}},
    {"constant complex powers", {}, "2^(0.5); 0^(0) + 0^(2.5); (-1)^(0.5)",
     "0\n1\n1\n1\n\n\n\n(1.414213562373095,0)\n(1,0)\n(6.123233995736766e-17,1)\n", "", 0, {}},
    {"division by a constant", {}, "x/(2i) + y/4",
     "2\n2\n1 0 \n0 1 \n(0,-0.5)\n(0.25,0)\nx\ny\n", "", 0, {}},
    {"coefficients in 16 digits", {},
     "0.1*x + 1/3*y + 1.e+20*z + 1234567890123456.*w + 12345678901234567.*v + 0.00001*u + 1.e-6",
     "6\n7\n1 0 0 0 0 0 \n0 1 0 0 0 0 \n0 0 1 0 0 0 \n0 0 0 1 0 0 \n0 0 0 0 1 0 \n"
     "0 0 0 0 0 1 \n0 0 0 0 0 0 \n"
     "(0.1,0)\n(0.3333333333333333,0)\n(1e+20,0)\n(1234567890123456,0)\n"
     "(1.234567890123457e+16,0)\n(0.00001,0)\n(1e-06,0)\nx\ny\nz\nw\nv\nu\n",
     "", 0, {}},
    {"comments run to the end of the line", {}, "x # y\n+ 1 # z",
     "1\n2\n1 \n0 \n(1,0)\n(1,0)\nx\n", "", 0, {}},
    {"empty statements", {}, "x;;y", "2\n1\n1\n1 0 \n0 1 \n(1,0)\n(1,0)\nx\ny\n", "", 0, {}},
    {"trailing semicolon adds nothing", {}, "x + y; x - y;",
     "2\n2\n2\n1 0 \n0 1 \n1 0 \n0 1 \n(1,0)\n(1,0)\n(1,0)\n(-1,-0)\nx\ny\n", "", 0, {}},
    {"carriage returns and form feeds are white space", {}, "x\r\n+\fy\r\n# \xc3\xa9 \x01 in a comment",
     "2\n2\n1 0 \n0 1 \n(1,0)\n(1,0)\nx\ny\n", "", 0, {}},
    {"non-square system written as it is", {}, "x + y + z; x*y",
     "3\n3\n1\n1 0 0 \n0 1 0 \n0 0 1 \n1 1 0 \n(1,0)\n(1,0)\n(1,0)\n(1,0)\nx\ny\nz\n",
     "", 0, {}},
    {"largest 32-bit literal and exponent", {}, "2147483647*x^2147483647",
     "1\n1\n2147483647 \n(2147483647,0)\nx\n", "", 0, {}},
};
// clang-format on

TEST(EqtransCli, Language) {
  for (const cli_case& c : language_cases) check_case(c);
}

// ---- syntax errors and their locations: nothing written ----

// clang-format off
const cli_case syntax_cases[] = {
    {"empty input", {}, "", "", "eqtrans: 1.0: syntax error\n", kStInput, {}},
    {"only a comment", {}, "# nothing\n", "", "eqtrans: 2.0: syntax error\n", kStInput, {}},
    {"a lone semicolon", {}, ";", "", "eqtrans: 1.0: syntax error\n", kStInput, {}},
    {"1e5 is 1 then the name e5", {}, "x; 1e5", "", "eqtrans: 1.3-5: syntax error\n", kStInput, {}},
    {"1.5e3 is 1.5 then the name e3", {}, "1.5e3", "", "eqtrans: 1.0-4: syntax error\n", kStInput, {}},
    {"the comma", {}, "x, y", "", "eqtrans: 1.0-1: syntax error\n", kStInput, {}},
    {"operator after another, no blanks", {}, "x+*y", "", "eqtrans: 1.0-2: syntax error\n", kStInput, {}},
    {"one-character token after a blank", {}, "x + * y", "", "eqtrans: 1.4: syntax error\n", kStInput,
     {}},
    {"end of input after a blank", {}, "x + ", "", "eqtrans: 1.4-3: syntax error\n", kStInput, {}},
    {"third line after a tab", {}, "x +\n  y *\n\t* z", "", "eqtrans: 3.1: syntax error\n", kStInput,
     {}},
    {"several newlines at once", {}, "x+\n\n  yy+*z", "", "eqtrans: 3.2-5: syntax error\n", kStInput,
     {}},
    {"juxtaposition", {}, "x + y;\ny + ab cd", "", "eqtrans: 2.7-8: syntax error\n", kStInput, {}},
    {"negative integer exponent", {}, "x^-1", "", "eqtrans: 1.0-2: syntax error\n", kStInput, {}},
};
// clang-format on

TEST(EqtransCli, SyntaxErrors) {
  for (const cli_case& c : syntax_cases) check_case(c);
}

// ---- bytes outside the notation: a syntax error at their place, naming
// them; nothing written, with any writer ----

std::string not_notation(const std::string& place, const std::string& shown) {
  return "eqtrans: " + place + ": syntax error: \"" + shown + "\" is not part of the notation\n";
}

// clang-format off
const cli_case byte_cases[] = {
    {"a superscript two", {}, "x\xc2\xb2 + 1;", "", not_notation("1.1-2", "\\xc2\\xb2"), kStInput, {}},
    {"the minus sign of typeset text", {}, "x \xe2\x88\x92 1", "", not_notation("1.2-4", "\\xe2\\x88\\x92"),
     kStInput, {}},
    {"a letter with an accent", {}, "x \xc3\xa9 + 1;", "", not_notation("1.2-3", "\\xc3\\xa9"), kStInput, {}},
    {"a control byte inside a term", {}, "x\x01y + 1", "", not_notation("1.1", "\\x01"), kStInput, {}},
    {"a NUL inside a term", {}, std::string("x + 2\0*y", 9), "", not_notation("1.5", "\\x00"), kStInput,
     {}},
    {"a byte that starts no UTF-8 character", {}, "x;\n  \xff", "", not_notation("2.2", "\\xff"), kStInput,
     {}},
    {"a vertical tab", {}, "x\v+ 1", "", not_notation("1.1", "\\x0b"), kStInput, {}},
    {"printable ASCII outside the notation", {}, "x + $$*y", "", not_notation("1.4", "$"), kStInput, {}},
    {"after equations that parsed", {}, "x + 1;\ny@", "", not_notation("2.1", "@"), kStInput, {}},
    {"-T writes no files", {"-T"}, "x^2 + 1;\nx\xc2\xb2", "", not_notation("2.1-2", "\\xc2\\xb2"), kStInput,
     {{"data.supp", "old\n"}}, {{"data.supp", "old\n"}}},
    {"-S writes nothing", {"-S"}, "x\x7f", "", not_notation("1.1", "\\x7f"), kStInput, {}},
};
// clang-format on

TEST(EqtransCli, BytesOutsideTheNotation) {
  for (const cli_case& c : byte_cases) check_case(c);
}

// ---- refused operations: one line, nothing written ----

// clang-format off
const cli_case refusal_cases[] = {
    {"x^(2)", {}, "x + 1; x^(2)", "", pow_nonconst, kStInput, {}},
    {"x/y", {}, "x/y", "", div_nonconst, kStInput, {}},
    {"empty divisor", {}, "x/(y-y)", "", div_nonconst, kStInput, {}},
    {"x^(y)", {}, "x^(y)", "", "eqtrans: nonconstant exponent not yet supported\n", kStInput,
     {}},
    {"division by zero", {}, "x/0", "", "eqtrans: 1.0-2: division by zero\n", kStInput, {}},
    {"division by an imaginary zero", {}, "x/(0i*y^0)", "",
     "eqtrans: 1.0-9: division by zero\n", kStInput, {}},
    {"zero to a negative power", {}, "0^(-1)", "",
     "eqtrans: 1.0-5: zero raised to a negative power\n", kStInput, {}},
    {"zero to an imaginary power", {}, "0.^(i)", "",
     "eqtrans: 1.0-5: zero raised to an imaginary power\n", kStInput, {}},
    {"exponent beyond 32 bits", {}, "x^4294967297", "",
     "eqtrans: 1.0-11: exponent does not fit in 32 bits\n", kStInput, {}},
    {"exponent one past 32 bits", {}, "y + x^2147483648", "",
     "eqtrans: 1.4-15: exponent does not fit in 32 bits\n", kStInput, {}},
    {"power of a power beyond 32 bits", {}, "(x^65536)^65536", "",
     "eqtrans: 1.0-14: exponent does not fit in 32 bits\n", kStInput, {}},
    {"product beyond 32 bits", {}, "x^2147483647*x", "",
     "eqtrans: 1.0-13: exponent does not fit in 32 bits\n", kStInput, {}},
    {"power of a sum beyond 32 bits", {}, "(x^1073741824 + 1)^2", "",
     "eqtrans: 1.0-19: exponent does not fit in 32 bits\n", kStInput, {}},
};
// clang-format on

TEST(EqtransCli, Refusals) {
  for (const cli_case& c : refusal_cases) check_case(c);
}

// ---- powers of a sum too long to expand: status 3, nothing written ----

std::string too_long(const std::string& place) {
  return "eqtrans: " + place + ": the expansion of this power would form more than 33554432 "
         "products of terms\n";
}

// x + x^2 + ... + x^6000: its square would form 3.6e7 products.
const std::string many_powers = [] {
  std::string s = "(x";
  for (int k = 2; k <= 6000; ++k) s += "+x^" + std::to_string(k);
  return s + ")";
}();

// clang-format off
const cli_case power_cases[] = {
    // Refused before any product is formed: a power of t terms to the n
    // forms at least 2 t (n-1), or its first product alone passes the bound.
    {"the largest exponent", {}, "(0.5*x + 0.5)^2147483647", "", too_long("1.0-23"), 3, {}},
    {"ten million", {}, "x + 1;\n  (0.5*x + 0.5)^10000000 - y", "", too_long("2.2-23"), 3, {}},
    {"a sum of three terms", {}, "(x + y + 1)^6000000", "", too_long("1.0-18"), 3, {}},
    {"one product of two long sums would pass the bound", {}, many_powers + "^2", "",
     too_long("1.0-" + std::to_string(many_powers.size() + 1)), 3, {}},
    // Refused once the products formed pass the bound (3.3e7 of them, about
    // 3 s), with -T too.
    {"binomial coefficients that stay finite", {"-T"}, "(0.5*x + 0.5)^8000", "",
     too_long("1.0-17"), 3, {{"data.supp", "old\n"}}, {{"data.supp", "old\n"}}},
};
// clang-format on

// The expansions near the bound take minutes under the sanitizers: there
// only the powers refused before any product is formed run.
constexpr std::size_t kRefusedAtOnce = 4;

TEST(EqtransCli, PowersTooLongToExpand) {
  const std::size_t cases = kSanitizedBuild ? kRefusedAtOnce : std::size(power_cases);
  for (std::size_t k = 0; k < cases; ++k) check_case(power_cases[k]);
}

// Within the bound a power is expanded: (x/2 + 1/2)^5000 forms 2.5e7
// products.  Its top term is x^5000 with the coefficient 0.5^5000, below the
// double range: written as (0,0), as IEEE arithmetic gives it.
TEST(EqtransCli, APowerWithinTheBoundIsExpanded) {
  if (kSanitizedBuild) GTEST_SKIP() << "2.5e7 products of terms take minutes under the sanitizers";
  scratch_dir dir;
  const proc_result r = run_in(eqtrans, {}, "(0.5*x + 0.5)^5000", dir.path());
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  const std::size_t count_end = r.out.find('\n', 2);
  ASSERT_EQ(r.out.substr(0, 2), "1\n");
  ASSERT_NE(count_end, std::string::npos);
  const int terms = std::stoi(r.out.substr(2, count_end - 2));
  EXPECT_GT(terms, 1000);
  EXPECT_EQ(r.out.substr(count_end + 1, 6), "5000 \n");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2 + 2 * terms + 1);
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "x\n");
}

// ---- coefficients: integer literals keep their value, none is infinite ----

const std::string digits400(400, '1');

// clang-format off
const cli_case coefficient_cases[] = {
    {"an integer beyond 32 bits keeps its value", {}, "20692933630*x - 1",
     "1\n2\n1 \n0 \n(20692933630,0)\n(-1,-0)\nx\n", "", 0, {}},
    {"2^31 as a coefficient, 2^31 - 1 as an exponent", {}, "2147483648*x^2147483647",
     "1\n1\n2147483647 \n(2147483648,0)\nx\n", "", 0, {}},
    {"beyond 2^53 the nearest double", {}, "9007199254740993*x",
     "1\n1\n1 \n(9007199254740992,0)\nx\n", "", 0, {}},
    {"an imaginary integer beyond 64 bits", {}, "123456789012345678901234567890 i*x",
     "1\n1\n1 \n(0,1.234567890123457e+29)\nx\n", "", 0, {}},
    {"a real literal beyond the double range", {}, "1.e+400*x", "",
     "eqtrans: 1.0-8: coefficient is not finite\n", kStInput, {}},
    {"infinity minus infinity", {}, "1.e+400*x - 1.e+400*x", "",
     "eqtrans: 1.0-20: coefficient is not finite\n", kStInput, {}},
    {"an integer literal beyond the double range", {}, digits400 + "*x", "",
     "eqtrans: 1.0-401: coefficient is not finite\n", kStInput, {}},
    {"a complex power that overflows", {}, "2^(2000)+x", "",
     "eqtrans: 1.0-9: coefficient is not finite\n", kStInput, {}},
    {"the power of a single term", {}, "(2*x)^2147483647", "",
     "eqtrans: 1.0-15: coefficient is not finite\n", kStInput, {}},
    {"binomial coefficients that overflow", {}, "(x+1)^2000", "",
     "eqtrans: 1.0-9: coefficient is not finite\n", kStInput, {}},
    {"a power of ten bytes", {}, "(x+1)^100000", "",
     "eqtrans: 1.0-11: coefficient is not finite\n", kStInput, {}},
    {"a product on the second line", {}, "x + 1;\ny * 1.e+200 * 1.e+200", "",
     "eqtrans: 2.0-20: coefficient is not finite\n", kStInput, {}},
    {"a sum that overflows", {}, "2.5*x + (1.e+308 + 1.e+308)*y", "",
     "eqtrans: 1.0-28: coefficient is not finite\n", kStInput, {}},
    {"the place is that of the equation", {}, "x;\n y + 1.e+400;\nz", "",
     "eqtrans: 2.1-11: coefficient is not finite\n", kStInput, {}},
    // Values beyond the double range on the way, where the result is finite
    // (a power 0 or a product with an empty sum): written as the result is.
    {"an infinite base to the power 0", {}, "((x + 5.e+202)^6)^0*1; (1.e+400*x)^0 + y",
     "2\n1\n2\n0 0 \n0 1 \n0 0 \n(1,0)\n(1,0)\n(1,0)\nx\ny\n", "", 0, {}},
    {"an infinite term times an empty sum", {}, "(1.e+400*x)*(y-y); z",
     "3\n0\n1\n0 0 1 \n(1,0)\nx\ny\nz\n", "", 0, {}},
    {"the reciprocal of an infinite constant", {}, "(1.e+400)^(-1)*x",
     "1\n1\n1 \n(0,0)\nx\n", "", 0, {}},
    {"the exponents of a power are refused before its coefficients", {},
     "((1.e+300*x^1000000000 + 1.e+300)^3)^0", "",
     "eqtrans: 1.0-34: exponent does not fit in 32 bits\n", kStInput, {}},
    {"division by a tiny constant", {}, "x/1.e-320", "",
     "eqtrans: 1.0-8: coefficient is not finite\n", kStInput, {}},
    {"a negative power of a tiny constant", {}, "(1.e-200)^(-2)", "",
     "eqtrans: 1.0-13: coefficient is not finite\n", kStInput, {}},
    {"nothing is written with -T", {"-T"}, "x; 1.e+400", "",
     "eqtrans: 1.3-9: coefficient is not finite\n", kStInput, {{"data.supp", "old\n"}},
     {{"data.supp", "old\n"}}},
};
// clang-format on

TEST(EqtransCli, Coefficients) {
  for (const cli_case& c : coefficient_cases) check_case(c);
}

// ---- options and writers ----

const char* const sys_in = "x+y;x*y+1;;y-3";
const char* const sys_num =
    "2\n2\n2\n2\n1 0 \n0 1 \n1 1 \n0 0 \n0 1 \n0 0 \n"
    "(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n(-3,-0)\nx\ny\n";
const char* const sys_sym = "1[10] 1[01] \n1[11] 1[00] \n1[01] -3[00] \n";
const char* const tav_supp = "2 3\n1 1 1 \n1 2\n3 4\n5 6\n1 0 \n0 1 \n1 1 \n0 0 \n0 1 \n0 0 \n";
const char* const rud_supp = "2\n1 2\n3 4\n5 6\n1 0 \n0 1 \n1 1 \n0 0 \n0 1 \n0 0 \n";
const char* const sys_coef = "(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n(-3,-0)\n";
const char* const try_help = "Try `eqtrans --help' or `eqtrans --usage' for more information.\n";

// clang-format off
const cli_case option_cases[] = {
    {"-Z", {"-Z"}, sys_in, sys_num, "", 0, {}},
    {"--zarvik", {"--zarvik"}, sys_in, sys_num, "", 0, {}},
    {"-v -q -s -t change nothing", {"-v", "-q", "-s", "-t"}, sys_in, sys_num, "", 0, {}},
    {"long forms change nothing", {"--verbose", "--quiet", "--silent", "--trace"}, sys_in,
     sys_num, "", 0, {}},
    {"-S", {"-S"}, sys_in, sys_sym, "", 0, {}},
    {"--sym", {"--sym"}, sys_in, sys_sym, "", 0, {}},
    {"-S then -Z: the last wins", {"-S", "-Z"}, sys_in, sys_num, "", 0, {}},
    {"-T then -S", {"-T", "-S"}, sys_in, sys_sym, "", 0, {}},
    {"symbolic coefficients", {"-S"}, "x^10*y + 2.5*x + 2i*y; 1/3 + 0.00001*x - i; x - x",
     "1[101] 2.5[10] (0,2)[01] \n1e-05[10] (0.333333,-1)[00] \n\n", "", 0, {}},
    {"-T", {"-T"}, sys_in, "", "", 0, {{"data.supp", tav_supp}, {"data.coef", sys_coef}}},
    {"-o sys -T", {"-o", "sys", "-T"}, sys_in, "", "", 0,
     {{"sys.supp", tav_supp}, {"sys.coef", sys_coef}}},
    {"--output=sys --tav", {"--output=sys", "--tav"}, sys_in, "", "", 0,
     {{"sys.supp", tav_supp}, {"sys.coef", sys_coef}}},
    {"-R", {"-R"}, sys_in, "", "", 0, {{"data.supp", rud_supp}, {"data.coef", sys_coef}}},
    {"--rud -osys", {"--rud", "-osys"}, sys_in, "", "", 0,
     {{"sys.supp", rud_supp}, {"sys.coef", sys_coef}}},
    {"-o alone writes nothing to files", {"-o", "sys"}, sys_in, sys_num, "", 0, {}},
    {"-T with an empty equation", {"-T"}, "x - x; y", "", "", 0,
     {{"data.supp", "2 2\n1 1 \n1 0\n1 1\n0 1 \n"}, {"data.coef", "(1,0)\n"}}},
    {"-T replaces longer old files", {"-T"}, "x", "", "", 0,
     {{"data.supp", "1 1\n1 \n1 1\n1 \n"}, {"data.coef", "(1,0)\n"}},
     {{"data.supp", std::string(200, 'o')}, {"data.coef", std::string(200, 'o')}}},
    {"a syntax error writes no files", {"-T"}, "x;*", "", "eqtrans: 1.0-2: syntax error\n", kStInput, {}},
    {"--version", {"--version"}, "", "0.9.9\n", "", 0, {}},
    {"--usage", {"--usage"}, "",
     "Usage: eqtrans [-qsRStTvZ?V] [-o FILE] [--output=FILE] [--quiet] [--silent]\n"
     "            [--rud] [--sym] [--trace] [--tav] [--verbose] [--zarvik] [--help]\n"
     "            [--usage] [--version]\n",
     "", 0, {}},
    {"--help", {"--help"}, "",
     "Usage: eqtrans [OPTION...]\n"
     "eqtrans -- convert between various formats of polynomial system\n"
     "\n"
     "  -o, --output=FILE          Output to FILE.supp and FILE.coef\n"
     "  -q, -s, --quiet, --silent  Don't produce any output\n"
     "  -R, --rud                  Output support and coefficients in the format used\n"
     "                             by Rud\n"
     "  -S, --sym                  Output support and coefficients in symbolic\n"
     "                             foramt\n"
     "  -t, --trace                Show trace information (for debug only)\n"
     "  -T, --tav                  Output support and coefficients in the format used\n"
     "                             by Tav\n"
     "  -v, --verbose              Produce verbose output\n"
     "  -Z, --zarvik               Output support and coefficients in the standard\n"
     "                             ZARVIK format (default)\n"
     "  -?, --help                 Give this help list\n"
     "      --usage                Give a short usage message\n"
     "  -V, --version              Print program version\n"
     "\n"
     "Mandatory or optional arguments to long options are also mandatory or optional\n"
     "for any corresponding short options.\n",
     "", 0, {}},
    {"unknown long option", {"--bogus"}, sys_in, "",
     std::string("eqtrans: unrecognized option '--bogus'\n") + try_help, kStUsage, {}},
    {"unknown short option", {"-x"}, sys_in, "",
     std::string("eqtrans: invalid option -- 'x'\n") + try_help, kStUsage, {}},
    {"-o without its argument", {"-o"}, sys_in, "",
     std::string("eqtrans: option requires an argument -- 'o'\n") + try_help, kStUsage, {}},
    {"a positional argument", {"-T", "file.txt"}, sys_in, "",
     std::string("eqtrans: unexpected argument 'file.txt': the system is read from standard "
                 "input, as in: eqtrans < file.txt > input.num\n") + try_help, kStUsage, {}},
    {"the system's file named on the command line", {"system.txt"}, "", "",
     std::string("eqtrans: unexpected argument 'system.txt': the system is read from standard "
                 "input, as in: eqtrans < system.txt > input.num\n") + try_help, kStUsage,
     {{"system.txt", "x + 1\n"}}, {{"system.txt", "x + 1\n"}}},
};
// clang-format on

TEST(EqtransCli, Options) {
  for (const cli_case& c : option_cases) check_case(c);
}

// ---- output files that cannot be opened or written ----

const char* const open_error = "eqtrans: error: cannot open output files data.supp, data.coef\n";

// clang-format off
const cli_case file_cases[] = {
    {"output folder missing", {"-T", "-o", "none/sys"}, sys_in, "",
     "eqtrans: error: cannot open output files none/sys.supp, none/sys.coef\n", 1, {}},
    {"coef unopenable: the user's supp file is kept", {"-T"}, sys_in, "", open_error, 1,
     {{"data.supp", "precious\n"}, {"data.coef", "<dir>"}},
     {{"data.supp", "precious\n"}, {"data.coef", "<dir>"}}},
    {"coef unopenable: no supp file left behind", {"-R"}, sys_in, "", open_error, 1,
     {{"data.coef", "<dir>"}}, {{"data.coef", "<dir>"}}},
    {"supp unopenable: the user's coef file is kept", {"-R"}, sys_in, "", open_error, 1,
     {{"data.supp", "<dir>"}, {"data.coef", "precious\n"}},
     {{"data.supp", "<dir>"}, {"data.coef", "precious\n"}}},
};
// clang-format on

TEST(EqtransCli, UnopenableOutput) {
  for (const cli_case& c : file_cases) check_case(c);
}

// A run that fails after the output was begun leaves the old files whole;
// exhausted memory is its own status, with nothing written.
TEST(EqtransCli, FailuresPartWayLeaveTheOldFiles) {
  std::string many = "x";
  for (int k = 2; k <= 100; ++k) many += " + x^" + std::to_string(k);
  const file_map old = {{"data.supp", "old supp\n"}, {"data.coef", "old coef\n"}};
  // clang-format off
  const cli_case cases[] = {
      {"-T beyond a file size limit", {"-T"}, many, "",
       "eqtrans: cannot write data.supp: File too large\n", 1, old, old, "", 0, 256},
      {"-R beyond a file size limit", {"-R"}, many, "",
       "eqtrans: cannot write data.supp: File too large\n", 1, old, old, "", 0, 256},
      // A million terms of twelve variables exhaust 100 MB within seconds.
      {"memory exhausted", {"-T"}, "(a+b+c+d+e+f+g+h+j+k+l+m)^12", "",
       "eqtrans: out of memory\n", 4, old, old, "", 100ULL << 20},
  };
  // clang-format on
  for (const cli_case& c : cases) check_case(c);
}

TEST(EqtransCli, FullDiskIsAFailure) {
  {
    SCOPED_TRACE("standard output");
    scratch_dir dir;
    const proc_result r = run_in(eqtrans, {}, sys_in, dir.path(), {"", "/dev/full"});
    EXPECT_EQ(r.err, "eqtrans: cannot write standard output: No space left on device\n");
    EXPECT_EQ(r.status, 1);
  }
  {
    SCOPED_TRACE("-T");
    scratch_dir dir;
    ASSERT_EQ(::symlink("/dev/full", dir.file("data.supp").c_str()), 0);
    const proc_result r = run_in(eqtrans, {"-T"}, sys_in, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "eqtrans: cannot write data.supp: No space left on device\n");
    EXPECT_EQ(r.status, 1);
  }
}

// A full disk with room for the new FILE.supp but not for the new
// FILE.coef: neither old file is replaced and no temporary stays.  1200
// terms in 29 variables with complex coefficients: FILE.supp takes about
// 70 KB and is written to disk while the text is made, FILE.coef (about
// 50 KB) only when both are finished, so it is FILE.coef that fails.
TEST(EqtransCli, AFullDiskReplacesNeitherFile) {
  constexpr int kTerms = 1200, kVars = 29;
  constexpr unsigned long long kPage = 4096;
  std::string eq;
  for (int k = 0; k < kTerms; ++k)
    eq += (k > 0 ? " + " : "") + std::string("(1/3+i/7)*x") + std::to_string(k % kVars) + "^" +
          std::to_string(k / kVars + 1);
  auto pages = [&](std::size_t bytes) { return (bytes + kPage - 1) / kPage; };
  const file_map old = {{"data.supp", "old supp\n"}, {"data.coef", "old coef\n"}};
  for (const char* style : {"-T", "-R"}) {
    SCOPED_TRACE(style);
    scratch_dir plain;
    ASSERT_EQ(run_in(eqtrans, {style}, eq, plain.path()).status, 0);
    const std::size_t supp = read_file(plain.file("data.supp")).size();
    const std::size_t coef = read_file(plain.file("data.coef")).size();
    ASSERT_GE(pages(coef), 4u);
    // The two old files, the new FILE.supp and half of the new FILE.coef.
    small_tmpfs disk((2 + pages(supp) + pages(coef) / 2) * kPage);
    if (!disk.ok()) GTEST_SKIP() << "no full-disk case: " << disk.why();
    make_files(disk.path(), old);
    const proc_result r = run_in(eqtrans, {style}, eq, disk.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "eqtrans: cannot write data.coef: No space left on device\n");
    EXPECT_EQ(r.status, 1);
    expect_files(dir_files(disk.path()), old);
  }
}

TEST(EqtransCli, ADirectoryAsInputIsNamedAsSuch) {
  scratch_dir dir;
  const proc_result r = run_in(eqtrans, {}, "", dir.path(), {dir.path(), ""});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "eqtrans: input in flex scanner failed: Is a directory\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(dir_files(dir.path()), file_map{});
}

}  // namespace
}  // namespace hc::test
