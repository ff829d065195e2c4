#include "fatal.h"

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <stdexcept>

namespace hc {

namespace {

// Hooks that run inside fatal; a handful is all the programs register.
constexpr int kMaxHooks = 4;
void (*g_hooks[kMaxHooks])() = {};
int g_nhooks = 0;

// The fuzz targets' replacements of standard error and of the exit.
void (*g_sink)(std::string_view) = nullptr;
void (*g_stop)(int) = nullptr;

// Memory kept back from the start and released when an allocation fails,
// so that flushing standard output and writing the message find some.
constexpr std::size_t kReserveBytes = 64 * 1024;
char* g_reserve = nullptr;

void run_hooks() {
  // A hook that fails fatally itself must not run the hooks again.
  const int n = g_nhooks;
  g_nhooks = 0;
  for (int i = 0; i < n; ++i) g_hooks[i]();
}

void flush_stdout() {
  std::cout.flush();
  std::fflush(stdout);
}

bool printable(unsigned char c) { return c >= 0x20 && c <= 0x7e; }

void memory_exhausted() {
  delete[] g_reserve;
  g_reserve = nullptr;
  std::set_new_handler(nullptr);
  flush_stdout();
  run_hooks();
  // Written without building a string: nothing here may allocate.
  const char* name = program_name();
  const char tail[] = ": out of memory\n";
  ssize_t rc = ::write(2, name, std::strlen(name));
  rc = ::write(2, tail, sizeof tail - 1);
  (void)rc;
  std::_Exit(status::memory);
}

// An exception that nothing caught.
[[noreturn]] void uncaught() {
  std::set_terminate(std::abort);
  if (std::exception_ptr e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
      fatal(status::memory, "out of memory");
    } catch (const std::length_error&) {
      fatal(status::memory, "out of memory: a size beyond what a container can hold");
    } catch (const std::exception& x) {
      fatal(status::internal, std::string("unexpected failure: ") + x.what());
    } catch (...) {
    }
  }
  fatal(status::internal, "unexpected failure");
}

}  // namespace

const char* program_name() {
  const char* p = program_invocation_short_name;
  return p != nullptr && *p != '\0' ? p : "polysolve";
}

std::string escaped(std::string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string s;
  s.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (printable(c)) {
      s += ch;
    } else {
      s += "\\x";
      s += hex[c >> 4];
      s += hex[c & 15];
    }
  }
  return s;
}

void report(std::string_view text) {
  const std::string line = std::string(program_name()) + ": " + escaped(text) + "\n";
  if (g_sink != nullptr) {
    g_sink(line);
    return;
  }
  std::fflush(stdout);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

// The reason of the first failed write to standard output (0: none seen).
int g_stdout_errno = 0;

void flush_output() {
  errno = 0;
  std::cout.flush();
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout;
  if (failed && g_stdout_errno == 0) g_stdout_errno = errno != 0 ? errno : EIO;
}

int stdout_status() {
  flush_output();
  if (g_stdout_errno == 0) return status::ok;
  report(std::string("cannot write standard output: ") + std::strerror(g_stdout_errno));
  return status::output;
}

void fatal(int exit_status, std::string_view text) {
  if (g_stop != nullptr) {
    report(text);
    g_stop(exit_status);
  }
  flush_stdout();
  run_hooks();
  report(text);
  std::exit(exit_status);
}

void fatal_errno(int exit_status, std::string_view what, int err) {
  fatal(exit_status, std::string(what) + ": " + std::strerror(err));
}

void catch_memory_exhaustion() {
  if (g_reserve == nullptr) g_reserve = new char[kReserveBytes];
  std::set_new_handler(memory_exhausted);
  std::set_terminate(uncaught);
}

void intercept(void (*sink)(std::string_view line), void (*stop)(int exit_status)) {
  g_sink = sink;
  g_stop = stop;
}

void on_fatal(void (*hook)()) {
  for (int i = 0; i < g_nhooks; ++i)
    if (g_hooks[i] == hook) return;
  if (g_nhooks < kMaxHooks) g_hooks[g_nhooks++] = hook;
}

}  // namespace hc
