// The Windows command line: split by the C runtime's rules into UTF-8 parameters, and UTF-8 names
// back to UTF-16. Portable code, checked here on every system.
#include <string>

#include <gtest/gtest.h>

#include "runtime/CmdLine.h"

namespace {

char text[rt::cmdline::kTextSize];
char* argv[rt::cmdline::kMaxParams];

// The parameters of line, each in brackets: "[kel][a b]".
std::string Split(const wchar_t* line) {
    const size_t argc = rt::cmdline::Split(line, text, argv);
    std::string s;
    for (size_t k = 0; k < argc; ++k) s += "[" + std::string(argv[k]) + "]";
    return argv[argc] == nullptr ? s : s + "(no null pointer)";
}

TEST(CmdLine, SplitsAsTheCRuntimeDoes) {
    struct {
        const wchar_t* line;
        const char* params;
    } const table[] = {
        {L"", "[]"},
        {L"kel", "[kel]"},
        {L"kel  a\tb  ", "[kel][a][b]"},
        // The program's name: quotes group, backslashes are themselves.
        {L"\"C:\\Program Files\\kel.exe\" x", "[C:\\Program Files\\kel.exe][x]"},
        {L"C:\\a\\\"b c\" x", "[C:\\a\\b c][x]"},
        {L" x", "[][x]"},
        // Quotes group blanks, also in the middle of a parameter.
        {L"kel \"a b\" c\" \"d", "[kel][a b][c d]"},
        // Empty parameters are kept (rt::Init drops them).
        {L"kel \"\" x \"\"", "[kel][][x][]"},
        // Backslashes: themselves unless a quote follows; then pairs halve, an odd one escapes it.
        {L"kel a\\b a\\\\b \\\\server\\share\\", "[kel][a\\b][a\\\\b][\\\\server\\share\\]"},
        {L"kel a\\\"b", "[kel][a\"b]"},
        {L"kel a\\\\\"b c\"", "[kel][a\\b c]"},
        {L"kel a\\\\\\\"b", "[kel][a\\\"b]"},
        {L"kel \"C:\\dir\\\\\" x", "[kel][C:\\dir\\][x]"},
        // "" inside a quoted part is a quote, and the part goes on.
        {L"kel \"a\"\"b\" c", "[kel][a\"b][c]"},
        {L"kel a\"b\"\" c d", "[kel][ab\" c d]"},
        {L"kel \"\"\"\"", "[kel][\"]"},
        // An open quote runs to the end.
        {L"kel \"a b", "[kel][a b]"},
        // UTF-8: two, three and four bytes; an unpaired surrogate as three bytes.
        {L"kel \x100.kel \x20AC \xD83D\xDE00",
         "[kel][\xC4\x80.kel][\xE2\x82\xAC][\xF0\x9F\x98\x80]"},
        {L"kel a\xD800 \xDC00", "[kel][a\xED\xA0\x80][\xED\xB0\x80]"},
    };
    for (const auto& t : table)
        EXPECT_EQ(Split(t.line), t.params)
            << "line " << testing::PrintToString(std::wstring(t.line));
}

TEST(CmdLine, TheLongestLineFits) {
    // Every unit a parameter's three-byte character or a blank, and every blank starting one: the
    // most bytes and the most parameters a line can give.
    std::wstring line(rt::cmdline::kMaxUnits, L'\x20AC');
    for (size_t k = 1; k < line.size(); k += 2) line[k] = L' ';
    const size_t argc = rt::cmdline::Split(line.c_str(), text, argv);
    EXPECT_EQ(argc, rt::cmdline::kMaxUnits / 2 + 1);
    EXPECT_STREQ(argv[argc - 1], "\xE2\x82\xAC");
    // One name of three-byte characters: the most bytes.
    const std::wstring name(rt::cmdline::kMaxUnits, L'\x20AC');
    EXPECT_EQ(rt::cmdline::Split(name.c_str(), text, argv), 1u);
    EXPECT_EQ(std::string(argv[0]).size(), 3 * rt::cmdline::kMaxUnits);
    // A longer line cannot come from the system; its rest is left out.
    line += L" x";
    EXPECT_EQ(rt::cmdline::Split(line.c_str(), text, argv), argc);
}

TEST(CmdLine, WidensNamesBack) {
    struct {
        const char* name;
        std::wstring units;
    } const table[] = {
        {"prog.kel", L"prog.kel"},
        {"\xC4\x80\xE2\x82\xAC\xF0\x9F\x98\x80", L"\x100\x20AC\xD83D\xDE00"},
        {"a\xED\xA0\x80", L"a\xD800"}, // an unpaired surrogate comes back
        // Bytes that start no valid sequence: one U+FFFD each.
        {"\x80x\xC4", L"\xFFFDx\xFFFD"},
        {"\xC0\xAF\xF5\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"\xF4\x90\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD"}, // above U+10FFFF
        {"\xE2\x82", L"\xFFFD\xFFFD"},
    };
    for (const auto& t : table) {
        wchar_t w[16];
        ASSERT_TRUE(rt::cmdline::Widen(t.name, w, 16));
        EXPECT_EQ(std::wstring(w), t.units) << testing::PrintToString(std::string(t.name));
    }
    wchar_t w[4];
    EXPECT_TRUE(rt::cmdline::Widen("abc", w, 4));
    EXPECT_FALSE(rt::cmdline::Widen("abcd", w, 4));
    EXPECT_FALSE(rt::cmdline::Widen("ab\xF0\x9F\x98\x80", w, 4)); // a pair needs two units
}

} // namespace
