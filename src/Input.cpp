#include "Input.h"

#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Input {

constexpr size_t kBlockSize = 65536; // input is fetched in blocks of this size

// chr is the current character and line its line. Its column is not counted byte by byte:
// Col() = cur - origin, where origin is the address that the first byte of chr's line would have
// if the whole line lay in the block (an integer, as it may lie before the block), so taking the
// next byte moves the column on by itself; only a line feed, a new block and the end of the input
// set origin. Col() thus needs no address of the block, which a position-independent program
// would have to compute for every token.
uint32_t chr;
const uint8_t* cur;
const uint8_t* edge;
uint32_t line;
uintptr_t origin;
uint8_t runs[256];

namespace {

rt::Chan src;              // the source channel (Use)
uint8_t block[kBlockSize]; // the bytes of the last read
const uint8_t* lim;        // end of the bytes in block

uintptr_t Addr(const uint8_t* p) { return reinterpret_cast<uintptr_t>(p); }

[[noreturn]] void OutOfRange() { rt::Fatal("Source position out of range"); }

// Puts edge at the end of the bytes in the block or, near the limit of the column counter, at
// the first byte whose column would be past 4294967295, whichever comes first.
void SetEdge() {
    // The column at lim, which may not fit in 32 bits.
    uint64_t col = uint64_t{Col()} + static_cast<uint64_t>(lim - cur);
    edge = col <= UINT32_MAX ? lim : lim - (col - UINT32_MAX);
}

// Fills the block anew, keeping the column; false at the end of the input.
bool Refill() {
    origin -= static_cast<uintptr_t>(cur - block);
    size_t n = rt::RdBin(src, block, kBlockSize);
    cur = block;
    lim = block + n;
    SetEdge();
    return n != 0;
}

// The bytes of the block behind chr, which reading byte by byte would not have taken (for
// rt::LeaveInput).
size_t Unused() { return static_cast<size_t>(lim - cur); }

// Leaves a line feed: the line counts up, and the byte after it will be in column 1.
void NewLine() {
    if (line == UINT32_MAX) OutOfRange();
    line++;
    origin = Addr(cur);
    SetEdge();
}

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
    cur = e;
    if (lines.n != 0) {
        line += lines.n;
        origin = Addr(lines.last + 1); // the byte after the last line feed is in column 1
        SetEdge();
    }
}

// True when the counters are far enough from their limit that a whole block can be passed
// over without a check per byte. Closer to the limit the byte-wise path runs, so that "Source
// position out of range" comes at the very byte.
bool Roomy() {
    constexpr uint32_t kRoom = UINT32_MAX - kBlockSize;
    return line <= kRoom && Col() <= kRoom;
}

} // namespace

// Step at the edge: the column counter is at its limit, or the block is used up. Out of line, so
// that Step, taken inline for every byte of a token, stays a comparison and a load.
void StepAtEdge() {
    if (Col() == UINT32_MAX) OutOfRange();
    if (Refill()) {
        chr = *cur++;
    } else {
        chr = kEnd;
        origin--; // the end marker stands one column behind the last byte
    }
}

// Passes over chr and every following byte of white space, exactly as stepping byte by byte
// would.
void PassWhite() {
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
// that the scanner's byte-wise loop must see: the end marker, or a "(" or "*" whose partner
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

void Init() {
    src = rt::StdIn;
    chr = '\n';
    line = 0;
    cur = lim = block;
    origin = Addr(block);
    SetEdge();
    rt::LeaveInput(Unused);
    for (uint32_t c = 0; c < 256; ++c) {
        bool white = (c <= ' ' && c != kEnd) || c >= 127;
        bool text = c != '(' && c != '*' && c != kEnd;
        runs[c] = static_cast<uint8_t>((white ? rWhite : 0) | (text ? rText : 0));
    }
}

void Use(rt::Chan f) { src = f; }

void RunKinds(uint8_t c, uint8_t& byTable, uint8_t& bySixteen) {
    byTable = runs[c];
    bySixteen = runs[c];
#ifdef __SSE2__
    const __m128i x = _mm_set1_epi8(static_cast<char>(c));
    bySixteen = static_cast<uint8_t>((Stops(rWhite, x) == 0 ? rWhite : 0) |
                                     (Stops(rText, x) == 0 ? rText : 0));
#endif
}

} // namespace Input
