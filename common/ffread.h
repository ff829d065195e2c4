// Free-format reading (the layout of input.num and of answers on standard input).
//
// Every read of one item group starts at the beginning of the next line.
// Within a read, values are separated by blanks, by a comma (blanks around it
// allowed) or by line ends; a read that still needs values continues on the
// following lines, passing over lines that hold no value.  When a read has all
// its values, the rest of its last line is dropped.
//
// A value that cannot be read as the expected type, or the end of the input
// before a read is complete, is the fatal error of this layer: one message on
// standard error naming the source (file name or "standard input") and the
// line, then exit with status ffread_exit_status.  Nothing returns to the
// caller after that.
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "array.h"
#include "cplx.h"

namespace hc {

// Exit status of a fatal reading error.
constexpr int ffread_exit_status = 2;

// Names are kept to this many characters and padded with blanks to it.
constexpr int ffname_len = 20;

class ffreader {
 public:
  // Reads from `in`; `source` names it in messages ("input.num", "standard input").
  ffreader(std::istream& in, std::string source);
  // Opens the file `path` for reading; a file that cannot be opened is the
  // fatal error.
  static std::unique_ptr<ffreader> open_file(const std::string& path);

  int read_int();                  // one read of one 32-bit integer
  void read_ints(vec_ref<int> v);  // one read of v.size() integers
  double read_real();              // one read of one real
  cplx read_complex();             // one read of one "(re, im)" value
  std::string read_name();         // one read of one word: first 20 characters, blank-padded to 20

  // Number (from 1) of the line the last read ended on; 0 before any read.
  int line() const { return line_no_; }
  const std::string& source() const { return source_; }
  // The fatal error, reported at the current line.
  [[noreturn]] void fail(const std::string& what) const;

 private:
  bool next_line();                 // load the next line; false at the end of the input
  bool next_token(std::string& t);  // next value of the current read, crossing lines
  void begin_read();                // start a read on a fresh line

  std::unique_ptr<std::istream> owned_;
  std::istream* in_;
  std::string source_;
  std::string cur_;        // current line
  std::size_t pos_ = 0;    // position in cur_
  int line_no_ = 0;
  bool have_line_ = false;  // cur_ holds a line whose rest belongs to the current read
  bool pending_comma_ = false;
};

}  // namespace hc
