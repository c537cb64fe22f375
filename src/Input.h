// The scanner's input: the source, read from a channel in blocks of 64 KiB, handed out one
// current character at a time with its line and column, and passed over a run at a time where
// the scanner does not look at single bytes: white space between tokens, and comment text.
//
// Promises: the characters and positions are exactly those of reading one byte at a time (only a
// line feed starts a line, every byte is one column, byte 26 or the end of the input gives the
// end marker for good, one column behind the last byte); a line or column that would pass
// 4294967295 is "Source position out of range" at that very byte; no read happens before one
// byte at a time would make it; a seekable input is left just behind the last byte used.
//
// Needs the run-time layer. Used by the scanner only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/Runtime.h"

namespace Input {

constexpr uint32_t kEnd = 26; // the end marker: the end of the input, or this byte in it

// Start-up: standard input, nothing read yet; chr is a line feed at line 0, column 0, so the
// first byte of the source comes out at line 1, column 1.
void Init();
// Reads the source from f instead; before the first character is taken.
void Use(rt::Chan f);

// The current character, a byte or kEnd. Held in a word: a store to a byte may alias anything,
// which would make the compiler reload the reader's state after every Step.
extern uint32_t chr;

// Takes the next character, for a chr that is neither a line feed nor kEnd, as inside every token.
inline void Step();
// The line and the column of chr.
inline uint32_t Line();
inline uint32_t Col();
// Passes over white space: chr becomes the first byte of a token, or kEnd.
inline void SkipWhite();
// Inside a comment at nesting level lvl, passes over chr, which is comment text, and what follows
// it, as far as the comment's end or the next byte that the scanner must look at itself.
void PassText(uint64_t& lvl);

// Test hook, because the bytes passed over in runs are stated twice, as a byte table and as the
// stop sets of the 16-byte path, and a unit test checks the two against each other for every
// byte: the kinds of run (bit 0 white space, bit 1 comment text) that c belongs to by the table,
// and by the 16-byte path (by the table again where there is none). After Init.
void RunKinds(uint8_t c, uint8_t& byTable, uint8_t& bySixteen);

// Below, in view only because the procedures above are taken inline, on every byte of a token
// and every token: the reader's state. Input.cpp alone changes it.

extern const uint8_t* cur;  // the byte after chr
extern const uint8_t* edge; // where Step must stop and look: the end of the bytes read, or the
                            // first byte whose column would not fit
extern uint32_t line;       // chr's line
extern uintptr_t origin;    // chr's column is cur - origin, as addresses: it moves with cur
// Runs of bytes passed over without a look at each one: white space between tokens (every control
// character but the end marker, blank, DEL and the bytes above 126), and the text of a comment up
// to the next "(", "*" or end marker. Neither holds the end marker.
enum TRun : uint8_t { rWhite = 1, rText = 2 };
extern uint8_t runs[256]; // the TRun bits that each byte belongs to

void StepAtEdge();
void PassWhite();

inline void Step() {
    if (cur == edge) {
        StepAtEdge();
        return;
    }
    chr = *cur++;
}

inline uint32_t Line() { return line; }
inline uint32_t Col() { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(cur) - origin); }

inline void SkipWhite() {
    if ((runs[chr] & rWhite) != 0) PassWhite();
}

} // namespace Input
