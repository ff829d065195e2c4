#include "ffread.h"

#include "fatal.h"

#include <gtest/gtest.h>

#include "proc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace hc {
using test::exactly;
namespace {

// Runs a script of reads over `text` and shows what they gave, one field per
// read separated by '|': "i" an integer, "I<k>" k integers in one read,
// "r" a real (%.17g), "c" a complex value, "n" a name in brackets.
std::string run(const std::string& text, const std::string& script,
                const std::string& source = "input.num") {
  std::istringstream in(text);
  ffreader rd(in, source);
  std::istringstream ops(script);
  std::string op, out;
  char buf[64];
  while (ops >> op) {
    if (!out.empty()) out += '|';
    if (op == "i") {
      out += std::to_string(rd.read_int());
    } else if (op[0] == 'I') {
      vec<int> v(std::stoi(op.substr(1)));
      rd.read_ints(v);
      for (int i = 1; i <= v.size(); ++i) out += (i > 1 ? " " : "") + std::to_string(v(i));
    } else if (op == "r") {
      std::snprintf(buf, sizeof buf, "%.17g", rd.read_real());
      out += buf;
    } else if (op == "c") {
      cplx z = rd.read_complex();
      std::snprintf(buf, sizeof buf, "(%.17g,%.17g)", z.real(), z.imag());
      out += buf;
    } else if (op == "n") {
      out += "[" + rd.read_name() + "]";
    }
  }
  return out + "@" + std::to_string(rd.line());
}

struct read_case {
  const char* text;
  const char* script;
  const char* shown;  // the values read, then "@" and the line the last read ended on
};

TEST(ffreader, ReadsByTheLayoutRules) {
  // clang-format off
  const std::vector<read_case> cases = {
      // The rest of a read's last line is dropped.
      {"3 4 5\n6\n", "i i", "3|6@2"},
      {"1 2 9\n3 4\n", "I2 I2", "1 2|3 4@2"},
      // A read continues over line ends and lines without values.
      {"1 2\n3\n", "I3", "1 2 3@2"},
      {"\n\n  7\n \t \n8", "i i", "7|8@5"},
      {"3\r\n4\r\n", "i i", "3|4@2"},
      // Commas with or without blanks, also on either side of a line end.
      {"1 , 2,3 ,\n 4", "I4", "1 2 3 4@2"},
      {"1,\n2", "I2", "1 2@2"},
      {"1\n, 2", "I2", "1 2@2"},
      {"5,", "i", "5@1"},
      {"+12 -2147483648 2147483647", "I3", "12 -2147483648 2147483647@1"},
      // Complex values, blanks and line ends around the parts.
      {"(1,2)\n( 1.5e-3 , -2 )\n(1.0,\n2.0)\n(\n3\n,\n4\n) rest\n", "c c c c",
       "(1,2)|(0.0015,-2)|(1,2)|(3,4)@9"},
      {"(1,2) (3,4)\n(5,6),x", "c c", "(1,2)|(5,6)@2"},
      // Names: one word, 20 characters kept, padded to 20.
      {"x\nabcdefghijklmnopqrstuvwxy\ny_1, z\n  w2 rest\n", "n n n n",
       "[x                   ]|[abcdefghijklmnopqrst]|[y_1                 ]|[w2                  ]@4"},
      // Reads of different kinds, each on its own line.
      {"2\n\n(0,-1)\nx1\n4.5\n", "i c n r", "2|(0,-1)|[x1                  ]|4.5@5"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(run(c.text, c.script), c.shown) << c.text;
}

TEST(ffreader, RealForms) {
  // clang-format off
  struct {
    const char* text;
    double x;
  } cases[] = {
      {"1.5", 1.5},        {"-2.", -2.0},       {".25", 0.25},    {"1e3", 1000.0},
      {"1.5D-3", 1.5e-3},  {"2d2", 200.0},      {"+7", 7.0},      {"1.5-3", 1.5e-3},
      {"-4E+1", -40.0},    {"1.e2", 100.0},     {"-0", -0.0},     {"1e-400", 0.0},
      {"0.1234567890123456", 0.1234567890123456},
      {"-2.718281828459045e-07", -2.718281828459045e-07},
  };
  // clang-format on
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    ffreader rd(in, "input.num");
    double x = rd.read_real();
    EXPECT_EQ(x, c.x) << c.text;
    EXPECT_EQ(std::signbit(x), std::signbit(c.x)) << c.text;
  }
}

TEST(ffreader, SixteenDigitTextsGiveStrtodsValue) {
  // Coefficients are written with 16 significant digits; reading one back
  // must give exactly what strtod gives for the same text.
  std::mt19937_64 gen(12345);
  std::uniform_real_distribution<double> mant(-10.0, 10.0);
  std::uniform_int_distribution<int> ex(-300, 300);
  std::string text;
  std::vector<double> want;
  char buf[64];
  for (int k = 0; k < 2000; ++k) {
    std::snprintf(buf, sizeof buf, "(%.16g,%.16g)\n", std::ldexp(mant(gen), ex(gen)), mant(gen));
    text += buf;
    double re = std::strtod(buf + 1, nullptr);
    double im = std::strtod(std::strchr(buf, ',') + 1, nullptr);
    want.push_back(re);
    want.push_back(im);
  }
  std::istringstream in(text);
  ffreader rd(in, "input.num");
  for (std::size_t k = 0; k < want.size(); k += 2) {
    cplx z = rd.read_complex();
    ASSERT_EQ(z.real(), want[k]) << k;
    ASSERT_EQ(z.imag(), want[k + 1]) << k;
  }
}

struct fail_case {
  const char* text;
  const char* script;
  const char* message;  // after "test_ffread: "
};

TEST(ffreaderDeathTest, UnreadableInputIsFatal) {
  // clang-format off
  const std::vector<fail_case> cases = {
      {"1\n3.5\n", "i i", "input.num, line 2: expected an integer, found \"3.5\""},
      {"abc", "i", "input.num, line 1: expected an integer, found \"abc\""},
      {"12x", "i", "input.num, line 1: expected an integer, found \"12x\""},
      {"-", "i", "input.num, line 1: expected an integer, found \"-\""},
      {"2147483648", "i", "input.num, line 1: integer out of the 32-bit range, found \"2147483648\""},
      {"-2147483649", "i",
       "input.num, line 1: integer out of the 32-bit range, found \"-2147483649\""},
      {"99999999999999999999999", "i",
       "input.num, line 1: integer out of the 32-bit range, found \"99999999999999999999999\""},
      {"1,,2", "I2", "input.num, line 1: empty value between two commas, expected an integer"},
      {"1,\n , 2", "I2", "input.num, line 2: empty value between two commas, expected an integer"},
      {"\n, 1", "i", "input.num, line 2: empty value before a comma, expected an integer"},
      {"1 2\n", "I3", "input.num: end of input after line 1, expected an integer"},
      {"", "i", "input.num: empty input, expected an integer"},
      {"\n\n", "n", "input.num: end of input after line 2, expected a name"},
      {"nan", "r", "input.num, line 1: expected a real number, found \"nan\""},
      {"inf", "r", "input.num, line 1: expected a real number, found \"inf\""},
      {"0x10", "r", "input.num, line 1: expected a real number, found \"0x10\""},
      {"1e", "r", "input.num, line 1: expected a real number, found \"1e\""},
      {".", "r", "input.num, line 1: expected a real number, found \".\""},
      {"1.5e3x", "r", "input.num, line 1: expected a real number, found \"1.5e3x\""},
      {"1e400", "r", "input.num, line 1: real number out of the double range, found \"1e400\""},
      {"(1,2", "c", "input.num: end of input after line 1, expected a complex value \"(re,im)\""},
      {"1.0", "c", "input.num, line 1: expected a complex value \"(re,im)\", found \"1.0\""},
      {"(1;2)", "c", "input.num, line 1: expected a real number, found \"1;2\""},
      {"(,2)", "c", "input.num, line 1: expected a real number in a complex value, found \",\""},
      {"(1 2)", "c", "input.num, line 1: expected \",\" in a complex value, found \"2\""},
      {"(1,\n2,3)", "c", "input.num, line 2: expected \")\" in a complex value, found \",\""},
      {"(1,2)x", "c", "input.num, line 1: unexpected \"x\" after a complex value"},
      {"(1,abc)", "c", "input.num, line 1: expected a real number, found \"abc\""},
      {"x\n", "i", "input.num, line 1: expected an integer, found \"x\""},
      {"1\n2\n3\n9999999999999999999999999999999999999999999999999", "i i i i",
       "input.num, line 4: integer out of the 32-bit range, found "
       "\"9999999999999999999999999999999999999999...\""},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EXIT(run(c.text, c.script), ::testing::ExitedWithCode(status::data),
                exactly(std::string("test_ffread: ") + c.message))
        << c.text;
  }
}

TEST(ffreaderDeathTest, MessageNamesTheSource) {
  EXPECT_EXIT(run("1\n\nyes\n", "i i", "standard input"), ::testing::ExitedWithCode(status::data),
              exactly("test_ffread: standard input, line 3: expected an integer, found \"yes\""));
}

// In a scratch folder of its own: two runs of this test at once (ctest in
// parallel, the order scripts) never share the file.
TEST(ffreader, OpenFileReadsIt) {
  const test::temp_dir dir;
  const std::string path = (dir / "ffread_open.num").string();
  test::spit(path, "2 junk\n(1.5,-1)\n");
  auto rd = ffreader::open_file(path);
  EXPECT_EQ(rd->source(), path);
  EXPECT_EQ(rd->read_int(), 2);
  EXPECT_EQ(rd->read_complex(), cplx(1.5, -1));
}

TEST(ffreaderDeathTest, OpenFileFailsOnAMissingFileOrADirectory) {
  EXPECT_EXIT(ffreader::open_file("/nonexistent/input.num"),
              ::testing::ExitedWithCode(status::input),
              exactly("test_ffread: /nonexistent/input.num: cannot open for reading: "
                      "No such file or directory"));
  EXPECT_EXIT(ffreader::open_file("/tmp"), ::testing::ExitedWithCode(status::input),
              exactly("test_ffread: /tmp: cannot open for reading: Is a directory"));
}

// Bytes that are not printable are echoed as \xHH, never raw.
TEST(ffreaderDeathTest, UnprintableBytesAreEscaped) {
  const std::string text("1\n2x\0\x1b[2J\xc3\xa9\n", 12);
  EXPECT_EXIT(run(text, "i i"), ::testing::ExitedWithCode(status::data),
              exactly("test_ffread: input.num, line 2: expected an integer, found "
                      "\"2x\\x00\\x1b[2J\\xc3\\xa9\""));
}

}  // namespace
}  // namespace hc
