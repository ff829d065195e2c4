#include "prng.h"

#include <sys/time.h>
#include <time.h>

#include <optional>

namespace hc {
namespace {
// xoshiro256** (Blackman and Vigna): four 64-bit words of state, a period of
// 2^256 - 1, and equidistributed 53-bit outputs; a seeding fills the four
// words from splitmix64 of the seed, a handful of operations.  (A Mersenne
// twister refills 312 words at every seeding, and the singular-value
// estimate reseeds at every call: on cyclic-8 that was 9% of a run.)
struct xoshiro256ss {
  std::uint64_t s[4];

  static std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  void seed(std::uint64_t x) {
    // splitmix64 never gives four zero words, the one state xoshiro avoids.
    for (std::uint64_t& w : s) w = splitmix64(x);
  }
  std::uint64_t operator()() {
    const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
  }
};

xoshiro256ss g_gen = [] {
  xoshiro256ss g{};
  g.seed(0x9e3779b97f4a7c15ULL);
  return g;
}();
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
