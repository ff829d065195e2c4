// witsolve as a process in a fresh directory: the prompt loop, the summary,
// the layout of data.witness and the witness points of systems whose
// positive-dimensional solution sets are known.  Runs draw their slices and
// start systems from the clock, so only what holds for every draw is
// checked: the number of distinct witness points (the degree of the
// component), that every point lies on the system and on the written
// hyperplanes with vanishing slack coordinates, that the counts agree with
// the points written, and the texts.  Paths that should diverge may end on
// a witness point that another path reaches too; the check re-tracks such
// pairs, and the writer writes a point met again on the slice only once.
#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "WitSlice.h"
#include "WrtSol_W.h"
#include "fatal.h"
#include "ffread.h"
#include "proc.h"
#include "term_eqn.h"

namespace hc {
namespace {

using cx = std::complex<double>;

std::string program() { return WITSOLVE_BIN; }

struct outcome {
  int status = -1;
  std::string out, err, witness;
};

// Runs witsolve in a new directory holding bin/input.num (unless input is
// empty), with `answers` on standard input.  Whatever the run, witsolve
// ends with a status of the table, leaves its input as it was and nothing
// in the folder but data.witness (a temporary of the writer is renamed or
// removed).
outcome run(const std::string& input, const std::string& answers) {
  const test::temp_dir dir;
  if (!input.empty()) {
    std::filesystem::create_directory(dir / "bin");
    test::spit(dir / "bin" / "input.num", input);
  }
  const test::proc_result p = test::run_process({program()}, answers, dir.path());
  outcome o;
  o.status = p.status;
  o.out = p.out;
  o.err = p.err;
  o.witness = test::slurp(dir / "data.witness");
  if (!input.empty()) {
    EXPECT_EQ(test::slurp(dir / "bin" / "input.num"), input);
  }
  const int known[] = {status::ok,    status::output, status::input,
                       status::size,  status::memory, status::library,
                       status::usage, status::data,   status::internal};
  EXPECT_NE(std::find(std::begin(known), std::end(known), p.status), std::end(known))
      << "status " << p.status << ": " << p.err;
  for (const auto& [name, text] : test::dir_files(dir.path().string()))
    EXPECT_TRUE(name == "bin" || name == "data.witness") << "left behind: " << name;
  return o;
}

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// The record that each binary128 re-tracking writes; it may appear in any run.
const std::string kQuadRecord = "          111";

std::string prompt(int n) {
  char b[64];
  std::snprintf(b, sizeof b, "Input the # of hyperplanes (1, ... ,%3d)", n - 1);
  return b;
}

std::string summary(int k, int nw) {
  char b[160];
  std::snprintf(b, sizeof b,
                " \n The # of hyperplanes    = %8d\n The # of witness points = %8d\n \n", k, nw);
  return b;
}

bool coord(const std::string& l, cx& z) {
  double re = 0, im = 0;
  char close = 0;
  if (l.size() != 52 || std::sscanf(l.c_str(), "(%lf ,%lf%c", &re, &im, &close) != 3 ||
      close != ')')
    return false;
  z = cx(re, im);
  return true;
}

// One test system: its input.num, names, k, the degree of its k-dimensional
// component and the residual of its equations at a point.
struct sys_case {
  const char* what;
  std::string input;
  std::vector<std::string> names;
  int k;
  std::string answers;
  int prompts;
  int degree;  // distinct witness points: the degree of the k-dimensional component
  std::function<std::vector<cx>(const std::vector<cx>&)> f;
};

// input.num of equations given as (exponents, coefficient) lists.
std::string numeric(int n, const std::vector<std::vector<std::pair<std::vector<int>, double>>>& eqs,
                    const std::vector<std::string>& names) {
  std::ostringstream s;
  s << n << "\n";
  for (const auto& e : eqs) s << e.size() << "\n";
  for (const auto& e : eqs)
    for (const auto& t : e) {
      for (int x : t.first) s << x << " ";
      s << "\n";
    }
  for (const auto& e : eqs)
    for (const auto& t : e) s << "(" << t.second << ",0)\n";
  for (const auto& v : names) s << v << "\n";
  return s.str();
}

std::vector<sys_case> cases() {
  using eq = std::vector<std::pair<std::vector<int>, double>>;
  const eq circle = {{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1}};
  const eq sphere = {{{2, 0, 0}, 1}, {{0, 2, 0}, 1}, {{0, 0, 2}, 1}, {{0, 0, 0}, -1}};
  const eq cubic = {{{3, 0, 0}, 1}, {{0, 1, 2}, 2}, {{0, 1, 0}, -1}, {{0, 0, 0}, -0.5}};
  const eq cyl = {{{2, 0, 0}, 1}, {{0, 2, 0}, 1}, {{0, 0, 0}, -1}};
  const eq plane = {{{1, 0, 0}, 1}, {{0, 0, 1}, -1}};
  const eq px = {{{2, 0}, 1}, {{0, 0}, -1}};
  const eq py = {{{0, 2}, 1}, {{0, 0}, -4}};
  auto circ = [](const std::vector<cx>& v) {
    const cx c = v[0] * v[0] + v[1] * v[1] - 1.0;
    return std::vector<cx>{c, c};
  };
  auto sph = [](const std::vector<cx>& v) {
    const cx c = v[0] * v[0] + v[1] * v[1] + v[2] * v[2] - 1.0;
    return std::vector<cx>{c, c, c};
  };
  auto cub = [](const std::vector<cx>& v) {
    const cx c = v[0] * v[0] * v[0] + 2.0 * v[1] * v[2] * v[2] - v[1] - 0.5;
    return std::vector<cx>{c, c, c};
  };
  auto curve = [](const std::vector<cx>& v) {
    const cx c = v[0] * v[0] + v[1] * v[1] - 1.0;
    return std::vector<cx>{c, c, v[0] - v[2]};
  };
  auto pts = [](const std::vector<cx>& v) {
    return std::vector<cx>{v[0] * v[0] - 1.0, v[1] * v[1] - 4.0};
  };
  const std::vector<std::string> xy = {"x", "y"}, xyz = {"x", "y", "zeta_with_a_long_name"};
  return {
      {"circle, asked three times", numeric(2, {circle, circle}, xy), xy, 1, "0\n3\n1\n", 3, 2,
       circ},
      {"sphere, k = n - 1", numeric(3, {sphere, sphere, sphere}, xyz), xyz, 2, "2\n", 1, 2, sph},
      {"cubic surface", numeric(3, {cubic, cubic, cubic}, xyz), xyz, 2, "7\n2\n", 2, 3, cub},
      {"conic in space, k = 1", numeric(3, {cyl, cyl, plane}, xyz), xyz, 1, "1\n", 1, 2, curve},
      {"isolated roots only: no witness point", numeric(2, {px, py}, xy), xy, 1, "1\n", 1, 0, pts},
  };
}

// Relative residual accepted for a written witness point, and the distance
// below which two written points are the same witness point.
constexpr double kResidual = 1e-8, kSamePoint = 1e-6;

TEST(witsolve, WitnessPointsTextsAndLayout) {
  for (const sys_case& c : cases()) {
    SCOPED_TRACE(c.what);
    const outcome o = run(c.input, c.answers);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    const int n = static_cast<int>(c.names.size()), N = n + c.k;

    // Standard output: the prompts, then the summary (re-tracking records aside).
    std::vector<std::string> out;
    for (const std::string& l : lines_of(o.out))
      if (l != kQuadRecord) out.push_back(l);
    ASSERT_GE(out.size(), static_cast<std::size_t>(c.prompts + 12));
    for (int i = 0; i < c.prompts; ++i) EXPECT_EQ(out[static_cast<std::size_t>(i)], prompt(n));
    std::string rest;
    for (std::size_t i = static_cast<std::size_t>(c.prompts); i < out.size(); ++i)
      rest += out[i] + "\n";
    const std::vector<std::string> tail = lines_of(rest);
    ASSERT_GE(tail.size(), 3u);
    int written = -1;
    ASSERT_EQ(std::sscanf(tail[2].c_str(), " The # of witness points = %8d", &written), 1);
    EXPECT_EQ(rest.substr(0, summary(c.k, written).size()), summary(c.k, written));
    EXPECT_GE(written, c.degree);
    EXPECT_EQ(tail[4].substr(0, 20), " The running time : ");
    EXPECT_EQ(tail[4].size(), 20u + 16u + 2u);
    EXPECT_EQ(tail[4].substr(36), " s");
    EXPECT_EQ(tail[5], " The witness points are listed in file \"data.witness\"");
    EXPECT_EQ(tail[6], " ");
    for (int b = 0; b < 4; ++b)
      EXPECT_EQ(tail[static_cast<std::size_t>(7 + b)], std::string(" ") + witness_banner[b]);
    EXPECT_EQ(tail[11], " ");
    EXPECT_EQ(tail.size(), 12u);

    // data.witness: the points, then the slicing coefficients.
    const std::vector<std::string> w = lines_of(o.witness);
    std::size_t at = 0;
    std::vector<std::vector<cx>> points;
    while (at < w.size() && w[at] != " ") {
      std::vector<cx> p(static_cast<std::size_t>(N));
      for (int i = 0; i < N; ++i)
        ASSERT_TRUE(coord(w[at++], p[static_cast<std::size_t>(i)])) << w[at - 1];
      ASSERT_EQ(w[at++], " ------------------------------- ");
      points.push_back(p);
    }
    EXPECT_EQ(static_cast<int>(points.size()), written);
    ASSERT_LT(at + 1, w.size());
    EXPECT_EQ(w[at++], " ");
    EXPECT_EQ(w[at++], "  The coefficients of witness homotopy  : ");
    std::vector<cx> zc, lc;
    for (int i = 0; i < n * c.k; ++i) {
      cx z;
      ASSERT_TRUE(coord(w[at++], z));
      EXPECT_NEAR(std::abs(z), 1.0, 1e-15);
      zc.push_back(z);
    }
    for (int i = 0; i < c.k * (n + 1); ++i) {
      cx z;
      ASSERT_TRUE(coord(w[at++], z));
      EXPECT_NEAR(std::abs(z), 1.0, 1e-15);
      lc.push_back(z);
    }
    std::string trailer;
    for (; at < w.size(); ++at) trailer += w[at] + "\n";
    std::string expect = " \n  The order of variables : \n";
    for (const std::string& v : c.names) expect += " " + v.substr(0, 20) + "\n";
    expect += " \n ===============>   ZARVIK_Witness  <===============\n";
    char counts[128];
    std::snprintf(counts, sizeof counts,
                  " The # of hyperplanes    = %8d\n The # of witness points = %8d\n", c.k, written);
    expect += counts;
    expect += " \n";
    for (const char* l : witness_banner) expect += std::string(" ") + l + "\n";
    expect += " \n";
    EXPECT_EQ(trailer, expect);

    // Every point is on the system, on each written hyperplane, with zero slack.
    for (std::size_t s = 0; s < points.size(); ++s) {
      const std::vector<cx>& p = points[s];
      const std::vector<cx> x(p.begin(), p.begin() + n);
      double size = 1;
      for (const cx& v : x) size = std::max(size, std::abs(v));
      for (const cx& r : c.f(x)) EXPECT_LT(std::abs(r), kResidual * size * size * size);
      for (int j = 0; j < c.k; ++j) {
        EXPECT_LE(std::abs(p[static_cast<std::size_t>(n + j)]), 1e-9);
        cx h = lc[static_cast<std::size_t>(j * (n + 1) + n)];
        for (int l = 0; l < n; ++l)
          h += lc[static_cast<std::size_t>(j * (n + 1) + l)] * x[static_cast<std::size_t>(l)];
        EXPECT_LT(std::abs(h), kResidual * size);
      }
    }
    // Distinct points: the degree of the component.
    std::vector<std::vector<cx>> distinct;
    for (const std::vector<cx>& p : points) {
      bool seen = false;
      for (const std::vector<cx>& q : distinct) {
        double d = 0;
        for (int i = 0; i < N; ++i)
          d = std::max(d,
                       std::abs(p[static_cast<std::size_t>(i)] - q[static_cast<std::size_t>(i)]));
        seen = seen || d < kSamePoint;
      }
      if (!seen) distinct.push_back(p);
    }
    EXPECT_EQ(static_cast<int>(distinct.size()), c.degree);
  }
}

// With one unknown no number of hyperplanes lies in 1 .. n-1: the run says
// so before any prompt, writes nothing and ends with a failure status.
TEST(witsolve, OneUnknownEndsWithAMessageBeforeThePrompt) {
  const outcome o = run("1\n2\n1\n0\n(1,0)\n(-1,0)\nt\n", "1\n0\n");
  EXPECT_EQ(o.status, status::data);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "witsolve: the system has 1 unknown: no number of hyperplanes lies in 1 .. n-1\n");
  EXPECT_EQ(o.witness, "");
}

TEST(witsolve, UnreadableInputAndAnswersEndWithTheReadersError) {
  const std::string circle2 =
      "2\n3\n3\n2 0\n0 2\n0 0\n2 0\n0 2\n0 0\n(1,0)\n(1,0)\n(-1,0)\n"
      "(1,0)\n(1,0)\n(-1,0)\nx\ny\n";
  struct row {
    const char* what;
    std::string input, answers;
    const char* in_err;
    int status;
  };
  // clang-format off
  const std::vector<row> rows = {
      {"no input file", "", "1\n", "bin/input.num", status::input},
      {"a coefficient that is not a number", "1\n2\n1\n0\n(1,0)\n(x,0)\nt\n", "1\n", "input.num",
       status::data},
      {"answer not an integer", circle2, "one\n", "standard input", status::data},
      {"no answer in range before the input ends", circle2, "0\n2\n", "standard input",
       status::data},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const outcome o = run(r.input, r.answers);
    EXPECT_EQ(o.status, r.status);
    EXPECT_NE(o.err.find(r.in_err), std::string::npos) << o.err;
    EXPECT_EQ(o.witness, "");
  }
}

}  // namespace
}  // namespace hc

namespace hc {
namespace {

using test::eqn;
using test::reduced_cyclic8;
using test::times;
using test::times_line;

// |f(x)| relative to sum_k |c_k| |x^e_k|: the componentwise backward error.
double backward_error(const eqn& f, const std::vector<cx>& x) {
  cx v = 0;
  double scale = 0;
  for (const auto& t : f) {
    cx mono = 1;
    for (std::size_t j = 0; j < t.first.size(); ++j) mono *= std::pow(x[j], t.first[j]);
    v += t.second * mono;
    scale += std::abs(t.second) * std::abs(mono);
  }
  return scale > 0 ? std::abs(v) / scale : std::abs(v);
}

// Every witness point once, on every draw: the points written lie on the
// variety (backward error of the given equations, the written hyperplanes
// and vanishing slack), no point twice where the check can separate every
// pair, and as many as the degree where every draw finds them all.
TEST(witsolve, EveryWitnessPointOnce) {
  const eqn circle = {{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1}};
  const eqn sphere = {{{2, 0, 0}, 1}, {{0, 2, 0}, 1}, {{0, 0, 2}, 1}, {{0, 0, 0}, -1}};
  const eqn tw1 = {{{2, 0, 0}, 1}, {{0, 1, 0}, -1}}, tw2 = {{{1, 1, 0}, 1}, {{0, 0, 1}, -1}},
            tw3 = {{{1, 0, 1}, 1}, {{0, 2, 0}, -1}};
  const eqn quartic = {{{4, 0}, 1}, {{0, 4}, 1}, {{2, 1}, -3}, {{1, 0}, 1}, {{0, 0}, -1}};
  const eqn fermat = {{{10, 0}, 1}, {{0, 10}, 1}, {{0, 0}, -1}};
  const eqn fermat20 = {{{20, 0}, 1}, {{0, 20}, 1}, {{0, 0}, -1}};
  const eqn big_circle = {{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1e12}};
  // The sphere times x - 2, y - 3 and x + y - 5: the sphere and the line
  // x = 2, y = 3.
  const eqn sx = times(sphere, {{{1, 0, 0}, 1}, {{0, 0, 0}, -2}}),
            sy = times(sphere, {{{0, 1, 0}, 1}, {{0, 0, 0}, -3}}),
            sxy = times(sphere, {{{1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, 0, 0}, -5}});
  const eqn axy = {{{1, 1, 0}, 1}}, ayz = {{{0, 1, 1}, 1}}, axz = {{{1, 0, 1}, 1}};
  struct row {
    const char* what;
    std::vector<eqn> eqs;
    int k, degree, runs;
    bool all;   // the degree on every draw
    bool once;  // no point twice on every draw
  };
  // clang-format off
  const std::vector<row> rows = {
      {"circle", {circle, circle}, 1, 2, 10, true, true},
      {"sphere, k = 2", {sphere, sphere, sphere}, 2, 2, 10, true, true},
      {"twisted cubic", {tw1, tw2, tw3}, 1, 3, 10, true, true},
      // Points far from the origin, which the embedded system leaves badly
      // determined, are found on the slice from the paths given up near them.
      {"plane quartic", {quartic, times_line(quartic)}, 1, 4, 10, true, true},
      {"Fermat curve of degree 10", {fermat, times_line(fermat)}, 1, 10, 4, true, true},
      // A few draws in a thousand miss one point of degree 20.
      {"Fermat curve of degree 20", {fermat20, times_line(fermat20)}, 1, 20, 4, false, true},
      // Terms of 1e12 at the points: the polish's values there are rounding
      // noise above its residual bound.  Both points on every draw: the
      // equations are balanced against their slack terms.
      {"circle of radius 1e6", {big_circle, big_circle}, 1, 2, 10, true, true},
      // One hyperplane cuts the sphere in a curve, none of whose points is
      // written, and the line in its one witness point.
      {"a sphere and a line", {sx, sy, sxy}, 1, 1, 10, true, true},
      // Witness points with two coordinates 0, where every term of one
      // equation vanishes.
      {"the coordinate axes", {axy, ayz, axz}, 1, 3, 10, true, true},
      // Singular points of the slice next to coordinate subspaces, which are
      // no witness points, abound; a draw in ten misses a witness point.
      {"reduced cyclic 8-roots", reduced_cyclic8(), 1, 18, 2, false, true},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const int n = static_cast<int>(r.eqs.size()), N = n + r.k;
    std::vector<std::string> names;
    for (int i = 1; i <= n; ++i) names.push_back("x" + std::to_string(i));
    for (int draw = 1; draw <= r.runs; ++draw) {
      SCOPED_TRACE("run " + std::to_string(draw));
      const outcome o = run(numeric(n, r.eqs, names), std::to_string(r.k) + "\n");
      ASSERT_EQ(o.status, 0) << o.err;
      const std::vector<std::string> w = lines_of(o.witness);
      std::size_t at = 0;
      std::vector<std::vector<cx>> points;
      while (at < w.size() && w[at] != " ") {
        std::vector<cx> p(static_cast<std::size_t>(N));
        for (int i = 0; i < N; ++i) ASSERT_TRUE(coord(w[at++], p[static_cast<std::size_t>(i)]));
        ++at;  // the dashes
        points.push_back(p);
      }
      at += 2 + static_cast<std::size_t>(n * r.k);
      std::vector<cx> lc;
      for (int i = 0; i < r.k * (n + 1); ++i) {
        cx z;
        ASSERT_TRUE(coord(w[at++], z));
        lc.push_back(z);
      }
      if (r.all) {
        EXPECT_EQ(static_cast<int>(points.size()), r.degree);
      } else if (r.once) {
        EXPECT_LE(static_cast<int>(points.size()), r.degree);
      }
      for (std::size_t s = 0; s < points.size(); ++s) {
        const std::vector<cx>& p = points[s];
        const std::vector<cx> x(p.begin(), p.begin() + n);
        double size = 1;
        for (const cx& v : x) size = std::max(size, std::abs(v));
        for (const eqn& f : r.eqs) EXPECT_LT(backward_error(f, x), 1e-8) << "point " << s;
        for (int j = 0; j < r.k; ++j) {
          EXPECT_LE(std::abs(p[static_cast<std::size_t>(n + j)]), 1e-7 * size);
          cx h = lc[static_cast<std::size_t>(j * (n + 1) + n)];
          for (int l = 0; l < n; ++l)
            h += lc[static_cast<std::size_t>(j * (n + 1) + l)] * x[static_cast<std::size_t>(l)];
          EXPECT_LT(std::abs(h), 1e-7 * size);
        }
        for (std::size_t t = s + 1; r.once && t < points.size(); ++t) {
          double d = 0;
          for (int i = 0; i < n; ++i)
            d = std::max(d, std::abs(p[static_cast<std::size_t>(i)] -
                                     points[t][static_cast<std::size_t>(i)]));
          EXPECT_GT(d, 1e-6 * size) << "points " << s << " and " << t;
        }
      }
    }
  }
}

}  // namespace
}  // namespace hc
