// The platform's uniform generator: one state for the whole process, reseeded
// from the clock by a call without arguments.
//
//   prng_seed()         reseed from the clock (time of day with process CPU time)
//   prng_draw()         next double, uniform in (0, 1), never 0 or 1
//   prng_fix_seed(s)    tests only: from now on every prng_seed() seeds with s
//                       instead of the clock, so a run is repeatable
//   prng_clock_seed()   tests only: back to the clock
#pragma once

#include <cstdint>

namespace hc {

void prng_seed();
double prng_draw();
void prng_fix_seed(std::uint64_t seed);
void prng_clock_seed();

}  // namespace hc
