#include "ffread.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include <sys/stat.h>

#include "fatal.h"

namespace hc {

namespace {

// Longest value text quoted in a message; longer texts are cut and marked.
constexpr std::size_t kMaxQuoted = 40;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string quoted(std::string_view t) {
  std::string q = "\"";
  if (t.size() > kMaxQuoted) {
    q.append(t.substr(0, kMaxQuoted));
    q += "...";
  } else {
    q.append(t);
  }
  q += '"';
  return q;
}

}  // namespace

ffreader::ffreader(std::istream& in, std::string source) : in_(&in), source_(std::move(source)) {}

std::unique_ptr<ffreader> ffreader::open_file(const std::string& path) {
  // A directory opens for reading but gives no line; it is named as such.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    fatal_errno(status::input, path + ": cannot open for reading", EISDIR);
  errno = 0;
  auto f = std::make_unique<std::ifstream>(path, std::ios::in | std::ios::binary);
  if (!f->is_open()) {
    const int err = errno;
    if (err != 0) fatal_errno(status::input, path + ": cannot open for reading", err);
    fatal(status::input, path + ": cannot open for reading");
  }
  auto r = std::make_unique<ffreader>(*f, path);
  r->owned_ = std::move(f);
  return r;
}

void ffreader::fail(const std::string& what, int exit_status) const {
  if (line_no_ > 0)
    fatal(exit_status, source_ + ", line " + std::to_string(line_no_) + ": " + what);
  fatal(exit_status, source_ + ": " + what);
}

void ffreader::fail_end(const char* what) const {
  if (line_no_ > 0)
    fatal(status::data,
          source_ + ": end of input after line " + std::to_string(line_no_) + ", expected " + what);
  fatal(status::data, source_ + ": empty input, expected " + what);
}

void ffreader::fail_found(const char* what, std::string_view found) const {
  fail(std::string("expected ") + what + ", found " + quoted(found));
}

bool ffreader::next_line() {
  errno = 0;
  if (!std::getline(*in_, cur_)) {
    // The end of the input, or a read that failed (a directory given as
    // standard input, an I/O error): the latter is not an end of input.
    const bool failed = in_->bad() || (in_ == &std::cin && std::ferror(stdin));
    if (failed) {
      const int err = errno != 0 ? errno : EIO;
      const std::string where =
          line_no_ > 0 ? source_ + ": cannot read after line " + std::to_string(line_no_)
                       : source_ + ": cannot read";
      fatal_errno(status::input, where, err);
    }
    return false;
  }
  ++line_no_;
  pos_ = 0;
  return true;
}

void ffreader::begin_read() {
  have_line_ = false;  // the rest of the previous read's last line is dropped
  sep_ = sep::start;
}

void ffreader::to_char(const char* what) {
  for (;;) {
    if (!have_line_) {
      if (!next_line()) fail_end(what);
      have_line_ = true;
    }
    while (pos_ < cur_.size() && is_blank(cur_[pos_])) ++pos_;
    if (pos_ < cur_.size()) return;
    have_line_ = false;
  }
}

void ffreader::to_value(const char* what) {
  for (;;) {
    to_char(what);
    if (cur_[pos_] != ',') return;
    // One comma may follow a value; any other comma stands for an empty value.
    if (sep_ != sep::after_value) {
      fail(sep_ == sep::start ? "empty value before a comma, expected " + std::string(what)
                              : "empty value between two commas, expected " + std::string(what));
    }
    sep_ = sep::after_comma;
    ++pos_;
  }
}

std::string_view ffreader::take_word(bool in_cplx) {
  std::size_t b = pos_;
  while (pos_ < cur_.size()) {
    char c = cur_[pos_];
    if (is_blank(c) || c == ',' || (in_cplx && c == ')')) break;
    ++pos_;
  }
  return std::string_view(cur_).substr(b, pos_ - b);
}

int ffreader::parse_int(std::string_view t) {
  // Digits are accumulated in 64 bits and checked against the 32-bit range
  // as they come, so no text of any length can overflow the accumulator.
  std::size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  if (i == t.size()) fail_found("an integer", t);
  long long v = 0;
  bool too_big = false;
  for (; i < t.size(); ++i) {
    if (!is_digit(t[i])) fail_found("an integer", t);
    if (!too_big) {
      v = v * 10 + (t[i] - '0');
      if (v > static_cast<long long>(INT_MAX) + 1) too_big = true;
    }
  }
  if (neg) v = -v;
  if (too_big || v > INT_MAX || v < INT_MIN)
    fail("integer out of the 32-bit range, found " + quoted(t), range_status_);
  return static_cast<int>(v);
}

double ffreader::parse_real(std::string_view t) {
  // Check the form by hand, then hand strtod the same digits with a plain
  // 'e' exponent, so the value is the correctly rounded one strtod gives.
  num_.clear();
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) num_ += t[i++];
  std::size_t mant_digits = 0;
  while (i < t.size() && is_digit(t[i])) {
    num_ += t[i++];
    ++mant_digits;
  }
  if (i < t.size() && t[i] == '.') {
    num_ += t[i++];
    while (i < t.size() && is_digit(t[i])) {
      num_ += t[i++];
      ++mant_digits;
    }
  }
  if (mant_digits == 0) fail_found("a real number", t);
  if (i < t.size()) {
    char c = t[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
    } else if (c != '+' && c != '-') {
      fail_found("a real number", t);
    }
    num_ += 'e';
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) num_ += t[i++];
    if (i == t.size()) fail_found("a real number", t);
    for (; i < t.size(); ++i) {
      if (!is_digit(t[i])) fail_found("a real number", t);
      num_ += t[i];
    }
  }
  char* end = nullptr;
  double x = std::strtod(num_.c_str(), &end);
  if (end != num_.c_str() + num_.size()) fail_found("a real number", t);
  if (std::isinf(x)) fail("real number out of the double range, found " + quoted(t));
  return x;
}

int ffreader::read_int() {
  begin_read();
  to_value("an integer");
  int v = parse_int(take_word(false));
  sep_ = sep::after_value;
  return v;
}

void ffreader::read_ints(vec_ref<int> v) {
  begin_read();
  for (int i = 1; i <= v.size(); ++i) {
    to_value("an integer");
    v(i) = parse_int(take_word(false));
    sep_ = sep::after_value;
  }
}

double ffreader::read_real() {
  begin_read();
  to_value("a real number");
  double x = parse_real(take_word(false));
  sep_ = sep::after_value;
  return x;
}

cplx ffreader::read_complex() {
  static constexpr const char* what = "a complex value \"(re,im)\"";
  begin_read();
  to_value(what);
  if (cur_[pos_] != '(') fail_found(what, take_word(false));
  ++pos_;
  double part[2];
  for (int k = 0; k < 2; ++k) {
    to_char(what);
    std::string_view t = take_word(true);
    if (t.empty())
      fail_found("a real number in a complex value", std::string_view(cur_).substr(pos_, 1));
    part[k] = parse_real(t);
    to_char(what);
    char close = k == 0 ? ',' : ')';
    if (cur_[pos_] != close) {
      std::size_t b = pos_;
      std::string_view found = take_word(true);
      if (found.empty()) found = std::string_view(cur_).substr(b, 1);
      fail(std::string("expected \"") + close + "\" in a complex value, found " + quoted(found));
    }
    ++pos_;
  }
  if (pos_ < cur_.size() && !is_blank(cur_[pos_]) && cur_[pos_] != ',')
    fail("unexpected " + quoted(take_word(false)) + " after a complex value");
  sep_ = sep::after_value;
  return cplx(part[0], part[1]);
}

std::string ffreader::read_name() {
  begin_read();
  to_value("a name");
  std::string_view t = take_word(false);
  std::string s(t.substr(0, kFfnameLen));
  s.resize(kFfnameLen, ' ');
  sep_ = sep::after_value;
  return s;
}

}  // namespace hc
