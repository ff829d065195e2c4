// evalgen end to end: generate MEva.f90 for random supports, compile it with
// gfortran, load the library and check its three routines against a direct
// evaluation of the polynomials, their Jacobian and the t-derivative.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include "proc.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "MisTools.h"
#include "array.h"
#include "cplx.h"
#include "ec_check.h"
#include "ref_eval.h"

#ifndef EVALGEN_BIN
#error "EVALGEN_BIN must name the evalgen program"
#endif

namespace hc {
namespace {

namespace fs = std::filesystem;

// Agreement asked of the generated routines with the direct evaluation,
// relative to the sum of the moduli of the terms (so that cancellation in a
// sum does not count against the routines): a few hundred roundings.
constexpr double kRelTol = 1e-12;

using evahhx_t = void (*)(int*, cplx*, cplx*, cplx*, cplx*, cplx*);
using subexpo_t = void (*)(int*, cplx*, cplx*, cplx*, cplx*, cplx*, cplx*, cplx*);
using coefhhthx_t = void (*)(cplx*, cplx*, cplx*, int*, cplx*, cplx*, double*, double*);

using hc::test::slurp;
using hc::test::temp_dir;

// evalgen in `dir` with standard input from dir/input.num, as a user runs it.
hc::test::proc_result run_evalgen(const temp_dir& dir) {
  hc::test::proc_io io;
  io.stdin_path = (dir / "input.num").string();
  return hc::test::run_in(EVALGEN_BIN, {}, "", dir.path().string(), io);
}

// A system in support form as read: nm(n), supp(n, m), coef(m).
struct system_rd {
  int n = 0;
  std::vector<int> nm;
  std::vector<std::vector<int>> terms;  // exponent vectors
  std::vector<cplx> coef;

  std::string input_num() const {
    std::ostringstream o;
    o.precision(17);
    o << n << "\n";
    for (int c : nm) o << c << "\n";
    for (const auto& t : terms) {
      for (int e : t) o << e << " ";
      o << "\n";
    }
    for (const auto& c : coef) o << "(" << c.real() << "," << c.imag() << ")\n";
    for (int i = 1; i <= n; ++i) o << "x" << i << "\n";
    return o.str();
  }
};

struct gen_case {
  const char* name;
  int n;
  int min_terms, max_terms;
  int max_exp;
  unsigned seed;
  int unused_var;      // a variable (>= 2) that occurs in no term; 0 for none
  bool constant_eq;    // equation 1 is a single constant term
  bool expect_nested;  // the supports give a temporary built from a temporary
};

system_rd random_system(const gen_case& c) {
  std::mt19937 gen(c.seed);
  std::uniform_int_distribution<int> nterms(c.min_terms, c.max_terms);
  std::uniform_int_distribution<int> expo(0, c.max_exp);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  system_rd s;
  s.n = c.n;
  for (int i = 1; i <= c.n; ++i) {
    const int nt = (i == 1 && c.constant_eq) ? 1 : nterms(gen);
    s.nm.push_back(nt);
    for (int t = 0; t < nt; ++t) {
      std::vector<int> a(static_cast<std::size_t>(c.n), 0);
      if (!(i == 1 && c.constant_eq))
        for (int j = 1; j <= c.n; ++j)
          if (j != c.unused_var) a[static_cast<std::size_t>(j - 1)] = expo(gen);
      // Every third term repeats an exponent vector already written (of this
      // or an earlier equation), so that equal vectors meet in one equation
      // and common pairs recur across equations.
      if (t > 0 && t % 3 == 0) a = s.terms[static_cast<std::size_t>(gen() % s.terms.size())];
      s.terms.push_back(a);
      s.coef.emplace_back(u(gen), u(gen));
    }
  }
  s.coef[s.coef.size() / 2] = cplx(0.0, 0.0);
  return s;
}

// The system in the evaluator's numbering: normal order and completion.
struct system_no {
  int n = 0, m = 0;
  vec<int> nm;
  mat<int> supp;
};

system_no normal_form(const system_rd& r) {
  const int n = r.n, m0 = static_cast<int>(r.terms.size());
  vec<int> nm(n);
  for (int i = 1; i <= n; ++i) nm(i) = r.nm[static_cast<std::size_t>(i - 1)];
  mat<int> supp(n, m0);
  vec<cplx> coef(m0);
  for (int k = 1; k <= m0; ++k) {
    for (int j = 1; j <= n; ++j)
      supp(j, k) = r.terms[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(j - 1)];
    coef(k) = r.coef[static_cast<std::size_t>(k - 1)];
  }
  nmsc_ascend(n, m0, nm, supp, coef);
  lexicosc(n, m0, nm, supp, coef);
  system_no s;
  s.n = n;
  s.m = completed_size(n, nm, supp);
  vec<int> cnst(n);
  s.supp.assign(n, s.m);
  complete_supp(n, nm, supp, cnst, s.supp);
  s.nm = nm;
  return s;
}

// Direct values, Jacobian and t-derivative, each with the sum of the moduli
// of its terms.
struct direct_eval {
  vec<cplx> p, dt;
  mat<cplx> dp;
  vec<double> pmag, dtmag;
  mat<double> dpmag;
};

direct_eval evaluate(const system_no& s, const vec<cplx>& cf, const vec<cplx>& cft,
                     const vec<cplx>& z) {
  const int n = s.n;
  direct_eval d;
  d.p.assign(n);
  d.dt.assign(n);
  d.pmag.assign(n);
  d.dtmag.assign(n);
  d.dp.assign(n, n);
  d.dpmag.assign(n, n);
  test::ref_eval(n, s.nm.data(), s.supp, cf.data(), cft.data(), z.data(), d.p.data(), d.dp.data(),
                 d.dt.data(), d.pmag.data(), d.dpmag.data(), d.dtmag.data());
  return d;
}

void expect_close(cplx got, cplx want, double mag, const std::string& what) {
  EXPECT_LE(std::abs(got - want), kRelTol * mag + 1e-300)
      << what << ": got " << got << ", want " << want;
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

bool is_nan(cplx c) { return std::isnan(c.real()) && std::isnan(c.imag()); }

class generated_lib {
 public:
  explicit generated_lib(const fs::path& so) {
    h_ = dlopen(so.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h_ == nullptr) return;
    eva = reinterpret_cast<evahhx_t>(dlsym(h_, "evahhx_"));
    sub = reinterpret_cast<subexpo_t>(dlsym(h_, "subexpo_"));
    coef = reinterpret_cast<coefhhthx_t>(dlsym(h_, "coefhhthx_"));
  }
  ~generated_lib() {
    if (h_ != nullptr) dlclose(h_);
  }
  bool ok() const { return h_ != nullptr && eva && sub && coef; }
  evahhx_t eva = nullptr;
  subexpo_t sub = nullptr;
  coefhhthx_t coef = nullptr;

 private:
  void* h_ = nullptr;
};

// The library of the case being checked, as the evaluator table the check of
// rootsolve takes (references are passed as pointers).
const generated_lib* g_lib = nullptr;
void lib_evahhx(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd, cplx* dp) {
  g_lib->eva(const_cast<int*>(&n), const_cast<cplx*>(cf), const_cast<cplx*>(z), p,
             const_cast<cplx*>(cfd), dp);
}
void lib_subexpo(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd,
                 const cplx* cft, cplx* dp, cplx* dt) {
  g_lib->sub(const_cast<int*>(&n), const_cast<cplx*>(cf), const_cast<cplx*>(z), p,
             const_cast<cplx*>(cfd), const_cast<cplx*>(cft), dp, dt);
}
void lib_coefhhthx(cplx* cf, cplx* cft, cplx* cfd, const int& m, const cplx* b, const cplx* g,
                   const double* d, const double& s) {
  g_lib->coef(cf, cft, cfd, const_cast<int*>(&m), const_cast<cplx*>(b), const_cast<cplx*>(g),
              const_cast<double*>(d), const_cast<double*>(&s));
}

void check_case(const gen_case& c) {
  SCOPED_TRACE(c.name);
  const system_rd rd = random_system(c);
  const system_no s = normal_form(rd);
  int n = s.n, m = s.m;
  const int nd = (n - 1) * m;

  temp_dir dir;
  {
    std::ofstream f(dir / "input.num");
    f << rd.input_num();
  }
  const hc::test::proc_result generated = run_evalgen(dir);
  ASSERT_EQ(generated.status, 0) << generated.err;
  if (c.expect_nested) {
    const std::string text = slurp(dir / "MEva.f90");
    EXPECT_TRUE(std::regex_search(text, std::regex("\n      T[0-9]+=(T[0-9]+\\*|[^\n]*\\*T)")))
        << "no nested temporary";
  }
  const hc::test::proc_result cc = hc::test::compile_evaluator(dir.path());
  ASSERT_EQ(cc.status, 0) << cc.err;
  generated_lib lib(dir / "MEva.so");
  ASSERT_TRUE(lib.ok()) << dlerror();

  // rootsolve's check accepts the library generated for the system.
  g_lib = &lib;
  const evalcore core{&lib_evahhx, &lib_subexpo, &lib_coefhhthx};
  EXPECT_EQ(evalcore_misfit(n, m, s.nm, s.supp, core), "");
  g_lib = nullptr;

  std::mt19937 gen(c.seed + 1000);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::uniform_real_distribution<double> rad(0.5, 1.5), ang(-3.14159, 3.14159);
  auto rnd = [&] { return cplx(u(gen), u(gen)); };

  for (int pt = 0; pt < 3; ++pt) {
    vec<cplx> z(n);
    for (int j = 1; j <= n; ++j) z(j) = std::polar(rad(gen), ang(gen));

    // Homotopy coefficients from coefHHtHx, with the entries of cfd that
    // are not part of the contract holding NaN before and after.
    vec<cplx> B(m), G(m), cf(m), cft(m);
    vec<double> D(m);
    for (int k = 1; k <= m; ++k) {
      B(k) = rnd();
      G(k) = rnd();
      D(k) = 1.5 * (u(gen) + 1.0);
    }
    double sp = 0.5 * (u(gen) - 1.0);
    vec<cplx> cfd(std::max(nd, 1), cplx(kNan, kNan));
    lib.coef(cf.data(), cft.data(), cfd.data(), &m, B.data(), G.data(), D.data(), &sp);
    for (int k = 1; k <= m; ++k) {
      const double eDs = std::exp(D(k) * sp), es = std::exp(sp);
      const cplx want = (B(k) + G(k) * es) * eDs;
      const cplx want_t = D(k) * want + G(k) * es * eDs;
      expect_close(cf(k), want, std::abs(B(k) * eDs) + std::abs(G(k) * es * eDs), "cf");
      expect_close(cft(k), want_t, (std::abs(D(k)) + 1.0) * std::abs(want) + std::abs(G(k)), "cft");
    }
    for (int v = 2; v <= n; ++v)
      for (int k = 1; k <= m; ++k) {
        const int q = (v - 2) * m + k;
        if (s.supp(v, k) == 0) {
          EXPECT_TRUE(is_nan(cfd(q))) << "cfd(" << q << ") written";
        } else {
          expect_close(cfd(q), static_cast<double>(s.supp(v, k)) * cf(k), std::abs(cf(k)) * 8,
                       "cfd(" + std::to_string(q) + ")");
        }
      }

    const direct_eval d = evaluate(s, cf, cft, z);
    vec<cplx> p(n, cplx(kNan, kNan)), dt(n, cplx(kNan, kNan));
    mat<cplx> dp(n, n, cplx(kNan, kNan));
    lib.sub(&n, cf.data(), z.data(), p.data(), cfd.data(), cft.data(), dp.data(), dt.data());
    for (int i = 1; i <= n; ++i) {
      expect_close(p(i), d.p(i), d.pmag(i), "subexpo p(" + std::to_string(i) + ")");
      expect_close(dt(i), d.dt(i), d.dtmag(i), "subexpo dt(" + std::to_string(i) + ")");
      for (int v = 1; v <= n; ++v)
        expect_close(dp(i, v), d.dp(i, v), d.dpmag(i, v),
                     "subexpo dp(" + std::to_string(i) + "," + std::to_string(v) + ")");
    }

    // EvaHHx with plain random coefficients and their derivative
    // coefficients, unused entries NaN.
    vec<cplx> cf2(m), cfd2(std::max(nd, 1), cplx(kNan, kNan));
    for (int k = 1; k <= m; ++k) cf2(k) = rnd();
    for (int v = 2; v <= n; ++v)
      for (int k = 1; k <= m; ++k)
        if (s.supp(v, k) != 0) cfd2((v - 2) * m + k) = static_cast<double>(s.supp(v, k)) * cf2(k);
    const direct_eval d2 = evaluate(s, cf2, cf2, z);
    vec<cplx> p2(n, cplx(kNan, kNan));
    mat<cplx> dp2(n, n, cplx(kNan, kNan));
    lib.eva(&n, cf2.data(), z.data(), p2.data(), cfd2.data(), dp2.data());
    for (int i = 1; i <= n; ++i) {
      expect_close(p2(i), d2.p(i), d2.pmag(i), "evahhx p(" + std::to_string(i) + ")");
      for (int v = 1; v <= n; ++v)
        expect_close(dp2(i, v), d2.dp(i, v), d2.dpmag(i, v),
                     "evahhx dp(" + std::to_string(i) + "," + std::to_string(v) + ")");
    }
  }
}

TEST(evalgen_run, GeneratedRoutinesMatchDirectEvaluation) {
  const std::vector<gen_case> cases = {
      // name           n  terms  exp seed unused const nested
      {"one variable", 1, 1, 5, 5, 11, 0, false, false},
      {"two variables", 2, 1, 6, 5, 12, 0, false, false},
      {"three, constant equation", 3, 2, 7, 5, 13, 0, true, false},
      {"three, x2 unused", 3, 2, 6, 4, 14, 2, false, false},
      {"four, low degree", 4, 4, 9, 1, 15, 0, false, true},
      {"four, x3 unused", 4, 3, 8, 2, 16, 3, false, false},
      {"five", 5, 3, 9, 5, 17, 0, false, false},
      {"six, low degree", 6, 5, 12, 1, 18, 0, false, true},
      {"six", 6, 2, 10, 5, 19, 0, false, false},
      {"six, single terms", 6, 1, 3, 3, 20, 0, false, false},
  };
  for (const auto& c : cases) check_case(c);
}

TEST(evalgen_run, UnreadableInputLeavesTheFileAlone) {
  temp_dir dir;
  {
    std::ofstream f(dir / "MEva.f90");
    f << "earlier text\n";
    std::ofstream g(dir / "input.num");
    g << "2\n1\n1\n1 0\n0 x\n";  // a letter where an exponent belongs
  }
  EXPECT_NE(run_evalgen(dir).status, 0);
  EXPECT_EQ(slurp(dir / "MEva.f90"), "earlier text\n");
}

TEST(evalgen_run, ProgramReplacesAnExistingFile) {
  temp_dir dir;
  {
    std::ofstream f(dir / "MEva.f90");
    for (int i = 0; i < 1000; ++i) f << "an earlier, much longer file\n";
    std::ofstream g(dir / "input.num");
    g << "1\n2\n1\n0\n(1,0)\n(-1,0)\nx\n";
  }
  const hc::test::proc_result gen = run_evalgen(dir);
  ASSERT_EQ(gen.status, 0) << gen.err;
  const std::string text = slurp(dir / "MEva.f90");
  EXPECT_EQ(text.find("earlier"), std::string::npos);
  EXPECT_EQ(text.substr(0, 40), "      SUBROUTINE EvaHHx(n,cf,z,p,cfd,dp)");
  EXPECT_EQ(text.substr(text.size() - 21), "      END SUBROUTINE\n");
}

}  // namespace
}  // namespace hc
