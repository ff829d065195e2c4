#include "ffwrite.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace hc {

namespace {

// Field of the free-format values: a 32-bit integer in 12 characters (sign
// and ten digits with one blank to spare).
constexpr int kFfIntWidth = 12;
// A double in general format: 24 characters, 15 significant digits, three
// exponent digits (enough for every double exponent).
constexpr int kFfDoubleWidth = 24;
constexpr int kFfDoubleDigits = 15;
constexpr int kFfDoubleExpdigits = 3;
// A single-precision real: 15 characters, 7 digits, two exponent digits.
constexpr int kFfSingleWidth = 15;
constexpr int kFfSingleDigits = 7;
constexpr int kFfSingleExpdigits = 2;
// The largest exponent that a scientific field writes with the letter E and
// two digits; larger ones take three digits in place of the letter.
constexpr int kEsTwoDigitMax = 99;

std::string stars(int w) { return std::string(static_cast<std::size_t>(w < 0 ? 0 : w), '*'); }

std::string right(const std::string& s, int w) {
  if (static_cast<int>(s.size()) >= w) return s;
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

// printf of one double with one precision; the decimal point is kept when
// the precision is 0, as Fortran fields always show it.
std::string print(char conv, int prec, double x) {
  const char* f = conv == 'f' ? (prec == 0 ? "%#.*f" : "%.*f") : (prec == 0 ? "%#.*e" : "%.*e");
  char buf[512];
  int len = std::snprintf(buf, sizeof buf, f, prec, x);
  if (len < static_cast<int>(sizeof buf)) return std::string(buf, static_cast<std::size_t>(len));
  std::string s(static_cast<std::size_t>(len) + 1, '\0');
  std::snprintf(s.data(), s.size(), f, prec, x);
  s.resize(static_cast<std::size_t>(len));
  return s;
}

// NaN and the infinities in a field of w characters: "NaN"; "Infinity" or
// "-Infinity" when the field is wide enough, else "Inf" or "-Inf"; asterisks
// when not even that fits.
std::string nonfinite(double x, int w) {
  std::string s;
  if (std::isnan(x)) {
    s = "NaN";
  } else {
    const char* sign = x < 0 ? "-" : "";
    s = std::string(sign) + "Infinity";
    if (static_cast<int>(s.size()) > w) s = std::string(sign) + "Inf";
  }
  if (static_cast<int>(s.size()) > w) return stars(w);
  return right(s, w);
}

// Drops the optional zero of "0.ddd" or "-0.ddd" when the text is too wide.
void drop_lead_zero(std::string& s, int w) {
  if (static_cast<int>(s.size()) <= w) return;
  std::size_t z = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (s.size() > z + 1 && s[z] == '0' && s[z + 1] == '.') s.erase(z, 1);
}

// Splits printf's "%.*e" text into the mantissa and the decimal exponent.
void split_e(const std::string& s, std::string& mant, int& ex) {
  std::size_t p = s.find('e');
  mant = s.substr(0, p);
  ex = std::atoi(s.c_str() + p + 1);
}

std::string exp_digits(int ex, int digits) {
  std::string d = std::to_string(ex < 0 ? -ex : ex);
  if (static_cast<int>(d.size()) < digits)
    d.insert(0, static_cast<std::size_t>(digits) - d.size(), '0');
  return d;
}

}  // namespace

std::string fmt_i(long long v, int w) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) > w) return stars(w);
  return right(s, w);
}

std::string fmt_f(double x, int w, int d) {
  if (!std::isfinite(x)) return nonfinite(x, w);
  std::string s = print('f', d, x);
  drop_lead_zero(s, w);
  if (static_cast<int>(s.size()) > w) return stars(w);
  return right(s, w);
}

std::string fmt_es(double x, int w, int d) {
  if (!std::isfinite(x)) return nonfinite(x, w);
  std::string mant;
  int ex = 0;
  split_e(print('e', d, x), mant, ex);
  const char* sign = ex < 0 ? "-" : "+";
  std::string s = mant;
  if (ex >= -kEsTwoDigitMax && ex <= kEsTwoDigitMax)
    s += std::string("E") + sign + exp_digits(ex, 2);
  else
    s += sign + exp_digits(ex, 3);
  if (static_cast<int>(s.size()) > w) return stars(w);
  return right(s, w);
}

std::string fmt_g(double x, int w, int d, int e) {
  if (!std::isfinite(x)) return nonfinite(x, w);
  if (d < 1) d = 1;
  const int n = e + 2;  // the blanks that stand for the exponent in F editing
  const std::string tail(static_cast<std::size_t>(n), ' ');
  if (x == 0) return fmt_f(x, w - n, d - 1) + tail;
  // The value rounded to d significant digits is 0.d1...dd x 10^k.
  std::string mant;
  int ex = 0;
  split_e(print('e', d - 1, x), mant, ex);
  const int k = ex + 1;
  if (k >= 0 && k <= d) return fmt_f(x, w - n, d - k) + tail;
  // E editing: [-]0.d1...dd, the letter E, the sign, e exponent digits.
  std::string s = std::signbit(x) ? "-0." : "0.";
  for (char c : mant)
    if (c >= '0' && c <= '9') s += c;
  std::string kd = exp_digits(k, e);
  if (static_cast<int>(kd.size()) > e) return stars(w);
  s += std::string("E") + (k < 0 ? "-" : "+") + kd;
  drop_lead_zero(s, w);
  if (static_cast<int>(s.size()) > w) return stars(w);
  return right(s, w);
}

std::string ff_value(int v) { return fmt_i(v, kFfIntWidth); }

std::string ff_value(double x) {
  return fmt_g(x, kFfDoubleWidth, kFfDoubleDigits, kFfDoubleExpdigits);
}

std::string ff_value(float x) {
  return fmt_g(static_cast<double>(x), kFfSingleWidth, kFfSingleDigits, kFfSingleExpdigits);
}

}  // namespace hc
