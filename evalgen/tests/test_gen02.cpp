// The generator's transforms and the exact text of MEva.f90.
#include "gen02.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include "proc.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ffread.h"

namespace hc {
namespace {

namespace fs = std::filesystem;

// A scratch directory removed at the end of the test.
using hc::test::slurp;
using hc::test::temp_dir;

// Runs the generator on the numeric layout `input` and returns the text of
// the file it writes.
std::string generate(const std::string& input, const fs::path& out) {
  std::istringstream is(input);
  ffreader in(is, "test input");
  genpdp(in, out.string());
  return slurp(out);
}

std::string generate(const std::string& input) {
  temp_dir d;
  return generate(input, d / "MEva.f90");
}

// Lines joined with line ends.
std::string lines(const std::vector<std::string>& ls) {
  std::string s;
  for (const auto& l : ls) s += l + "\n";
  return s;
}

// Six blanks before every line of a statement group.
std::vector<std::string> indent(const std::vector<std::string>& ls) {
  std::vector<std::string> r;
  for (const auto& l : ls) r.push_back("      " + l);
  return r;
}

std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> r;
  for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

const std::vector<std::string> coef_head = {"      SUBROUTINE coefHHtHx(cf,cft,cfd,m,B,G,D,s)",
                                            "      IMPLICIT none",
                                            "      Integer m",
                                            "      real*8 s,D(m),es,eDs(m)",
                                            "      COMPLEX*16 cf(m),cft(m),cfd(*),B(m),G(m),Ges(m)",
                                            "      es = exp(s); Ges = G*es; eDs = exp(D*s)",
                                            "       cf=(B+Ges)*eDs",
                                            "       cft=D*cf+Ges*eDs"};
const std::vector<std::string> tail = {"      RETURN", "      END SUBROUTINE"};
const std::vector<std::string> eva_head = {"      SUBROUTINE EvaHHx(n,cf,z,p,cfd,dp)",
                                           "      IMPLICIT none", "      INTEGER n",
                                           "      COMPLEX*16 cf(*),z(*),p(*),cfd(*),dp(n,*)"};
const std::vector<std::string> sub_head = {
    "      SUBROUTINE subexpo(n,cf,z,p,cfd,cft,dp,dt)", "      IMPLICIT none", "      INTEGER n",
    "      COMPLEX*16 cf(*),z(n),p(n),cfd(*),cft(*),dp(n,*),dt(n)"};

// x1^2 + x2 - 1, x1 x2 + 3, in this order.
const char* two_var_input =
    "2\n3\n2\n2 0\n0 1\n0 0\n1 1\n0 0\n(1,0)\n(1,0)\n(-1,0)\n(1,0)\n(3,0)\nx1\nx2\n";

TEST(genpdp, TwoVariableExampleIsExact) {
  const auto decl = indent({"COMPLEX*16 Z1p1,Z1p2,Z2p1", "COMPLEX*16 S1,S2,S3,S4"});
  const auto ddecl = indent({"COMPLEX*16 S1d2,S4d2"});
  const auto pow = indent({"Z1p1=z(1)", "Z1p2=z1p1*z1p1", "Z2p1=z(2)"});
  const auto sp = indent({"S1=cf(1)*Z2p1", "S2=cf(2)", "S3=cf(3)", "S4=cf(4)*Z2p1+cf(5)",
                          "P(1)=S1*Z1p1+S2", "P(2)=S3*Z1p2+S4", "dP(1,1)=S1", "dP(2,1)=S3*2*Z1p1"});
  const auto ut = indent({"U1=cft(1)*Z2p1", "U2=cft(2)", "U3=cft(3)", "U4=cft(4)*Z2p1+cft(5)",
                          "dt(1)=U1*Z1p1+U2", "dt(2)=U3*Z1p2+U4"});
  const auto dp = indent({"S1d2=cfd(1)", "S4d2=cfd(4)", "dp(1,2)=S1d2*Z1p1", "dp(2,2)=S4d2"});
  // clang-format off
  const auto expected = cat({eva_head, decl, ddecl, pow, sp, dp, tail, {""},
                             sub_head, decl, indent({"COMPLEX*16 U1,U2,U3,U4"}), ddecl, pow, sp,
                             ut, dp, tail, {""},
                             coef_head, {"       cfd(1)=cf(1)", "       cfd(4)=cf(4)"}, tail});
  // clang-format on
  EXPECT_EQ(generate(two_var_input), lines(expected));
}

// x1 x2 x3^2 + 1, x2 x3^2 + x2 + 1, x1^2 + x2 + x3 + 1: temporaries 3 and 4.
const char* three_var_input =
    "3\n2\n3\n4\n"
    "1 1 2\n0 0 0\n0 1 2\n0 1 0\n0 0 0\n2 0 0\n0 1 0\n0 0 1\n0 0 0\n"
    "(1,0)\n(2,0)\n(3,0)\n(4,0)\n(5,0)\n(6,0)\n(7,0)\n(8,0)\n(9,0)\n";

TEST(genpdp, ThreeVariableExampleWithTemporariesIsExact) {
  const auto decl = indent(
      {"COMPLEX*16 Z1p1,Z1p2,Z2p1,Z3p1,Z3p2", "COMPLEX*16 T3,T4", "COMPLEX*16 S1,S2,S3,S4,S5"});
  const auto ddecl = indent({"COMPLEX*16 S1d2,S3d2,S5d2,S1d3,S3d3,S5d3"});
  const auto pow = indent({"Z1p1=z(1)", "Z1p2=z1p1*z1p1", "Z2p1=z(2)", "Z3p1=z(3)",
                           "Z3p2=z3p1*z3p1", "T3=Z2p1*Z3p2", "T4=Z2p1*Z3p1"});
  const auto sp = indent({"S1=cf(1)*T3", "S2=cf(2)", "S3=cf(3)*T3+cf(4)*Z2p1+cf(5)", "S4=cf(6)",
                          "S5=cf(7)*Z2p1+cf(8)*Z3p1+cf(9)", "P(1)=S1*Z1p1+S2", "P(2)=S3",
                          "P(3)=S4*Z1p2+S5", "dP(1,1)=S1", "dP(2,1)=0", "dP(3,1)=S4*2*Z1p1"});
  const auto ut = indent({"U1=cft(1)*T3", "U2=cft(2)", "U3=cft(3)*T3+cft(4)*Z2p1+cft(5)",
                          "U4=cft(6)", "U5=cft(7)*Z2p1+cft(8)*Z3p1+cft(9)", "dt(1)=U1*Z1p1+U2",
                          "dt(2)=U3", "dt(3)=U4*Z1p2+U5"});
  const auto dp =
      indent({"S1d2=cfd(1)*Z3p2", "S3d2=cfd(3)*Z3p2+cfd(4)", "S5d2=cfd(7)", "S1d3=cfd(10)*T4",
              "S3d3=cfd(12)*T4", "S5d3=cfd(17)", "dp(1,2)=S1d2*Z1p1", "dp(2,2)=S3d2",
              "dp(3,2)=S5d2", "dp(1,3)=S1d3*Z1p1", "dp(2,3)=S3d3", "dp(3,3)=S5d3"});
  const auto cfd = std::vector<std::string>{"       cfd(1)=cf(1)",    "       cfd(3)=cf(3)",
                                            "       cfd(4)=cf(4)",    "       cfd(7)=cf(7)",
                                            "       cfd(10)=2*cf(1)", "       cfd(12)=2*cf(3)",
                                            "       cfd(17)=cf(8)"};
  const auto expected = cat({eva_head,
                             decl,
                             ddecl,
                             pow,
                             sp,
                             dp,
                             tail,
                             {""},
                             sub_head,
                             decl,
                             indent({"COMPLEX*16 U1,U2,U3,U4,U5"}),
                             ddecl,
                             pow,
                             sp,
                             ut,
                             dp,
                             tail,
                             {""},
                             coef_head,
                             cfd,
                             tail});
  EXPECT_EQ(generate(three_var_input), lines(expected));
}

TEST(genpdp, OneVariableHasNoDerivativeText) {
  // 2 x^3 - x: completed by a zero constant term.
  const auto expected =
      cat({eva_head,
           indent({"COMPLEX*16 Z1p1,Z1p2,Z1p3", "COMPLEX*16 S1,S2,S3", "", "Z1p1=z(1)",
                   "Z1p2=z1p1*z1p1", "Z1p3=z1p2*z1p1", "S1=cf(1)", "S2=cf(2)", "S3=cf(3)",
                   "P(1)=S1*Z1p3+S2*Z1p1+S3", "dP(1,1)=S1*3*Z1p2+S2"}),
           tail,
           {""},
           sub_head,
           indent({"COMPLEX*16 Z1p1,Z1p2,Z1p3", "COMPLEX*16 S1,S2,S3", "COMPLEX*16 U1,U2,U3", "",
                   "Z1p1=z(1)", "Z1p2=z1p1*z1p1", "Z1p3=z1p2*z1p1", "S1=cf(1)", "S2=cf(2)",
                   "S3=cf(3)", "P(1)=S1*Z1p3+S2*Z1p1+S3", "dP(1,1)=S1*3*Z1p2+S2", "U1=cft(1)",
                   "U2=cft(2)", "U3=cft(3)", "dt(1)=U1*Z1p3+U2*Z1p1+U3"}),
           tail,
           {""},
           coef_head,
           tail});
  EXPECT_EQ(generate("1\n2\n1\n3\n(1,0)\n(2,0)\n"), lines(expected));
}

TEST(genpdp, TextDependsOnSupportsOnly) {
  // The same supports with other coefficients, one of them zero.
  const char* other =
      "2\n3\n2\n2 0\n0 1\n0 0\n1 1\n0 0\n(0,0)\n(-2.5,1e3)\n(7,0.5)\n(0,0)\n(1e-9,-4)\n";
  EXPECT_EQ(generate(two_var_input), generate(other));
}

TEST(genpdp, SecondRunReplacesTheFile) {
  temp_dir d;
  const fs::path out = d / "MEva.f90";
  const std::string first = generate(three_var_input, out);
  // The shorter text of the second run leaves nothing of the first behind.
  const std::string second = generate(two_var_input, out);
  EXPECT_EQ(second, generate(two_var_input));
  EXPECT_LT(second.size(), first.size());
}

TEST(genpdp, VariableThatNeverOccursIsDeclared) {
  // x1^2 + x1 + x3, x1 - 2, x3^2: x2 occurs in no term.
  const std::string text = generate(
      "3\n3\n2\n1\n2 0 0\n1 0 0\n0 0 1\n1 0 0\n0 0 0\n0 0 2\n"
      "(1,0)\n(1,0)\n(1,0)\n(1,0)\n(-2,0)\n(1,0)\n");
  EXPECT_NE(text.find("      COMPLEX*16 Z1p1,Z1p2,Z2p1,Z3p1,Z3p2\n"), std::string::npos);
  EXPECT_NE(text.find("      Z2p1=z(2)\n"), std::string::npos);
}

TEST(genpdp, NestedTemporariesAreDefinedBeforeUse) {
  // x2 x3 x4 occurs twice: (x2, x3) becomes T2, and (T2, x4) in rows 2 and 3
  // then recurs too, giving T3 = T2*Z4p1.
  const std::string text = generate(
      "4\n2\n2\n2\n2\n"
      "0 1 1 1\n0 0 0 0\n1 1 1 1\n0 0 0 0\n1 0 0 0\n0 0 1 1\n0 0 0 1\n0 0 0 0\n"
      "(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n(1,0)\n");
  const auto t2 = text.find("      T2=Z2p1*Z3p1\n");
  const auto t3 = text.find("      T3=T2*Z4p1\n");
  ASSERT_NE(t2, std::string::npos);
  ASSERT_NE(t3, std::string::npos);
  EXPECT_LT(t2, t3);
  // Both terms with x2 x3 x4 use the nested temporary.
  EXPECT_NE(text.find("      S1=cf(1)*T3+cf(2)\n"), std::string::npos);
  EXPECT_NE(text.find("      S2=cf(3)*T3\n"), std::string::npos);
}

TEST(printftm, SplitsAfter65Characters) {
  struct row {
    int len;
    std::vector<std::string> expect;  // the characters of each line after its lead
  };
  // Statement texts made of digits so that every split point is visible.
  auto text = [](int len) {
    std::string s;
    for (int i = 0; i < len; ++i) s += static_cast<char>('0' + i % 10);
    return s;
  };
  const std::string t = text(131);
  // clang-format off
  const std::vector<row> rows = {
      {0, {"      "}},
      {65, {"      " + t.substr(0, 65)}},
      {66, {"      " + t.substr(0, 65) + "&", "     &" + t.substr(65, 1)}},
      {130, {"      " + t.substr(0, 65) + "&", "     &" + t.substr(65, 65)}},
      {131,
       {"      " + t.substr(0, 65) + "&", "     &" + t.substr(65, 65) + "&",
        "     &" + t.substr(130, 1)}},
  };
  // clang-format on
  for (const auto& r : rows) {
    std::ostringstream o;
    printftm(text(r.len), o);
    EXPECT_EQ(o.str(), lines(r.expect)) << "length " << r.len;
    // Trailing blanks do not count.
    std::ostringstream ob;
    printftm(text(r.len) + "   ", ob);
    EXPECT_EQ(ob.str(), o.str()) << "length " << r.len;
  }
}

TEST(printftm, LongStatementKeepsEveryCharacter) {
  std::string s = "S1=";
  for (int k = 1; k <= 3000; ++k) s += (k > 1 ? "+cf(" : "cf(") + std::to_string(k) + ")*Z2p1";
  std::ostringstream o;
  printftm(s, o);
  std::istringstream is(o.str());
  std::string line, joined;
  bool first = true;
  while (std::getline(is, line)) {
    ASSERT_LE(line.size(), 72u);
    if (first) {
      ASSERT_EQ(line.substr(0, 6), "      ");
    } else {
      ASSERT_EQ(line.substr(0, 6), "     &");
    }
    line = line.substr(6);
    if (!line.empty() && line.back() == '&') line.pop_back();
    joined += line;
    first = false;
  }
  EXPECT_EQ(joined, s);
}

TEST(i2c, DecimalWithoutBlanks) {
  EXPECT_EQ(i2c(0), "0");
  EXPECT_EQ(i2c(7), "7");
  EXPECT_EQ(i2c(1070), "1070");
  EXPECT_EQ(i2c(2147483647), "2147483647");
}

TEST(trans, FactorsInVariableOrder) {
  vec<int> v = {2, 0, 9, 1};
  EXPECT_EQ(trans(4, v, 5, 1), "*Z2p2*T9*Z5p1");
  EXPECT_EQ(trans(4, v, 5, 0), "*Z1p2*T9*Z4p1");
  vec<int> z = {0, 0};
  EXPECT_EQ(trans(2, z, 5, 1), "");
}

TEST(grouping_bcdiff, BlocksAndFlagsOfTheTwoVariableExample) {
  // Normal order of x1^2 + x2 - 1, x1 x2 + 3: (x1 x2, 3), (x1^2, x2, -1).
  const int n = 2, m = 5;
  mat<int> supp(n, m);
  const int cols[5][2] = {{1, 1}, {0, 0}, {2, 0}, {0, 1}, {0, 0}};
  for (int k = 1; k <= m; ++k)
    for (int j = 1; j <= n; ++j) supp(j, k) = cols[k - 1][j - 1];
  vec<int> nm = {2, 3}, shd = {1, 3}, stl = {2, 5}, nb(n);
  mat<int> bpower(2, m);
  grouping(n, nm, shd, stl, supp, nb, bpower);
  EXPECT_EQ(nb.std(), std::vector<int>({2, 2}));
  std::vector<int> pw, cnt;
  for (int b = 1; b <= 4; ++b) {
    pw.push_back(bpower(1, b));
    cnt.push_back(bpower(2, b));
  }
  EXPECT_EQ(pw, std::vector<int>({1, 0, 2, 0}));
  EXPECT_EQ(cnt, std::vector<int>({1, 1, 1, 2}));

  vec<int> zcfd(n * m, -1);
  mat<int> suppd(n - 1, (n - 1) * m, -1);
  bcdiff(n, m, nm, shd, stl, supp, zcfd, suppd);
  EXPECT_EQ(std::vector<int>(zcfd.begin(), zcfd.begin() + 5), std::vector<int>({1, 0, 0, 1, 0}));
  for (int q = 1; q <= 5; ++q) EXPECT_EQ(suppd(1, q), 0) << q;
}

}  // namespace
}  // namespace hc
