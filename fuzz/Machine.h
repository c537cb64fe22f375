// The model of kel's stack machine, shared by the oracle's trace replay and the model of the
// whole compile-and-run: one step per command, each with the diagnostic it must end the run with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oracle {

constexpr int64_t kMin = INT32_MIN;
constexpr int64_t kMax = INT32_MAX;
constexpr uint32_t kCodeSize = 1024;
constexpr uint32_t kStackSize = 32;
constexpr uint32_t kVarCount = 32;

struct Cmd {
    uint32_t at = 0;
    std::string mn; // "Val", "Lod", "Sto" or an operation name
    int64_t arg = 0;
};

// The model of the stack machine. Step returns the diagnostic that the command must end the
// run with, or "" when it runs.
struct Machine {
    uint32_t len = 0;
    std::vector<int64_t> stack;
    int64_t vars[kVarCount] = {};
    std::vector<std::string> out;

    static bool Fits(int64_t v) { return v >= kMin && v <= kMax; }

    // Floored quotient of x by y; y > 0.
    static int64_t Div(int64_t x, int64_t y) {
        int64_t q = x / y;
        if (x % y < 0) q -= 1;
        return q;
    }

    std::string Step(const Cmd& c) {
        const bool withArg = c.mn == "Val" || c.mn == "Lod" || c.mn == "Sto";
        if ((c.mn == "Lod" || c.mn == "Sto") && c.arg >= kVarCount) return "Comp: Invalid index.";
        const uint32_t size = withArg ? 5 : 2;
        if (len + size > kCodeSize) return "Comp: Program too large.";
        len += size;
        if (c.mn == "Val" || c.mn == "Lod") {
            if (stack.size() >= kStackSize) return "Comp: Stack overflow.";
            stack.push_back(c.mn == "Val" ? c.arg : vars[c.arg]);
            return "";
        }
        const bool binary =
            c.mn != "Sto" && c.mn != "Wrt" && c.mn != "WrB" && c.mn != "Neg" && c.mn != "Not";
        if (stack.size() < (binary ? 2u : 1u)) return "Comp: Stack underflow.";
        const int64_t y = stack.back();
        stack.pop_back();
        if (c.mn == "Sto") {
            vars[c.arg] = y;
            return "";
        }
        if (c.mn == "Wrt" || c.mn == "WrB") {
            out.push_back(c.mn == "Wrt" ? std::to_string(y) : y != 0 ? "TRUE" : "FALSE");
            return "";
        }
        int64_t r = 0;
        if (c.mn == "Neg") r = -y;
        if (c.mn == "Not") r = y == 0;
        if (binary) {
            const int64_t x = stack.back();
            stack.pop_back();
            if ((c.mn == "Div" && y == 0) || (c.mn == "Vid" && x == 0))
                return "Comp: Division by zero.";
            if ((c.mn == "Div" && y < 0) || (c.mn == "Vid" && x < 0))
                return "Fatal error: Negative divisor.";
            if (c.mn == "Add") r = x + y;
            if (c.mn == "Sub") r = x - y;
            if (c.mn == "Mul") r = x * y;
            if (c.mn == "Bus") r = y - x;
            if (c.mn == "Div") r = Div(x, y);
            if (c.mn == "Vid") r = Div(y, x);
            if (c.mn == "Eql") r = x == y;
            if (c.mn == "Neq") r = x != y;
            if (c.mn == "Lss") r = x < y;
            if (c.mn == "Leq") r = x <= y;
            if (c.mn == "Gtr") r = x > y;
            if (c.mn == "Geq") r = x >= y;
            if (c.mn == "Or ") r = x != 0 || y != 0;
            if (c.mn == "And") r = x != 0 && y != 0;
        }
        if (!Fits(r)) return "Fatal error: Integer overflow.";
        stack.push_back(r);
        return "";
    }
};

} // namespace oracle
