// What Sys.h takes inline on WASI.
#pragma once

namespace rt::sys {

// The host reports no console events: nothing to guard against.
inline void Guard() {}
inline void Unguard() {}

// Absolute paths start with "/": of the parameters written with "/" only "/h" and "/?" are
// options.
constexpr bool kSlashOptions = false;

} // namespace rt::sys
