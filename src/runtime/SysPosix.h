// What Sys.h takes inline on POSIX systems, and on WASI, whose paths are POSIX paths and whose
// host reports no console events at all.
#pragma once

namespace rt::sys {

// A console event is a signal, handled on the thread that it interrupts, which cannot wait for a
// lock that thread holds. None is needed: the output's byte count grows only after the bytes are
// in place, so the handler writes out complete bytes.
inline void Guard() {}
inline void Unguard() {}

// Absolute paths start with "/": of the parameters written with "/" only "/h" and "/?" are
// options.
constexpr bool kSlashOptions = false;

} // namespace rt::sys
