// What Sys.h takes inline on Windows.
#pragma once

namespace rt::sys {

// A console event is handled on a thread of its own, beside the main thread: the held output is
// locked while it changes.
inline void Guard() { Hold(); }
inline void Unguard() { Release(); }

// Every parameter that starts with "/" is an option, as in the system's own programs.
constexpr bool kSlashOptions = true;

} // namespace rt::sys
