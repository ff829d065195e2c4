// Running a program of the system as a process for the end-to-end tests:
// standard input from a text or a file, standard output and error captured,
// the exit status returned; scratch directories; whole files.
#pragma once

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

// Every argument of a command line, argv[0] first, as run_in takes them.
proc_result run_argv(const std::vector<std::string>& argv, const std::string& input,
                     const std::string& cwd);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);

}  // namespace hc::test
