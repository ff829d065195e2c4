// What the fuzz targets share: a budget of allocations per input, so that an
// input whose polynomials grow without end (a power of a long sum, which
// takes as long as its expansion is large) is cut off instead of counted as
// a hang, and the messages and exits of fatal.h taken back into the target.
//
//   run_budgeted(f)  runs f() with at most kAllocBudget allocations through
//       operator new; past it operator new throws std::bad_alloc.  A fatal
//       error inside f ends f by an exception instead of the process; every
//       message line is checked: "<program>: " then printable bytes only, one
//       line.  A line that breaks this aborts (the fuzzer reports it).
//   fuzz_fail(what)  reports a broken invariant on standard error and aborts.
#pragma once

#include <cstddef>
#include <functional>

namespace hc::fuzz {

// Allocations one input may make: some fifteen thousand products of terms
// (three allocations each), at most about 0.15 s in the fuzz build, where an
// allocation with its checks takes some 3 microseconds: far from the 2 s
// that count as a hang, also on a loaded machine.
constexpr std::size_t kAllocBudget = 50000;

void run_budgeted(const std::function<void()>& f);
[[noreturn]] void fuzz_fail(const char* what);

}  // namespace hc::fuzz
