// evalgen: reads a system in the numeric layout on standard input and writes
// the evaluator source MEva.f90 in the working directory, replacing any
// earlier one.  No arguments, no other output.
#include <iostream>

#include "fatal.h"
#include "ffread.h"
#include "gen02.h"

int main() {
  hc::catch_memory_exhaustion();
  std::ios::sync_with_stdio(false);
  hc::ffreader in(std::cin, "standard input");
  hc::genpdp(in, "MEva.f90");
  return 0;
}
