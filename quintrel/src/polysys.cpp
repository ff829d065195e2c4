#include "polysys.h"

#include <climits>
#include <cmath>

#include "parser_driver.h"

namespace hc {

namespace {

// a + b, refused when it leaves the 32-bit range.
int add_exponents(int a, int b) {
  int s;
  if (__builtin_add_overflow(a, b, &s)) throw poly_refusal(kMsgExpOverflow, true);
  return s;
}

// a * b, refused when it leaves the 32-bit range.
int mul_exponents(int a, int b) {
  int p;
  if (__builtin_mul_overflow(a, b, &p)) throw poly_refusal(kMsgExpOverflow, true);
  return p;
}

// The textbook product, as the model defines it (no NaN recovery).
Coef coef_mul(Coef a, Coef b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

bool is_zero(Coef c) { return c.real() == 0.0 && c.imag() == 0.0; }

bool finite(Coef c) { return std::isfinite(c.real()) && std::isfinite(c.imag()); }

// The single constant term of p, or nullptr when p is not one.
const Term* single_constant(const Poly& p) {
  if (p.size() != 1 || !p.front().is_const()) return nullptr;
  return &p.front();
}

}  // namespace

std::string power_too_long_message() {
  return "the expansion of this power would form more than " + std::to_string(kMaxPowerProducts) +
         " products of terms";
}

// ---- Term ----

Term::Term(const Term& a, const Term& b) : coef(coef_mul(a.coef, b.coef)) {
  const Term& lo = a.size() < b.size() ? a : b;
  const Term& hi = a.size() < b.size() ? b : a;
  assign(hi.begin(), hi.end());
  for (std::size_t k = 0; k < lo.size(); ++k) (*this)[k] = add_exponents(lo[k], hi[k]);
}

int& Term::operator()(std::size_t i) {
  if (i >= size()) resize(i + 1, 0);
  return (*this)[i];
}

Term& Term::operator/=(Coef c) {
  coef /= c;
  return *this;
}

Term& Term::operator^=(int n) {
  if (n < 0 && is_zero(coef)) throw poly_refusal(kMsgZeroNegPow, true);
  for (int& e : *this) e = mul_exponents(e, n);
  // Repeated squaring over |n| (as unsigned, so INT_MIN has a magnitude).
  unsigned k = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
  Coef r{1.0, 0.0};
  Coef b = coef;
  while (k != 0) {
    if (k & 1u) r = coef_mul(r, b);
    k >>= 1;
    if (k != 0) b = coef_mul(b, b);
  }
  coef = n < 0 ? Coef{1.0, 0.0} / r : r;
  return *this;
}

bool Term::is_const() const {
  for (int e : *this)
    if (e != 0) return false;
  return true;
}

bool operator<(const Term& a, const Term& b) {
  // b < a lexicographically, a proper prefix being the smaller.
  return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end());
}

Term operator*(const Term& a, const Term& b) { return Term(a, b); }

std::ostream& operator<<(std::ostream& os, const Term& t) {
  os << '(' << t.coef.real() << ',' << t.coef.imag() << ")[";
  for (int e : t) os << e;
  return os << ']';
}

// ---- Poly ----

Poly::Poly(Poly&& o) noexcept : std::list<Term>(std::move(o)), index_(std::move(o.index_)) {
  o.clear_all();
}

Poly& Poly::operator=(const Poly& o) {
  if (this != &o) {
    std::list<Term>::operator=(o);
    index_.clear();
  }
  return *this;
}

Poly& Poly::operator=(Poly&& o) noexcept {
  if (this != &o) {
    std::list<Term>::operator=(std::move(o));
    index_ = std::move(o.index_);
    o.clear_all();
  }
  return *this;
}

void Poly::swap(Poly& o) noexcept {
  std::list<Term>::swap(o);
  index_.swap(o.index_);
}

void Poly::clear_all() {
  clear();
  index_.clear();
}

void Poly::ensure_index() {
  if (index_.size() == size()) return;
  index_.clear();
  for (iterator t = begin(); t != end(); ++t) index_.insert(index_.end(), t);
}

void Poly::add(const Term& term, bool negate) {
  ensure_index();
  // The first term t with not (t < term): the place of term in the list.
  auto pos = index_.lower_bound(term);
  if (pos == index_.end() || term < **pos) {
    iterator t = insert(pos == index_.end() ? end() : *pos, term);
    if (negate) t->coef = -t->coef;
    index_.insert(pos, t);
  } else {
    iterator t = *pos;
    if (negate)
      t->coef -= term.coef;
    else
      t->coef += term.coef;
    if (is_zero(t->coef)) {
      index_.erase(pos);
      erase(t);
    }
  }
}

Poly& Poly::operator+=(const Term& term) {
  add(term, false);
  return *this;
}

Poly& Poly::operator-=(const Term& term) {
  add(term, true);
  return *this;
}

Poly& Poly::operator+=(const Poly& p) {
  if (&p == this) {
    const Poly copy = p;
    return *this += copy;
  }
  for (const Term& t : p) *this += t;
  return *this;
}

Poly& Poly::operator-=(const Poly& p) {
  if (&p == this) {
    const Poly copy = p;
    return *this -= copy;
  }
  for (const Term& t : p) *this -= t;
  return *this;
}

Poly& Poly::operator*=(const Poly& p) {
  Poly r;
  for (const Term& a : *this)
    for (const Term& b : p) r += a * b;
  swap(r);
  return *this;
}

Poly& Poly::operator/=(const Poly& p) {
  const Term* d = single_constant(p);
  if (d == nullptr) throw poly_refusal(kMsgDivNonconst);
  if (is_zero(d->coef)) throw poly_refusal(kMsgDivZero, true);
  const Coef c = d->coef;  // p may be *this
  for (Term& t : *this) t /= c;
  return *this;
}

Poly& Poly::operator^=(int n) {
  if (n == 0) {
    clear_all();
    push_back(Term(Coef{1.0, 0.0}));
  } else if (n < 0) {
    if (single_constant(*this) == nullptr) throw poly_refusal(kMsgNegPowNonconst, true);
    front() ^= n;
  } else if (n > 1) {
    if (size() == 1) {
      front() ^= n;
    } else {
      // Repeated multiplication, in the order the products have always been
      // formed: squaring would round differently and could give other signs
      // of zero parts.
      //
      // The top term in variable v of a power r^k is the k-th power of the
      // base's term of largest exponent in v (lexicographically first among
      // them): one product, so it is always there.  The products therefore
      // pass 32 bits exactly when n times the base's largest exponent of some
      // variable does, and that is refused before any product is formed.
      //
      // A coefficient that is not finite never becomes finite again in a
      // polynomial of two or more terms (a sum or product with an infinity or
      // a NaN is one, and never exactly zero, so the term stays), and no
      // later operation can take such a polynomial back to one constant.  So
      // once one arises the power is not finite either, whatever its further
      // products: it is left at that (the system is refused when such a
      // coefficient reaches it; ^0 or a product with an empty polynomial
      // gives the same result as the whole power would).  This stops
      // (x+1)^100000 after about a thousand products.
      const Poly base = *this;
      for (const Term& t : base)
        for (int e : t)
          if (static_cast<long long>(e) * n > INT_MAX) throw poly_refusal(kMsgExpOverflow, true);
      Poly r = base;
      auto all_finite = [](const Poly& p) {
        for (const Term& t : p)
          if (!finite(t.coef)) return false;
        return true;
      };
      // The products of the expansion: t for each term of every power
      // multiplied, at least 2 t for each of the n-1 steps (kMaxPowerProducts).
      const long long t = static_cast<long long>(base.size());
      if (2 * t * (n - 1LL) > kMaxPowerProducts)
        throw poly_refusal(power_too_long_message(), true, status::size);
      long long products = 0;
      // Once the product is empty it stays empty: stop multiplying.
      for (int k = 1; k < n && !r.empty() && all_finite(r); ++k) {
        products += static_cast<long long>(r.size()) * t;
        if (products > kMaxPowerProducts)
          throw poly_refusal(power_too_long_message(), true, status::size);
        r *= base;
      }
      swap(r);
    }
  }
  return *this;
}

Poly& Poly::operator^=(Coef c) {
  if (single_constant(*this) == nullptr) throw poly_refusal(kMsgPowNonconst);
  Coef& z = front().coef;
  if (is_zero(z)) {
    // cpow would give NaN or infinities here (log 0); only the defined
    // powers of zero are kept.
    if (is_zero(c)) {
      z = Coef{1.0, 0.0};
    } else if (c.real() > 0.0) {
      z = Coef{0.0, 0.0};
    } else if (c.real() < 0.0) {
      throw poly_refusal(kMsgZeroNegPow, true);
    } else {
      throw poly_refusal(kMsgZeroImagPow, true);
    }
  } else {
    // A zero part of the base that carries a minus sign (from a negation,
    // -1 is (-1,-0)) would put the base on the far side of the branch cut:
    // (-1)^(0.5) would be -i.  The principal power is taken of the number
    // itself, so such zeros count as +0.
    const Coef base{z.real() == 0.0 ? 0.0 : z.real(), z.imag() == 0.0 ? 0.0 : z.imag()};
    z = std::pow(base, c);
  }
  return *this;
}

Poly& Poly::operator^=(const Poly& p) {
  const Term* e = single_constant(p);
  if (e == nullptr) throw poly_refusal(kMsgExpNonconst);
  return *this ^= Coef(e->coef);
}

void Poly::negate() {
  for (Term& t : *this) t.coef = Coef{-t.coef.real(), -t.coef.imag()};
}

std::ostream& operator<<(std::ostream& os, const Poly& p) {
  os << '{';
  const char* sep = "";
  for (const Term& t : p) {
    os << sep << t;
    sep = " + ";
  }
  return os << '}';
}

// ---- polysys_t ----

polysys_t::polysys_t() : _driver(std::make_unique<polysys_driver>(*this)) {}

polysys_t::polysys_t(const polysys_t& o)
    : std::vector<Poly>(o), vars(o.vars), _driver(std::make_unique<polysys_driver>(*this)) {}

polysys_t& polysys_t::operator=(const polysys_t& o) {
  std::vector<Poly>::operator=(o);
  vars = o.vars;
  return *this;
}

polysys_t::~polysys_t() = default;

int polysys_t::var_to_id(const std::string& name) {
  if (_ids.size() != vars.size()) {
    _ids.clear();
    for (std::size_t k = 0; k < vars.size(); ++k) _ids.emplace(vars[k], static_cast<int>(k));
  }
  const auto [it, fresh] = _ids.emplace(name, static_cast<int>(vars.size()));
  if (fresh) vars.push_back(name);
  return it->second;
}

bool polysys_t::parse() {
  const bool ok = _driver->parse();
  pad_exponents();
  return ok;
}

int polysys_t::failure_status() const { return _driver->failure_status(); }

void polysys_t::pad_exponents() {
  for (Poly& p : *this)
    for (Term& t : p) t.resize(vars.size(), 0);
}

}  // namespace hc
