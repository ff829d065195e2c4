// An output file that replaces the file of its name only once it is
// complete, so that a run that fails half way (a full disk, exhausted
// memory, a fatal error, a failed standard output, an interrupt) leaves an
// earlier file as it was.
//
//   out_file f(path)   nothing happens to path yet
//   f.open()           true when writing can start; false with errno set: the
//       path is a directory (EISDIR), a file that may not be written
//       (EACCES), or its folder is missing or not writable.  The text goes to a temporary
//       "<path>.XXXXXX" in the same folder.
//   f.stream()         the stream to write to (after a successful open)
//   f.finish()         flushes and closes the temporary; false with errno set
//       when a write failed (the temporary is then removed, path is as it
//       was).  The finished temporary stays until publish() or the end.
//   f.publish()        renames the finished temporary over path; false with
//       errno set when the rename failed, and path is then as it was
//   f.commit()         finish() then publish()
//   ~out_file(), fatal(), SIGINT, SIGTERM, SIGHUP, SIGPIPE  remove a
//       temporary that was not published (a signal then ends the program as it would have
//       without the handler: the handler is installed only where the signal
//       had its default action)
//
//   commit_together(files)  finishes every file, and only when all are
//       complete renames each over its path: either every file is replaced
//       or (a write failed) none is.  nullptr on success, else the file that
//       failed, with errno set; every temporary is then removed.
//
//   write_output(path, write)  the whole of one output file: open,
//       write(stream), finish, then publish at once, or keep it for
//       publish_outputs() when the program holds its outputs (below).  A file
//       that cannot be opened or written ends the program with status::output
//       and "<path>: cannot open the file for writing: ..." or "<path>: the
//       file could not be written: ..." (the system's reason).
//   hold_outputs()     from now on write_output keeps each finished file as a
//       temporary instead of replacing the old file at once
//   publish_outputs()  the end of a run that holds its outputs: flushes
//       standard output; when a write to it failed, reports that (fatal.h
//       stdout_status), removes every held temporary and returns
//       status::output, the earlier files staying as they were; otherwise
//       renames every held file over its path, in the order written, and
//       returns status::ok.  A rename that fails ends the program through
//       output_failed.
//
// Where path names something other than a regular file (a device such as
// /dev/null, a pipe) it is written in place, truncated at open, as a plain
// stream would; finish() is then its end and publish() does nothing.  A
// symbolic link is followed: the file it names is replaced and the link
// stays.  A replaced file keeps its permission bits; a new one gets 0666
// less the umask.
#pragma once

#include <errno.h>

#include <initializer_list>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace hc {

// The stream buffer of an output file: plain writes to a file descriptor,
// keeping the reason of the first write that failed.
class fd_buf : public std::streambuf {
 public:
  fd_buf();
  void attach(int fd) { fd_ = fd; }
  int fd() const { return fd_; }
  int error() const { return err_; }  // errno of the first failed write, or 0
  bool flush_all();

 protected:
  int_type overflow(int_type ch) override;
  int sync() override { return flush_all() ? 0 : -1; }
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  std::vector<char> buf_;
  int fd_ = -1;
  int err_ = 0;
};

class out_file {
 public:
  explicit out_file(std::string path);
  ~out_file();
  out_file(const out_file&) = delete;
  out_file& operator=(const out_file&) = delete;

  bool open();
  std::ostream& stream() { return out_; }
  bool finish();
  bool publish();
  bool commit() { return finish() && publish(); }
  const std::string& path() const { return path_; }

 private:
  void discard();

  std::string path_;    // as given
  std::string target_;  // the file replaced (path_ with symbolic links followed)
  std::string temp_;    // empty when written in place or when nothing is pending
  int slot_ = -1;       // the temporary's entry among the pending ones (outfile.cpp)
  unsigned mode_ = 0;   // permission bits of the result
  bool in_place_ = false;
  fd_buf buf_;
  std::ostream out_{&buf_};

  friend out_file* commit_together(std::initializer_list<out_file*> files);
};

out_file* commit_together(std::initializer_list<out_file*> files);

// Removes the temporaries of every output file not yet published; fatal()
// calls it.
void remove_pending_outputs();

[[noreturn]] void output_failed(const std::string& path, bool opening, int err);

void hold_outputs();
int publish_outputs();
// The end of write_output: finish f, then publish it or hold it.
void finish_output(std::unique_ptr<out_file> f);

template <class F>
void write_output(const std::string& path, F&& write) {
  auto f = std::make_unique<out_file>(path);
  if (!f->open()) output_failed(path, true, errno);
  std::forward<F>(write)(f->stream());
  finish_output(std::move(f));
}

}  // namespace hc
