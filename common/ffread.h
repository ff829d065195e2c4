// Free-format reading (the layout of input.num and of answers on standard input).
//
// Every read of one item group starts at the beginning of the next line.
// Within a read, values are separated by blanks, by a comma (blanks around it
// allowed) or by line ends; a read that still needs values continues on the
// following lines, passing over lines that hold no value.  When a read has all
// its values, the rest of its last line is dropped.  Tabs and carriage returns
// count as blanks.
//
// Values:
//   integer  an optional sign and decimal digits, within the 32-bit range
//   real     an optional sign, digits with an optional decimal point, and an
//            optional exponent: a letter E, e, D or d followed by an optionally
//            signed integer, or a sign and digits without a letter (1.5-3 is
//            1.5e-3); converted as strtod converts the same decimal text.
//            NaN, infinities, hexadecimal forms and values that overflow the
//            double range are not readable.
//   complex  "(re,im)": two reals in parentheses separated by a comma; blanks
//            and line ends may stand around the two numbers and the comma
//   name     one word, ending at a blank, a comma or the line end; its first
//            kFfnameLen characters are kept, padded with blanks to kFfnameLen
//
// A value that cannot be read as the expected type, an empty value (two
// commas with nothing between, or a comma before the first value of a read),
// or the end of the input before a read is complete is the fatal error of this
// layer: one message on standard error naming the program, the source (file
// name or "standard input") and the line, then exit with status
// status::data (fatal.h); an integer beyond the 32-bit range ends it with
// the range status (set_range_status, status::data unless set).  An input that cannot be opened or read (missing,
// a directory, a read error) ends the program the same way with
// status::input.  Nothing returns to the caller after that.
#pragma once

#include <istream>
#include <memory>
#include <string>
#include <string_view>

#include "array.h"
#include "cplx.h"
#include "fatal.h"

namespace hc {

// Names are kept to this many characters and padded with blanks to it.
constexpr int kFfnameLen = 20;

class ffreader {
 public:
  // Reads from `in`; `source` names it in messages ("input.num", "standard input").
  ffreader(std::istream& in, std::string source);
  // Opens the file `path` for reading; a file that cannot be opened, or a
  // directory, is the fatal error (the message names the file).
  static std::unique_ptr<ffreader> open_file(const std::string& path);

  int read_int();                  // one read of one 32-bit integer
  void read_ints(vec_ref<int> v);  // one read of v.size() integers
  double read_real();              // one read of one real
  cplx read_complex();             // one read of one "(re, im)" value
  std::string read_name();         // one read of one word: first 20 characters, blank-padded to 20

  // Number (from 1) of the line the last read ended on; 0 before any read.
  int line() const { return line_no_; }
  // The whole text of that line (empty before any read).
  const std::string& line_text() const { return cur_; }
  const std::string& source() const { return source_; }
  // The exit status of an integer beyond the 32-bit range: status::size for
  // the counts and exponents of input.num, which no program can number.
  void set_range_status(int exit_status) { range_status_ = exit_status; }
  // The fatal error, reported at the current line: "<program>: <source>,
  // line <n>: <what>" on standard error, then exit with exit_status.
  [[noreturn]] void fail(const std::string& what, int exit_status = status::data) const;

 private:
  // Where the current read stands with respect to value separators.
  enum class sep { start, after_value, after_comma };

  bool next_line();                          // load the next line; false at the end of the input
  void begin_read();                         // start a read on a fresh line
  void to_value(const char* what);           // move to the first character of the next value
  void to_char(const char* what);            // move to the next non-blank character, crossing lines
  std::string_view take_word(bool in_cplx);  // the value text at pos_, which it passes
  int parse_int(std::string_view t);
  double parse_real(std::string_view t);
  [[noreturn]] void fail_end(const char* what) const;
  [[noreturn]] void fail_found(const char* what, std::string_view found) const;

  std::unique_ptr<std::istream> owned_;
  std::istream* in_;
  std::string source_;
  std::string cur_;      // current line
  std::string num_;      // scratch text handed to strtod
  std::size_t pos_ = 0;  // position in cur_
  int line_no_ = 0;
  bool have_line_ = false;  // cur_ holds a line whose rest belongs to the current read
  int range_status_ = status::data;
  sep sep_ = sep::start;
};

}  // namespace hc
