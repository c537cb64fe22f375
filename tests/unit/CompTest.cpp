// The code store and the machine, driven through the four emitters as the parser drives them:
// what each command writes to standard output, the generation trace on the error output, the
// store's capacity, and the machine's errors.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "../Trace.h"
#include "Comp.h"
#include "Harness.h"

namespace {

using namespace Comp;

const char* const kNames[] = {"Null", "Wrt", "WrB", "Neg", "Add", "Sub", "Mul", "Div", "Bus", "Vid",
                              "Eql",  "Neq", "Lss", "Leq", "Gtr", "Geq", "Not", "Or ", "And"};

// The last lines of a long trace, for failure messages.
std::string Tail(const std::string& s) { return s.substr(s.size() > 300 ? s.size() - 300 : 0); }

// Runs the commands on a freshly started code store and machine.
Outcome Emit(const std::function<void()>& commands) {
    return InChild([&] {
        Init();
        commands();
    });
}

TEST(Comp, NoCommandWritesNoTrace) {
    Outcome r = Emit([] {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

// x := 7; WRITE x / 2
void WorkedExample() {
    Val(7);
    Sto(0);
    Lod(0);
    Val(2);
    Opr(oDiv);
    Opr(oWrt);
}

TEST(Comp, WorkedExample) {
    const std::string trace = kTraceHeader + TraceLine(0, "Val 7") + TraceLine(5, "Sto 0") +
                              TraceLine(10, "Lod 0") + TraceLine(15, "Val 2") +
                              TraceLine(20, "Div") + TraceLine(22, "Wrt");
    Outcome r = Emit(WorkedExample);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\r\n");
    EXPECT_EQ(r.err, trace);

    // On one console the value appears right after the command that wrote it.
    r = Emit([] {
        dup2(1, 2);
        WorkedExample();
        Val(1);
    });
    EXPECT_EQ(r.out, trace + "3\r\n" + TraceLine(24, "Val 1"));
}

TEST(Comp, TracePositionsFollowTheCommandSizes) {
    Outcome r = Emit([] {
        Val(-5);
        Lod(31); // never assigned: 0
        Opr(oOr);
        Opr(oWrB);
        Val(INT32_MIN);
        Sto(31);
        Lod(31);
        Opr(oWrt);
        Lod(6);
        Opr(oWrB);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "TRUE\r\n-2147483648\r\nFALSE\r\n");
    EXPECT_EQ(r.err, kTraceHeader + TraceLine(0, "Val -5") + TraceLine(5, "Lod 31") +
                         TraceLine(10, "Or ") + TraceLine(12, "WrB") +
                         TraceLine(14, "Val -2147483648") + TraceLine(19, "Sto 31") +
                         TraceLine(24, "Lod 31") + TraceLine(29, "Wrt") + TraceLine(31, "Lod 6") +
                         TraceLine(36, "WrB"));
}

// One operation on values pushed with Val; its result is written with Wrt. An expected text
// that starts with "Comp:" or "Fatal error:" is the error line that must end the run instead.
struct OpCase {
    std::vector<int32_t> push;
    TOperation op;
    std::string result;
};

void CheckOps(const std::vector<OpCase>& cases) {
    for (const OpCase& c : cases) {
        Outcome r = Emit([&] {
            for (int32_t v : c.push) Val(v);
            Opr(c.op);
            if (c.op != oWrt && c.op != oWrB) Opr(oWrt);
        });
        std::string what = std::string(kNames[c.op]) + " " + testing::PrintToString(c.push);
        bool fails = c.result.rfind("Comp:", 0) == 0 || c.result.rfind("Fatal error:", 0) == 0;
        if (fails) {
            std::string tail = TraceLine(static_cast<uint32_t>(5 * c.push.size()), kNames[c.op]) +
                               c.result + ".\r\n";
            EXPECT_EQ(r.status, 9) << what;
            EXPECT_EQ(r.out, "") << what;
            EXPECT_TRUE(r.err.ends_with(tail)) << what << "\nerror output:\n" << r.err;
        } else {
            EXPECT_EQ(r.status, 0) << what << "\n" << r.err;
            EXPECT_EQ(r.out, c.result + "\r\n") << what;
        }
    }
}

const std::string kOverflow = "Fatal error: Integer overflow";
const std::string kByZero = "Comp: Division by zero";
const std::string kNegative = "Fatal error: Negative divisor";

TEST(Comp, Arithmetic) {
    CheckOps({
        {{5, 7}, oAdd, "12"},
        {{INT32_MAX, INT32_MIN}, oAdd, "-1"},
        {{INT32_MAX, 1}, oAdd, kOverflow},
        {{INT32_MIN, -1}, oAdd, kOverflow},
        {{3, 10}, oSub, "-7"},
        {{-1, INT32_MAX}, oSub, "-2147483648"},
        {{INT32_MIN, 1}, oSub, kOverflow},
        {{0, INT32_MIN}, oSub, kOverflow},
        {{3, 10}, oBus, "7"},
        {{1, INT32_MIN}, oBus, kOverflow},
        {{INT32_MIN, 0}, oBus, kOverflow},
        {{-65536, 32768}, oMul, "-2147483648"},
        {{65536, 65536}, oMul, kOverflow},
        {{INT32_MIN, -1}, oMul, kOverflow},
        {{INT32_MAX}, oNeg, "-2147483647"},
        {{0}, oNeg, "0"},
        {{INT32_MIN}, oNeg, kOverflow},
    });
}

TEST(Comp, DivisionIsFlooredAndNeedsAPositiveDivisor) {
    CheckOps({
        {{7, 2}, oDiv, "3"},
        {{-7, 2}, oDiv, "-4"},
        {{-8, 2}, oDiv, "-4"},
        {{0, 5}, oDiv, "0"},
        {{INT32_MIN, 1}, oDiv, "-2147483648"},
        {{7, 0}, oDiv, kByZero},
        {{0, 0}, oDiv, kByZero},
        {{7, -2}, oDiv, kNegative},
        {{INT32_MIN, -1}, oDiv, kNegative},
        // Vid divides top by top-1: the divisor is the value pushed first.
        {{3, 10}, oVid, "3"},
        {{2, -7}, oVid, "-4"},
        {{7, 0}, oVid, "0"},
        {{0, 7}, oVid, kByZero},
        {{-2, 7}, oVid, kNegative},
    });
}

TEST(Comp, ComparisonsAndBooleans) {
    CheckOps({
        {{5, 5}, oEql, "1"},
        {{5, -5}, oEql, "0"},
        {{5, -5}, oNeq, "1"},
        {{5, 5}, oNeq, "0"},
        {{1, 2}, oLss, "1"},
        {{2, 2}, oLss, "0"},
        {{2, 2}, oLeq, "1"},
        {{3, 2}, oLeq, "0"},
        {{INT32_MAX, INT32_MIN}, oGtr, "1"},
        {{INT32_MIN, INT32_MAX}, oGtr, "0"},
        {{2, 2}, oGeq, "1"},
        {{2, 3}, oGeq, "0"},
        // Any value but 0 is TRUE where a Boolean is consumed.
        {{0}, oNot, "1"},
        {{-7}, oNot, "0"},
        {{0, -3}, oOr, "1"},
        {{0, 0}, oOr, "0"},
        {{2, 4}, oAnd, "1"},
        {{2, 0}, oAnd, "0"},
        {{2}, oWrB, "TRUE"},
        {{-1}, oWrB, "TRUE"},
        {{0}, oWrB, "FALSE"},
        {{0}, oWrt, "0"},
        {{INT32_MIN}, oWrt, "-2147483648"},
    });
}

TEST(Comp, VariablesKeepTheirValues) {
    Outcome r = Emit([] {
        Val(9);
        Sto(3);
        Lod(3);
        Lod(3);
        Opr(oMul);
        Opr(oWrt);
        Lod(3);
        Opr(oWrt);
        Lod(4);
        Opr(oWrt);
    });
    EXPECT_EQ(r.out, "81\r\n9\r\n0\r\n");
}

TEST(Comp, StackHolds32Values) {
    Outcome r = Emit([] {
        for (int32_t k = 1; k <= 32; ++k) Val(k);
        for (int k = 1; k < 32; ++k) Opr(oAdd);
        Opr(oWrt);
        for (int32_t k = 1; k <= 33; ++k) Val(k);
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "528\r\n");
    const uint32_t last = 32 * 5 + 31 * 2 + 2 + 32 * 5;
    EXPECT_TRUE(r.err.ends_with(TraceLine(last - 5, "Val 32") + TraceLine(last, "Val 33") +
                                "Comp: Stack overflow.\r\n"))
        << Tail(r.err);

    r = Emit([] { Opr(oAdd); });
    EXPECT_EQ(r.err, kTraceHeader + TraceLine(0, "Add") + "Comp: Stack underflow.\r\n");
    r = Emit([] {
        Val(1);
        Sto(0);
        Sto(0);
    });
    EXPECT_EQ(r.err, kTraceHeader + TraceLine(0, "Val 1") + TraceLine(5, "Sto 0") +
                         TraceLine(10, "Sto 0") + "Comp: Stack underflow.\r\n");
}

TEST(Comp, RefusedOperandsStillShowTheirTraceLine) {
    struct Case {
        std::function<void()> command;
        const char* trace;
        const char* error;
    } const cases[] = {
        {[] { Lod(32); }, "Lod 32", "Comp: Invalid index."},
        {[] { Sto(32); }, "Sto 32", "Comp: Invalid index."},
        {[] { Lod(UINT32_MAX); }, "Lod 4294967295", "Comp: Invalid index."},
        {[] { Opr(oNull); }, "Null", "Comp: Bug: Invalid operation."},
        {[] { Opr(static_cast<TOperation>(19)); }, "???", "Comp: Bug: Invalid operation."},
        {[] { Opr(static_cast<TOperation>(255)); }, "???", "Comp: Bug: Invalid operation."},
    };
    for (const Case& c : cases) {
        Outcome r = Emit([&] {
            Val(1);
            Sto(31);
            c.command();
        });
        EXPECT_EQ(r.status, 9) << c.trace;
        EXPECT_EQ(r.err, kTraceHeader + TraceLine(0, "Val 1") + TraceLine(5, "Sto 31") +
                             TraceLine(10, c.trace) + c.error + "\r\n");
    }
}

// 101 pairs of Val and Sto: 1010 bytes of code, the value 101 in variable 0.
void Fill1010() {
    for (int32_t k = 1; k <= 101; ++k) {
        Val(k);
        Sto(0);
    }
}

TEST(Comp, TheStoreHolds1024Bytes) {
    // 1010 + 5 + 5 + 2 + 2 = 1024: the last command fits exactly and runs.
    Outcome r = Emit([] {
        Fill1010();
        Lod(0);
        Val(7);
        Opr(oAdd);
        Opr(oWrt);
        Val(1);
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "108\r\n");
    EXPECT_TRUE(r.err.ends_with(TraceLine(1020, "Add") + TraceLine(1022, "Wrt") +
                                TraceLine(1024, "Val 1") + "Comp: Program too large.\r\n"))
        << Tail(r.err);

    // With 1023 bytes in use the function byte of a Val fits, its operand does not: refused
    // before it could run.
    r = Emit([] {
        Fill1010();
        Lod(0);
        Opr(oNeg);
        Opr(oNeg);
        Opr(oNeg);
        Opr(oWrt);
        Val(1);
        Opr(oWrt);
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "-101\r\n");
    EXPECT_TRUE(r.err.ends_with(TraceLine(1021, "Wrt") + TraceLine(1023, "Val 1") +
                                "Comp: Program too large.\r\n"))
        << Tail(r.err);

    // An Opr at 1023 has the same fate.
    r = Emit([] {
        Fill1010();
        Lod(0);
        for (int k = 0; k < 5; ++k) Opr(oNeg);
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_TRUE(r.err.ends_with(TraceLine(1021, "Neg") + TraceLine(1023, "Neg") +
                                "Comp: Program too large.\r\n"));
}

TEST(Comp, OutputWrittenBeforeAnErrorStays) {
    Outcome r = Emit([] {
        Val(1);
        Opr(oWrt);
        Val(0);
        Opr(oWrB);
        Val(5);
        Lod(0);
        Opr(oDiv);
        Opr(oWrt);
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "1\r\nFALSE\r\n");
    EXPECT_TRUE(r.err.ends_with(TraceLine(24, "Div") + "Comp: Division by zero.\r\n")) << r.err;
}

} // namespace
