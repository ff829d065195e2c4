// The converter's polynomial model: exact sparse polynomials with complex
// double coefficients, and the system of equations read from the input.
//
//   Term          one monomial c * x0^e0 * x1^e1 * ...: the exponents by
//                 variable id (a vector only as long as needed while parsing;
//                 a constant has an empty vector) and the coefficient c.
//   Poly          a list of terms in strictly increasing operator< order
//                 (decreasing lexicographic order of the exponents, variable 0
//                 most significant, the constant last), like terms merged.  A
//                 merge that sums to exactly (0,0) removes the term; a term
//                 inserted with a zero coefficient stays.  An ordered index of
//                 the terms finds the place of a term in O(log size); it
//                 follows every change made through Poly's own operations
//                 (and is rebuilt after a copy).
//   polysys_t     the equations in input order, the variable names by id, and
//                 the parse driver that fills them.
//
// Operations the model cannot do throw poly_refusal, whose what() is the
// message shown to the user.  The arithmetic gives infinities and NaNs as
// IEEE arithmetic does; a system that holds such a coefficient when the
// parse ends is refused (kMsgNotFinite), so every system that reaches a
// writer holds finite coefficients only.
#pragma once

#include <complex>
#include <cstddef>
#include <list>
#include <memory>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "fatal.h"

namespace hc {

using Real = double;
using Coef = std::complex<Real>;

// An arithmetic operation refused by the model; what() is the message text.
// A placed refusal is reported with the place in the input of the expression
// being built (the three refusals that are not yet supported operations are
// reported by their text alone).
// A refusal ends eqtrans with exit_status(): status::data (65), or
// status::size (3) for a power too long to expand.
class poly_refusal : public std::runtime_error {
 public:
  explicit poly_refusal(const std::string& msg, bool placed = false, int exit_status = status::data)
      : std::runtime_error(msg), placed_(placed), status_(exit_status) {}
  bool placed() const { return placed_; }
  int exit_status() const { return status_; }

 private:
  bool placed_;
  int status_;
};

// The most products of two terms (each a term formed before like terms
// merge) that the expansion of one power of a sum may form.  Repeated
// multiplication takes time in proportion to them, about 0.1 us each: the
// bound keeps one power within a few seconds.  (x+1)^5000 forms 2.5e7 and
// is expanded; (x+1)^8000 (6.4e7) and every larger power of a sum are
// refused, the latter at once: a power of a sum of t terms to the n forms at
// least 2 t (n-1) products, since every power keeps its first and its last
// term, each formed by one product only.
inline constexpr long long kMaxPowerProducts = 1LL << 25;

// The messages of the refusals.
inline constexpr const char* kMsgDivNonconst =
    "division by nonconstant expression is not yet supported";
inline constexpr const char* kMsgExpNonconst = "nonconstant exponent not yet supported";
inline constexpr const char* kMsgPowNonconst =
    "non-integer exponent on nonconstant express is not yet supported";
inline constexpr const char* kMsgNegPowNonconst =
    "negative exponent on nonconstant expression is not supported";
inline constexpr const char* kMsgDivZero = "division by zero";
inline constexpr const char* kMsgZeroNegPow = "zero raised to a negative power";
inline constexpr const char* kMsgZeroImagPow = "zero raised to an imaginary power";
inline constexpr const char* kMsgExpOverflow = "exponent does not fit in 32 bits";
inline constexpr const char* kMsgNotFinite = "coefficient is not finite";
// "the expansion of this power would form more than <kMaxPowerProducts>
// products of terms", status::size.
std::string power_too_long_message();

// An integer literal of the input: its value as a coefficient (the double
// nearest to it, exact up to 2^53) and, when it fits, as a 32-bit exponent.
struct int_literal {
  double value;
  int exponent;
  bool fits;
};

class Term : public std::vector<int> {
 public:
  Coef coef{1.0, 0.0};
  bool is_integer = false;  // carried with the term; nothing reads it

  Term() = default;
  explicit Term(Coef c) : coef(c) {}
  // The product a*b: exponents summed over the common length, then the rest
  // of the longer vector; coefficient (ar br - ai bi, ar bi + ai br).
  // Refuses an exponent sum beyond 32 bits.
  Term(const Term& a, const Term& b);
  Term(const Term&) = default;
  Term& operator=(const Term&) = default;

  // Exponent of variable i; the vector grows with zeros to length i+1 first.
  int& operator()(std::size_t i);
  // coef = coef / c.
  Term& operator/=(Coef c);
  // coef = coef^n (repeated squaring; n < 0 the reciprocal of coef^-n), every
  // exponent times n.  Refuses a product beyond 32 bits and 0 to a negative n.
  Term& operator^=(int n);
  // True when every exponent is 0 (an empty vector counts as constant).
  bool is_const() const;
};

// True when b's exponent vector is lexicographically less than a's (a proper
// prefix is the smaller), so sorting by < puts higher monomials first.
bool operator<(const Term& a, const Term& b);
// The product term a*b (see Term(a, b)).
Term operator*(const Term& a, const Term& b);
// "(re,im)[e0e1...]", the exponents back to back.
std::ostream& operator<<(std::ostream& os, const Term& t);

class Poly : public std::list<Term> {
 public:
  Poly() = default;
  // A copy gets an index of its own when it first needs one; a move takes
  // the index with the terms (list nodes do not move).
  Poly(const Poly& o) : std::list<Term>(o) {}
  Poly(Poly&& o) noexcept;
  Poly& operator=(const Poly& o);
  Poly& operator=(Poly&& o) noexcept;
  void swap(Poly& o) noexcept;

  // Insert term at the lower bound under <, or merge it into the term with the
  // same exponents (removing that term when the sum is exactly (0,0)).
  Poly& operator+=(const Term& term);
  // As +=, with the coefficient negated on insertion and subtracted on merge.
  Poly& operator-=(const Term& term);
  // The term operations applied to each term of p in list order.
  Poly& operator+=(const Poly& p);
  Poly& operator-=(const Poly& p);
  // Product: each term of this times each term of p (outer loop over this),
  // added with += to an empty result.
  Poly& operator*=(const Poly& p);
  // Division by a polynomial of exactly one constant term, not (0,0).
  Poly& operator/=(const Poly& p);
  // Integer power: n = 0 gives the constant 1, n = 1 nothing; n > 1 raises a
  // single term with Term::operator^=, else multiplies a copy n-1 times,
  // refused (status::size) when that would form more than
  // kMaxPowerProducts products of terms.  n < 0 only for a single constant
  // term.
  Poly& operator^=(int n);
  // Principal complex power of a single constant term, a zero part of the
  // base taken as +0 (0^c for Re c > 0 is 0, 0^0 is 1, other powers of 0 are
  // refused).
  Poly& operator^=(Coef c);
  // Power by a polynomial of exactly one constant term: the complex power.
  Poly& operator^=(const Poly& p);
  // Both parts of every coefficient negated.
  void negate();

 private:
  // Orders list positions by their terms; a term looks up its own place.
  struct by_term {
    using is_transparent = void;
    bool operator()(const_iterator a, const_iterator b) const { return *a < *b; }
    bool operator()(const_iterator a, const Term& b) const { return *a < b; }
    bool operator()(const Term& a, const_iterator b) const { return a < *b; }
  };
  // The index matches the list when it has as many entries.
  void ensure_index();
  // Insert term (negated when `negate`) or merge it into its like term.
  void add(const Term& term, bool negate);
  void clear_all();

  std::set<iterator, by_term> index_;
};

// "{t1 + t2 + ...}".
std::ostream& operator<<(std::ostream& os, const Poly& p);

class polysys_driver;

class polysys_t : public std::vector<Poly> {
 public:
  std::vector<std::string> vars;  // variable names by id, in order of first appearance

  polysys_t();
  // A copy has the equations and names and a driver of its own.
  polysys_t(const polysys_t& o);
  polysys_t& operator=(const polysys_t& o);
  virtual ~polysys_t();

  // Index of name in vars, appending it when new (found through a hash of
  // the names, rebuilt when vars was changed directly).
  int var_to_id(const std::string& name);
  // Read the whole of standard input into this system, then extend every
  // exponent vector with zeros to vars.size().  False after a syntax error, a
  // refused operation or when a coefficient is not finite (reported at the
  // place of its equation), which have been reported on standard error; the
  // system must not be written then, and failure_status() is the exit
  // status: status::size for a power too long to expand, else status::data.
  bool parse();
  int failure_status() const;

 private:
  void pad_exponents();
  std::unique_ptr<polysys_driver> _driver;
  std::unordered_map<std::string, int> _ids;
};

}  // namespace hc
