#include "ec_check.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <vector>

#include "fatal.h"

namespace hc {

namespace {

// Guard entries after every array: far more than a library generated for a
// slightly larger system reaches, and a bounded cost for the largest ones.
constexpr int kGuardLen = 4096;
// Points at which the evaluators are compared.
constexpr int kTestPoints = 2;
// Rounding allowed per term and unit of its degree (plus n and the term
// count of its equation, for the products of the variables and the sum).
constexpr double kEvalTol = 16 * kMachEps;
// Rounding allowed in coefhhthx_'s formula, relative to the sizes of its
// terms (one exponential, a few products).
constexpr double kCoefTol = 64 * kMachEps;
// The draws are fixed: the check must give the same answer on every run.
constexpr std::uint64_t kCheckSeed = 20240613;
// Message of a library that fits.
constexpr const char* kFitsText = "fits";

// A quiet NaN whose payload names the array it guards, so that an entry
// written with a value of another array is told from one left alone.
double marker(std::uint32_t id) {
  const std::uint64_t bits = 0x7ff8000000000000ULL | (static_cast<std::uint64_t>(id) << 8);
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// An array of len entries followed by guard entries, all starting as the
// array's marker.
template <class T>
struct guarded {
  std::vector<T> buf;
  int len;
  double mark;
  guarded(int n, std::uint32_t id)
      : buf(static_cast<std::size_t>(n) + kGuardLen, fill(marker(id))), len(n), mark(marker(id)) {}
  static T fill(double x) {
    if constexpr (std::is_same_v<T, double>)
      return x;
    else
      return T(x, x);
  }
  T* data() { return buf.data(); }
  T& operator()(int i) { return buf[static_cast<std::size_t>(i - 1)]; }
  bool untouched(std::size_t i) const {
    if constexpr (std::is_same_v<T, double>)
      return same_bits(buf[i], mark);
    else
      return same_bits(buf[i].real(), mark) && same_bits(buf[i].imag(), mark);
  }
  bool guards_intact() const {
    for (std::size_t i = static_cast<std::size_t>(len); i < buf.size(); ++i)
      if (!untouched(i)) return false;
    return true;
  }
};

// Marker ids of the arrays.
enum : std::uint32_t {
  id_cf = 1,
  id_z,
  id_p,
  id_dp,
  id_cfd,
  id_cft,
  id_dt,
  id_b,
  id_g,
  id_d,
  id_cfd_zero
};

bool close(cplx got, cplx want, double tol) {
  const double dr = got.real() - want.real(), di = got.imag() - want.imag();
  return std::sqrt(dr * dr + di * di) <= tol;  // false for NaN
}

cplx unit(std::mt19937_64& gen) {
  std::uniform_real_distribution<double> angle(0.0, 2.0 * M_PI);
  const double t = angle(gen);
  return cplx(std::cos(t), std::sin(t));
}

std::string at_equation(const char* what, int i) {
  return std::string(what) + " of equation " + std::to_string(i) + " differs at a test point";
}

// The system of the check: supports, equation of each term and degrees.
struct system_view {
  int n, m;
  vec_ref<const int> nm;
  mat_ref<const int> supp;
  std::vector<int> eq;      // eq[k-1]: equation of term k
  std::vector<double> deg;  // total degree of term k
};

// The direct values at z = exp(i theta): p(i), dp(i, v) and, with cft, dt(i),
// each with its rounding bound.
struct direct {
  std::vector<cplx> p, dp, dt;
  std::vector<double> tp, tdp, tdt;
};

direct evaluate(const system_view& s, const std::vector<long double>& theta,
                const std::vector<cplx>& cf, const std::vector<cplx>& cft) {
  const int n = s.n;
  const long double two_pi = 6.283185307179586476925286766559L;
  direct d;
  d.p.assign(static_cast<std::size_t>(n), 0.0);
  d.dt = d.p;
  d.dp.assign(static_cast<std::size_t>(n) * n, 0.0);
  d.tp.assign(static_cast<std::size_t>(n), 0.0);
  d.tdt = d.tp;
  d.tdp.assign(static_cast<std::size_t>(n) * n, 0.0);
  for (int k = 1; k <= s.m; ++k) {
    const int i = s.eq[static_cast<std::size_t>(k - 1)];
    long double phase = 0;
    for (int j = 1; j <= n; ++j) phase += s.supp(j, k) * theta[static_cast<std::size_t>(j - 1)];
    const double weight = kEvalTol * (s.deg[static_cast<std::size_t>(k - 1)] + n + s.nm(i) + 1);
    auto mono = [&](long double ph) {
      const long double r = std::fmod(ph, two_pi);
      return cplx(static_cast<double>(std::cos(r)), static_cast<double>(std::sin(r)));
    };
    const cplx zk = mono(phase);
    const std::size_t ii = static_cast<std::size_t>(i - 1);
    d.p[ii] += cf[static_cast<std::size_t>(k - 1)] * zk;
    d.tp[ii] += weight;
    d.dt[ii] += cft[static_cast<std::size_t>(k - 1)] * zk;
    d.tdt[ii] += weight;
    for (int v = 1; v <= n; ++v) {
      const int e = s.supp(v, k);
      if (e == 0) continue;
      const std::size_t iv = ii + static_cast<std::size_t>(v - 1) * n;
      d.dp[iv] += static_cast<double>(e) * cf[static_cast<std::size_t>(k - 1)] *
                  mono(phase - theta[static_cast<std::size_t>(v - 1)]);
      d.tdp[iv] += e * weight;
    }
  }
  return d;
}

// Compares p, dp (and dt) of one call with the direct values.
std::string compare(const system_view& s, const direct& d, guarded<cplx>& p, guarded<cplx>& dp,
                    guarded<cplx>* dt) {
  const int n = s.n;
  for (int i = 1; i <= n; ++i) {
    const std::size_t ii = static_cast<std::size_t>(i - 1);
    if (!close(p(i), d.p[ii], d.tp[ii])) return at_equation("the value", i);
    if (dt != nullptr && !close((*dt)(i), d.dt[ii], d.tdt[ii]))
      return at_equation("the derivative along the path", i);
    for (int v = 1; v <= n; ++v) {
      const std::size_t iv = ii + static_cast<std::size_t>(v - 1) * n;
      if (!close(dp(i + (v - 1) * n), d.dp[iv], d.tdp[iv]))
        return at_equation(("the derivative in variable " + std::to_string(v)).c_str(), i);
    }
  }
  if (!p.guards_intact() || !dp.guards_intact() || (dt != nullptr && !dt->guards_intact()))
    return "it writes beyond the values or the Jacobian of this system";
  return "";
}

}  // namespace

std::string evalcore_misfit(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                            const evalcore& ev) {
  system_view s{n, m, nm, supp, {}, {}};
  for (int i = 1, k = 1; i <= n; ++i)
    for (int t = 0; t < nm(i) && k <= m; ++t, ++k) s.eq.push_back(i);
  if (static_cast<int>(s.eq.size()) != m) return "the term counts do not add up to the terms";
  for (int k = 1; k <= m; ++k) {
    double d = 0;
    for (int j = 1; j <= n; ++j) d += supp(j, k);
    s.deg.push_back(d);
  }
  const int nd = (n - 1) * m;
  std::mt19937_64 gen(kCheckSeed);
  std::uniform_real_distribution<double> angle(0.0, 2.0 * M_PI);

  // evahhx_ and subexpo_ at random points.
  for (int point = 0; point < kTestPoints; ++point) {
    std::vector<long double> theta(static_cast<std::size_t>(n));
    guarded<cplx> z(n, id_z), cf(m, id_cf), cft(m, id_cft), cfd(nd, id_cfd);
    std::vector<cplx> cfv(static_cast<std::size_t>(m)), cftv(cfv);
    for (int j = 1; j <= n; ++j) {
      theta[static_cast<std::size_t>(j - 1)] = angle(gen);
      const double t = static_cast<double>(theta[static_cast<std::size_t>(j - 1)]);
      z(j) = cplx(std::cos(t), std::sin(t));
    }
    for (int k = 1; k <= m; ++k) {
      cf(k) = cfv[static_cast<std::size_t>(k - 1)] = unit(gen);
      cft(k) = cftv[static_cast<std::size_t>(k - 1)] = unit(gen);
    }
    // cfd entries of a zero exponent keep their marker: not to be read.
    for (int v = 2; v <= n; ++v)
      for (int k = 1; k <= m; ++k)
        if (supp(v, k) != 0) cfd((v - 2) * m + k) = static_cast<double>(supp(v, k)) * cf(k);
    const direct d = evaluate(s, theta, cfv, cftv);
    const std::vector<cplx> z0 = z.buf, cf0 = cf.buf, cft0 = cft.buf, cfd0 = cfd.buf;
    auto inputs_intact = [&] {
      auto same = [](const std::vector<cplx>& a, const std::vector<cplx>& b) {
        return std::memcmp(a.data(), b.data(), a.size() * sizeof(cplx)) == 0;
      };
      return same(z.buf, z0) && same(cf.buf, cf0) && same(cft.buf, cft0) && same(cfd.buf, cfd0);
    };
    for (int with_t = 0; with_t <= 1; ++with_t) {
      guarded<cplx> p(n, id_p), dp(n * n, id_dp), dt(n, id_dt);
      if (with_t == 0)
        ev.evahhx(n, cf.data(), z.data(), p.data(), cfd.data(), dp.data());
      else
        ev.subexpo(n, cf.data(), z.data(), p.data(), cfd.data(), cft.data(), dp.data(), dt.data());
      std::string why = compare(s, d, p, dp, with_t == 1 ? &dt : nullptr);
      if (!why.empty()) return (with_t == 0 ? "evahhx_: " : "subexpo_: ") + why;
      if (!inputs_intact())
        return std::string(with_t == 0 ? "evahhx_" : "subexpo_") + ": it changes its inputs";
    }
  }

  // coefhhthx_ at one parameter.
  {
    guarded<cplx> cf(m, id_cf), cft(m, id_cft), cfd(nd, id_cfd), b(m, id_b), g(m, id_g);
    guarded<double> dd(m, id_d);
    std::uniform_real_distribution<double> power(0.0, 2.0), param(-1.0, 0.0);
    for (int k = 1; k <= m; ++k) {
      b(k) = unit(gen);
      g(k) = unit(gen);
      dd(k) = power(gen);
    }
    const double sv = param(gen);
    // Entries of a zero exponent must stay as they are.
    const double zero_mark = marker(id_cfd_zero);
    for (int v = 2; v <= n; ++v)
      for (int k = 1; k <= m; ++k)
        if (supp(v, k) == 0) cfd((v - 2) * m + k) = cplx(zero_mark, zero_mark);
    ev.coefhhthx(cf.data(), cft.data(), cfd.data(), m, b.data(), g.data(), dd.data(), sv);
    const double es = std::exp(sv);
    for (int k = 1; k <= m; ++k) {
      const cplx ges = g(k) * es;
      const double eds = std::exp(dd(k) * sv);
      const cplx want = (b(k) + ges) * eds;
      const double size = (1.0 + es) * eds * (1.0 + dd(k));
      if (!close(cf(k), want, kCoefTol * size) ||
          !close(cft(k), dd(k) * want + ges * eds, kCoefTol * size))
        return "coefhhthx_: the coefficient of term " + std::to_string(k) + " differs";
    }
    for (int v = 2; v <= n; ++v)
      for (int k = 1; k <= m; ++k) {
        const cplx got = cfd((v - 2) * m + k);
        const int e = supp(v, k);
        if (e == 0) {
          if (!same_bits(got.real(), zero_mark) || !same_bits(got.imag(), zero_mark))
            return "coefhhthx_: it writes a derivative coefficient this system does not have";
        } else if (!close(got, static_cast<double>(e) * cf(k), kCoefTol * e * cabs(cf(k)))) {
          return "coefhhthx_: the derivative coefficient of term " + std::to_string(k) +
                 " in variable " + std::to_string(v) + " differs";
        }
      }
    if (!cf.guards_intact() || !cft.guards_intact() || !cfd.guards_intact())
      return "coefhhthx_: it writes beyond the coefficients of this system";
  }
  return "";
}

std::string check_evalcore(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp) {
  std::cout.flush();
  std::fflush(stdout);
  std::fflush(stderr);
  int fd[2];
  if (::pipe(fd) != 0) fatal_errno(status::internal, "cannot check ./MEva.so", errno);
  const pid_t pid = ::fork();
  if (pid < 0)
    fatal_errno(errno == ENOMEM || errno == EAGAIN ? status::memory : status::internal,
                "cannot check ./MEva.so", errno);
  if (pid == 0) {
    ::close(fd[0]);
    std::string why = evalcore_misfit(n, m, nm, supp, evalcore_lib());
    if (why.empty()) why = kFitsText;
    ssize_t rc = ::write(fd[1], why.data(), why.size());
    (void)rc;
    ::_exit(0);
  }
  ::close(fd[1]);
  std::string msg;
  char buf[256];
  for (;;) {
    const ssize_t r = ::read(fd[0], buf, sizeof buf);
    if (r > 0) {
      msg.append(buf, static_cast<std::size_t>(r));
    } else if (r == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(fd[0]);
  int wst = 0;
  while (::waitpid(pid, &wst, 0) < 0)
    if (errno != EINTR) fatal_errno(status::internal, "cannot check ./MEva.so", errno);
  if (WIFSIGNALED(wst))
    return "its test evaluation ended by signal " + std::to_string(WTERMSIG(wst)) + " (" +
           strsignal(WTERMSIG(wst)) + ")";
  if (WIFEXITED(wst) && WEXITSTATUS(wst) == status::memory)
    fatal(status::memory, "out of memory while checking ./MEva.so");
  if (!WIFEXITED(wst) || WEXITSTATUS(wst) != 0)
    return "its test evaluation ended with status " + std::to_string(WEXITSTATUS(wst));
  if (msg == kFitsText) return "";
  return msg.empty() ? "its test evaluation gave no answer" : msg;
}

}  // namespace hc
