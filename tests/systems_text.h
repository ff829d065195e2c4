// The standard test systems written in ordinary notation, as a user would
// give them to eqtrans.
#pragma once

#include <string>
#include <vector>

namespace hc::test {

inline std::string xv(int i) { return "x" + std::to_string(i); }

// cyclic-n: sum_i prod_{j<k} x_{(i+j) mod n} for k = 1..n-1, and x_1...x_n - 1.
inline std::string cyclic(int n) {
  std::string s;
  for (int k = 1; k < n; ++k) {
    for (int i = 0; i < n; ++i) {
      if (i) s += " + ";
      for (int j = 0; j < k; ++j) s += (j ? "*" : "") + xv((i + j) % n + 1);
    }
    s += ";\n";
  }
  for (int i = 0; i < n; ++i) s += (i ? "*" : "") + xv(i + 1);
  return s + " - 1\n";
}

// katsura-n in x0..xn: sum_{l=-n..n} x_|l| x_|m-l| - x_m = 0 for m = 0..n-1
// (indices beyond n are zero), and sum_{l=-n..n} x_|l| - 1 = 0.
inline std::string katsura(int n) {
  auto x = [](int i) { return "x" + std::to_string(i); };
  std::string s;
  for (int m = 0; m < n; ++m) {
    std::string eq;
    for (int l = -n; l <= n; ++l) {
      const int a = l < 0 ? -l : l, b = m - l < 0 ? l - m : m - l;
      if (b > n) continue;
      eq += (eq.empty() ? "" : " + ") + x(a) + "*" + x(b);
    }
    s += eq + " - " + x(m) + ";\n";
  }
  s += x(0);
  for (int l = 1; l <= n; ++l) s += " + 2*" + x(l);
  return s + " - 1\n";
}

// noon-n: x_i (sum_{j != i} x_j^2) - 1.1 x_i + 1.
inline std::string noon(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i) {
    s += xv(i) + "*(";
    bool first = true;
    for (int j = 1; j <= n; ++j)
      if (j != i) {
        s += (first ? "" : " + ") + xv(j) + "^2";
        first = false;
      }
    s += ") - 1.1*" + xv(i) + " + 1";
    s += i < n ? ";\n" : "\n";
  }
  return s;
}

// eco-n: (x_k + sum_{i=1..n-k-1} x_i x_{i+k}) x_n - k for k = 1..n-1, and
// sum_{i=1..n-1} x_i + 1.
inline std::string eco(int n) {
  std::string s;
  for (int k = 1; k < n; ++k) {
    s += "(" + xv(k);
    for (int i = 1; i <= n - k - 1; ++i) s += " + " + xv(i) + "*" + xv(i + k);
    s += ")*" + xv(n) + " - " + std::to_string(k) + ";\n";
  }
  for (int i = 1; i < n; ++i) s += xv(i) + " + ";
  return s + "1\n";
}

// dense-n-d: n equations, each with every monomial of degree <= d in
// x1..xn, the coefficients' parts drawn in [-1, 1) to 6 decimals from a
// fixed linear congruential sequence started at `seed` (the same system on
// every machine).  d^n isolated roots for almost every draw.
inline std::string dense(int n, int d, unsigned long long seed) {
  auto draw = [&seed]() {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const long long k = static_cast<long long>((seed >> 33) % 2000000ULL) - 1000000LL;
    const std::string digits = std::to_string(k < 0 ? -k : k);
    return std::string(k < 0 ? "-" : "") + "0." + std::string(6 - digits.size(), '0') + digits;
  };
  // The exponent vectors of degree <= d, as counters over the n variables.
  std::vector<std::vector<int>> monos;
  std::vector<int> e(static_cast<std::size_t>(n), 0);
  for (;;) {
    int total = 0;
    for (int v : e) total += v;
    if (total <= d) monos.push_back(e);
    std::size_t j = 0;
    while (j < e.size() && e[j] == d) e[j++] = 0;
    if (j == e.size()) break;
    ++e[j];
  }
  std::string s;
  for (int i = 1; i <= n; ++i) {
    for (std::size_t t = 0; t < monos.size(); ++t) {
      if (t) s += " + ";
      const std::string re = draw(), im = draw();
      s += "(" + re + " + " + im + "*i)";
      for (int v = 1; v <= n; ++v)
        for (int p = 0; p < monos[t][static_cast<std::size_t>(v - 1)]; ++p) s += "*" + xv(v);
    }
    s += i < n ? ";\n" : "\n";
  }
  return s;
}

}  // namespace hc::test
