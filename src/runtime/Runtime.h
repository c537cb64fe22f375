// The run-time layer: the three standard channels, number formatting by the field rule, the
// process parameters, a few text helpers, and the one exit path of the process. What differs
// from one operating system to the next is behind Sys.h.
//
// Promises:
// - Every line end written is CR LF; texts and input bytes pass unchanged.
// - Output is held in one buffer per channel, but the order of bytes across standard output and
//   the error output is kept: writing to one channel first writes out what the other holds.
//   Everything held is written out before the process waits for input (RdBin) and at every end.
// - A failed write never ends in status 0: the process ends with status 9 and, where the error
//   output still works, a diagnostic line.
// - Exit may be called from a console-event handler: it takes no lock a handler could find taken
//   for good and allocates nothing. While held output is being written no event is handled, so
//   no byte is written twice or lost; an event that came meanwhile is handled after it, so an
//   interrupted run never ends in status 0.
// - A seekable input is left where kel stopped using it: see LeaveInput.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

// A channel is a small number that names an open stream, 0 to 2 the standard ones. What it stands
// for is the system's affair: a file descriptor on POSIX and WASI, an index into Windows.cpp's
// table of handles on Windows.
using Chan = int;
constexpr Chan StdIn = 0;
constexpr Chan StdOut = 1;
constexpr Chan ErrOut = 2;

// Prepares the parameters (empty ones are dropped) and the standard channels. First call of main.
void Init(int argc, char** argv);

// Writes the text s up to its first NUL, or up to cap characters when there is none.
void WrStr(Chan f, const char* s, size_t cap = SIZE_MAX);
void WrLn(Chan f);
void WrChar(Chan f, char c);
// Decimal numbers, right-aligned in a field of width w, never cut.
void WrInt(Chan f, int32_t x, uint32_t w);
void WrCard(Chan f, uint32_t x, uint32_t w);

// Opens the named file for reading; a directory or any failure is a fatal run-time error.
Chan OpenRead(const char* name);
// Writes out all held output, then reads up to n bytes; 0 means the end of the input. A read
// failure is a fatal run-time error.
size_t RdBin(Chan f, uint8_t* buf, size_t n);
// True when the file system has an entry of that name, a file or a directory.
bool Exists(const char* name);
// At every end of the process a seekable input is left just behind the last byte kel used, so that
// the next reader of a shared input starts there: count tells how many of the bytes that RdBin
// delivered last the reader has not used, and the input goes back by that many. An input that
// cannot seek (a pipe, a terminal) keeps what was read.
void LeaveInput(size_t (*count)());

// The kinds of console event, numbered as the Windows console numbers them; POSIX signals stand
// for them. A handler may also be given a kind without a name here (3, 4, above 6).
enum TEvent : uint32_t { evInterrupt = 0, evBreak = 1, evClose = 2, evLogOff = 5, evShutdown = 6 };

// Installs the console-event handler, called with the kind of each event; false when that fails.
bool InstallHandler(bool (*handler)(uint32_t kind));

// Whether every parameter that starts with "/" is an option (Windows), or only "/h" and "/?"
// (POSIX systems, where absolute paths start with "/").
bool SlashOptions();

// The parameters after the program's name, empty ones not counted; numbered from 1.
uint32_t ParamCount();
const char* Param(uint32_t n); // the whole parameter
// Copied into s, cut to at most cap bytes but never inside a UTF-8 character (no NUL when it
// fills s).
void ParamStr(char* s, size_t cap, uint32_t n);

// Text helpers on fixed-capacity texts (ended by the first NUL or by the capacity).
size_t Length(const char* s, size_t cap);
void Delete(char* s, size_t cap, size_t p, size_t n);
int Compare(const char* a, size_t capA, const char* b);

// Ends the process: writes out all held output, then exits with the status.
[[noreturn]] void Exit(int status);
// A fatal run-time error: "Fatal error: " kind "." on the error output, then status 9.
[[noreturn]] void Fatal(const char* kind);

} // namespace rt
