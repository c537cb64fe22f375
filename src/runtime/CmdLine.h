// Windows hands a program its parameters as one line of UTF-16 text. Split cuts that line into
// parameters as the C runtime does and converts each to UTF-8; Widen converts a UTF-8 name back to
// UTF-16 for the system's calls. Neither allocates. The code is portable, so the host's unit tests
// check it; only the Windows build uses it. wchar_t holds one UTF-16 unit (it is wider elsewhere).
//
// Unpaired surrogates, which Windows names may hold, pass both ways unchanged: Split writes them
// as three-byte sequences and Widen reads those back. A byte that starts no valid sequence becomes
// U+FFFD.
#pragma once

#include <cstddef>

namespace rt::cmdline {

// A command line has at most kMaxUnits units; Split ignores any beyond. Its parameters take at
// most 3 bytes per unit (a surrogate pair of two units takes 4) and a NUL each; every parameter
// after the first takes at least two units (a blank before it and a character or a quote).
constexpr size_t kMaxUnits = 32767;
constexpr size_t kTextSize = 3 * kMaxUnits + kMaxUnits / 2 + 2;
constexpr size_t kMaxParams = kMaxUnits / 2 + 2; // with the null pointer after the last one

// Splits line (ended by a 0 unit) into parameters, argv[0] the program's name, each a NUL-ended
// text in text (kTextSize bytes); argv (kMaxParams entries) ends with a null pointer. Returns the
// number of parameters, 1 or more; empty ones ("") are kept.
size_t Split(const wchar_t* line, char* text, char** argv);

// The UTF-16 form of the NUL-ended UTF-8 text s, ended by a 0 unit, in w (cap units). False when
// it does not fit.
bool Widen(const char* s, wchar_t* w, size_t cap);

} // namespace rt::cmdline
