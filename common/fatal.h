// The exit statuses of every program, and the one way a program ends on a
// failure.
//
// Exit statuses (the same failure gives the same status in every program):
//   ok        0   success
//   output    1   an output file (or standard output) cannot be created or
//                 written
//   input     2   an input cannot be read: missing, unreadable, a directory,
//                 a read error
//   size      3   sizes beyond the program: counts, degrees or numbers of
//                 paths that its 32-bit numbering or its arrays cannot hold
//                 (in input.num as well), a power too long to expand
//                 (eqtrans)
//   memory    4   memory exhausted
//   library   5   the evaluator library ./MEva.so cannot be bound, or was not
//                 generated for the supports of input.num
//   usage    64   a command line the program does not take
//   data     65   malformed or refused input: a syntax error (a byte outside
//                 the notation too), a refused operation or a coefficient
//                 that is not finite (eqtrans), a malformed input.num or one
//                 of fewer equations than unknowns, an answer that is not an
//                 integer or is missing
//   internal 70   a routine called outside its contract (never in a correct
//                 run)
//
// Messages: one line on standard error, "<program>: <text>", the program's
// name being the file name it was started under; bytes of the text that are
// not printable ASCII are shown as \xHH.
//
//   report(text)          writes the message and returns
//   fatal(status, text)   flushes standard output (the buffered records of
//       the run are not lost), removes the temporaries of output files not
//       yet committed (outfile.h), writes the message and exits with status
//   fatal_errno(status, what, err)  fatal with "<what>: <strerror(err)>"
//   flush_output()        flushes standard output (std::cout and stdout) and
//       keeps the reason of the first write to it that failed
//   stdout_status()       at the end of a run: flushes standard output and
//       returns status::ok, or reports "cannot write standard output: <the
//       reason>" and returns status::output when a write to it failed
//   escaped(text)         the text with every byte outside 0x20..0x7e as \xHH
//   program_name()        the name messages start with
//   catch_memory_exhaustion()  from now on a failed allocation ends the
//       program with fatal(memory, "out of memory"), wherever it happens
//       (operator new's handler, so no exception has to reach main); an
//       exception that nothing catches ends it through fatal as well, with
//       status memory for a size beyond what a container can hold and
//       internal for any other, instead of an abort
//   on_fatal(hook)        hook() runs inside fatal before the message is
//       written (the output files register their cleanup here)
//   intercept(sink, stop)  for the fuzz targets: every message line goes to
//       sink instead of standard error, and fatal calls stop(status) first,
//       which throws to take the run back (nullptr: the normal behaviour)
#pragma once

#include <string>
#include <string_view>

namespace hc {

namespace status {
constexpr int ok = 0;
constexpr int output = 1;
constexpr int input = 2;
constexpr int size = 3;
constexpr int memory = 4;
constexpr int library = 5;
constexpr int usage = 64;
constexpr int data = 65;
constexpr int internal = 70;
}  // namespace status

const char* program_name();
std::string escaped(std::string_view text);
void report(std::string_view text);
void flush_output();
int stdout_status();
[[noreturn]] void fatal(int exit_status, std::string_view text);
[[noreturn]] void fatal_errno(int exit_status, std::string_view what, int err);
void catch_memory_exhaustion();
void on_fatal(void (*hook)());
void intercept(void (*sink)(std::string_view line), void (*stop)(int exit_status));

}  // namespace hc
