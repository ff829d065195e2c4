#include "prng.h"

#include <sys/time.h>
#include <time.h>

#include <optional>
#include <random>

namespace hc {
namespace {
std::mt19937_64 g_gen{0x9e3779b97f4a7c15ULL};
std::optional<std::uint64_t> g_fixed;

std::uint64_t clock_seed() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  timespec cpu{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
  std::uint64_t s = static_cast<std::uint64_t>(tv.tv_sec) * 1000003ULL;
  s ^= static_cast<std::uint64_t>(tv.tv_usec) << 20;
  s ^= static_cast<std::uint64_t>(cpu.tv_nsec) * 0x9e3779b97f4a7c15ULL;
  s ^= static_cast<std::uint64_t>(cpu.tv_sec) << 40;
  return s;
}
}  // namespace

void prng_seed() { g_gen.seed(g_fixed ? *g_fixed : clock_seed()); }

double prng_draw() {
  // 53 random bits, shifted by half a unit so that neither 0 nor 1 occurs.
  constexpr double kTwoM53 = 1.0 / 9007199254740992.0;
  const std::uint64_t k = g_gen() >> 11;
  return (static_cast<double>(k) + 0.5) * kTwoM53;
}

void prng_fix_seed(std::uint64_t seed) { g_fixed = seed; }
void prng_clock_seed() { g_fixed.reset(); }

}  // namespace hc
