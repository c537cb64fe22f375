// The argument tokenizer, driven through the run-time layer's parameters as main would.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Args.h"
#include "Harness.h"
#include "runtime/Runtime.h"

namespace {

// The current token as "kind(text,len)".
std::string Token() {
    static const char* const kinds[] = {"Null", "Arg", "Opt", "EOA"};
    return std::string(kinds[Args::sym]) + "(" +
           std::string(Args::lit, strnlen(Args::lit, Args::kLitSize)) + "," +
           std::to_string(Args::len) + ")";
}

// Starts the tokenizer on the given parameters (the program's name comes first) and reports the
// count and the tokens of reads until two past the last parameter: "cnt=N token token ...".
Outcome Tokens(std::vector<std::string> params, int extra = 2) {
    return InChild([&] {
        params.insert(params.begin(), "kel");
        std::vector<char*> argv;
        for (std::string& p : params) argv.push_back(p.data());
        argv.push_back(nullptr);
        rt::Init(static_cast<int>(params.size()), argv.data());
        Args::Init();
        std::string s = "cnt=" + std::to_string(Args::cnt) + " " + Token();
        for (uint32_t k = 0, n = Args::cnt + static_cast<uint32_t>(extra); k < n; ++k) {
            Args::Read();
            s += ' ';
            s += Token();
        }
        Say(s);
    });
}

TEST(Args, OptionsAndArguments) {
    struct Case {
        std::vector<std::string> params;
        const char* tokens;
    } const cases[] = {
        {{}, "cnt=0 Null(,0) EOA(,0) EOA(,0)"},
        {{"-"}, "cnt=1 Null(,0) Arg(-,1) EOA(,0) EOA(,0)"},
        {{"/"}, "cnt=1 Null(,0) Arg(/,1) EOA(,0) EOA(,0)"},
        {{"-?", "/h", "/?", "-h"},
         "cnt=4 Null(,0) Opt(?,1) Opt(h,1) Opt(?,1) Opt(h,1) EOA(,0) EOA(,0)"},
        {{"--x"}, "cnt=1 Null(,0) Opt(-x,2) EOA(,0) EOA(,0)"},
        {{"-x", "file.k"}, "cnt=2 Null(,0) Opt(x,1) Arg(file.k,6) EOA(,0) EOA(,0)"},
        // Absolute paths begin with "/": only "/h" and "/?" are options written that way.
        {{"/tmp/x", "/x", "/hh", "//"},
         "cnt=4 Null(,0) Arg(/tmp/x,6) Arg(/x,2) Arg(/hh,3) Arg(//,2) EOA(,0) EOA(,0)"},
        // Empty parameters are dropped and not counted.
        {{"", "a", "", "", "b", ""}, "cnt=2 Null(,0) Arg(a,1) Arg(b,1) EOA(,0) EOA(,0)"},
        {{""}, "cnt=0 Null(,0) EOA(,0) EOA(,0)"},
    };
    for (const Case& c : cases) {
        Outcome r = Tokens(c.params);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.tokens) << "parameters: " << testing::PrintToString(c.params);
    }
}

TEST(Args, LongParametersAreCut) {
    // An argument keeps its first 256 characters in lit (which then has no NUL); arg keeps all.
    std::string arg(299, 'x');
    arg += 'y';
    std::string opt = "-" + std::string(299, 'z');
    Outcome r = InChild([&] {
        std::string a = arg, o = opt;
        char name[] = "kel";
        char* argv[] = {name, a.data(), o.data(), nullptr};
        rt::Init(3, argv);
        Args::Init();
        Args::Read();
        Say(Token() + " arg " + std::to_string(strlen(Args::arg)) +
            (Args::arg == arg ? " whole" : " cut") + "\n");
        Args::Read();
        Say(Token() + "\n");
    });
    EXPECT_EQ(r.out, "Arg(" + std::string(256, 'x') + ",256) arg 300 whole\n" + "Opt(" +
                         std::string(255, 'z') + ",255)\n");
}

TEST(Args, ALongParameterIsCutAtTheLastWholeUtf8Character) {
    const auto times = [](const std::string& s, size_t n) {
        std::string r;
        for (size_t k = 0; k < n; ++k) r += s;
        return r;
    };
    const std::string zh = "\xe4\xb8\xad", smile = "\xf0\x9f\x98\x80", e = "\xc3\xa9";
    struct Case {
        std::string param;
        std::string token; // kind and the bytes of the parameter that lit keeps
        size_t from, len;
    } const cases[] = {
        {times(zh, 100), "Arg", 0, 255},
        {"a" + times(zh, 100), "Arg", 0, 256}, // the 86th character ends at byte 256
        {"ab" + times(smile, 70), "Arg", 0, 254},
        {"x" + times(e, 200), "Arg", 0, 255},
        {"-" + times(zh, 100), "Opt", 1, 255},     // 256 bytes, then without the "-"
        {std::string(300, '\x80'), "Arg", 0, 256}, // not UTF-8: cut where it is
    };
    for (const Case& c : cases) {
        Outcome r = Tokens({c.param}, 0);
        EXPECT_EQ(r.out, "cnt=1 Null(,0) " + c.token + "(" + c.param.substr(c.from, c.len) + "," +
                             std::to_string(c.len) + ")")
            << "parameter of " << c.param.size() << " bytes, starting " << c.param.substr(0, 4);
    }
}

TEST(Args, ResetStartsOver) {
    Outcome r = InChild([] {
        char name[] = "kel", a[] = "a", b[] = "-b";
        char* argv[] = {name, a, b, nullptr};
        rt::Init(3, argv);
        Args::Init();
        Args::Read();
        Args::Read();
        Args::Read();
        Say(Token() + " idx=" + std::to_string(Args::idx));
        Args::Reset();
        Say(" ");
        Say(Token() + " idx=" + std::to_string(Args::idx));
        Args::Read();
        Say(" ");
        Say(Token());
    });
    EXPECT_EQ(r.out, "EOA(,0) idx=3 Null(,0) idx=1 Arg(a,1)");
}

} // namespace
