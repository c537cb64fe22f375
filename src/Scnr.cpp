#include "Scnr.h"

#include <cstring>

namespace Scnr {

rt::Chan src;
TSymbol sym;
uint32_t num;
uint32_t id;
TPosDesc pos;

namespace {

constexpr uint8_t kEnd = 26;          // the end marker: the end of the input, or this byte in it
constexpr size_t kBlockSize = 65536;  // input is fetched in blocks of this size
constexpr uint32_t kBufSize = 1024;   // the identifier store
constexpr uint32_t kMaxEntry = 255;   // the size byte holds the entry's size
constexpr uint32_t kKwSize = 20;

bool started = false;

// Source input: chr is the current character, chp its position.
uint8_t block[kBlockSize];
const uint8_t* cur; // next unread byte of block
const uint8_t* lim; // end of the bytes in block
uint8_t chr;
TPosDesc chp;

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

[[noreturn]] void Err(const char* s) {
    rt::WrStr(rt::ErrOut, "Scnr (");
    rt::WrCard(rt::ErrOut, pos.l, 0);
    rt::WrChar(rt::ErrOut, ',');
    rt::WrCard(rt::ErrOut, pos.c, 0);
    rt::WrStr(rt::ErrOut, "): ");
    rt::WrStr(rt::ErrOut, s);
    rt::WrStr(rt::ErrOut, ".");
    rt::WrLn(rt::ErrOut);
    rt::Exit(9);
}

uint32_t Next(uint32_t x) {
    if (x == UINT32_MAX) rt::Fatal("Source position out of range");
    return x + 1;
}

// Advances chp past chr and takes the next byte. The end marker is final.
void Get() {
    if (chr == kEnd) return;
    if (chr == '\n') {
        chp.l = Next(chp.l);
        chp.c = 1;
    } else {
        chp.c = Next(chp.c);
    }
    if (cur == lim) {
        size_t n = rt::RdBin(src, block, kBlockSize);
        cur = block;
        lim = block + n;
        if (n == 0) {
            chr = kEnd;
            return;
        }
    }
    chr = *cur++;
}

bool Digit(uint8_t c) { return c >= '0' && c <= '9'; }
bool Letter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool Alpha() { return Digit(chr) || Letter(chr); }

void Number() {
    sym = sNum;
    num = 0;
    do {
        uint32_t d = chr - uint32_t{'0'};
        if (num > (UINT32_MAX - d) / 10) Err("Number too large");
        num = 10 * num + d;
        Get();
    } while (Digit(chr));
    // "1A" is neither a number nor a number and a name.
    if (Letter(chr)) Err("Invalid number");
}

void Id() {
    sym = sId;
    len = id + 1;
    do {
        if (len >= kBufSize) Err("Buffer full");
        buf[len++] = chr;
        Get();
    } while (Alpha());
    if (len - id > kMaxEntry) Err("Identifier too long");
    buf[id] = static_cast<uint8_t>(len - id);
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

// Skips one comment, entered on the "*" of its "(*". Nesting is counted, never recursed; the
// counter is wider than any input can open.
void Comment() {
    Get();
    uint64_t lvl = 1;
    while (lvl > 0) {
        if (chr == kEnd) {
            Err("Unterminated comment (start pos)");
        } else if (chr == '(') {
            Get();
            if (chr == '*') {
                lvl++;
                Get();
            }
        } else if (chr == '*') {
            Get();
            if (chr == ')') {
                lvl--;
                Get();
            }
        } else {
            Get();
        }
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
    pos = chp = TPosDesc{0, 0};
    src = rt::StdIn;
    sym = sNull;
    num = 0;
    id = 0;
    chr = '\n';
    cur = lim = block;
    len = 0;
    kwc = 0;
    const char* ones = "#&)*+-./;=|~";
    const TSymbol kinds[] = {sNeq, sAnd, sRPar, sMul, sPlus, sMinus, sDot,
                             sDiv, sSemi, sEql, sOr, sNot};
    for (size_t k = 0; ones[k] != '\0'; ++k) single[static_cast<uint8_t>(ones[k])] = kinds[k];
    PutKw(sVar, "VAR");
    PutKw(sBeg, "BEGIN");
    PutKw(sConst, "CONST");
    PutKw(sWrt, "WRITE");
}

void Read() {
    for (;;) {
        // White space: every control character but the end marker, blank, DEL and bytes above 126.
        while ((chr <= ' ' && chr != kEnd) || chr >= 127) Get();
        pos = chp;
        switch (chr) {
        case kEnd: sym = sEOF; return;
        case ':':
            Get();
            if (chr == '=') {
                sym = sBec;
                Get();
            } else {
                sym = sCol;
            }
            return;
        case '<':
            Get();
            if (chr == '=') {
                sym = sLeq;
                Get();
            } else if (chr == '>') {
                sym = sNeq;
                Get();
            } else {
                sym = sLss;
            }
            return;
        case '>':
            Get();
            if (chr == '=') {
                sym = sGeq;
                Get();
            } else {
                sym = sGtr;
            }
            return;
        case '(':
            Get();
            if (chr != '*') {
                sym = sLPar;
                return;
            }
            Comment();
            break; // the token after the comment is the result
        default:
            if (Digit(chr)) {
                Number();
            } else if (Letter(chr)) {
                Id();
            } else if (single[chr] != sNull) {
                sym = single[chr];
                Get();
            } else {
                Err("Invalid character");
            }
            return;
        }
    }
}

void Put(const char* s) {
    len = id + 1;
    for (; *s != '\0'; ++s) {
        if (len >= kBufSize) Err("Buffer full");
        buf[len++] = static_cast<uint8_t>(*s);
    }
    buf[id] = static_cast<uint8_t>(len - id);
}

void KeepId() { id = len; }

int32_t Diff(uint32_t i, uint32_t j) {
    uint32_t n = buf[i];
    for (uint32_t k = 0; k < n; ++k) {
        if (buf[i + k] != buf[j + k]) return int32_t{buf[i + k]} - int32_t{buf[j + k]};
    }
    return 0;
}

} // namespace Scnr
