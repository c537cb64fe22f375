// The argument tokenizer: turns the command-line parameters, one per Read, into tokens: an
// option (its text without the leading "-" or "/"), an argument, or the end of the arguments.
//
// A parameter of two or more characters that starts with "-" is an option, and so on Windows is one
// that starts with "/". On POSIX systems every absolute path begins with "/", so there only "/h"
// and "/?" are options written with "/"; any other parameter starting with "/" is an argument (a
// file name). The run-time layer says which rule holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Args {

enum TSymbol : uint8_t { symNull, symArg, symOpt, symEOA };

constexpr size_t kLitSize = 256;
using TLitStr = char[kLitSize];

extern uint32_t cnt;    // parameters, empty ones not counted
extern uint32_t idx;    // the number of the next parameter, from 1
extern TSymbol sym;     // the kind of the current token
extern TLitStr lit;     // its text, cut to 256 bytes, not inside a character (256: no NUL)
extern uint32_t len;    // the bytes in lit
extern const char* arg; // the whole parameter behind an argument token, never cut

void Init(); // start-up: Reset; runs once
void Reset();
void Read();

} // namespace Args
