// Checked signed 32-bit arithmetic, shared by the parser's folding and the virtual machine, so a
// folded result and an executed one can never disagree. A result that does not fit is never
// wrapped: it is a fatal run-time error.
#pragma once

#include <cstdint>

#include "Runtime.h"

namespace rt {

inline int32_t Fit(int64_t r) {
    if (r < INT32_MIN || r > INT32_MAX) Fatal("Integer overflow");
    return static_cast<int32_t>(r);
}

inline int32_t Add(int32_t x, int32_t y) { return Fit(int64_t{x} + y); }
inline int32_t Sub(int32_t x, int32_t y) { return Fit(int64_t{x} - y); }
inline int32_t Mul(int32_t x, int32_t y) { return Fit(int64_t{x} * y); }
inline int32_t Neg(int32_t x) { return Fit(-int64_t{x}); }

// Floored quotient: truncate, then step down when the remainder is negative. Division is defined
// for positive divisors only; the machine tests for zero itself before it calls this.
inline int32_t Div(int32_t x, int32_t y) {
    if (y == 0) Fatal("Division by zero");
    if (y < 0) Fatal("Negative divisor");
    int32_t q = x / y;
    if (x % y < 0) q = q - 1;
    return q;
}

} // namespace rt
