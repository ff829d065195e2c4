#include "conv.h"

#include <argp.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sysexits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Version text printed by --version.
const char* argp_program_version = "0.9.9";

namespace hc {

namespace {

// Significant digits of a coefficient in input.num, FILE.coef (round trip of
// a double) and in the symbolic listing.
constexpr int coef_digits = 16;
constexpr int sym_digits = 6;
// Decimal exponents below these are written in scientific form: 16-digit
// coefficients switch at 1e-6, the symbolic listing at 1e-5 (as C's %g).
constexpr int coef_sci_below = -5;
constexpr int sym_sci_below = -4;

// Exit status when the input is not a system that can be converted (a syntax
// error or a refused operation): "data format error" of sysexits.h.
constexpr int exit_bad_input = EX_DATAERR;
// Exit status when an output cannot be opened or written.
constexpr int exit_output = 1;

// Room for one number: at most 17 digits, a sign, a point, up to 20 leading
// zeros of a fixed-form fraction (exponent down to -6) and an exponent.
constexpr int num_buf_len = 64;
// Permissions of a new output file before the umask, as fopen gives them.
constexpr mode_t new_file_mode = 0666;

// ---- command line ----

char _style = 'Z';                       // Z, T, R or S: the selected writer
const char* _output_file = nullptr;      // base name of FILE.supp and FILE.coef
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
      argp_usage(state);  // prints the usage and exits with status 64
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

// ---- output files ----

// One output file of tav_style/rud_style.  It is opened without truncation,
// so that nothing is changed until both files are open.
struct out_file {
  std::string name;
  int fd = -1;
  bool created = false;  // did not exist before
  FILE* f = nullptr;

  bool open_keep() {
    fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
      fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, new_file_mode);
      created = fd >= 0;
    }
    return fd >= 0;
  }
  // Undo open_keep: close, and remove the file if this run created it.
  void abandon() {
    if (fd < 0) return;
    ::close(fd);
    fd = -1;
    if (created) ::unlink(name.c_str());
  }
  // Empty a regular file and attach a stream; false with errno set on failure.
  bool start() {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    if (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) return false;
    f = ::fdopen(fd, "w");
    if (f == nullptr) return false;
    fd = -1;  // owned by f now
    return true;
  }
  // Flush and close; false with errno set when a write failed.
  bool finish() {
    bool ok = true;
    int err = 0;
    if (f != nullptr) {
      if (std::fflush(f) != 0 || std::ferror(f)) {
        ok = false;
        err = errno;
      }
      if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
      }
      f = nullptr;
    }
    if (fd >= 0) {
      ::close(fd);
      fd = -1;
    }
    if (!ok) errno = err;
    return ok;
  }
};

void write_error(const std::string& what, int err) {
  std::fprintf(stderr, "error: cannot write %s: %s\n", what.c_str(), std::strerror(err));
}

// Standard output after a writer: a failed write (a full disk) is an error.
int finish_stdout() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    write_error("standard output", errno);
    return exit_output;
  }
  return 0;
}

// The exponents of t, each followed by one blank.
void put_exponents(FILE* f, const Term& t) {
  for (int e : t) std::fprintf(f, "%d ", e);
  std::fputc('\n', f);
}

// tav_style (with_counts) and rud_style.
int supp_coef_style(const polysys_t& s, bool with_counts) {
  const std::string base = _output_file != nullptr ? _output_file : _default_file;
  out_file supp{base + ".supp"};
  out_file coef{base + ".coef"};
  const bool ok_supp = supp.open_keep();
  const bool ok_coef = coef.open_keep();
  if (!ok_supp || !ok_coef) {
    supp.abandon();
    coef.abandon();
    std::fprintf(stderr, "error: cannot open output files %s, %s\n", supp.name.c_str(),
                 coef.name.c_str());
    return exit_output;
  }
  for (out_file* o : {&supp, &coef}) {
    if (!o->start()) {
      const int err = errno;
      supp.finish();
      coef.finish();
      write_error(o->name, err);
      return exit_output;
    }
  }

  const std::size_t n = s.vars.size();
  if (with_counts) {
    std::fprintf(supp.f, "%zu %zu\n", n, s.size());
    for (std::size_t e = 0; e < s.size(); ++e) std::fputs("1 ", supp.f);
    std::fputc('\n', supp.f);
  } else {
    std::fprintf(supp.f, "%zu\n", n);
  }
  std::size_t first = 1;
  for (const Poly& p : s) {
    std::fprintf(supp.f, "%zu %zu\n", first, first + p.size() - 1);
    first += p.size();
  }
  for (const Poly& p : s)
    for (const Term& t : p) put_exponents(supp.f, t);
  for (const Poly& p : s)
    for (const Term& t : p)
      std::fprintf(coef.f, "%s\n", coef_text(t.coef, coef_digits, coef_sci_below).c_str());

  int status = 0;
  for (out_file* o : {&supp, &coef}) {
    if (!o->finish() && status == 0) {
      write_error(o->name, errno);
      status = exit_output;
    }
  }
  return status;
}

}  // namespace

std::string fmt_general(double x, int digits, int sci_below) {
  char buf[num_buf_len];
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
    for (const Term& t : p) put_exponents(stdout, t);
  for (const Poly& p : s)
    for (const Term& t : p)
      std::printf("%s\n", coef_text(t.coef, coef_digits, coef_sci_below).c_str());
  for (const std::string& v : s.vars) std::printf("%s\n", v.c_str());
  return finish_stdout();
}

int symbolic_style(const polysys_t& s) {
  for (const Poly& p : s) {
    for (const Term& t : p) {
      if (t.coef.imag() == 0.0)
        std::fputs(fmt_general(t.coef.real(), sym_digits, sym_sci_below).c_str(), stdout);
      else
        std::fputs(coef_text(t.coef, sym_digits, sym_sci_below).c_str(), stdout);
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
  argp_parse(&argp_def, argc, argv, 0, nullptr, nullptr);
  if (_output_file == nullptr) _output_file = _default_file;

  polysys_t sys;
  if (!sys.parse()) return exit_bad_input;

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
