#include "Scnr.h"

#include "Input.h"

namespace Scnr {

TSymbol sym;
uint32_t num;
uint32_t id;
TPosDesc pos;

namespace {

constexpr uint32_t kBufSize = 1024; // the identifier store
constexpr uint32_t kMaxEntry = 255; // the size byte holds the entry's size
constexpr uint32_t kKwSize = 20;

bool started = false;

// The current character and the step past it, which the input module keeps.
using Input::chr;
using Input::kEnd;
using Input::Step;

// Identifier store: entries back to back, a size byte (1 + characters) then the characters.
uint8_t buf[kBufSize];
uint32_t len; // just behind the entry written last

struct TKwDesc {
    TSymbol sym;
    uint32_t id;
};
TKwDesc kwt[kKwSize]; // in ascending Diff order, for the binary search in Id
uint32_t kwc;

// Tokens of one character that need no look-ahead.
TSymbol single[256];

[[noreturn]] void Err(const char* s) { Mark("Scnr", s); }

// Steps past chr when it is c, which is neither a line feed nor the end marker.
bool Take(uint32_t c) {
    if (chr != c) return false;
    Step();
    return true;
}

bool Digit(uint32_t c) { return c >= '0' && c <= '9'; }
bool Letter(uint32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool Alpha() { return Digit(chr) || Letter(chr); }

// Inline: Token, which calls it, is taken into two procedures, and g++ would keep it out of both.
inline void Number() {
    sym = sNum;
    num = chr - uint32_t{'0'}; // one digit always fits
    Step();
    while (Digit(chr)) {
        uint64_t n = uint64_t{10} * num + (chr - uint32_t{'0'}); // cannot wrap in 64 bits
        if (n > UINT32_MAX) Err("Number too large");
        num = static_cast<uint32_t>(n);
        Step();
    }
    // "1A" is neither a number nor a number and a name.
    if (Letter(chr)) Err("Invalid number");
}

// Appends a character to the entry being written at id; the store's room counts it too.
void Store(uint8_t c) {
    if (len >= kBufSize) Err("Buffer full");
    buf[len++] = c;
}

// Writes the size byte of the entry at id. An entry too long for that byte is refused, never
// wrapped.
void Close() {
    if (len - id > kMaxEntry) Err("Identifier too long");
    buf[id] = static_cast<uint8_t>(len - id);
}

void Id() {
    sym = sId;
    len = id + 1;
    do {
        Store(static_cast<uint8_t>(chr));
        Step();
    } while (Alpha());
    Close();
    uint32_t a = 0, b = kwc;
    while (a < b) {
        uint32_t m = (a + b) / 2;
        if (Diff(id, kwt[m].id) > 0) {
            a = m + 1;
        } else {
            b = m;
        }
    }
    if (a < kwc && Diff(id, kwt[a].id) == 0) sym = kwt[a].sym;
}

// Skips one comment, entered behind its "(*". Nesting is counted, never recursed; the counter is
// wider than any input can open. A "(" or "*" without its partner is passed alone, so the byte
// after it is examined afresh: "**)" closes and "((*" opens.
void Comment() {
    uint64_t lvl = 1;
    while (lvl > 0) {
        if (chr == kEnd) {
            Err("Unterminated comment (start pos)");
        } else if (Take('(')) {
            if (Take('*')) lvl++;
        } else if (Take('*')) {
            if (Take(')')) lvl--;
        } else {
            Input::PassText(lvl);
        }
    }
}

// Reads one token, or passes over one comment and answers false: the token is then still to
// come. Read and PastComments take it inline.
inline bool Token() {
    Input::SkipWhite();
    pos = TPosDesc{Input::Line(), Input::Col()};
    // No byte of a token is a line feed or the end marker, so Step passes over them. The tokens
    // of one character, the commonest, come first.
    TSymbol one = single[chr];
    if (one != sNull) {
        sym = one;
        Step();
        return true;
    }
    // Numbers next, ahead of the switch, whose jump through a table of offsets costs a
    // position-independent program more than this test.
    if (Digit(chr)) {
        Number();
        return true;
    }
    // One line a token, read as a table.
    // clang-format off
    switch (chr) {
    case kEnd: sym = sEOF; return true;
    case ':': Step(); sym = Take('=') ? sBec : sCol; return true;
    case '<': Step(); sym = Take('=') ? sLeq : Take('>') ? sNeq : sLss; return true;
    case '>': Step(); sym = Take('=') ? sGeq : sGtr; return true;
    case '(':
        Step();
        if (!Take('*')) {
            sym = sLPar;
            return true;
        }
        Comment();
        return false;
    // clang-format on
    default:
        if (Letter(chr)) {
            Id();
        } else {
            Err("Invalid character");
        }
        return true;
    }
}

// The token after a comment, past any comments that follow it. Out of line, so that Read has no
// loop: around one, g++ keeps the addresses of the tables that Read indexes in registers, which
// every Read then saves and restores, as a position-independent program must compute them. g++
// keeps Id and Comment, called from both copies of Token, out of line by itself; taken into
// Read, they would make it save and restore registers too.
[[gnu::noinline]] void PastComments() {
    while (!Token()) {
    }
}

void PutKw(TSymbol s, const char* str) {
    if (kwc >= kKwSize) Err("Bug: Too many keywords");
    kwt[kwc] = TKwDesc{s, id};
    kwc++;
    Put(str);
    KeepId();
}

} // namespace

void Init() {
    if (started) return;
    started = true;
    Input::Init();
    pos = TPosDesc{0, 0};
    sym = sNull;
    num = 0;
    id = 0;
    len = 0;
    kwc = 0;
    const struct {
        uint8_t c;
        TSymbol s;
    } ones[] = {{'#', sNeq}, {'&', sAnd}, {')', sRPar}, {'*', sMul}, {'+', sPlus}, {'-', sMinus},
                {'.', sDot}, {'/', sDiv}, {';', sSemi}, {'=', sEql}, {'|', sOr},   {'~', sNot}};
    for (const auto& o : ones) single[o.c] = o.s;
    PutKw(sVar, "VAR");
    PutKw(sBeg, "BEGIN");
    PutKw(sConst, "CONST");
    PutKw(sWrt, "WRITE");
}

void Use(rt::Chan f) { Input::Use(f); }

void Read() {
    if (!Token()) PastComments();
}

void Put(const char* s) {
    len = id + 1;
    for (; *s != '\0'; ++s) Store(static_cast<uint8_t>(*s));
    Close();
}

void KeepId() { id = len; }

void Mark(const char* who, const char* msg) {
    rt::WrStr(rt::ErrOut, who);
    rt::WrStr(rt::ErrOut, " (");
    rt::WrCard(rt::ErrOut, pos.l, 0);
    rt::WrChar(rt::ErrOut, ',');
    rt::WrCard(rt::ErrOut, pos.c, 0);
    rt::WrStr(rt::ErrOut, "): ");
    rt::WrStr(rt::ErrOut, msg);
    rt::WrStr(rt::ErrOut, ".");
    rt::WrLn(rt::ErrOut);
    rt::Exit(9);
}

int32_t Diff(uint32_t i, uint32_t j) {
    uint32_t n = buf[i];
    for (uint32_t k = 0; k < n; ++k) {
        if (buf[i + k] != buf[j + k]) return int32_t{buf[i + k]} - int32_t{buf[j + k]};
    }
    return 0;
}

} // namespace Scnr
