#include "outfile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "fatal.h"

namespace hc {

namespace {

// Output files open at the same time: at most the two of eqtrans.
constexpr int kMaxPending = 4;
out_file* g_pending[kMaxPending] = {};

// Permission bits of a new file before the umask, as fopen gives them.
constexpr mode_t kNewFileMode = 0666;

mode_t current_umask() {
  const mode_t u = ::umask(0);
  ::umask(u);
  return u;
}

}  // namespace

void remove_pending_outputs() {
  for (out_file*& f : g_pending) {
    if (f == nullptr) continue;
    if (!f->temp_.empty()) ::unlink(f->temp_.c_str());
    f->temp_.clear();
    f->registered_ = false;
    f = nullptr;
  }
}

void output_failed(const std::string& path, bool opening, int err) {
  fatal_errno(
      status::output,
      path + (opening ? ": cannot open the file for writing" : ": the file could not be written"),
      err);
}

// Bytes gathered before one write to the file.
constexpr std::size_t kOutBufLen = 1 << 16;

fd_buf::fd_buf() : buf_(kOutBufLen) { setp(buf_.data(), buf_.data() + buf_.size()); }

bool fd_buf::flush_all() {
  const char* p = pbase();
  std::size_t left = static_cast<std::size_t>(pptr() - pbase());
  while (left > 0 && err_ == 0) {
    const ssize_t w = ::write(fd_, p, left);
    if (w < 0) {
      if (errno != EINTR) err_ = errno;
      continue;
    }
    p += w;
    left -= static_cast<std::size_t>(w);
  }
  setp(buf_.data(), buf_.data() + buf_.size());
  return err_ == 0;
}

fd_buf::int_type fd_buf::overflow(int_type ch) {
  if (!flush_all()) return traits_type::eof();
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

std::streamsize fd_buf::xsputn(const char* s, std::streamsize n) {
  std::streamsize done = 0;
  while (done < n) {
    if (pptr() == epptr() && !flush_all()) break;
    const std::streamsize room = epptr() - pptr();
    const std::streamsize k = std::min(room, n - done);
    std::memcpy(pptr(), s + done, static_cast<std::size_t>(k));
    pbump(static_cast<int>(k));
    done += k;
  }
  return done;
}

out_file::out_file(std::string path) : path_(std::move(path)) {}

out_file::~out_file() { discard(); }

void out_file::discard() {
  if (buf_.fd() >= 0) {
    ::close(buf_.fd());
    buf_.attach(-1);
  }
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  if (registered_)
    for (out_file*& f : g_pending)
      if (f == this) f = nullptr;
  registered_ = false;
}

bool out_file::open() {
  target_ = path_;
  struct stat st {};
  bool exists = ::lstat(path_.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    // Replace the file the link names; a dangling link is written in place.
    char buf[PATH_MAX];
    if (::realpath(path_.c_str(), buf) == nullptr) {
      in_place_ = true;
    } else {
      target_ = buf;
      exists = ::stat(target_.c_str(), &st) == 0;
    }
  }
  if (exists && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) in_place_ = true;
  // A file its owner may not write stays refused, as a plain open would
  // refuse it, although a rename could replace it.
  if (exists && !in_place_ && ::access(target_.c_str(), W_OK) != 0) return false;
  if (in_place_) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
    if (fd < 0) return false;
    buf_.attach(fd);
    return true;
  }
  mode_ = exists ? (st.st_mode & 07777) : (kNewFileMode & ~current_umask());

  std::string tmpl = target_ + ".XXXXXX";
  const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  buf_.attach(fd);
  temp_ = tmpl;
  for (out_file*& f : g_pending)
    if (f == nullptr) {
      f = this;
      registered_ = true;
      break;
    }
  on_fatal(remove_pending_outputs);
  return true;
}

bool out_file::commit() {
  buf_.flush_all();
  int err = buf_.error();
  if (err == 0 && ::close(buf_.fd()) != 0) err = errno;
  buf_.attach(-1);
  if (err != 0) {
    discard();
    errno = err;
    return false;
  }
  if (in_place_) return true;
  if (::chmod(temp_.c_str(), static_cast<mode_t>(mode_)) != 0 ||
      ::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    discard();
    errno = err;
    return false;
  }
  temp_.clear();
  discard();
  return true;
}

}  // namespace hc
