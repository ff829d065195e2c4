#include "gen02.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "MisTools.h"
#include "fatal.h"
#include "outfile.h"
#include "sysinput.h"
#include "sysprep.h"

namespace hc {

namespace {

// A system that cannot be generated within the integer ranges of the
// generated numbering (term, coefficient and temporary numbers are 32-bit
// integers in the generated text and in the evaluator contract) is beyond
// the program.
[[noreturn]] void gen_fail(const std::string& what) { fatal(status::size, what); }

// Most powers x_i^e (summed over the variables) an evaluator is generated
// for.  Each power is one declared name and one statement in each of the two
// evaluation routines, about 110 bytes of text in all, so at this count the
// powers alone take 1.8 GB of MEva.f90 and the file stays below 2^31 bytes.
// (A compiler gives up long before: a degree of 10^5 takes gfortran 90 s and
// 3.5 GB, 10^6 does not compile in 24 GB.)
constexpr long long kMaxPowers = 1LL << 24;

// The highest power of each variable over the terms, mdegv(n).
void highest_powers(int n, int m, mat_ref<const int> supp, vec_ref<int> mdegv) {
  for (int i = 1; i <= n; ++i) mdegv(i) = INT_MIN;
  for (int k = 1; k <= m; ++k)
    for (int i = 1; i <= n; ++i) mdegv(i) = std::max(mdegv(i), supp(i, k));
}

// Refuses, before anything is written, a system whose powers would make
// the text too large: the count of power names, in 64 bits so that degrees
// up to 2^31 - 1 in every variable cannot overflow it.
void check_powers(int n, int m, mat_ref<const int> supp) {
  vec<int> mdegv(n);
  highest_powers(n, m, supp, mdegv);
  long long total = 0;
  int worst = 1;
  for (int i = 1; i <= n; ++i) {
    total += std::max(mdegv(i), 1);
    if (mdegv(i) > mdegv(worst)) worst = i;
  }
  if (total > kMaxPowers)
    gen_fail("the evaluator would need " + std::to_string(total) +
             " powers of the variables (variable " + std::to_string(worst) + " up to degree " +
             std::to_string(mdegv(worst)) + "), more than the " + std::to_string(kMaxPowers) +
             " it can be generated for");
}

}  // namespace

// ---------------------------------------------------------------------------
// System transforms
// ---------------------------------------------------------------------------

void grouping(int n, vec_ref<const int> nm, vec_ref<const int> shd, vec_ref<const int> stl,
              mat_ref<const int> supp, vec_ref<int> nb, mat_ref<int> bpower) {
  (void)nm;  // the bounds shd, stl carry the counts
  int b = 0;
  for (int i = 1; i <= n; ++i) {
    int p = supp(1, shd(i));
    int cnt = 1;
    int blocks = 1;
    for (int j = shd(i) + 1; j <= stl(i); ++j) {
      if (supp(1, j) == p) {
        ++cnt;
        continue;
      }
      ++b;
      bpower(1, b) = p;
      bpower(2, b) = cnt;
      p = supp(1, j);
      cnt = 1;
      ++blocks;
    }
    ++b;
    bpower(1, b) = p;
    bpower(2, b) = cnt;
    nb(i) = blocks;
  }
}

void bcdiff(int n, int m, vec_ref<const int> nm, vec_ref<const int> shd, vec_ref<const int> stl,
            mat_ref<const int> supp, vec_ref<int> zcfd, mat_ref<int> suppd) {
  (void)nm;
  (void)m;
  int q = 0;
  for (int v = 2; v <= n; ++v)
    for (int j = 1; j <= n; ++j)
      for (int k = shd(j); k <= stl(j); ++k) {
        ++q;
        if (supp(v, k) != 0) {
          zcfd(q) = 1;
          for (int r = 1; r <= n - 1; ++r) suppd(r, q) = supp(r + 1, k);
          suppd(v - 1, q) -= 1;
        } else {
          zcfd(q) = 0;
          for (int r = 1; r <= n - 1; ++r) suppd(r, q) = 0;
        }
      }
}

// settingpj scans columns i = 1..N-1 and, inside, row pairs (j, k), j < k;
// where both entries of column i are non-zero, every later column holding the
// same two values in rows j and k is rewritten to (0, T) together with column
// i, T a new temporary.  Instead of comparing column i with every later
// column, each row pair keeps an index from its value pair (a, b) to the
// columns holding it.  The index is exact because of three facts of the
// rewriting:
//   - a cell only ever changes to 0 or to a temporary that did not exist
//     before, so a value a cell has left never comes back, and an entry of
//     the index is valid exactly when the column still holds (a, b);
//   - the columns that come to hold a value pair with a new temporary T all
//     get it in the one rewrite that creates T, so the column list of a value
//     pair is complete before its first look-up;
//   - after the first look-up of (a, b) no later column holds (a, b): they
//     were all rewritten, or there were none.  Each list is looked up once
//     and dropped.
// The result (tab and the temporaries, in their order) is that of the plain
// scan; only columns that share a value pair are ever compared.
void settingpj(int n, int m, mat_ref<int> tab, mat<int>& newvar) {
  const int nr = n - 1;
  const int ncol = n * m;
  int mdeg = INT_MIN;
  for (int i = 1; i <= ncol; ++i)
    for (int j = 1; j <= nr; ++j) mdeg = std::max(mdeg, tab(j, i));

  std::vector<int> nv;  // the columns of newvar, n + 2 entries each
  if (nr < 2) {
    newvar.assign(n + 2, 0);
    return;
  }
  // Row pair (j, k), j < k, has number pid(j, k) in 0..npair-1.
  mat<int> pid(nr, nr, -1);
  int npair = 0;
  for (int j = 1; j <= nr - 1; ++j)
    for (int k = j + 1; k <= nr; ++k) pid(j, k) = npair++;

  using key_t = std::uint64_t;
  auto key = [](int a, int b) {
    return (static_cast<key_t>(static_cast<std::uint32_t>(a)) << 32) |
           static_cast<std::uint32_t>(b);
  };
  std::vector<std::unordered_map<key_t, std::vector<int>>> index(static_cast<std::size_t>(npair));
  auto enter_pair = [&](int s, int j, int k) {
    if (tab(j, s) != 0 && tab(k, s) != 0)
      index[static_cast<std::size_t>(pid(j, k))][key(tab(j, s), tab(k, s))].push_back(s);
  };
  for (int s = 1; s <= ncol; ++s)
    for (int j = 1; j <= nr - 1; ++j)
      for (int k = j + 1; k <= nr; ++k) enter_pair(s, j, k);
  // Column s has a new value in row r: enter it under the pairs with row r.
  auto enter = [&](int s, int r) {
    for (int o = 1; o <= nr; ++o)
      if (o != r) enter_pair(s, std::min(o, r), std::max(o, r));
  };

  long long nvar = static_cast<long long>(mdeg) + 1;
  for (int i = 1; i <= ncol - 1; ++i)
    for (int j = 1; j <= nr - 1; ++j)
      for (int k = j + 1; k <= nr; ++k) {
        const int a = tab(j, i), b = tab(k, i);
        if (a == 0 || b == 0) continue;
        auto& pairs = index[static_cast<std::size_t>(pid(j, k))];
        auto it = pairs.find(key(a, b));
        if (it == pairs.end()) continue;
        std::vector<int> cols = std::move(it->second);
        pairs.erase(it);
        int cnt = 0;
        for (int s : cols) {
          if (s <= i || tab(j, s) != a || tab(k, s) != b) continue;
          if (nvar > INT_MAX) gen_fail("too many temporaries for 32-bit numbering");
          tab(j, s) = 0;
          tab(k, s) = static_cast<int>(nvar);
          enter(s, k);
          ++cnt;
        }
        if (cnt == 0) continue;
        const std::size_t c0 = nv.size();
        nv.resize(c0 + static_cast<std::size_t>(n) + 2, 0);
        nv[c0 + static_cast<std::size_t>(j - 1)] = a;
        nv[c0 + static_cast<std::size_t>(k - 1)] = b;
        nv[c0 + static_cast<std::size_t>(n - 1)] = static_cast<int>(nvar);
        nv[c0 + static_cast<std::size_t>(n)] = j + 1;
        nv[c0 + static_cast<std::size_t>(n + 1)] = k + 1;
        tab(j, i) = 0;
        tab(k, i) = static_cast<int>(nvar);
        enter(i, k);
        ++nvar;
      }
  const int count = static_cast<int>(nv.size() / (static_cast<std::size_t>(n) + 2));
  newvar.assign(n + 2, count);
  std::copy(nv.begin(), nv.end(), newvar.data());
}

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

namespace {

// Characters of a statement on one line: columns 7..71, so that with the
// continuation mark in column 72 no line exceeds the 72 columns of the
// classic source form.
constexpr std::size_t kStmtWidth = 65;

// A fixed line: six blanks and the text.
void fixed_line(std::ostream& f, const char* text) { f << "      " << text << '\n'; }

// A direct line, written as a free-format record: one blank, then the text.
void direct_line(std::ostream& f, const std::string& text) { f << ' ' << text << '\n'; }

std::size_t trimmed_length(const std::string& s) {
  const std::size_t p = s.find_last_not_of(' ');
  return p == std::string::npos ? 0 : p + 1;
}

}  // namespace

void printftm(const std::string& stmt, std::ostream& funit) {
  const std::size_t len = trimmed_length(stmt);
  if (len <= kStmtWidth) {
    funit << "      " << stmt.substr(0, len) << '\n';
    return;
  }
  funit << "      " << stmt.substr(0, kStmtWidth) << "&\n";
  for (std::size_t c = 2;; ++c) {
    const std::size_t lo = kStmtWidth * (c - 1);
    if (lo >= len) break;
    std::string chunk = stmt.substr(lo, kStmtWidth);
    chunk.resize(trimmed_length(chunk));
    if (chunk.empty()) break;
    funit << "     &" << chunk;
    if (kStmtWidth * c < len) funit << '&';
    funit << '\n';
  }
}

std::string i2c(int num) {
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>('0' + num % 10));
    num /= 10;
  } while (num != 0);
  return s;
}

std::string trans(int n, vec_ref<const int> v, int mdeg, int gr) {
  std::string t;
  for (int k = 1; k <= n; ++k) {
    if (v(k) > mdeg) {
      t += "*T";
      t += i2c(v(k));
    } else if (v(k) > 0) {
      t += "*Z";
      t += i2c(gr + k);
      t += 'p';
      t += i2c(v(k));
    }
  }
  return t;
}

namespace {

// The block sums s{b} = c(k) x^supp2(:,k) + ... ("S", "cf") or ("U", "cft").
void block_sums(const char* s, const char* c, int n, vec_ref<const int> snb,
                vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> supp2,
                std::ostream& funit, int mdeg, std::string& bucket) {
  const int nbt = snb(n);
  for (int b = 1; b <= nbt; ++b) {
    const int last = sterm(b), first = last - bpower(2, b) + 1;
    bucket.clear();
    bucket += s;
    bucket += i2c(b);
    bucket += '=';
    for (int k = first; k <= last; ++k) {
      if (k > first) bucket += '+';
      bucket += c;
      bucket += '(';
      bucket += i2c(k);
      bucket += ')';
      bucket += trans(n - 1, supp2.col(k), mdeg, 1);
    }
    printftm(bucket, funit);
  }
}

// lhs(i)=s{b}*Z1p{e}+... over the blocks of each equation.
void block_totals(const char* lhs, const char* s, int n, vec_ref<const int> nb,
                  vec_ref<const int> snb, mat_ref<const int> bpower, std::ostream& funit,
                  std::string& bucket) {
  for (int i = 1; i <= n; ++i) {
    const int fb = snb(i) - nb(i) + 1;
    bucket.clear();
    bucket += lhs;
    bucket += '(';
    bucket += i2c(i);
    bucket += ")=";
    for (int b = fb; b <= snb(i); ++b) {
      if (b > fb) bucket += '+';
      bucket += s;
      bucket += i2c(b);
      if (bpower(1, b) != 0) {
        bucket += "*Z1p";
        bucket += i2c(bpower(1, b));
      }
    }
    printftm(bucket, funit);
  }
}

// True when some term of block b has a derivative in variable v.
bool block_has_derivative(int b, int v, int m, vec_ref<const int> sterm, mat_ref<const int> bpower,
                          vec_ref<const int> zcfd) {
  const int last = sterm(b), first = last - bpower(2, b) + 1;
  const int off = (v - 2) * m;
  for (int k = first; k <= last; ++k)
    if (zcfd(off + k) == 1) return true;
  return false;
}

}  // namespace

void s2filehhx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
               vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> supp2,
               std::ostream& funit, int mdeg, std::string& bucket) {
  (void)m;
  (void)nb;
  block_sums("S", "cf", n, snb, sterm, bpower, supp2, funit, mdeg, bucket);
}

void u2filehhx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
               vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> supp2,
               std::ostream& funit, int mdeg, std::string& bucket) {
  (void)m;
  (void)nb;
  block_sums("U", "cft", n, snb, sterm, bpower, supp2, funit, mdeg, bucket);
}

void p2fileppx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
               mat_ref<const int> bpower, std::ostream& funit, std::string& bucket) {
  (void)m;
  block_totals("P", "S", n, nb, snb, bpower, funit, bucket);
  for (int i = 1; i <= n; ++i) {
    const int fb = snb(i) - nb(i) + 1;
    bucket.clear();
    bucket += "dP(";
    bucket += i2c(i);
    bucket += ",1)=";
    for (int b = fb; b <= snb(i); ++b) {
      const int e = bpower(1, b);
      if (e == 0) {
        if (b == fb) bucket += '0';
        continue;
      }
      if (b > fb) bucket += '+';
      bucket += 'S';
      bucket += i2c(b);
      if (e >= 2) {
        bucket += '*';
        bucket += i2c(e);
        bucket += "*Z1p";
        bucket += i2c(e - 1);
      }
    }
    printftm(bucket, funit);
  }
}

void dt2fileppx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
                mat_ref<const int> bpower, std::ostream& funit, std::string& bucket) {
  (void)m;
  block_totals("dt", "U", n, nb, snb, bpower, funit, bucket);
}

void ds2filehhx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
                vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> suppd,
                std::ostream& funit, int mdeg, vec_ref<const int> zcfd, std::string& bucket) {
  (void)nb;
  const int nbt = snb(n);
  for (int v = 2; v <= n; ++v) {
    const int off = (v - 2) * m;
    for (int b = 1; b <= nbt; ++b) {
      const int last = sterm(b), first = last - bpower(2, b) + 1;
      bucket.clear();
      for (int k = first; k <= last; ++k) {
        const int q = off + k;
        if (zcfd(q) != 1) continue;
        if (bucket.empty()) {
          bucket += 'S';
          bucket += i2c(b);
          bucket += 'd';
          bucket += i2c(v);
          bucket += '=';
        } else {
          bucket += '+';
        }
        bucket += "cfd(";
        bucket += i2c(q);
        bucket += ')';
        bucket += trans(n - 1, suppd.col(q), mdeg, 1);
      }
      if (!bucket.empty()) printftm(bucket, funit);
    }
  }
}

void dp2fileppx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
                vec_ref<const int> sterm, mat_ref<const int> bpower, std::ostream& funit,
                vec_ref<const int> zcfd, std::string& bucket) {
  for (int v = 2; v <= n; ++v)
    for (int j = 1; j <= n; ++j) {
      const int fb = snb(j) - nb(j) + 1;
      bucket.clear();
      bucket += "dp(";
      bucket += i2c(j);
      bucket += ',';
      bucket += i2c(v);
      bucket += ")=";
      bool any = false;
      for (int b = fb; b <= snb(j); ++b) {
        if (!block_has_derivative(b, v, m, sterm, bpower, zcfd)) continue;
        if (any) bucket += '+';
        any = true;
        bucket += 'S';
        bucket += i2c(b);
        bucket += 'd';
        bucket += i2c(v);
        if (bpower(1, b) != 0) {
          bucket += "*Z1p";
          bucket += i2c(bpower(1, b));
        }
      }
      if (!any) bucket += '0';
      printftm(bucket, funit);
    }
}

namespace {

// EvaHHx (with_t false) or subexpo (with_t true).
void gen_eval(bool with_t, int n, int m, mat_ref<const int> supp, mat_ref<const int> supp2,
              mat_ref<const int> suppd, vec_ref<const int> nb, mat_ref<const int> bpower,
              mat_ref<const int> newvar, vec_ref<const int> zcfd, std::string& bucket,
              std::ostream& funit) {
  // Derived block bounds.
  vec<int> snb(n);
  int nbt = 0;
  for (int i = 1; i <= n; ++i) snb(i) = (nbt += nb(i));
  vec<int> sterm(nbt);
  int t = 0;
  for (int b = 1; b <= nbt; ++b) sterm(b) = (t += bpower(2, b));
  vec<int> mdegv(n);
  highest_powers(n, m, supp, mdegv);
  // With no temporary no entry is taken for one.
  const int count = newvar.cols();
  const int mdeg = count > 0 ? newvar(n, 1) - 1 : INT_MAX;

  if (with_t) {
    fixed_line(funit, "SUBROUTINE subexpo(n,cf,z,p,cfd,cft,dp,dt)");
    fixed_line(funit, "IMPLICIT none");
    fixed_line(funit, "INTEGER n");
    fixed_line(funit, "COMPLEX*16 cf(*),z(n),p(n),cfd(*),cft(*),dp(n,*),dt(n)");
  } else {
    fixed_line(funit, "SUBROUTINE EvaHHx(n,cf,z,p,cfd,dp)");
    fixed_line(funit, "IMPLICIT none");
    fixed_line(funit, "INTEGER n");
    fixed_line(funit, "COMPLEX*16 cf(*),z(*),p(*),cfd(*),dp(n,*)");
  }

  // Powers.  Every variable is assigned Z{i}p1, so every variable declares
  // it, also one that occurs in no term.
  // The powers run in 64 bits, so that a highest power of 2^31 - 1 ends
  // its loop.
  bucket = "COMPLEX*16 Z1p1";
  for (int i = 1; i <= n; ++i)
    for (long long e = (i == 1 ? 2 : 1); e <= std::max(mdegv(i), 1); ++e) {
      bucket += ",Z";
      bucket += i2c(i);
      bucket += 'p';
      bucket += i2c(static_cast<int>(e));
    }
  printftm(bucket, funit);

  if (count > 0) {
    bucket = "COMPLEX*16 T";
    bucket += i2c(newvar(n, 1));
    for (int c = 2; c <= count; ++c) {
      bucket += ",T";
      bucket += i2c(newvar(n, c));
    }
    printftm(bucket, funit);
  }

  for (const char* s : {"S", "U"}) {
    if (*s == 'U' && !with_t) break;
    bucket = "COMPLEX*16 ";
    bucket += s;
    bucket += '1';
    for (int b = 2; b <= nbt; ++b) {
      bucket += ',';
      bucket += s;
      bucket += i2c(b);
    }
    printftm(bucket, funit);
  }

  bucket.clear();
  for (int v = 2; v <= n; ++v)
    for (int b = 1; b <= nbt; ++b) {
      if (!block_has_derivative(b, v, m, sterm, bpower, zcfd)) continue;
      bucket += bucket.empty() ? "COMPLEX*16 S" : ",S";
      bucket += i2c(b);
      bucket += 'd';
      bucket += i2c(v);
    }
  printftm(bucket, funit);

  for (int i = 1; i <= n; ++i) {
    const std::string zi = i2c(i);
    direct_line(funit, "     Z" + zi + "p1=z(" + zi + ")");
    for (long long e = 2; e <= mdegv(i); ++e)
      direct_line(funit, "     Z" + zi + "p" + i2c(static_cast<int>(e)) + "=z" + zi + "p" +
                             i2c(static_cast<int>(e - 1)) + "*z" + zi + "p1");
  }

  for (int c = 1; c <= count; ++c) {
    bucket = "T";
    bucket += i2c(mdeg + c);
    bucket += '=';
    for (int f = 1; f <= 2; ++f) {
      if (f == 2) bucket += '*';
      const int u = newvar(n + f, c);
      const int x = newvar(u - 1, c);
      if (x > mdeg) {
        bucket += 'T';
        bucket += i2c(x);
      } else {
        bucket += 'Z';
        bucket += i2c(u);
        bucket += 'p';
        bucket += i2c(x);
      }
    }
    printftm(bucket, funit);
  }

  s2filehhx(n, m, nb, snb, sterm, bpower, supp2, funit, mdeg, bucket);
  p2fileppx(n, m, nb, snb, bpower, funit, bucket);
  if (with_t) {
    u2filehhx(n, m, nb, snb, sterm, bpower, supp2, funit, mdeg, bucket);
    dt2fileppx(n, m, nb, snb, bpower, funit, bucket);
  }
  ds2filehhx(n, m, nb, snb, sterm, bpower, suppd, funit, mdeg, zcfd, bucket);
  dp2fileppx(n, m, nb, snb, sterm, bpower, funit, zcfd, bucket);

  fixed_line(funit, "RETURN");
  fixed_line(funit, "END SUBROUTINE");
  funit << '\n';
}

}  // namespace

void genfilehhx(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                mat_ref<const int> supp2, mat_ref<const int> suppd, vec_ref<const int> nb,
                mat_ref<const int> bpower, mat_ref<const int> newvar, vec_ref<const int> zcfd,
                std::string& bucket, std::ostream& funit) {
  (void)nm;
  gen_eval(false, n, m, supp, supp2, suppd, nb, bpower, newvar, zcfd, bucket, funit);
}

void genfilehhxht(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                  mat_ref<const int> supp2, mat_ref<const int> suppd, vec_ref<const int> nb,
                  mat_ref<const int> bpower, mat_ref<const int> newvar, vec_ref<const int> zcfd,
                  std::string& bucket, std::ostream& funit) {
  (void)nm;
  gen_eval(true, n, m, supp, supp2, suppd, nb, bpower, newvar, zcfd, bucket, funit);
}

void gencfhhthx(int m, int n, mat_ref<const int> supp, vec_ref<const int> shd,
                vec_ref<const int> stl, vec_ref<const int> nm, std::string& bucket,
                std::ostream& funit) {
  (void)m;
  (void)nm;
  fixed_line(funit, "SUBROUTINE coefHHtHx(cf,cft,cfd,m,B,G,D,s)");
  fixed_line(funit, "IMPLICIT none");
  fixed_line(funit, "Integer m");
  fixed_line(funit, "real*8 s,D(m),es,eDs(m)");
  fixed_line(funit, "COMPLEX*16 cf(m),cft(m),cfd(*),B(m),G(m),Ges(m)");
  fixed_line(funit, "es = exp(s); Ges = G*es; eDs = exp(D*s)");
  funit << "       cf=(B+Ges)*eDs\n";
  funit << "       cft=D*cf+Ges*eDs\n";
  int q = 0;
  for (int v = 2; v <= n; ++v)
    for (int j = 1; j <= n; ++j)
      for (int k = shd(j); k <= stl(j); ++k) {
        ++q;
        const int e = supp(v, k);
        if (e == 0) continue;
        bucket = "      cfd(";
        bucket += i2c(q);
        bucket += ")=";
        if (e >= 2) {
          bucket += i2c(e);
          bucket += '*';
        }
        bucket += "cf(";
        bucket += i2c(k);
        bucket += ')';
        direct_line(funit, bucket);
      }
  fixed_line(funit, "RETURN");
  fixed_line(funit, "END SUBROUTINE");
}

// ---------------------------------------------------------------------------
// Driver
// ---------------------------------------------------------------------------

void genpdp(ffreader& in, const std::string& path) {
  suppsys rd;
  read_suppsys(in, false, rd);
  // Allocated and checked in full before the file is touched: a system that
  // cannot be generated leaves an earlier MEva.f90 as it was.  The normal
  // order is the solvers' own, so the generated coefficient numbering is
  // theirs.
  normal_supports ns;
  normal_order(rd, ns);
  const int n = ns.n, m = ns.m;
  const vec<int>& nm = ns.nm;
  const mat<int>& supp = ns.supp;
  const vec<int>& shd = ns.shd;
  const vec<int>& stl = ns.stl;
  check_powers(n, m, supp);

  vec<int> nb(n);
  mat<int> bpower(2, m);
  grouping(n, nm, shd, stl, supp, nb, bpower);

  const int nd = (n - 1) * m;
  vec<int> zcfd(n * m);
  mat<int> suppd(n - 1, nd);
  bcdiff(n, m, nm, shd, stl, supp, zcfd, suppd);

  mat<int> tab(n - 1, n * m);
  for (int k = 1; k <= m; ++k)
    for (int r = 1; r <= n - 1; ++r) tab(r, k) = supp(r + 1, k);
  for (int q = 1; q <= nd; ++q)
    for (int r = 1; r <= n - 1; ++r) tab(r, m + q) = suppd(r, q);
  mat<int> newvar;
  settingpj(n, m, tab, newvar);
  mat<int> supp2(n - 1, m);
  for (int k = 1; k <= m; ++k)
    for (int r = 1; r <= n - 1; ++r) supp2(r, k) = tab(r, k);
  for (int q = 1; q <= nd; ++q)
    for (int r = 1; r <= n - 1; ++r) suppd(r, q) = tab(r, m + q);

  // The text goes to a temporary that replaces the file only once complete,
  // so that a run that fails while writing (a full disk, exhausted memory)
  // leaves an earlier file as it was too.
  write_output(path, [&](std::ostream& funit) {
    std::string bucket;
    genfilehhx(n, m, nm, supp, supp2, suppd, nb, bpower, newvar, zcfd, bucket, funit);
    genfilehhxht(n, m, nm, supp, supp2, suppd, nb, bpower, newvar, zcfd, bucket, funit);
    gencfhhthx(m, n, supp, shd, stl, nm, bucket, funit);
  });
}

}  // namespace hc
