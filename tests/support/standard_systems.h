// The standard test systems, one table for every test and benchmark: the
// road tests take their text in ordinary notation, the mixed-cell tests
// their supports, and the benchmark scripts the text printed by the program
// system_text (tests/support/system_text.cpp).  A system is its equations,
// each a list of terms (coefficient, exponent vector); equal exponent
// vectors within an equation are merged into one term (the first one's
// place, the coefficients summed), as eqtrans merges equal terms.
//
//   cyclic(n)    sum_i prod_{j<k} x_{(i+j) mod n} for k = 1..n-1, and
//                x_1...x_n - 1; variables x1..xn.  n >= 2.
//   katsura(n)   variables x0..xn: sum_{l=-n..n} x_|l| x_|m-l| - x_m for
//                m = 0..n-1 (indices beyond n are zero), and
//                sum_{l=-n..n} x_|l| - 1.  n >= 1.
//   noon(n)      x_i (sum_{j != i} x_j^2) - 1.1 x_i + 1, i = 1..n.  n >= 2.
//   eco(n)       (x_k + sum_{i=1..n-k-1} x_i x_{i+k}) x_n - k for
//                k = 1..n-1, and sum_{i=1..n-1} x_i + 1.  n >= 2.
//   dense(deg, seed)  equation i holds every monomial of total degree
//                <= deg[i] in x1..xn (n = deg.size()), in the order of an
//                odometer over the exponents (x1 fastest); the coefficients'
//                parts are k / 10^6, k in [-10^6, 10^6), drawn from a fixed
//                linear congruential sequence started at `seed`: the same
//                system on every machine, with prod deg[i] isolated roots
//                for almost every seed.
//   by_name(name)  "cyclic-N", "katsura-N", "noon-N", "eco-N", "dense-N-D"
//                (N equations of degree D, seed 1) or "dense-N-D-SEED";
//                throws std::invalid_argument for any other name.
//   text(s)      s in ordinary notation, as a user gives it to eqtrans: the
//                equations separated by ";\n", the last ended by "\n"; a
//                real coefficient in its shortest decimal form that reads
//                back as the same double, a complex one as "(re + im*i)".
#pragma once

#include <complex>
#include <string>
#include <vector>

namespace hc::test {

struct poly_term {
  std::complex<double> c;
  std::vector<int> e;  // one exponent per variable
};
using poly_equation = std::vector<poly_term>;

struct poly_system {
  std::vector<std::string> vars;  // variable names, in the order of the exponents
  std::vector<poly_equation> eqs;
  int n() const { return static_cast<int>(vars.size()); }
};

poly_system cyclic(int n);
poly_system katsura(int n);
poly_system noon(int n);
poly_system eco(int n);
poly_system dense(const std::vector<int>& deg, unsigned long long seed = 1);
poly_system by_name(const std::string& name);

std::string text(const poly_system& s);

}  // namespace hc::test
