#include "standard_systems.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace hc::test {
namespace {

using cx = std::complex<double>;

std::vector<std::string> names(const std::string& stem, int first, int count) {
  std::vector<std::string> v;
  for (int i = 0; i < count; ++i) v.push_back(stem + std::to_string(first + i));
  return v;
}

// The exponent vector of the product of the variables listed (0-based; a
// variable listed twice is squared).
std::vector<int> product(int n, std::initializer_list<int> vars) {
  std::vector<int> e(static_cast<std::size_t>(n), 0);
  for (int v : vars) ++e[static_cast<std::size_t>(v)];
  return e;
}

// Adds c x^e to the equation, merged with an equal exponent vector.
void add(poly_equation& eq, std::vector<int> e, cx c) {
  for (poly_term& t : eq)
    if (t.e == e) {
      t.c += c;
      return;
    }
  eq.push_back({c, std::move(e)});
}

// The shortest decimal that reads back as v; eqtrans takes an exponent only
// after a decimal point, so one is put before it.
std::string number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  const auto e = s.find('e');
  if (e != std::string::npos && s.find('.') == std::string::npos) s.insert(e, ".0");
  return s;
}

std::string monomial(const poly_system& s, const std::vector<int>& e) {
  std::string m;
  for (std::size_t v = 0; v < e.size(); ++v) {
    if (e[v] == 0) continue;
    m += (m.empty() ? "" : "*") + s.vars[v];
    if (e[v] > 1) m += "^" + std::to_string(e[v]);
  }
  return m;
}

// The term in ordinary notation, with its sign or " + " when not the first.
std::string term_text(const poly_system& s, const poly_term& t, bool first) {
  const std::string m = monomial(s, t.e);
  const std::string times_m = m.empty() ? "" : "*" + m;
  if (t.c.imag() != 0)
    return (first ? "" : " + ") + ("(" + number(t.c.real()) + " + " + number(t.c.imag()) + "*i)") +
           times_m;
  const double r = t.c.real();
  const double a = std::abs(r);
  const std::string sign = r < 0 ? (first ? "-" : " - ") : (first ? "" : " + ");
  if (a == 1 && !m.empty()) return sign + m;
  return sign + number(a) + times_m;
}

}  // namespace

poly_system cyclic(int n) {
  poly_system s{names("x", 1, n), {}};
  for (int k = 1; k < n; ++k) {
    poly_equation eq;
    for (int i = 0; i < n; ++i) {
      std::vector<int> e(static_cast<std::size_t>(n), 0);
      for (int j = 0; j < k; ++j) ++e[static_cast<std::size_t>((i + j) % n)];
      add(eq, e, 1.0);
    }
    s.eqs.push_back(eq);
  }
  s.eqs.push_back({{1.0, std::vector<int>(static_cast<std::size_t>(n), 1)},
                   {-1.0, std::vector<int>(static_cast<std::size_t>(n), 0)}});
  return s;
}

poly_system katsura(int n) {
  const int nv = n + 1;
  poly_system s{names("x", 0, nv), {}};
  for (int m = 0; m < n; ++m) {
    poly_equation eq;
    for (int l = -n; l <= n; ++l) {
      const int a = std::abs(l), b = std::abs(m - l);
      if (b <= n) add(eq, product(nv, {a, b}), 1.0);
    }
    add(eq, product(nv, {m}), -1.0);
    s.eqs.push_back(eq);
  }
  poly_equation last;
  add(last, product(nv, {0}), 1.0);
  for (int l = 1; l <= n; ++l) add(last, product(nv, {l}), 2.0);
  add(last, product(nv, {}), -1.0);
  s.eqs.push_back(last);
  return s;
}

poly_system noon(int n) {
  poly_system s{names("x", 1, n), {}};
  for (int i = 0; i < n; ++i) {
    poly_equation eq;
    for (int j = 0; j < n; ++j)
      if (j != i) add(eq, product(n, {i, j, j}), 1.0);
    add(eq, product(n, {i}), -1.1);
    add(eq, product(n, {}), 1.0);
    s.eqs.push_back(eq);
  }
  return s;
}

poly_system eco(int n) {
  poly_system s{names("x", 1, n), {}};
  const int xn = n - 1;
  for (int k = 1; k < n; ++k) {
    poly_equation eq;
    add(eq, product(n, {k - 1, xn}), 1.0);
    for (int i = 1; i <= n - k - 1; ++i) add(eq, product(n, {i - 1, i + k - 1, xn}), 1.0);
    add(eq, product(n, {}), -static_cast<double>(k));
    s.eqs.push_back(eq);
  }
  poly_equation last;
  for (int i = 0; i < n - 1; ++i) add(last, product(n, {i}), 1.0);
  add(last, product(n, {}), 1.0);
  s.eqs.push_back(last);
  return s;
}

poly_system dense(const std::vector<int>& deg, unsigned long long seed) {
  const int n = static_cast<int>(deg.size());
  // A full-period 64-bit linear congruential sequence (any odd increment
  // and a multiplier of 1 mod 4 give period 2^64); its high 31 bits make k,
  // as its low bits repeat with short periods.
  constexpr unsigned long long kMultiplier = 6364136223846793005ULL;
  constexpr unsigned long long kIncrement = 1442695040888963407ULL;
  constexpr int kHighBits = 33;
  // Coefficient parts k / 10^6 with k in [-10^6, 10^6): six decimals.
  constexpr long long kScale = 1000000LL;
  auto draw = [&seed]() {
    seed = seed * kMultiplier + kIncrement;
    const long long k = static_cast<long long>((seed >> kHighBits) % (2 * kScale)) - kScale;
    return static_cast<double>(k) / static_cast<double>(kScale);
  };
  poly_system s{names("x", 1, n), {}};
  for (int d : deg) {
    poly_equation eq;
    std::vector<int> e(static_cast<std::size_t>(n), 0);
    for (;;) {
      int total = 0;
      for (int v : e) total += v;
      if (total <= d) {
        const double re = draw(), im = draw();
        add(eq, e, cx(re, im));
      }
      std::size_t j = 0;
      while (j < e.size() && e[j] == d) e[j++] = 0;
      if (j == e.size()) break;
      ++e[j];
    }
    s.eqs.push_back(eq);
  }
  return s;
}

poly_system by_name(const std::string& name) {
  std::vector<std::string> parts;
  for (std::size_t at = 0;;) {
    const auto dash = name.find('-', at);
    parts.push_back(name.substr(at, dash - at));
    if (dash == std::string::npos) break;
    at = dash + 1;
  }
  std::vector<long long> args;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    long long v = 0;
    const char* b = parts[i].data();
    const auto r = std::from_chars(b, b + parts[i].size(), v);
    if (parts[i].empty() || r.ec != std::errc() || r.ptr != b + parts[i].size() || v < 1 ||
        v > 1000)
      throw std::invalid_argument("not a standard system: " + name);
    args.push_back(v);
  }
  const std::string& kind = parts[0];
  const int a = args.empty() ? 0 : static_cast<int>(args[0]);
  if (args.size() == 1 && a >= 2 && kind == "cyclic") return cyclic(a);
  if (args.size() == 1 && a >= 1 && kind == "katsura") return katsura(a);
  if (args.size() == 1 && a >= 2 && kind == "noon") return noon(a);
  if (args.size() == 1 && a >= 2 && kind == "eco") return eco(a);
  if ((args.size() == 2 || args.size() == 3) && kind == "dense")
    return dense(std::vector<int>(static_cast<std::size_t>(a), static_cast<int>(args[1])),
                 args.size() == 3 ? static_cast<unsigned long long>(args[2]) : 1);
  throw std::invalid_argument("not a standard system: " + name);
}

std::string text(const poly_system& s) {
  std::string out;
  for (std::size_t i = 0; i < s.eqs.size(); ++i) {
    if (i) out += ";\n";
    for (std::size_t k = 0; k < s.eqs[i].size(); ++k) out += term_text(s, s.eqs[i][k], k == 0);
  }
  return out + "\n";
}

}  // namespace hc::test
