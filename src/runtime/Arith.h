// The arithmetic and logic of kel's values, shared by the parser's folding and the virtual
// machine, so a folded result and an executed one can never disagree: checked signed 32-bit
// arithmetic (a result that does not fit is never wrapped: it is a fatal run-time error) and the
// encoding of Booleans as 0 and 1.
#pragma once

#include <cstdint>

#include "Runtime.h"

namespace rt {

[[noreturn]] inline void Overflow() { Fatal("Integer overflow"); }

// The checked operations of gcc and clang compute the exact result and tell whether it fits.
inline int32_t Add(int32_t x, int32_t y) {
    int32_t r;
    if (__builtin_add_overflow(x, y, &r)) Overflow();
    return r;
}

inline int32_t Sub(int32_t x, int32_t y) {
    int32_t r;
    if (__builtin_sub_overflow(x, y, &r)) Overflow();
    return r;
}

inline int32_t Mul(int32_t x, int32_t y) {
    int32_t r;
    if (__builtin_mul_overflow(x, y, &r)) Overflow();
    return r;
}

inline int32_t Neg(int32_t x) { return Sub(0, x); }

// Floored quotient: truncate, then step down when the remainder is negative. Division is defined
// for positive divisors only; the machine tests for zero itself before it calls this.
inline int32_t Div(int32_t x, int32_t y) {
    if (y == 0) Fatal("Division by zero");
    if (y < 0) Fatal("Negative divisor");
    int32_t q = x / y;
    if (x % y < 0) q = q - 1;
    return q;
}

// Booleans are 0 (FALSE) and 1 (TRUE); every other value read as a Boolean counts as TRUE.
inline bool True(int32_t x) { return x != 0; }
inline int32_t Value(bool b) { return b ? 1 : 0; }

} // namespace rt
