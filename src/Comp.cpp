#include "Comp.h"

#include <cstring>
#include <iterator>

#include "runtime/Arith.h"
#include "runtime/Runtime.h"

namespace Comp {
namespace {

using rt::True;
using rt::Value;

enum TFunction : uint8_t { fHlt, fVal, fLod, fSto, fOpr };

struct TCmdDesc {
    TFunction fct;
    union {
        int32_t val;
        uint32_t idx;
        TOperation opr;
    };
};

constexpr uint32_t kPrgSize = 1024; // bytes of code for the whole program
constexpr uint32_t kStackSize = 32;
constexpr uint32_t kVarCount = 32;

bool started = false;

// Code store: commands back to back, never removed. The machine reads from pos up to len.
uint8_t prg[kPrgSize];
uint32_t len;
uint32_t pos;

// Machine: args[1..ac] is the evaluation stack, entry ac the top.
int32_t args[kStackSize + 1];
uint32_t ac;
int32_t vars[kVarCount];
const char* strs[2];

bool firstG; // the trace's header is still to be written

const char* const names[] = {"Null", "Wrt", "WrB", "Neg", "Add", "Sub", "Mul", "Div", "Bus", "Vid",
                             "Eql",  "Neq", "Lss", "Leq", "Gtr", "Geq", "Not", "Or ", "And"};
static_assert(std::size(names) == oAnd + 1, "one name per operation, in the order of TOperation");

[[noreturn]] void Err(const char* s) {
    rt::WrStr(rt::ErrOut, "Comp: ");
    rt::WrStr(rt::ErrOut, s);
    rt::WrStr(rt::ErrOut, ".");
    rt::WrLn(rt::ErrOut);
    rt::Exit(9);
}

// Store primitives. Operands are little-endian and unaligned, whatever the host.
void Write(const uint8_t* x, uint32_t n) {
    if (len + n > kPrgSize) Err("Program too large");
    memcpy(prg + len, x, n);
    len += n;
}

void Write8(uint8_t b) { Write(&b, 1); }

void Write32(uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    Write(b, 4);
}

bool Read8(uint8_t& x) {
    if (pos + 1 > len) return false;
    x = prg[pos++];
    return true;
}

bool Read32(uint32_t& x) {
    if (pos + 4 > len) return false;
    x = uint32_t{prg[pos]} | uint32_t{prg[pos + 1]} << 8 | uint32_t{prg[pos + 2]} << 16 |
        uint32_t{prg[pos + 3]} << 24;
    pos += 4;
    return true;
}

uint32_t Idx(uint32_t i) {
    if (i >= kVarCount) Err("Invalid index");
    return i;
}

void Push(int32_t x) {
    if (ac >= kStackSize) Err("Stack overflow");
    args[++ac] = x;
}

int32_t Pop() {
    if (ac == 0) Err("Stack underflow");
    return args[ac--];
}

// The divisor is tested for zero here, with the machine's own message; a negative one is left
// to the checked division, which ends the run with a fatal run-time error.
int32_t Divide(int32_t x, int32_t y) {
    if (y == 0) Err("Division by zero");
    return rt::Div(x, y);
}

void Operate(uint8_t o) {
    int32_t x, y;
    switch (o) {
    case oWrt:
        rt::WrInt(rt::StdOut, Pop(), 0);
        rt::WrLn(rt::StdOut);
        return;
    case oWrB:
        rt::WrStr(rt::StdOut, strs[Value(True(Pop()))]);
        rt::WrLn(rt::StdOut);
        return;
    case oNeg: Push(rt::Neg(Pop())); return;
    case oNot: Push(Value(!True(Pop()))); return;
    default: break;
    }
    // Two operands: y is the top, x the entry below it; both are popped before any test.
    y = Pop();
    x = Pop();
    switch (o) {
    case oAdd: Push(rt::Add(x, y)); break;
    case oSub: Push(rt::Sub(x, y)); break;
    case oMul: Push(rt::Mul(x, y)); break;
    case oDiv: Push(Divide(x, y)); break;
    case oBus: Push(rt::Sub(y, x)); break;
    case oVid: Push(Divide(y, x)); break;
    case oEql: Push(Value(x == y)); break;
    case oNeq: Push(Value(x != y)); break;
    case oLss: Push(Value(x < y)); break;
    case oLeq: Push(Value(x <= y)); break;
    case oGtr: Push(Value(x > y)); break;
    case oGeq: Push(Value(x >= y)); break;
    case oOr: Push(Value(True(x) || True(y))); break;
    case oAnd: Push(Value(True(x) && True(y))); break;
    default: Err("Bug: Invalid operation");
    }
}

// Executes every complete command from pos to len: after an emitter, exactly the one it appended.
void Exec() {
    TCmdDesc cmd;
    uint8_t b;
    uint32_t u;
    while (pos < len) {
        if (!Read8(b)) return;
        cmd.fct = static_cast<TFunction>(b);
        switch (cmd.fct) {
        case fHlt: return;
        case fVal:
            if (!Read32(u)) Err("Bug: Incomplete command");
            cmd.val = static_cast<int32_t>(u);
            Push(cmd.val);
            break;
        case fLod:
            if (!Read32(cmd.idx)) Err("Bug: Incomplete command");
            Push(vars[Idx(cmd.idx)]);
            break;
        case fSto:
            if (!Read32(cmd.idx)) Err("Bug: Incomplete command");
            vars[Idx(cmd.idx)] = Pop();
            break;
        case fOpr:
            if (!Read8(b)) Err("Bug: Incomplete command");
            if (b == oNull || b > oAnd) Err("Bug: Invalid operation");
            cmd.opr = static_cast<TOperation>(b);
            Operate(cmd.opr);
            break;
        default: Err("Bug: Invalid function");
        }
    }
}

// Trace: "Comp.DebugG: ", the position the command will take (width 4), ":  ", the mnemonic.
void Dbg(const char* s) {
    if (firstG) {
        rt::WrStr(rt::ErrOut, "Comp.DebugG:  pos");
        rt::WrLn(rt::ErrOut);
        firstG = false;
    }
    rt::WrStr(rt::ErrOut, "Comp.DebugG: ");
    rt::WrCard(rt::ErrOut, len, 4);
    rt::WrStr(rt::ErrOut, ":  ");
    rt::WrStr(rt::ErrOut, s);
}

void DbgV(int32_t v) {
    Dbg("Val");
    rt::WrStr(rt::ErrOut, " ");
    rt::WrInt(rt::ErrOut, v, 0);
    rt::WrLn(rt::ErrOut);
}

void DbgI(const char* s, uint32_t i) {
    Dbg(s);
    rt::WrStr(rt::ErrOut, " ");
    rt::WrCard(rt::ErrOut, i, 1);
    rt::WrLn(rt::ErrOut);
}

void DbgO(TOperation o) {
    Dbg(o <= oAnd ? names[o] : "???");
    rt::WrLn(rt::ErrOut);
}

} // namespace

void Init() {
    if (started) return;
    started = true;
    memset(prg, 0, sizeof prg);
    len = 0;
    pos = 0;
    memset(args, 0, sizeof args);
    ac = 0;
    memset(vars, 0, sizeof vars);
    strs[0] = "FALSE";
    strs[1] = "TRUE";
    firstG = true;
}

// Every emitter: trace line first (a refused command still shows it), then the check, then the
// function byte and the operand as two writes, then execution.

void Val(int32_t v) {
    DbgV(v);
    Write8(fVal);
    Write32(static_cast<uint32_t>(v));
    Exec();
}

void Lod(uint32_t i) {
    DbgI("Lod", i);
    Idx(i);
    Write8(fLod);
    Write32(i);
    Exec();
}

void Sto(uint32_t i) {
    DbgI("Sto", i);
    Idx(i);
    Write8(fSto);
    Write32(i);
    Exec();
}

void Opr(TOperation o) {
    DbgO(o);
    if (o == oNull) Err("Bug: Invalid operation");
    Write8(fOpr);
    Write8(o);
    Exec();
}

} // namespace Comp
