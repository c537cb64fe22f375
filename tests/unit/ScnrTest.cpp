// The scanner: token kinds and positions, comments, numbers, identifiers and the identifier
// store, and the lexical error lines.
#include <string>
#include <string_view>
#include <utility>

#include <unistd.h>

#include <gtest/gtest.h>

#include "Harness.h"
#include "Scnr.h"

namespace {

// The current token as "Kind@l,c"; numbers add "=value".
std::string Token() {
    static const char* const kinds[] = {"Null", "Num",   "Id",  "Col",   "Bec",   "LPar", "Not",
                                        "Mul",  "Div",   "And", "Plus",  "Minus", "Or",   "Eql",
                                        "Neq",  "Lss",   "Leq", "Gtr",   "Geq",   "RPar", "Semi",
                                        "Dot",  "CONST", "VAR", "BEGIN", "WRITE", "EOF"};
    std::string s = kinds[Scnr::sym];
    if (Scnr::sym == Scnr::sNum) s += "=" + std::to_string(Scnr::num);
    return s + "@" + std::to_string(Scnr::pos.l) + "," + std::to_string(Scnr::pos.c);
}

// Starts the scanner on the source text, runs prepare (e.g. to fill the identifier store), then
// reads tokens up to the end and twice more, reporting them separated by blanks on standard
// output; an error line and status 9 show where the scan stopped.
Outcome Scan(std::string_view text, void (*prepare)() = nullptr) {
    int fd = Source(text);
    Outcome r = InChild([&] {
        Scnr::Init();
        Scnr::Use(fd);
        if (prepare != nullptr) prepare();
        for (int n = 0, after = 0; after < 3; ++n) {
            Scnr::Read();
            if (n > 0) Say(" ");
            Say(Token());
            if (Scnr::sym == Scnr::sEOF) after++;
        }
    });
    close(fd);
    return r;
}

struct Case {
    std::string source;
    std::string tokens;
    std::string error; // the error line without its full stop and line end; empty for none
};

void Check(const Case& c, void (*prepare)() = nullptr) {
    Outcome r = Scan(c.source, prepare);
    SCOPED_TRACE("source: " + testing::PrintToString(c.source.substr(0, 60)));
    EXPECT_EQ(r.out, c.tokens);
    EXPECT_EQ(r.err, c.error.empty() ? "" : c.error + ".\r\n");
    EXPECT_EQ(r.status, c.error.empty() ? 0 : 9);
}

TEST(Scnr, PositionsCountBytesAndOnlyLineFeedEndsALine) {
    const Case cases[] = {
        {"", "EOF@1,1 EOF@1,1 EOF@1,1", ""},
        {"x", "Id@1,1 EOF@1,2 EOF@1,2 EOF@1,2", ""},
        {"a\r\nb\tc", "Id@1,1 Id@2,1 Id@2,3 EOF@2,4 EOF@2,4 EOF@2,4", ""},
        {"a\n\n", "Id@1,1 EOF@3,1 EOF@3,1 EOF@3,1", ""},
        {"a\rb", "Id@1,1 Id@1,3 EOF@1,4 EOF@1,4 EOF@1,4", ""},
        // Byte 26 ends the input where it stands; what follows is never read.
        {"a\x1a"
         "b,",
         "Id@1,1 EOF@1,2 EOF@1,2 EOF@1,2", ""},
        {"\x1a", "EOF@1,1 EOF@1,1 EOF@1,1", ""},
        // Control characters, DEL and bytes above 126 separate tokens and are otherwise ignored.
        {"\x01\x7f\x80\xff x\xc3y", "Id@1,6 Id@1,8 EOF@1,9 EOF@1,9 EOF@1,9", ""},
        {"12\x80"
         "3\xff",
         "Num=12@1,1 Num=3@1,4 EOF@1,6 EOF@1,6 EOF@1,6", ""},
        {"x:=1;", "Id@1,1 Bec@1,2 Num=1@1,4 Semi@1,5 EOF@1,6 EOF@1,6 EOF@1,6", ""},
    };
    for (const Case& c : cases) Check(c);
}

// The source is read in large blocks; no token, comment or position may notice where one ends.
TEST(Scnr, LongSourcesKeepTheirPositions) {
    const std::string blanks(65530, ' ');
    const Case cases[] = {
        {blanks + "abcdefghij:=", "Id@1,65531 Bec@1,65541 EOF@1,65543 EOF@1,65543 EOF@1,65543", ""},
        {"(*" + std::string(70000, '*') + ")y", "Id@1,70004 EOF@1,70005 EOF@1,70005 EOF@1,70005",
         ""},
        {std::string(70000, '\n') + "\tx", "Id@70001,2 EOF@70001,3 EOF@70001,3 EOF@70001,3", ""},
        {blanks + "4294967295 x\r\n" + blanks + "<>",
         "Num=4294967295@1,65531 Id@1,65542 Neq@2,65531 EOF@2,65533 EOF@2,65533 EOF@2,65533", ""},
        {std::string(65535, ' ') + "(*" + blanks, "",
         "Scnr (1,65536): Unterminated comment (start pos)"},
    };
    for (const Case& c : cases) Check(c);
}

TEST(Scnr, SymbolsTakeTheirSecondCharacterOnlyWhenItFollowsDirectly) {
    const Case cases[] = {
        {"~*/&+-|=#;.)",
         "Not@1,1 Mul@1,2 Div@1,3 And@1,4 Plus@1,5 Minus@1,6 Or@1,7 Eql@1,8 Neq@1,9 "
         "Semi@1,10 Dot@1,11 RPar@1,12 EOF@1,13 EOF@1,13 EOF@1,13",
         ""},
        {":= : =", "Bec@1,1 Col@1,4 Eql@1,6 EOF@1,7 EOF@1,7 EOF@1,7", ""},
        {"<><=< >", "Neq@1,1 Leq@1,3 Lss@1,5 Gtr@1,7 EOF@1,8 EOF@1,8 EOF@1,8", ""},
        {">=> =<", "Geq@1,1 Gtr@1,3 Eql@1,5 Lss@1,6 EOF@1,7 EOF@1,7 EOF@1,7", ""},
        {"::=", "Col@1,1 Bec@1,2 EOF@1,4 EOF@1,4 EOF@1,4", ""},
        {"<", "Lss@1,1 EOF@1,2 EOF@1,2 EOF@1,2", ""},
        {"( *)", "LPar@1,1 Mul@1,3 RPar@1,4 EOF@1,5 EOF@1,5 EOF@1,5", ""},
    };
    for (const Case& c : cases) Check(c);
}

TEST(Scnr, InvalidCharacters) {
    for (char ch : std::string_view("!\"$%',?@[\\]^_`{}")) {
        Check({std::string(1, ch), "", "Scnr (1,1): Invalid character"});
    }
    Check({"a_b", "Id@1,1", "Scnr (1,2): Invalid character"});
    Check({"x\n  y,z", "Id@1,1 Id@2,3", "Scnr (2,4): Invalid character"});
}

TEST(Scnr, CommentsNestAndHoldAnyCharacter) {
    const Case cases[] = {
        {"(**)x", "Id@1,5 EOF@1,6 EOF@1,6 EOF@1,6", ""},
        {"(* (* *) *)x", "Id@1,12 EOF@1,13 EOF@1,13 EOF@1,13", ""},
        {"(*((**)*)y", "Id@1,10 EOF@1,11 EOF@1,11 EOF@1,11", ""},
        {"(***)x", "Id@1,6 EOF@1,7 EOF@1,7 EOF@1,7", ""},
        {"(* , _ ! \x1b \xff *)x", "Id@1,16 EOF@1,17 EOF@1,17 EOF@1,17", ""},
        {"((*x*))", "LPar@1,1 RPar@1,7 EOF@1,8 EOF@1,8 EOF@1,8", ""},
        {"\n(* a\n b *) x", "Id@3,7 EOF@3,8 EOF@3,8 EOF@3,8", ""},
        {"a(**)(**)b", "Id@1,1 Id@1,10 EOF@1,11 EOF@1,11 EOF@1,11", ""},
        // "(*)" opens a comment and does not close it.
        {"(*)x", "", "Scnr (1,1): Unterminated comment (start pos)"},
        {"a (* (* *)", "Id@1,1", "Scnr (1,3): Unterminated comment (start pos)"},
        {"x\n  (* (*\n*)", "Id@1,1", "Scnr (2,3): Unterminated comment (start pos)"},
        {"(* *\x1a *)", "", "Scnr (1,1): Unterminated comment (start pos)"},
    };
    for (const Case& c : cases) Check(c);
}

TEST(Scnr, Numbers) {
    const Case cases[] = {
        {"0", "Num=0@1,1 EOF@1,2 EOF@1,2 EOF@1,2", ""},
        {" 007", "Num=7@1,2 EOF@1,5 EOF@1,5 EOF@1,5", ""},
        {"4294967295", "Num=4294967295@1,1 EOF@1,11 EOF@1,11 EOF@1,11", ""},
        {"0004294967295", "Num=4294967295@1,1 EOF@1,14 EOF@1,14 EOF@1,14", ""},
        {"4294967296", "", "Scnr (1,1): Number too large"},
        {"x 42949672950", "Id@1,1", "Scnr (1,3): Number too large"},
        {"99999999999A", "", "Scnr (1,1): Number too large"},
        {"1-2", "Num=1@1,1 Minus@1,2 Num=2@1,3 EOF@1,4 EOF@1,4 EOF@1,4", ""},
        // A letter right after the digits makes no number and no name.
        {"1A", "", "Scnr (1,1): Invalid number"},
        {"x = 12z", "Id@1,1 Eql@1,3", "Scnr (1,5): Invalid number"},
        {"4294967295x", "", "Scnr (1,1): Invalid number"},
        {"1_", "Num=1@1,1", "Scnr (1,2): Invalid character"},
    };
    for (const Case& c : cases) Check(c);
}

TEST(Scnr, KeywordsAreWholeUpperCaseWords) {
    Check({"VAR BEGIN CONST WRITE",
           "VAR@1,1 BEGIN@1,5 CONST@1,11 WRITE@1,17 EOF@1,22 EOF@1,22 EOF@1,22", ""});
    // Shorter, longer and same-length neighbours of the keywords, on both sides of the search.
    const std::string names[] = {"Var",    "var",   "VARX",  "VA",    "A",     "Z",
                                 "ZZZZZZ", "AAAAA", "BEGIM", "BEGIO", "CONSU", "WRITF",
                                 "WRITE0", "ZZZZ",  "Begin", "x1y2"};
    for (const std::string& name : names) {
        std::string end = "EOF@1," + std::to_string(name.size() + 1);
        Check({name, "Id@1,1 " + end + " " + end + " " + end, ""});
    }
}

TEST(Scnr, IdentifiersTakeTheFreeOffsetUntilKept) {
    int fd = Source("foo foo b c");
    Outcome r = InChild([&] {
        Scnr::Init();
        Scnr::Use(fd);
        Say("id=" + std::to_string(Scnr::id));
        Scnr::Read();
        Say(" foo@" + std::to_string(Scnr::id));
        Scnr::Read();
        Say(" foo@" + std::to_string(Scnr::id));
        Scnr::KeepId();
        Scnr::Read();
        Say(" b@" + std::to_string(Scnr::id));
        Scnr::Read();
        Say(" c@" + std::to_string(Scnr::id));
        Say(" foo-c=" + std::to_string(Scnr::Diff(22, 26)));
    });
    close(fd);
    EXPECT_EQ(r.out, "id=22 foo@22 foo@22 b@26 c@26 foo-c=2");
}

TEST(Scnr, DiffOrdersByLengthThenCharacterCodes) {
    Outcome r = InChild([] {
        Scnr::Init();
        const char* texts[] = {"b", "B", "BEGIN", "abc", "ABC", "abc"};
        uint32_t at[6];
        for (int k = 0; k < 6; ++k) {
            at[k] = Scnr::id;
            Scnr::Put(texts[k]);
            Scnr::KeepId();
        }
        // The keywords stand at 0 (VAR), 4 (BEGIN), 10 (CONST) and 16 (WRITE).
        const std::pair<uint32_t, uint32_t> pairs[] = {
            {0, 4},         {4, 10},    {10, 16},       {4, 4},         {at[0], at[1]},
            {at[1], at[0]}, {at[2], 4}, {at[3], at[4]}, {at[3], at[5]}, {at[0], 0}};
        std::string s = "first=" + std::to_string(at[0]);
        for (auto [i, j] : pairs) {
            s += ' ';
            s += std::to_string(Scnr::Diff(i, j));
        }
        Say(s);
    });
    EXPECT_EQ(r.out, "first=22 -2 -1 -20 0 32 -32 0 32 0 -2");
}

// Fills the store behind the keywords (which end at 22) with four kept entries of 201 bytes, so
// the next identifier is written at 826 and may have 197 characters to end at offset 1023.
void FillStore() {
    for (char ch : std::string_view("pqrs")) {
        Scnr::Put(std::string(200, ch).c_str());
        Scnr::KeepId();
    }
}

TEST(Scnr, IdentifierStoreBoundary) {
    const std::string fits(197, 'k');
    const Case cases[] = {
        {fits, "Id@1,1 EOF@1,198 EOF@1,198 EOF@1,198", ""},
        {fits + "\n" + fits + " " + fits, "Id@1,1 Id@2,1 Id@2,199 EOF@2,396 EOF@2,396 EOF@2,396",
         ""},
        {" " + fits + "k", "", "Scnr (1,2): Buffer full"},
        {"x\n" + std::string(300, 'k'), "Id@1,1", "Scnr (2,1): Buffer full"},
    };
    for (const Case& c : cases) Check(c, FillStore);
    Check({"VAR " + fits, "VAR@1,1 Id@1,5 EOF@1,202 EOF@1,202 EOF@1,202", ""}, FillStore);
    // Once that last entry is kept, no room is left even for one letter.
    Check({"(* *) a", "", "Scnr (1,7): Buffer full"}, [] {
        FillStore();
        Scnr::Put(std::string(197, 't').c_str());
        Scnr::KeepId();
    });

    // With room to spare, the size byte still limits an identifier to 254 characters.
    const std::string longest(254, 'L');
    Check({longest, "Id@1,1 EOF@1,255 EOF@1,255 EOF@1,255", ""});
    Check({"x " + longest + "L", "Id@1,1", "Scnr (1,3): Identifier too long"});
    Check({std::string(600, 'L'), "", "Scnr (1,1): Identifier too long"});
}

} // namespace
