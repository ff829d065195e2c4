// Free-format output and laid-out fields.
//
// A free-format record begins with one blank, followed by its values; a text
// value is written unchanged, a 32-bit integer in 12 characters right-aligned,
// a double in general format (24 characters, 15 significant digits, three-digit
// exponent), a single-precision real in general format (15 characters, 7
// digits, two-digit exponent).  A record with no values is the blank alone.
//
// Laid-out fields (records that begin with their own first character):
//   fmt_i(v, w)      Iw: right-aligned in w characters, w asterisks when v does not fit
//   fmt_f(x, w, d)   Fw.d: fixed point, d decimals, right-aligned in w
//   fmt_es(x, w, d)  ESw.d: one non-zero digit before the point, d after, E, sign,
//                    two exponent digits; a three-digit exponent is written as its
//                    sign and three digits without the E; w asterisks when too wide
//   fmt_g(x, w, d, e) Gw.dEe (d >= 1), the general format of the free-format
//                    values: when x rounded to d significant digits is
//                    0.d1...dd x 10^k with 0 <= k <= d, fixed point with d-k
//                    decimals in w-e-2 characters followed by e+2 blanks (a
//                    zero: d-1 decimals); otherwise [-]0.d1...ddE+kk..k with e
//                    exponent digits, right-aligned in w, the zero before the
//                    point dropped only when the field is too narrow for it
//
// Every field writes the nearest decimal value (round half to even on the
// exact binary value, as printf does).  A leading "0." of a fixed-point field
// loses its zero when the field is one character too narrow; a value that does
// not fit shows w asterisks.  NaN is written "NaN"; an infinity "Infinity" or
// "-Infinity", or "Inf" or "-Inf" in a field too narrow for the long form,
// right-aligned in the whole field (asterisks when even that does not fit).
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace hc {

std::string fmt_i(long long v, int w);
std::string fmt_f(double x, int w, int d);
std::string fmt_es(double x, int w, int d);
std::string fmt_g(double x, int w, int d, int e);

// The values of a free-format record.
std::string ff_value(int v);     // 12 characters
std::string ff_value(double x);  // 24 characters, G24.15E3
std::string ff_value(float x);   // 15 characters, G15.7E2
inline std::string ff_value(std::string_view s) { return std::string(s); }
inline std::string ff_value(const char* s) { return std::string(s); }
inline std::string ff_value(const std::string& s) { return s; }

// ff_record(out, values...): one free-format record, the opening blank, the
// values in order, a line end.
template <class... Ts>
void ff_record(std::ostream& out, const Ts&... values) {
  std::string r = " ";
  ((r += ff_value(values)), ...);
  r += '\n';
  out << r;
}

}  // namespace hc
