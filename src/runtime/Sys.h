// What the run-time layer needs of the operating system: the calls that differ from one system to
// the next, each system in a file of its own (Posix.cpp, Windows.cpp, Wasi.cpp), exactly one of
// which is built, chosen by the build; nothing else asks which system it is. Where the C library
// offers the POSIX calls on channels and files (POSIX and WASI), those calls are shared, in
// Files.cpp, and so is the header of what is inline, SysPosix.h (Windows: SysWindows.h).
// Everything else of the layer (buffers, the order across the channels, number formatting,
// diagnostics, the exit path) is in Runtime.cpp, once.
//
// Failures come back as the system's own error code, which Reason turns into a message worded
// alike on every system ("No such file or directory", "Is a directory", "Broken pipe", ...).
#pragma once

#include <cstddef>
#include <cstdint>

#include "Runtime.h"

namespace rt::sys {

using Error = int;

// Start-up: a standard channel that is closed fails every use (and no file opened later takes its
// place); a reader that went away shows up as a failed write, never as a silent death; argv holds
// the parameters as UTF-8, argv[0] the program (on Windows taken from the wide command line, not
// from what the C runtime made of it).
void Init(int& argc, char**& argv);

// At most n bytes, at least one; false on failure.
bool Write(Chan f, const char* p, size_t n, size_t& done, Error& err);
// At most n bytes; 0 at the end of the input; false on failure.
bool Read(Chan f, uint8_t* buf, size_t n, size_t& done, Error& err);
// Opens a file for reading; a directory is a failure ("Is a directory").
bool Open(const char* name, Chan& f, Error& err);
// True when the file system has an entry of that name, a file or a directory, or when whether it
// has one cannot be told (opening it will say why).
bool Exists(const char* name);
// Moves a seekable input back by n bytes; any other input stays as it is.
void Unread(Chan f, size_t n);
const char* Reason(Error err);

// Console events: the kinds of TEvent, and any other that the system reports, go to handler, which
// returns only for the kinds it passes on. False when the handler cannot be installed; a system
// without console events installs nothing and succeeds.
bool Install(bool (*handler)(uint32_t kind));
// Between Hold and Release no console event is handled, so a handler never meets output half
// written out; one that comes meanwhile waits. Calls nest. A handler holds for good.
void Hold();
void Release();
// Ends the process at once with the status; nothing is written. A console event that is being
// handled meanwhile ends the process itself, with its own status.
[[noreturn]] void End(int status);

} // namespace rt::sys

// The system's header, named by the build, gives inline, so that where they do nothing they cost
// nothing: Guard() and Unguard(), which enclose every change of the held output, and
// kSlashOptions, whether every parameter that starts with "/" is an option.
#ifndef KEL_SYS_HEADER
#error "KEL_SYS_HEADER names the system's header; the build defines it"
#endif
#include KEL_SYS_HEADER
