// The scanner: takes the source one character at a time with one character of look-ahead, skips
// white space and nested comments, and delivers one token per Read in sym, num, id and pos.
// Identifiers live in one 1024-byte identifier store and are named by the offset of their entry;
// Diff compares two of them.
//
// Needs the input module (Input.h), which reads the source and keeps the current character's line
// and column, and the run-time layer. Lexical errors end the process with
// "Scnr (line,column): message.".
#pragma once

#include <cstdint>

#include "runtime/Runtime.h"

namespace Scnr {

struct TPosDesc {
    uint32_t l; // line, from 1; only line feed starts a line
    uint32_t c; // column, from 1; every byte is one column
};

// Order matters: the parser tests the ranges sMul..sAnd, sPlus..sOr and sEql..sGeq and indexes
// its operator tables by kind (checked there).
// clang-format off
enum TSymbol : uint8_t {
    sNull, sNum, sId, sCol, sBec, sLPar, sNot, sMul, sDiv, sAnd, sPlus, sMinus, sOr,
    sEql, sNeq, sLss, sLeq, sGtr, sGeq, sRPar, sSemi, sDot,
    sConst, sVar, sBeg, sWrt, sEOF
};
// clang-format on

// The current token.
extern TSymbol sym;
extern uint32_t num; // the value of the last number
extern uint32_t id;  // offset of the last identifier's entry in the store (stored, not yet kept)
extern TPosDesc pos; // where the current token starts

void Init(); // start-up: source = standard input, keywords stored; runs once
// Reads the source from f instead: the driver calls it before the first Read when the command
// line names a file. The scanner never opens, rewinds or closes a channel.
void Use(rt::Chan f);

void Read();                          // makes the next token current
void Put(const char* s);              // stores s as an entry at id, without keeping it
void KeepId();                        // keeps the entry last stored: later ones go behind it
int32_t Diff(uint32_t i, uint32_t j); // 0 exactly when entries i and j hold the same text

// The one writer of source errors: "who (line,column): msg." at the current token's position,
// then the end of the run. The scanner's and the parser's Err are calls of it.
[[noreturn]] void Mark(const char* who, const char* msg);

} // namespace Scnr
