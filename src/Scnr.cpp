#include "Scnr.h"

#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Scnr {

TSymbol sym;
uint32_t num;
uint32_t id;
TPosDesc pos;

namespace {

constexpr uint8_t kEnd = 26;         // the end marker: the end of the input, or this byte in it
constexpr size_t kBlockSize = 65536; // input is fetched in blocks of this size
constexpr uint32_t kBufSize = 1024;  // the identifier store
constexpr uint32_t kMaxEntry = 255;  // the size byte holds the entry's size
constexpr uint32_t kKwSize = 20;

bool started = false;

// Source input. chr is the current character and line its line. Its column is not counted byte
// by byte: Col() = colBase + (cur - block) is chr's column, so taking the next byte of the block
// moves it on by itself; only a line feed, a new block and the end of the input set colBase.
rt::Chan src; // the source channel (Use)
uint8_t block[kBlockSize];
const uint8_t* cur;  // next unread byte of block
const uint8_t* lim;  // end of the bytes in block
const uint8_t* edge; // where Step must stop and look: lim, or the byte whose column won't fit
uint32_t chr;        // a byte, held in a word: a store to a byte may alias anything, which would
                     // make the compiler reload cur and the rest after every Step
uint32_t line;
int64_t colBase;

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

uint32_t Next(uint32_t x) {
    if (x == UINT32_MAX) rt::Fatal("Source position out of range");
    return x + 1;
}

uint32_t Col() { return static_cast<uint32_t>(colBase + (cur - block)); }

// The position of chr.
TPosDesc Here() { return TPosDesc{line, Col()}; }

// Puts edge at the end of the bytes in the block or, near the limit of the column counter, at
// the first byte whose column would be past 4294967295, whichever comes first.
void SetEdge() {
    int64_t room = int64_t{UINT32_MAX} - colBase; // the bytes at offsets below room fit
    edge = lim - block <= room ? lim : block + room;
}

// Fills the block anew, keeping the column; false at the end of the input. Out of line, like
// the other paths that are not taken for every byte or token, so that Step and Read stay small.
[[gnu::noinline]] bool Refill() {
    colBase += cur - block;
    size_t n = rt::RdBin(src, block, kBlockSize);
    cur = block;
    lim = block + n;
    SetEdge();
    return n != 0;
}

// The bytes of the block behind chr, which reading byte by byte would not have taken (for
// rt::LeaveInput).
size_t Unused() { return static_cast<size_t>(lim - cur); }

// Step at the edge: the column counter is at its limit, or the block is used up.
[[gnu::noinline]] void StepAtEdge() {
    if (Col() == UINT32_MAX) rt::Fatal("Source position out of range");
    if (Refill()) {
        chr = *cur++;
    } else {
        chr = kEnd;
        colBase++; // the end marker stands one column behind the last byte
    }
}

// Takes the next byte, for a chr that is neither a line feed nor the end marker, as inside every
// token: that is all there is to do, since the column moves with cur.
void Step() {
    if (cur == edge) {
        StepAtEdge();
        return;
    }
    chr = *cur++;
}

// Steps past chr when it is c, which is neither a line feed nor the end marker.
bool Take(uint32_t c) {
    if (chr != c) return false;
    Step();
    return true;
}

// Leaves a line feed: the line counts up, and the byte after it will be in column 1.
void NewLine() {
    line = Next(line);
    colBase = -(cur - block);
    SetEdge();
}

// Runs of bytes that the scanner passes over without looking at each one: white space between
// tokens, and the text of a comment up to the next "(", "*" or end marker. Neither holds byte 26.
enum TRun : uint8_t { rWhite = 1, rText = 2 };
uint8_t runs[256]; // the TRun bits that each byte belongs to

// The line feeds passed in a run: how many, and the last one.
struct TLines {
    uint32_t n;
    const uint8_t* last;
};

#ifdef __SSE2__
// The bytes of x (as bits of the result) that end a run of kind k.
uint32_t Stops(TRun k, __m128i x) {
    __m128i stop = _mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(kEnd)));
    if (k == rWhite) {
        // Signed bytes: 33 to 126 are tokens; 127 to 255 are negative, so white space.
        __m128i token = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(' ')),
                                      _mm_cmplt_epi8(x, _mm_set1_epi8(127)));
        stop = _mm_or_si128(stop, token);
    } else {
        stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8('(')));
        stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8('*')));
    }
    return static_cast<uint32_t>(_mm_movemask_epi8(stop));
}

// Adds up the byte counters of acc (each at most 255) into n and clears them.
void AddCounts(uint32_t& n, __m128i& acc) {
    __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128()); // two 64-bit halves
    n += static_cast<uint32_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    acc = _mm_setzero_si128();
}

// Counts the line feeds given as bits of the 16-byte group at p.
void CountBits(TLines& lines, const uint8_t* p, uint32_t bits) {
    for (; bits != 0; bits &= bits - 1) {
        lines.n++;
        lines.last = p + std::countr_zero(bits);
    }
}
#endif

// The first byte from p on, before e, that is not in a run of kind k (or e); counts the line
// feeds before it. Sixteen bytes at a time where the processor can: line feeds are counted in
// byte lanes, at most 255 groups between two sums, and bit by bit in the group that ends the run.
const uint8_t* Scan(TRun k, const uint8_t* p, const uint8_t* e, TLines& lines) {
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i acc = _mm_setzero_si128();
    uint32_t groups = 0;
    while (e - p >= 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        uint32_t stops = Stops(k, x);
        __m128i lfs = _mm_cmpeq_epi8(x, lf);
        uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(lfs));
        if (stops != 0) {
            AddCounts(lines.n, acc);
            CountBits(lines, p, bits & ((stops & (0u - stops)) - 1)); // those before the stop
            return p + std::countr_zero(stops);
        }
        if (bits != 0) {
            acc = _mm_sub_epi8(acc, lfs); // a true lane is -1
            lines.last = p + (31 - std::countl_zero(bits));
            if (++groups == 255) {
                AddCounts(lines.n, acc);
                groups = 0;
            }
        }
        p += 16;
    }
    AddCounts(lines.n, acc);
#endif
    for (; p < e && (runs[*p] & k) != 0; ++p) {
        if (*p == '\n') {
            lines.n++;
            lines.last = p;
        }
    }
    return p;
}

// Moves cur on to e past bytes of one run, as stepping byte by byte would; the byte at e is left
// for the Step that follows. The caller has made sure that no counter can pass its limit.
void PassRun(const uint8_t* e, const TLines& lines) {
    if (lines.n != 0) {
        line += lines.n;
        colBase = -(lines.last + 1 - block); // the byte after the last line feed is in column 1
        SetEdge();
    }
    cur = e;
}

// True when the counters are far enough from their limit that a whole block can be passed
// over without a check per byte. Closer to the limit the byte-wise path runs, so that "Source
// position out of range" comes at the very byte.
bool Roomy() {
    constexpr uint32_t kRoom = UINT32_MAX - kBlockSize;
    return line <= kRoom && Col() <= kRoom;
}

// Passes over chr and every following byte of white space, exactly as stepping byte by byte
// would: chr becomes the first byte of a token, or the end marker.
[[gnu::noinline]] void SkipWhite() {
    while ((runs[chr] & rWhite) != 0) {
        if (chr == '\n') NewLine();
        if (Roomy()) {
            TLines lines{0, nullptr};
            PassRun(Scan(rWhite, cur, lim, lines), lines);
        }
        Step();
    }
}

// Inside a comment at nesting level lvl, passes over chr (comment text) and what follows it in
// the block, following the "(*" and "*)" in it, as far as the comment's end, or up to a byte
// that the byte-wise loop of Comment must see: the end marker, or a "(" or "*" whose partner
// would be in the next block. Every byte passed over counts as one step.
void PassText(uint64_t& lvl) {
    if (chr == '\n') NewLine();
    if (!Roomy()) {
        Step();
        return;
    }
    TLines lines{0, nullptr};
    const uint8_t* p = cur;
    for (;;) {
        p = Scan(rText, p, lim, lines);
        if (p == lim || *p == kEnd || p + 1 == lim) break;
        if (p[0] == '(' && p[1] == '*') {
            lvl++;
            p += 2;
        } else if (p[0] == '*' && p[1] == ')') {
            lvl--;
            p += 2;
            if (lvl == 0) break;
        } else {
            p++; // alone: the byte after it is examined afresh
        }
    }
    PassRun(p, lines);
    Step();
}

bool Digit(uint32_t c) { return c >= '0' && c <= '9'; }
bool Letter(uint32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool Alpha() { return Digit(chr) || Letter(chr); }

void Number() {
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

[[gnu::noinline]] void Id() {
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
[[gnu::noinline]] void Comment() {
    uint64_t lvl = 1;
    while (lvl > 0) {
        if (chr == kEnd) {
            Err("Unterminated comment (start pos)");
        } else if (Take('(')) {
            if (Take('*')) lvl++;
        } else if (Take('*')) {
            if (Take(')')) lvl--;
        } else {
            PassText(lvl);
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
    pos = TPosDesc{0, 0};
    line = 0;
    colBase = 0;
    src = rt::StdIn;
    sym = sNull;
    num = 0;
    id = 0;
    chr = '\n';
    cur = lim = block;
    SetEdge();
    rt::LeaveInput(Unused);
    len = 0;
    kwc = 0;
    const struct {
        uint8_t c;
        TSymbol s;
    } ones[] = {{'#', sNeq}, {'&', sAnd}, {')', sRPar}, {'*', sMul}, {'+', sPlus}, {'-', sMinus},
                {'.', sDot}, {'/', sDiv}, {';', sSemi}, {'=', sEql}, {'|', sOr},   {'~', sNot}};
    for (const auto& o : ones) single[o.c] = o.s;
    for (uint32_t c = 0; c < 256; ++c) {
        bool white = (c <= ' ' && c != kEnd) || c >= 127;
        bool text = c != '(' && c != '*' && c != kEnd;
        runs[c] = static_cast<uint8_t>((white ? rWhite : 0) | (text ? rText : 0));
    }
    PutKw(sVar, "VAR");
    PutKw(sBeg, "BEGIN");
    PutKw(sConst, "CONST");
    PutKw(sWrt, "WRITE");
}

void Use(rt::Chan f) { src = f; }

void Read() {
    for (;;) {
        // White space: every control character but the end marker, blank, DEL and bytes above 126.
        if ((runs[chr] & rWhite) != 0) SkipWhite();
        pos = Here();
        // No byte of a token is a line feed or the end marker, so Step passes over them. The
        // tokens of one character, the commonest, come first.
        TSymbol one = single[chr];
        if (one != sNull) {
            sym = one;
            Step();
            return;
        }
        // One line a token, read as a table.
        // clang-format off
        switch (chr) {
        case kEnd: sym = sEOF; return;
        case ':': Step(); sym = Take('=') ? sBec : sCol; return;
        case '<': Step(); sym = Take('=') ? sLeq : Take('>') ? sNeq : sLss; return;
        case '>': Step(); sym = Take('=') ? sGeq : sGtr; return;
        case '(':
            Step();
            if (!Take('*')) {
                sym = sLPar;
                return;
            }
            Comment();
            break; // the token after the comment is the result
        case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8':
        case '9':
            Number();
            return;
        // clang-format on
        default:
            if (Letter(chr)) {
                Id();
            } else {
                Err("Invalid character");
            }
            return;
        }
    }
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

void RunKinds(uint8_t c, uint8_t& byTable, uint8_t& bySixteen) {
    byTable = runs[c];
    bySixteen = runs[c];
#ifdef __SSE2__
    const __m128i x = _mm_set1_epi8(static_cast<char>(c));
    bySixteen = static_cast<uint8_t>((Stops(rWhite, x) == 0 ? rWhite : 0) |
                                     (Stops(rText, x) == 0 ? rText : 0));
#endif
}

int32_t Diff(uint32_t i, uint32_t j) {
    uint32_t n = buf[i];
    for (uint32_t k = 0; k < n; ++k) {
        if (buf[i + k] != buf[j + k]) return int32_t{buf[i + k]} - int32_t{buf[j + k]};
    }
    return 0;
}

} // namespace Scnr
