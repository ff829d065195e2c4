#include "conv.h"

#include <argp.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "fatal.h"
#include "outfile.h"

// Version text printed by --version.
const char* argp_program_version = "0.9.9";

namespace hc {

namespace {

// Significant digits of a coefficient in input.num, FILE.coef (round trip of
// a double) and in the symbolic listing.
constexpr int kCoefDigits = 16;
constexpr int kSymDigits = 6;
// Decimal exponents below these are written in scientific form: 16-digit
// coefficients switch at 1e-6, the symbolic listing at 1e-5 (as C's %g).
constexpr int kCoefSciBelow = -5;
constexpr int kSymSciBelow = -4;

// Exit status when an output cannot be opened or written: the table of
// fatal.h.  An input that is not a system that can be converted ends with
// the parse's own status (polysys_t::failure_status).
constexpr int kExitOutput = status::output;

// Room for one number: at most 17 digits, a sign, a point, up to 20 leading
// zeros of a fixed-form fraction (exponent down to -6) and an exponent.
constexpr int kNumBufLen = 64;

// ---- command line ----

char _style = 'Z';                   // Z, T, R or S: the selected writer
const char* _output_file = nullptr;  // base name of FILE.supp and FILE.coef
const char* const _default_file = "data";
bool _verbose = false;
bool _silent = false;
bool _trace = false;

const char doc[] = "eqtrans -- convert between various formats of polynomial system";

const argp_option options[] = {
    {"verbose", 'v', nullptr, 0, "Produce verbose output", 0},
    {"quiet", 'q', nullptr, 0, "Don't produce any output", 0},
    {"silent", 's', nullptr, OPTION_ALIAS, nullptr, 0},
    {"output", 'o', "FILE", 0, "Output to FILE.supp and FILE.coef", 0},
    {"trace", 't', nullptr, 0, "Show trace information (for debug only)", 0},
    {"tav", 'T', nullptr, 0, "Output support and coefficients in the format used by Tav", 0},
    {"rud", 'R', nullptr, 0, "Output support and coefficients in the format used by Rud", 0},
    {"zarvik", 'Z', nullptr, 0,
     "Output support and coefficients in the standard ZARVIK format (default)", 0},
    {"sym", 'S', nullptr, 0, "Output support and coefficients in symbolic foramt", 0},
    {nullptr, 0, nullptr, 0, nullptr, 0}};

error_t _parse_opt(int key, char* arg, argp_state* state) {
  switch (key) {
    case 'v':
      _verbose = true;
      break;
    case 'q':
    case 's':
      _silent = true;
      break;
    case 't':
      _trace = true;
      break;
    case 'o':
      _output_file = arg;
      break;
    case 'T':
    case 'R':
    case 'Z':
    case 'S':
      _style = static_cast<char>(key);
      break;
    case ARGP_KEY_ARG:
      // The likeliest first mistake is naming the system's file: say where
      // the system is read from.  argp_error prints the message and the hint
      // to --help and exits with status 64.
      argp_error(state,
                 "unexpected argument '%s': the system is read from standard input, "
                 "as in: eqtrans < %s > input.num",
                 arg, arg);
      break;
    case ARGP_KEY_END:
      break;
    default:
      return ARGP_ERR_UNKNOWN;
  }
  return 0;
}

const argp argp_def = {options, _parse_opt, nullptr, doc, nullptr, nullptr, nullptr};

// ---- text of numbers ----

std::string coef_text(Coef c, int digits, int sci_below) {
  return "(" + fmt_general(c.real(), digits, sci_below) + "," +
         fmt_general(c.imag(), digits, sci_below) + ")";
}

// Drop trailing zeros of a fraction and then a trailing point.
void strip_zeros(std::string& s) {
  if (s.find('.') == std::string::npos) return;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
}

// ---- output ----

void write_error(const std::string& what, int err) {
  report("cannot write " + what + ": " + std::strerror(err));
}

// Standard output after a writer: a failed write (a full disk) is an error.
int finish_stdout() { return stdout_status(); }

// The exponents of t, each followed by one blank, and a line end.
std::string exponent_line(const Term& t) {
  std::string s;
  for (int e : t) {
    s += std::to_string(e);
    s += ' ';
  }
  s += '\n';
  return s;
}

// tav_style (with_counts) and rud_style.  Both files are written to
// temporaries and replace the old files only once both are complete; when
// either cannot be opened or written, neither is changed.
int supp_coef_style(const polysys_t& s, bool with_counts) {
  const std::string base = _output_file != nullptr ? _output_file : _default_file;
  out_file supp(base + ".supp");
  out_file coef(base + ".coef");
  if (!supp.open() || !coef.open()) {
    report("error: cannot open output files " + supp.path() + ", " + coef.path());
    return kExitOutput;
  }

  std::ostream& so = supp.stream();
  const std::size_t n = s.vars.size();
  if (with_counts) {
    so << n << ' ' << s.size() << '\n';
    for (std::size_t e = 0; e < s.size(); ++e) so << "1 ";
    so << '\n';
  } else {
    so << n << '\n';
  }
  std::size_t first = 1;
  for (const Poly& p : s) {
    so << first << ' ' << first + p.size() - 1 << '\n';
    first += p.size();
  }
  for (const Poly& p : s)
    for (const Term& t : p) so << exponent_line(t);
  std::ostream& co = coef.stream();
  for (const Poly& p : s)
    for (const Term& t : p) co << coef_text(t.coef, kCoefDigits, kCoefSciBelow) << '\n';

  if (out_file* failed = commit_together({&supp, &coef})) {
    write_error(failed->path(), errno);
    return kExitOutput;
  }
  return 0;
}

}  // namespace

std::string fmt_general(double x, int digits, int sci_below) {
  char buf[kNumBufLen];
  if (x == 0.0 || !std::isfinite(x)) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, x);
    return buf;
  }
  // The decimal exponent after rounding to `digits` digits.
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, x);
  const int xp = std::atoi(std::strchr(buf, 'e') + 1);
  std::string s;
  if (xp < sci_below || xp >= digits) {
    s = buf;
    const std::size_t e = s.find('e');
    std::string mant = s.substr(0, e);
    strip_zeros(mant);
    s = mant + s.substr(e);
  } else {
    std::snprintf(buf, sizeof buf, "%.*f", digits - 1 - xp, x);
    s = buf;
    strip_zeros(s);
  }
  return s;
}

int zarvik_style(const polysys_t& s) {
  std::printf("%zu\n", s.vars.size());
  for (const Poly& p : s) std::printf("%zu\n", p.size());
  for (const Poly& p : s)
    for (const Term& t : p) std::fputs(exponent_line(t).c_str(), stdout);
  for (const Poly& p : s)
    for (const Term& t : p)
      std::printf("%s\n", coef_text(t.coef, kCoefDigits, kCoefSciBelow).c_str());
  for (const std::string& v : s.vars) std::printf("%s\n", v.c_str());
  return finish_stdout();
}

int symbolic_style(const polysys_t& s) {
  for (const Poly& p : s) {
    for (const Term& t : p) {
      if (t.coef.imag() == 0.0)
        std::fputs(fmt_general(t.coef.real(), kSymDigits, kSymSciBelow).c_str(), stdout);
      else
        std::fputs(coef_text(t.coef, kSymDigits, kSymSciBelow).c_str(), stdout);
      std::fputc('[', stdout);
      for (int e : t) std::printf("%d", e);
      std::fputs("] ", stdout);
    }
    std::fputc('\n', stdout);
  }
  return finish_stdout();
}

int tav_style(const polysys_t& s) { return supp_coef_style(s, true); }

int rud_style(const polysys_t& s) { return supp_coef_style(s, false); }

}  // namespace hc

int main(int argc, char** argv) {
  using namespace hc;
  catch_memory_exhaustion();
  argp_parse(&argp_def, argc, argv, 0, nullptr, nullptr);
  if (_output_file == nullptr) _output_file = _default_file;

  polysys_t sys;
  if (!sys.parse()) return sys.failure_status();

  switch (_style) {
    case 'T':
      return tav_style(sys);
    case 'R':
      return rud_style(sys);
    case 'S':
      return symbolic_style(sys);
    default:
      return zarvik_style(sys);
  }
}
