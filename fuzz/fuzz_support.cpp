#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "fatal.h"

namespace {

bool g_counting = false;
std::size_t g_left = 0;

// The exception that takes a fatal error back into the target.
struct fuzz_stop {
  int status;
};

void* counted_alloc(std::size_t n) {
  if (g_counting) {
    if (g_left == 0) throw std::bad_alloc();
    --g_left;
  }
  void* p = std::malloc(n != 0 ? n : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void check_line(std::string_view line) {
  const std::string prefix = std::string(hc::program_name()) + ": ";
  if (line.substr(0, prefix.size()) != prefix) hc::fuzz::fuzz_fail("a message without the name");
  if (line.empty() || line.back() != '\n') hc::fuzz::fuzz_fail("a message without its line end");
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c > 0x7e) hc::fuzz::fuzz_fail("a message with an unprintable byte");
  }
}

[[noreturn]] void stop(int status) { throw fuzz_stop{status}; }

}  // namespace

void* operator new(std::size_t n) { return counted_alloc(n); }
void* operator new[](std::size_t n) { return counted_alloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return counted_alloc(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace hc::fuzz {

void fuzz_fail(const char* what) {
  std::fprintf(stderr, "fuzz target: %s\n", what);
  std::abort();
}

void run_budgeted(const std::function<void()>& f) {
  hc::intercept(check_line, stop);
  g_left = kAllocBudget;
  g_counting = true;
  try {
    f();
  } catch (const std::bad_alloc&) {
  } catch (const fuzz_stop&) {
  }
  g_counting = false;
  hc::intercept(nullptr, nullptr);
}

}  // namespace hc::fuzz
