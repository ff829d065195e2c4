#include "run_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace hc::test {

scratch_dir::scratch_dir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/hc-test.XXXXXX";
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

scratch_dir::~scratch_dir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

proc_result run_in(const std::string& prog, const std::vector<std::string>& args,
                   const std::string& input, const std::string& cwd, const proc_io& io) {
  scratch_dir side;  // the harness's own files, outside the process's directory
  const std::string in_path = io.stdin_path.empty() ? side.file("stdin") : io.stdin_path;
  if (io.stdin_path.empty()) write_file(in_path, input);
  const std::string out_path = io.stdout_path.empty() ? side.file("stdout") : io.stdout_path;
  const std::string err_path = side.file("stderr");

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());

  std::vector<std::string> argv_s{std::filesystem::path(prog).filename().string()};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (io.address_space == 0 && io.file_size == 0) {
    const int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) throw std::runtime_error("cannot start " + prog);
  } else {
    // Limits need a child of our own: set them between fork and exec.
    posix_spawn_file_actions_destroy(&fa);
    pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
      const int in = ::open(in_path.c_str(), O_RDONLY);
      const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
          ::dup2(err, 2) < 0 || ::chdir(cwd.c_str()) != 0)
        ::_exit(127);
      if (io.address_space != 0) {
        const rlimit r{io.address_space, io.address_space};
        if (::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(127);
      }
      if (io.file_size != 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{io.file_size, io.file_size};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(127);
      }
      ::execve(prog.c_str(), argv.data(), environ);
      ::_exit(127);
    }
  }

  int wst = 0;
  while (::waitpid(pid, &wst, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  proc_result r;
  r.status = WIFEXITED(wst) ? WEXITSTATUS(wst) : 128 + WTERMSIG(wst);
  if (io.stdout_path.empty()) r.out = read_file(out_path);
  r.err = read_file(err_path);
  return r;
}

signalled_result run_until(const std::string& prog, const std::string& input,
                           const std::string& cwd, std::size_t room,
                           const std::function<bool()>& ready, int sig, double timeout_s) {
  // How often ready() is asked.
  constexpr useconds_t kPollMicros = 2000;
  scratch_dir side;
  const std::string in_path = side.file("stdin"), err_path = side.file("stderr");
  write_file(in_path, input);
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const int capacity = ::fcntl(fds[1], F_GETPIPE_SZ);
  if (capacity <= 0 || static_cast<std::size_t>(capacity) <= room)
    throw std::runtime_error("pipe capacity unknown");
  const std::string fill(static_cast<std::size_t>(capacity) - room, 'f');
  if (::write(fds[1], fill.data(), fill.size()) != static_cast<ssize_t>(fill.size()))
    throw std::runtime_error("cannot fill the pipe");

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  posix_spawn_file_actions_addopen(&fa, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
  std::string name = std::filesystem::path(prog).filename().string();
  char* argv[] = {name.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    throw std::runtime_error("cannot start " + prog);
  }

  signalled_result s;
  int wst = 0;
  bool ended = false;
  for (double waited = 0; !ended; waited += kPollMicros * 1e-6) {
    const pid_t w = ::waitpid(pid, &wst, WNOHANG);
    if (w == pid) {
      ended = true;
    } else if (!s.signalled && ready()) {
      ::kill(pid, sig);
      s.signalled = true;
    } else if (!s.signalled && waited > timeout_s) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wst, 0);
      ended = true;
    } else {
      ::usleep(kPollMicros);
    }
  }
  ::close(fds[0]);
  s.r.status = WIFEXITED(wst) ? WEXITSTATUS(wst) : 128 + WTERMSIG(wst);
  s.r.err = read_file(err_path);
  return s;
}

proc_result run_argv(const std::vector<std::string>& argv, const std::string& input,
                     const std::string& cwd) {
  return run_in(argv.at(0), std::vector<std::string>(argv.begin() + 1, argv.end()), input, cwd);
}

std::map<std::string, std::string> dir_files(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_symlink())
      files[name] = "<link to " + std::filesystem::read_symlink(e.path()).string() + ">";
    else
      files[name] = e.is_directory() ? "<dir>" : read_file(e.path().string());
  }
  return files;
}

}  // namespace hc::test
