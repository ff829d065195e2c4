#include "outfile.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "fatal.h"

namespace hc {

namespace {

// Temporaries not yet renamed over their files, where a signal handler can
// find them: a fixed table of paths, each entry marked in use only while its
// path is complete.  A program has at most two output files open at once
// (eqtrans's FILE.supp and FILE.coef); the table leaves room to spare.
constexpr int kMaxPending = 8;
// A path with its links resolved (at most PATH_MAX bytes with its NUL) and
// the suffix ".XXXXXX" of the temporary.
constexpr std::size_t kTempPathLen = PATH_MAX + 8;
struct pending_temp {
  volatile std::sig_atomic_t used;
  char path[kTempPathLen];
};
pending_temp g_pending[kMaxPending];

// Signals whose default action ends the program and that stop a run: the
// terminal's interrupt, kill's default, a closed terminal, and a standard
// output whose reader went away (rootsolve | head).
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Permission bits of a new file before the umask, as fopen gives them.
constexpr mode_t kNewFileMode = 0666;

// Files written by write_output and kept until publish_outputs().
bool g_holding = false;
std::vector<std::unique_ptr<out_file>> g_held;

mode_t current_umask() {
  const mode_t u = ::umask(0);
  ::umask(u);
  return u;
}

// Only async-signal-safe calls: unlink of the stored paths.  The entries
// stay in use: each belongs to its out_file until that releases it.
void unlink_pending() {
  for (const pending_temp& t : g_pending)
    if (t.used != 0) ::unlink(t.path);
}

// The handler of kCleanupSignals: removes the temporaries, then the signal,
// raised again, takes its default action (SA_RESETHAND restored it; it is
// delivered once the handler returns), so the program ends as it would
// have ended without the handler.
extern "C" void remove_on_signal(int sig) {
  const int saved = errno;
  unlink_pending();
  errno = saved;
  ::raise(sig);
}

void install_signal_cleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int sig : kCleanupSignals) {
    struct sigaction old {};
    // A signal the program was started with ignored (nohup), or that
    // someone else handles, is left alone.
    if (::sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
        old.sa_handler != SIG_DFL)
      continue;
    struct sigaction sa {};
    sa.sa_handler = remove_on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    ::sigaction(sig, &sa, nullptr);
  }
}

// A free entry of g_pending holding the template "<target>.XXXXXX", marked
// in use before mkostemp fills in the name (until then a signal unlinks a
// name that does not exist); -1 with errno set when none is free or the
// path is too long.
int claim_slot(const std::string& target) {
  static constexpr char kSuffix[] = ".XXXXXX";
  if (target.size() + sizeof kSuffix > kTempPathLen) {
    errno = ENAMETOOLONG;
    return -1;
  }
  for (int i = 0; i < kMaxPending; ++i) {
    pending_temp& t = g_pending[i];
    if (t.used != 0) continue;
    std::memcpy(t.path, target.data(), target.size());
    std::memcpy(t.path + target.size(), kSuffix, sizeof kSuffix);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t.used = 1;
    return i;
  }
  errno = EMFILE;
  return -1;
}

void release_slot(int& slot) {
  if (slot >= 0) g_pending[slot].used = 0;
  slot = -1;
}

}  // namespace

void remove_pending_outputs() { unlink_pending(); }

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
  release_slot(slot_);
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

  on_fatal(remove_pending_outputs);
  install_signal_cleanup();
  slot_ = claim_slot(target_);
  if (slot_ < 0) return false;
  const int fd = ::mkostemp(g_pending[slot_].path, O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    release_slot(slot_);
    errno = err;
    return false;
  }
  buf_.attach(fd);
  temp_ = g_pending[slot_].path;
  return true;
}

bool out_file::finish() {
  if (buf_.fd() < 0) return true;  // finished before
  buf_.flush_all();
  int err = buf_.error();
  if (err == 0 && ::close(buf_.fd()) != 0) err = errno;
  buf_.attach(-1);
  if (err == 0 && !in_place_ && ::chmod(temp_.c_str(), static_cast<mode_t>(mode_)) != 0)
    err = errno;
  if (err != 0) {
    discard();
    errno = err;
    return false;
  }
  return true;
}

bool out_file::publish() {
  if (buf_.fd() >= 0 && !finish()) return false;
  if (in_place_) return true;
  if (temp_.empty()) {  // removed after a failure, or published before
    errno = ENOENT;
    return false;
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    discard();
    errno = err;
    return false;
  }
  temp_.clear();
  release_slot(slot_);
  return true;
}

out_file* commit_together(std::initializer_list<out_file*> files) {
  auto fail = [&](out_file* f) {
    const int err = errno;
    for (out_file* g : files) g->discard();
    errno = err;
    return f;
  };
  for (out_file* f : files)
    if (!f->finish()) return fail(f);
  for (out_file* f : files)
    if (!f->publish()) return fail(f);
  return nullptr;
}

void hold_outputs() { g_holding = true; }

void finish_output(std::unique_ptr<out_file> f) {
  if (!f->finish()) output_failed(f->path(), false, errno);
  if (g_holding) {
    g_held.push_back(std::move(f));
    return;
  }
  if (!f->publish()) output_failed(f->path(), false, errno);
}

int publish_outputs() {
  const int st = stdout_status();
  if (st != status::ok) {
    g_held.clear();  // each removes its temporary
    return st;
  }
  for (std::unique_ptr<out_file>& f : g_held)
    if (!f->publish()) output_failed(f->path(), false, errno);
  g_held.clear();
  return status::ok;
}

}  // namespace hc
