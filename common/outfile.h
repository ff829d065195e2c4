// An output file that replaces the file of its name only once it is
// complete, so that a run that fails half way (a full disk, exhausted
// memory, a fatal error) leaves an earlier file as it was.
//
//   out_file f(path)   nothing happens to path yet
//   f.open()           true when writing can start; false with errno set: the
//       path is a directory (EISDIR), a file that may not be written
//       (EACCES), or its folder is missing or not writable.  The text goes to a temporary
//       "<path>.XXXXXX" in the same folder.
//   f.stream()         the stream to write to (after a successful open)
//   f.commit()         flushes and closes the temporary and renames it over
//       path; false with errno set when a write or the rename failed, and
//       path is then as it was
//   ~out_file(), fatal()  remove a temporary that was not committed
//
//   write_output(path, write)  the whole of one output file: open, write(stream),
//       commit; a file that cannot be opened or written ends the program
//       with status::output and "<path>: cannot open the file for writing: ..."
//       or "<path>: the file could not be written: ..." (the system's reason)
//
// Where path names something other than a regular file (a device such as
// /dev/null, a pipe) it is written in place, truncated at open, as a plain
// stream would.  A symbolic link is followed: the file it names is replaced
// and the link stays.  A replaced file keeps its permission bits; a new one
// gets 0666 less the umask.
#pragma once

#include <errno.h>

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
  bool commit();
  const std::string& path() const { return path_; }

 private:
  void discard();

  std::string path_;    // as given
  std::string target_;  // the file replaced (path_ with symbolic links followed)
  std::string temp_;    // empty when written in place or when nothing is pending
  unsigned mode_ = 0;   // permission bits of the result
  bool in_place_ = false;
  bool registered_ = false;
  fd_buf buf_;
  std::ostream out_{&buf_};

  friend void remove_pending_outputs();
};

// Removes the temporaries of every output file not yet committed; fatal()
// calls it.
void remove_pending_outputs();

[[noreturn]] void output_failed(const std::string& path, bool opening, int err);

template <class F>
void write_output(const std::string& path, F&& write) {
  out_file f(path);
  if (!f.open()) output_failed(path, true, errno);
  std::forward<F>(write)(f.stream());
  if (!f.commit()) output_failed(path, false, errno);
}

}  // namespace hc
