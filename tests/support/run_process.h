// Running a program of the system as a process for the end-to-end tests:
// standard input from a text or a file, standard output and error captured,
// the exit status returned; scratch directories; whole files.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace hc::test {

struct proc_result {
  std::string out;  // standard output
  std::string err;  // standard error
  int status = -1;  // exit status, or 128 + signal
};

// A fresh empty directory under the temporary folder, removed with its
// content by the destructor.
class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Where the process reads and writes; empty means a file of the harness.
// Limits of the process (0: none): its address space, and the size of the
// files it writes (a write beyond fails with EFBIG; SIGXFSZ is ignored).
struct proc_io {
  std::string stdin_path;   // read standard input from this path instead of `input`
  std::string stdout_path;  // write standard output here (it is then not captured)
  unsigned long long address_space = 0;
  unsigned long long file_size = 0;
};

// Run `prog` with argv[0] = its file name and `args` in directory `cwd`,
// feeding `input` on standard input.
proc_result run_in(const std::string& prog, const std::vector<std::string>& args,
                   const std::string& input, const std::string& cwd, const proc_io& io = {});

// Every regular file directly in `dir` (names starting with '.' included)
// with its content; a directory is listed with the content "<dir>", a
// symbolic link as "<link to TARGET>" (never followed).
std::map<std::string, std::string> dir_files(const std::string& dir);

// A run stopped by a signal at a chosen moment: `prog` runs in `cwd` with
// `input` on standard input and its standard output into a pipe that
// nobody reads, filled beforehand but for `room` bytes, so that the
// program blocks once it has written more than that.  `ready()` is polled
// while the program runs; when it holds, `sig` is sent.  status is 128 +
// the signal when the program ended by one; signalled says whether `sig`
// was sent (false: the program ended, or timeout_s passed and it was
// killed, before ready() held).  out is not captured.
struct signalled_result {
  proc_result r;
  bool signalled = false;
};
signalled_result run_until(const std::string& prog, const std::string& input,
                           const std::string& cwd, std::size_t room,
                           const std::function<bool()>& ready, int sig, double timeout_s);

// Every argument of a command line, argv[0] first, as run_in takes them.
proc_result run_argv(const std::vector<std::string>& argv, const std::string& input,
                     const std::string& cwd);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);

}  // namespace hc::test
