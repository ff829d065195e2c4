// The polynomial model: order, insertion and merging, powers, refusals.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "polysys.h"

namespace hc {
namespace {

Term term(std::vector<int> e, Coef c = {1.0, 0.0}) {
  Term t(c);
  t.assign(e.begin(), e.end());
  return t;
}

Poly poly(std::initializer_list<Term> terms) {
  Poly p;
  for (const Term& t : terms) p += t;
  return p;
}

std::string text(const Poly& p) {
  std::ostringstream s;
  s << p;
  return s.str();
}

// The message of the refusal that f throws, or "" when it throws none.
template <class F>
std::string refusal_of(F f) {
  try {
    f();
  } catch (const poly_refusal& e) {
    return e.what();
  }
  return "";
}

TEST(EqtransModel, OrderIsDescendingLexicographic) {
  struct order_case {
    std::vector<int> a, b;
    bool a_before_b;
  };
  // clang-format off
  const order_case cases[] = {
      {{2}, {1, 5}, true},       // first variable decides
      {{1, 1}, {1, 0, 9}, true}, // first difference decides
      {{1}, {1, 0}, false},      // equal once extended with zeros: a prefix is smaller
      {{1, 0}, {1}, true},
      {{0, 1}, {}, true},        // the constant comes last
      {{}, {}, false},
      {{3, 2}, {3, 2}, false},
  };
  // clang-format on
  for (const order_case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.a) + " vs " + ::testing::PrintToString(c.b));
    EXPECT_EQ(term(c.a) < term(c.b), c.a_before_b);
  }
}

TEST(EqtransModel, InsertionSortsAndMerges) {
  Poly p;
  p += term({}, {5, 0});
  p += term({0, 1});
  p += term({2});
  p += term({1, 1}, {0, 2});
  p += term({0, 1}, {1, -1});  // merges into y
  EXPECT_EQ(text(p), "{(1,0)[2] + (0,2)[11] + (2,-1)[01] + (5,0)[]}");

  // A merge summing to exactly (0,0) removes the term ...
  p -= term({0, 1}, {2, -1});
  EXPECT_EQ(text(p), "{(1,0)[2] + (0,2)[11] + (5,0)[]}");
  // ... an inserted zero stays, and a later merge to zero removes it.
  p += term({1}, {0, 0});
  EXPECT_EQ(text(p), "{(1,0)[2] + (0,2)[11] + (0,0)[1] + (5,0)[]}");
  p -= term({1}, {0, 0});
  EXPECT_EQ(text(p), "{(1,0)[2] + (0,2)[11] + (5,0)[]}");
  // -= inserts the negated coefficient.
  p -= term({0, 0, 1}, {3, 1});
  EXPECT_EQ(text(p), "{(1,0)[2] + (0,2)[11] + (-3,-1)[001] + (5,0)[]}");
}

TEST(EqtransModel, PolynomialArithmetic) {
  const Poly x = poly({term({1})});
  const Poly y = poly({term({0, 1})});
  const Poly one = poly({term({})});

  Poly a = x;
  a += one;
  Poly b = x;
  b -= one;
  a *= b;  // (x+1)(x-1)
  EXPECT_EQ(text(a), "{(1,0)[2] + (-1,-0)[]}");

  Poly xy = x;
  xy *= y;
  Poly yx = y;
  yx *= x;
  xy += yx;  // x*y and y*x are one term: the product vector is padded
  EXPECT_EQ(text(xy), "{(2,0)[11]}");

  Poly s = x;
  s -= s;  // subtracting itself cancels
  EXPECT_TRUE(s.empty());
  Poly d = x;
  d += d;
  EXPECT_EQ(text(d), "{(2,0)[1]}");

  Poly q = x;
  q += y;
  q /= poly({term({}, {0, 2})});
  EXPECT_EQ(text(q), "{(0,-0.5)[1] + (0,-0.5)[01]}");

  Poly n = q;
  n.negate();
  EXPECT_EQ(text(n), "{(-0,0.5)[1] + (-0,0.5)[01]}");
}

TEST(EqtransModel, IntegerPowers) {
  Poly s = poly({term({1}), term({0, 1})});  // x + y
  Poly p = s;
  p ^= 3;
  EXPECT_EQ(text(p), "{(1,0)[3] + (3,0)[21] + (3,0)[12] + (1,0)[03]}");
  p = s;
  p ^= 1;
  EXPECT_EQ(text(p), text(s));
  p ^= 0;
  EXPECT_EQ(text(p), "{(1,0)[]}");
  Poly e;  // empty (a cancelled sum)
  e ^= 0;
  EXPECT_EQ(text(e), "{(1,0)[]}");
  Poly e2;
  e2 ^= 1000000000;  // stays empty, at once
  EXPECT_TRUE(e2.empty());

  // A single term: the coefficient by repeated squaring, exponents times n.
  Poly t = poly({term({2, 1}, {0, 1})});
  t ^= 5;
  EXPECT_EQ(text(t), "{(0,1)[105]}");
  Term c(Coef{2.0, 0.0});
  c ^= -3;
  EXPECT_EQ(c.coef, Coef(0.125, 0.0));
  Term big = term({1}, {1.0, 0.0});
  big ^= INT_MAX;
  EXPECT_EQ(big[0], INT_MAX);
}

TEST(EqtransModel, ComplexPowers) {
  Poly two = poly({term({}, {2, 0})});
  two ^= Coef{0.5, 0.0};
  EXPECT_DOUBLE_EQ(two.front().coef.real(), std::sqrt(2.0));
  EXPECT_EQ(two.front().coef.imag(), 0.0);

  // -1 as a negation makes (-1,-0); its square root is still the principal i.
  Poly m = poly({term({})});
  m.negate();
  m ^= poly({term({}, {0.5, 0})});
  EXPECT_NEAR(m.front().coef.real(), 0.0, 1e-15);
  EXPECT_EQ(m.front().coef.imag(), 1.0);

  Poly z = poly({term({}, {0, 0})});
  z ^= Coef{0.0, 0.0};
  EXPECT_EQ(text(z), "{(1,0)[]}");
  z = poly({term({}, {0, 0})});
  z ^= Coef{2.5, -1.0};
  EXPECT_EQ(text(z), "{(0,0)[]}");
}

TEST(EqtransModel, Refusals) {
  const Poly x = poly({term({1})});
  const Poly y = poly({term({0, 1})});
  const Poly two = poly({term({}, {2, 0})});
  const Poly zero = poly({term({}, {0, 0})});
  Poly x_plus_2 = x;
  x_plus_2 += two;
  struct refusal_case {
    const char* what;
    std::function<void(Poly&)> op;  // applied to a copy of base
    const Poly& base;
    const char* msg;
  };
  // clang-format off
  const refusal_case cases[] = {
      {"x/y", [&](Poly& p) { p /= y; }, x, kMsgDivNonconst},
      {"x/(x+2)", [&](Poly& p) { p /= x_plus_2; }, x, kMsgDivNonconst},
      {"x/(empty)", [&](Poly& p) { p /= Poly(); }, x, kMsgDivNonconst},
      {"x/0", [&](Poly& p) { p /= zero; }, x, kMsgDivZero},
      {"x^(y)", [&](Poly& p) { p ^= y; }, x, kMsgExpNonconst},
      {"x^(2)", [&](Poly& p) { p ^= two; }, x, kMsgPowNonconst},
      {"(x+2)^(0.5)", [&](Poly& p) { p ^= Coef{0.5, 0.0}; }, x_plus_2, kMsgPowNonconst},
      {"x^-1", [&](Poly& p) { p ^= -1; }, x, kMsgNegPowNonconst},
      {"0^(-0.5)", [&](Poly& p) { p ^= Coef{-0.5, 0.0}; }, zero, kMsgZeroNegPow},
      {"0^-2", [&](Poly& p) { p ^= -2; }, zero, kMsgZeroNegPow},
      {"0^(i)", [&](Poly& p) { p ^= Coef{0.0, 1.0}; }, zero, kMsgZeroImagPow},
      {"(x^65536)^65536", [&](Poly& p) { p ^= 65536; p ^= 65536; }, x, kMsgExpOverflow},
      {"x^INT_MAX * x", [&](Poly& p) { p ^= INT_MAX; p *= x; }, x, kMsgExpOverflow},
      {"(x^2^30 + 2)^2", [&](Poly& p) { p ^= 1 << 30; p += two; p ^= 2; }, x, kMsgExpOverflow},
      {"(x^2^30 + 2)^3, refused before a product", [&](Poly& p) { p ^= 1 << 30; p += two; p ^= 3; },
       x, kMsgExpOverflow},
  };
  // clang-format on
  for (const refusal_case& c : cases) {
    SCOPED_TRACE(c.what);
    Poly p = c.base;
    EXPECT_EQ(refusal_of([&] { c.op(p); }), c.msg);
  }
  EXPECT_STREQ(kMsgDivNonconst, "division by nonconstant expression is not yet supported");
  EXPECT_STREQ(kMsgExpNonconst, "nonconstant exponent not yet supported");
  EXPECT_STREQ(kMsgPowNonconst, "non-integer exponent on nonconstant express is not yet supported");
}

// The ordered index gives the places the plain scan of the list gives: terms
// inserted, merged and cancelled in a fixed random order, through copies,
// moves and swaps, against a list kept by the plain scan.
TEST(EqtransModel, IndexKeepsTheOrderOfThePlainScan) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> len(0, 3), ex(0, 4), val(-2, 2);
  std::list<Term> ref;
  auto ref_add = [&](Term t, bool neg) {
    auto it = ref.begin();
    while (it != ref.end() && *it < t) ++it;
    if (it == ref.end() || t < *it) {
      if (neg) t.coef = -t.coef;
      ref.insert(it, t);
    } else {
      it->coef += neg ? -t.coef : t.coef;
      if (it->coef == Coef{0.0, 0.0}) ref.erase(it);
    }
  };
  auto ref_text = [&] {
    Poly p;
    for (const Term& t : ref) p.push_back(t);
    return text(p);
  };
  Poly p;
  for (int k = 0; k < 4000; ++k) {
    std::vector<int> e(static_cast<std::size_t>(len(gen)));
    for (int& v : e) v = ex(gen);
    while (!e.empty() && e.back() == 0) e.pop_back();
    const Term t = term(e, {double(val(gen)), double(val(gen))});
    const bool neg = k % 3 == 0;
    ref_add(t, neg);
    if (neg)
      p -= t;
    else
      p += t;
    if (k % 500 == 250) {  // the index survives every way of passing p on
      Poly c = p;
      Poly m = std::move(c);
      Poly a;
      a = m;
      Poly s;
      s.swap(a);
      p = std::move(s);
    }
  }
  EXPECT_EQ(text(p), ref_text());
  EXPECT_GT(p.size(), 50u);
}

// Infinities and NaNs are kept as IEEE arithmetic gives them (the system is
// refused only when one reaches it).  A power of two or more terms stops
// multiplying once a coefficient is not finite: it stays not finite, so
// (x+2)^2000 is over after about 650 products instead of 1999.
TEST(EqtransModel, CoefficientsThatAreNotFinite) {
  auto finite = [](const Poly& p) {
    for (const Term& t : p)
      if (!std::isfinite(t.coef.real()) || !std::isfinite(t.coef.imag())) return false;
    return true;
  };
  const Poly x_plus_2 = poly({term({1}), term({}, {2, 0})});
  Poly p = x_plus_2;
  p ^= 2000;
  EXPECT_FALSE(finite(p));
  EXPECT_LT(p.size(), 700u);  // 3^k passes the double range near k = 646
  EXPECT_GT(p.size(), 600u);
  p ^= 0;
  EXPECT_EQ(text(p), "{(1,0)[]}");

  Poly q = poly({term({1}, {1e200, 0})});
  q *= poly({term({}, {1e200, 0})});
  EXPECT_FALSE(finite(q));
  q *= Poly();  // times an empty polynomial: empty
  EXPECT_TRUE(q.empty());

  Poly c = poly({term({}, {1e200, 0})});
  c ^= 2;  // a constant's power may overflow ...
  EXPECT_FALSE(finite(c));
  c ^= Coef{-1.0, 0.0};  // ... and come back
  EXPECT_EQ(text(c), "{(0,-0)[]}");
}

TEST(EqtransModel, SystemNamesAndCopies) {
  polysys_t s;
  EXPECT_EQ(s.var_to_id("x"), 0);
  EXPECT_EQ(s.var_to_id("xy"), 1);
  EXPECT_EQ(s.var_to_id("x"), 0);
  EXPECT_EQ(s.var_to_id("X"), 2);
  s.push_back(poly({term({1})}));
  polysys_t c = s;
  c.var_to_id("z");
  c.front() += term({});
  EXPECT_EQ(s.vars.size(), 3u);
  EXPECT_EQ(c.vars.size(), 4u);
  EXPECT_EQ(text(s.front()), "{(1,0)[1]}");
  EXPECT_EQ(text(c.front()), "{(1,0)[1] + (1,0)[]}");
}

}  // namespace
}  // namespace hc
