// The whole road on a system and on the same system with its variables and
// equations multiplied by powers of ten: x_j replaced by 10^a_j x_j and
// equation i multiplied by 10^b_i.  The roots of the second are those of the
// first divided by 10^a, so both must give the same number of roots and,
// mapped back, the same roots, whichever homotopy and draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "road.h"
#include "standard_systems.h"

namespace hc::test {
namespace {

// Runs of each system: each draws other start coefficients.
constexpr int kRuns = 3;
// Relative distance below which two roots are the same root.
constexpr double kSameRoot = 1e-6;

struct scaled_case {
  const char* name;
  std::string system;
  int n;
  int first;  // number of the first variable (katsura's is x0)
  long long paths1, paths2, roots;
  std::vector<int> a, b;  // powers of ten of the variables and the equations
};

const std::vector<scaled_case>& cases() {
  static const std::vector<scaled_case> all = {
      {"katsura-5", text(katsura(5)), 6, 0, 32, 32, 32, {8, -8, 4, -4, 0, 2}, {-8, 8, 0, 3, -5, 1}},
      {"cyclic-5 mixed", text(cyclic(5)), 5, 1, 70, 120, 70, {8, -8, 3, -3, 0}, {0, 8, -8, 5, 2}},
      {"cyclic-5 large roots",
       text(cyclic(5)),
       5,
       1,
       70,
       120,
       70,
       {-8, -8, -8, -8, -8},
       {8, 8, 8, 8, 8}},
      // Its largest roots have term sums near 1e4: multiplied by 1e8 their
      // values are rounding noise above any fixed residual bound.
      {"dense-3-4 mixed", text(dense({4, 4, 4}, 7)), 3, 1, 64, 64, 64, {-8, 3, 8}, {8, 8, 8}},
      {"dense-3-4 opposite", text(dense({4, 4, 4}, 7)), 3, 1, 64, 64, 64, {8, -8, 0}, {8, -8, 8}},
  };
  return all;
}

std::string power_of_ten(int p) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "1.0e%+03d", p);
  return buf;
}

// The system with x_j replaced by (10^a_j*x_j) and equation i by 10^b_i*(...).
std::string scaled(const scaled_case& k) {
  std::string out, eq;
  int i = 0;
  auto close = [&]() {
    if (eq.find_first_not_of(" \n") == std::string::npos) return;
    out += (i ? ";\n" : "") + power_of_ten(k.b[static_cast<std::size_t>(i)]) + "*(" + eq + ")";
    ++i;
    eq.clear();
  };
  const std::string& s = k.system;
  for (std::size_t p = 0; p < s.size(); ++p) {
    const bool starts =
        s[p] == 'x' && (p == 0 || !std::isalnum(static_cast<unsigned char>(s[p - 1])));
    std::size_t q = p + 1;
    while (starts && q < s.size() && std::isdigit(static_cast<unsigned char>(s[q]))) ++q;
    if (starts && q > p + 1) {
      const int j = std::stoi(s.substr(p + 1, q - p - 1));
      eq += "(" + power_of_ten(k.a[static_cast<std::size_t>(j - k.first)]) + "*" +
            s.substr(p, q - p) + ")";
      p = q - 1;
    } else if (s[p] == ';') {
      close();
    } else if (s[p] != '\n') {
      eq += s[p];
    }
  }
  close();
  return out + "\n";
}

double rel_dist(const std::vector<std::complex<double>>& u,
                const std::vector<std::complex<double>>& v) {
  double d = 0, size = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    d = std::max(d, std::abs(u[i] - v[i]));
    size = std::max(size, std::abs(v[i]));
  }
  return d / std::max(size, 1.0);
}

// The roots of each run of `system`, checked for what every run must show.
std::vector<std::vector<std::vector<std::complex<double>>>> solve_runs(const std::string& system,
                                                                       const scaled_case& k,
                                                                       int option, bool map_back) {
  std::vector<std::vector<std::vector<std::complex<double>>>> all;
  for (int run = 1; run <= kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    temp_dir dir;
    const road_result r = run_road(dir, system, k.n, option);
    expect_consistent_run(r, option == 1 ? k.paths1 : k.paths2, 1e300);
    EXPECT_LE(r.nroot, k.roots);
    // Coordinates come in the order of the variables' first appearance,
    // which data.roots lists after " The order of variables : "; all are
    // mapped to x_first..x_(first+n-1).
    std::vector<int> var;
    std::istringstream names(
        r.roots_file.substr(r.roots_file.find(" The order of variables : \n") + 27));
    for (std::string line; static_cast<int>(var.size()) < k.n && std::getline(names, line);)
      var.push_back(std::stoi(line.substr(2)) - k.first);
    std::vector<std::vector<std::complex<double>>> pts;
    for (const root_record& root : r.roots) {
      std::vector<std::complex<double>> x(static_cast<std::size_t>(k.n));
      for (int j = 0; j < k.n; ++j) {
        const std::size_t v = static_cast<std::size_t>(var[static_cast<std::size_t>(j)]);
        x[v] = root.x[static_cast<std::size_t>(j)] * (map_back ? std::pow(10.0, k.a[v]) : 1.0);
      }
      pts.push_back(x);
    }
    all.push_back(pts);
  }
  return all;
}

struct road_scaling : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(road_scaling, SameRootsAsTheUnscaledSystem) {
  const scaled_case& k = cases()[static_cast<std::size_t>(std::get<0>(GetParam()))];
  const int option = std::get<1>(GetParam());
  SCOPED_TRACE(std::string(k.name) + ", option " + std::to_string(option));
  const auto plain = solve_runs(k.system, k, option, false);
  const auto big = solve_runs(scaled(k), k, option, true);
  // A path can fail on an unlucky draw; over the runs every root is found,
  // and a complete run of the scaled system has the roots of a complete run
  // of the plain one, each once.
  auto complete = [&](const auto& rs) {
    return std::find_if(rs.begin(), rs.end(), [&](const auto& pts) {
      return static_cast<long long>(pts.size()) == k.roots;
    });
  };
  const auto p = complete(plain), s = complete(big);
  ASSERT_NE(p, plain.end()) << "no run of the plain system found every root";
  ASSERT_NE(s, big.end()) << "no run of the scaled system found every root";
  for (const auto& x : *s) {
    int found = 0;
    for (const auto& y : *p) found += rel_dist(x, y) < kSameRoot;
    EXPECT_EQ(found, 1) << "scaled root " << x[0] << ", " << x[1];
  }
}

INSTANTIATE_TEST_SUITE_P(table, road_scaling,
                         ::testing::Combine(::testing::Range(0, 5), ::testing::Values(1, 2)));

}  // namespace
}  // namespace hc::test
