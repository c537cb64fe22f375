// The code store and the virtual machine. The parser hands every operation it cannot fold to one
// of the four emitters; each emitter lists its command on the error output (the generation
// trace), appends it to the 1024-byte code store and executes it at once on a stack machine with
// 32 stack entries and 32 variables. When an emitter returns, its command has run.
//
// Needs the run-time layer only. Errors end the process with "Comp: " and the message.
#pragma once

#include <cstdint>

namespace Comp {

// Order matters: the values are the operation bytes of the code store, and the trace's names
// are indexed by them (checked there).
// clang-format off
enum TOperation : uint8_t {
    oNull, oWrt, oWrB, oNeg, oAdd, oSub, oMul, oDiv, oBus, oVid,
    oEql, oNeq, oLss, oLeq, oGtr, oGeq, oNot, oOr, oAnd
};
// clang-format on

void Init(); // start-up: empty store, zeroed machine; runs once

void Val(int32_t v);    // push the constant v
void Lod(uint32_t i);   // push variable i
void Sto(uint32_t i);   // pop into variable i
void Opr(TOperation o); // apply o to the top of the stack

} // namespace Comp
