// Running a program of the system as a separate process, for end-to-end
// tests: standard input from a text, standard output and error captured,
// the exit status returned.  Also a fresh temporary working folder.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace hc::test {

struct proc_result {
  int status = -1;  // exit status, or 128 + signal number
  std::string out, err;
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void spit(const std::filesystem::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
}

// A temporary folder removed when the object goes.
class temp_dir {
 public:
  temp_dir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "hc-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Runs `argv` in folder `cwd` with `input` on standard input.
inline proc_result run_process(const std::vector<std::string>& argv, const std::string& input,
                               const std::filesystem::path& cwd) {
  temp_dir io;
  spit(io / "in", input);
  const std::string in = (io / "in").string(), out = (io / "out").string(),
                    err = (io / "err").string();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(127);
    const int fi = open(in.c_str(), O_RDONLY);
    const int fo = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int fe = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fi < 0 || fo < 0 || fe < 0) _exit(127);
    dup2(fi, 0);
    dup2(fo, 1);
    dup2(fe, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  proc_result r;
  r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

}  // namespace hc::test
