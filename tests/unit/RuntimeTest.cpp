// The run-time layer: the field rule, texts, line ends, the order of output across the two
// channels, write-out before input and at the end, and the checked arithmetic.
#include <cstdint>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Harness.h"
#include "runtime/Arith.h"
#include "runtime/Runtime.h"

namespace {

TEST(Runtime, NumbersFollowTheFieldRule) {
    struct Case {
        bool card; // WrCard, else WrInt
        int64_t x;
        uint32_t w;
        const char* text;
    } const cases[] = {
        {true, 5, 4, "   5"},
        {true, 7, 1, "7"},
        {true, 7, 0, "7"},
        {true, 0, 0, "0"},
        {true, 1024, 4, "1024"},
        {true, 12345, 4, "12345"},
        {true, 4294967295, 0, "4294967295"},
        {true, 4294967295, 4, "4294967295"},
        {false, 0, 4, "   0"},
        {false, -5, 4, "  -5"},
        {false, -123, 4, "-123"},
        {false, -12, 1, "-12"},
        {false, 2147483647, 0, "2147483647"},
        {false, -2147483648, 0, "-2147483648"},
        {false, -2147483648, 4, "-2147483648"},
    };
    for (const Case& c : cases) {
        Outcome r = InChild([&] {
            if (c.card) {
                rt::WrCard(rt::StdOut, static_cast<uint32_t>(c.x), c.w);
            } else {
                rt::WrInt(rt::StdOut, static_cast<int32_t>(c.x), c.w);
            }
        });
        EXPECT_EQ(r.out, c.text) << (c.card ? "WrCard(" : "WrInt(") << c.x << ", " << c.w << ")";
    }
}

TEST(Runtime, TextsLineEndsAndCharacters) {
    Outcome r = InChild([] {
        const char full[4] = {'a', 'b', 'c', 'd'}; // fills its capacity, no NUL
        const char cut[4] = {'x', '\0', 'y', 'z'};
        rt::WrStr(rt::StdOut, full, sizeof full);
        rt::WrStr(rt::StdOut, cut, sizeof cut);
        rt::WrChar(rt::StdOut, '\t');
        rt::WrStr(rt::StdOut, "\xff\n"); // bytes pass unchanged
        rt::WrLn(rt::StdOut);
        rt::WrLn(rt::ErrOut);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "abcdx\t\xff\n\r\n");
    EXPECT_EQ(r.err, "\r\n");
}

TEST(Runtime, KeepsTheOrderAcrossBothChannels) {
    Outcome r = InChild([] {
        dup2(1, 2); // both channels into one file, as on a console
        rt::WrStr(rt::StdOut, "1");
        rt::WrStr(rt::ErrOut, "2");
        rt::WrStr(rt::ErrOut, "3");
        rt::WrStr(rt::StdOut, "4");
        rt::Fatal("Integer overflow");
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "1234Fatal error: Integer overflow.\r\n");
}

TEST(Runtime, WritesOutEverythingBeforeWaitingForInput) {
    Outcome r = InChild([] {
        rt::WrStr(rt::StdOut, "prompt");
        int empty = Source("");
        uint8_t b[8];
        size_t n = rt::RdBin(empty, b, sizeof b);
        struct stat st {};
        fstat(1, &st); // what has really reached the file by now
        Say(" read " + std::to_string(n) + ", " + std::to_string(st.st_size) + " written");
    });
    EXPECT_EQ(r.out, "prompt read 0, 6 written");
}

TEST(Runtime, LargeOutputIsWrittenWhole) {
    Outcome r = InChild([] {
        for (int i = 0; i < 10000; ++i) {
            rt::WrInt(rt::StdOut, i, 0);
            rt::WrLn(rt::StdOut);
        }
    });
    std::string want;
    for (int i = 0; i < 10000; ++i) want += std::to_string(i) + "\r\n";
    EXPECT_EQ(r.out, want);
}

TEST(Runtime, FailedWriteEndsWithStatus9) {
    Outcome r = InChild([] {
        char name[] = "kel";
        char* argv[] = {name, nullptr};
        rt::Init(1, argv); // a reader that went away must not kill the process silently
        int p[2];
        if (pipe(p) != 0) return;
        close(p[0]);
        dup2(p[1], 1);
        rt::WrStr(rt::StdOut, "lost");
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.err, "Fatal error: cannot write standard output: Broken pipe.\r\n");
}

TEST(Runtime, FilesAndDirectories) {
    EXPECT_TRUE(rt::Exists("/"));
    EXPECT_FALSE(rt::Exists("/nonexistent-kel-unit/x"));
    Outcome r = InChild([] { rt::OpenRead("/"); });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.err, "Fatal error: cannot open '/': Is a directory.\r\n");
    r = InChild([] { rt::OpenRead("/nonexistent-kel-unit/x"); });
    EXPECT_EQ(r.err,
              "Fatal error: cannot open '/nonexistent-kel-unit/x': No such file or directory.\r\n");
}

TEST(Arith, ResultsAtTheEdgesOfTheRange) {
    EXPECT_EQ(rt::Add(INT32_MAX - 1, 1), INT32_MAX);
    EXPECT_EQ(rt::Add(INT32_MIN, INT32_MAX), -1);
    EXPECT_EQ(rt::Sub(INT32_MIN + 1, 1), INT32_MIN);
    EXPECT_EQ(rt::Sub(-1, INT32_MAX), INT32_MIN);
    EXPECT_EQ(rt::Mul(-65536, 32768), INT32_MIN);
    EXPECT_EQ(rt::Mul(46340, 46340), 2147395600);
    EXPECT_EQ(rt::Neg(INT32_MAX), -INT32_MAX);
}

TEST(Arith, OverflowIsAFatalError) {
    const std::string msg = Exactly("Fatal error: Integer overflow.\r\n");
    EXPECT_EXIT((void)rt::Add(INT32_MAX, 1), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Add(INT32_MIN, -1), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Sub(INT32_MIN, 1), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Sub(0, INT32_MIN), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Mul(65536, 65536), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Mul(INT32_MIN, -1), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Mul(46341, 46341), testing::ExitedWithCode(9), msg);
    EXPECT_EXIT((void)rt::Neg(INT32_MIN), testing::ExitedWithCode(9), msg);
}

TEST(Arith, DivisionIsFloored) {
    struct Case {
        int32_t x, y, q;
    } const cases[] = {
        {7, 2, 3},
        {-7, 2, -4},
        {-8, 2, -4},
        {0, 5, 0},
        {-1, 5, -1},
        {-7, 7, -1},
        {6, 7, 0},
        {INT32_MIN, 1, INT32_MIN},
        {INT32_MIN, 2, -1073741824},
        {INT32_MAX, INT32_MAX, 1},
        {INT32_MIN, INT32_MAX, -2},
        {-1, INT32_MAX, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::Div(c.x, c.y), c.q) << c.x << " / " << c.y;
}

TEST(Arith, DivisorMustBePositive) {
    EXPECT_EXIT((void)rt::Div(7, 0), testing::ExitedWithCode(9),
                Exactly("Fatal error: Division by zero.\r\n"));
    EXPECT_EXIT((void)rt::Div(7, -2), testing::ExitedWithCode(9),
                Exactly("Fatal error: Negative divisor.\r\n"));
    EXPECT_EXIT((void)rt::Div(INT32_MIN, -1), testing::ExitedWithCode(9),
                Exactly("Fatal error: Negative divisor.\r\n"));
}

} // namespace
