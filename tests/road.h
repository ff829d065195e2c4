// The whole road of one system in a fresh folder: eqtrans, evalgen, the
// outside compilation of MEva.f90 and rootsolve with a chosen homotopy; and
// the reading back of what rootsolve printed and wrote.
#pragma once

#include <gtest/gtest.h>

#include <complex>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "proc.h"

namespace hc::test {

struct root_record {
  std::vector<std::complex<double>> x;
  double residual = 0, condition = 0;
};

struct road_result {
  proc_result solve;                                           // rootsolve's run
  std::string roots_file;                                      // data.roots
  std::vector<root_record> roots;                              // its roots
  long long paths = -1, nroot = -1, nreal = -1, blow_up = -1;  // from the summary
  long long file_roots = -1, file_real = -1, file_paths = -1, file_blow_up = -1;  // trailer
};

// A laid-out scientific field; a three-digit exponent stands without its E.
inline double read_es(std::string s) {
  const auto b = s.find_first_not_of(' ');
  s = b == std::string::npos ? "" : s.substr(b);
  if (s.find('E') == std::string::npos) {
    const auto p = s.find_first_of("+-", 1);
    if (p != std::string::npos) s.insert(p, "E");
  }
  return std::strtod(s.c_str(), nullptr);
}

// The integer after `label` in `text`, or -1.
inline long long count_after(const std::string& text, const std::string& label) {
  const auto p = text.find(label);
  if (p == std::string::npos) return -1;
  return std::atoll(text.c_str() + p + label.size());
}

inline std::vector<root_record> parse_roots(const std::string& file, int n) {
  std::vector<root_record> roots;
  std::istringstream in(file);
  std::string line;
  root_record cur;
  while (std::getline(in, line)) {
    if (line.size() == 52 && line[0] == '(' && line.substr(25, 2) == " ," && line[51] == ')') {
      cur.x.emplace_back(read_es(line.substr(1, 24)), read_es(line.substr(27, 24)));
    } else if (line.rfind(" The residual         = ", 0) == 0) {
      cur.residual = read_es(line.substr(24, 12));
    } else if (line.rfind(" The condition number = ", 0) == 0) {
      cur.condition = read_es(line.substr(24, 12));
    } else if (line == " ---------------------------------------") {
      EXPECT_EQ(static_cast<int>(cur.x.size()), n) << "a root of " << cur.x.size() << " lines";
      roots.push_back(cur);
      cur = root_record();
    }
  }
  return roots;
}

// Runs the road on `system` (ordinary notation) in `dir` with answer `option`.
inline road_result run_road(const temp_dir& dir, const std::string& system, int n, int option) {
  road_result r;
  const proc_result eq = run_process({EQTRANS_BIN}, system, dir.path());
  EXPECT_EQ(eq.status, 0) << eq.err;
  spit(dir / "input.num", eq.out);
  const proc_result gen = run_process({EVALGEN_BIN}, eq.out, dir.path());
  EXPECT_EQ(gen.status, 0) << gen.err;
  const proc_result cc = compile_evaluator(dir.path());
  EXPECT_EQ(cc.status, 0) << cc.err;
  r.solve = run_process({ROOTSOLVE_BIN}, std::to_string(option) + "\n", dir.path());
  const std::string& out = r.solve.out;
  r.paths = count_after(out, " The # of paths followed  = ");
  r.nroot = count_after(out, " The # of roots = ");
  r.nreal = count_after(out, " The # of real roots = ");
  r.blow_up = count_after(out, " The # of blow_up = ");
  r.roots_file = slurp(dir / "data.roots");
  r.roots = parse_roots(r.roots_file, n);
  r.file_roots = count_after(r.roots_file, " The # of roots      = ");
  r.file_real = count_after(r.roots_file, " The # of real roots = ");
  r.file_paths = count_after(r.roots_file, " The # of paths followed = ");
  r.file_blow_up = count_after(r.roots_file, " The # of blow_up        = ");
  return r;
}

// What every run of rootsolve must show, whatever its random draws: a clean
// end, `paths` paths in the summary and the trailer, the counts of the
// summary equal to those of data.roots and to the roots written, each root
// with a residual below `residual_tol`.
inline void expect_consistent_run(const road_result& r, long long paths, double residual_tol) {
  ASSERT_EQ(r.solve.status, 0) << r.solve.err;
  EXPECT_EQ(r.paths, paths);
  EXPECT_EQ(r.file_paths, paths);
  EXPECT_EQ(r.file_roots, r.nroot);
  EXPECT_EQ(static_cast<long long>(r.roots.size()), r.nroot);
  EXPECT_EQ(r.nreal, r.file_real);
  EXPECT_EQ(r.blow_up, r.file_blow_up);
  for (const root_record& root : r.roots) EXPECT_LT(root.residual, residual_tol);
}

}  // namespace hc::test
