// Process-wide state a test changes for a while, put back when the object
// goes, also when a failed assertion leaves the test early:
//
//   scoped_seed s(seed)    every prng_seed() of the platform generator seeds
//                          with `seed` instead of the clock; afterwards the
//                          clock again
//   scoped_folder f(dir)   the working directory is `dir`; afterwards the
//                          one before (throws std::filesystem::filesystem_error
//                          when `dir` cannot be entered)
#pragma once

#include <cstdint>
#include <filesystem>

#include "prng.h"

namespace hc::test {

class scoped_seed {
 public:
  explicit scoped_seed(std::uint64_t seed) { prng_fix_seed(seed); }
  ~scoped_seed() { prng_clock_seed(); }
  scoped_seed(const scoped_seed&) = delete;
  scoped_seed& operator=(const scoped_seed&) = delete;
};

class scoped_folder {
 public:
  explicit scoped_folder(const std::filesystem::path& dir)
      : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~scoped_folder() {
    std::error_code ec;  // a destructor must not throw; the folder before stays
    std::filesystem::current_path(before_, ec);
  }
  scoped_folder(const scoped_folder&) = delete;
  scoped_folder& operator=(const scoped_folder&) = delete;

 private:
  std::filesystem::path before_;
};

}  // namespace hc::test
