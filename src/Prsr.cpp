#include "Prsr.h"

#include "Comp.h"
#include "Scnr.h"
#include "runtime/Arith.h"
#include "runtime/Runtime.h"

namespace Prsr {
namespace {

using Comp::TOperation;
using rt::True;
using rt::Value;
using Scnr::TSymbol;

enum TType : uint8_t { tBool, tInt };
enum TClass : uint8_t { cConst, cVar, cType };

struct TObjDesc {
    uint32_t id; // offset of the name's entry in the scanner's identifier store
    TType typ;
    TClass cls;
    union {
        int32_t val;  // a constant's value
        uint32_t idx; // a variable's slot in the machine
    };
};

// An expression: its type, and its value when it is known at compile time (c). When c is false
// its commands have run and its value is on top of the machine's stack.
struct TItemDesc {
    TType t;
    bool c;
    int32_t v;
};

constexpr uint32_t kObjCount = 32;     // 4 predeclared names and 28 declared ones
constexpr uint32_t kMaxNesting = 1000; // levels of "(" and "~" in one factor

bool started = false;

TObjDesc objs[kObjCount];
uint32_t cnt; // entries in use
uint32_t idx; // variables declared, and the slot of the next one

// Term, SimpleExpr and Expression take their operators as ranges of token kinds.
static_assert(Scnr::sMul + 1 == Scnr::sDiv && Scnr::sDiv + 1 == Scnr::sAnd);
static_assert(Scnr::sPlus + 1 == Scnr::sMinus && Scnr::sMinus + 1 == Scnr::sOr);
static_assert(Scnr::sEql + 1 == Scnr::sNeq && Scnr::sNeq + 1 == Scnr::sLss &&
              Scnr::sLss + 1 == Scnr::sLeq && Scnr::sLeq + 1 == Scnr::sGtr &&
              Scnr::sGtr + 1 == Scnr::sGeq);

// Operations by operator token: oprs when the left operand lies below the right one on the
// stack, xops when the left one (a constant pushed late) lies on top.
TOperation oprs[Scnr::sEOF + 1];
TOperation xops[Scnr::sEOF + 1];

uint32_t nesting; // open "(" and "~" of the factor being parsed

[[noreturn]] void Err(const char* s) { Scnr::Mark("Prsr", s); }

// Expects the current token to be s and reads past it.
void Check(TSymbol s, const char* msg) {
    if (Scnr::sym != s) Err(msg);
    Scnr::Read();
}

// The table index of the current identifier, or cnt when it is not declared.
void Find(uint32_t& i) {
    i = 0;
    while (i < cnt && Scnr::Diff(objs[i].id, Scnr::id) != 0) i++;
}

void Enter(const char* name, TType typ, TClass cls, int32_t val) {
    Scnr::Put(name);
    objs[cnt].id = Scnr::id;
    objs[cnt].typ = typ;
    objs[cnt].cls = cls;
    objs[cnt].val = val;
    Scnr::KeepId();
    cnt++;
}

void InitOprs() {
    for (uint32_t s = 0; s <= Scnr::sEOF; ++s) oprs[s] = xops[s] = Comp::oNull;
    struct {
        TSymbol s;
        TOperation o, x;
    } const table[] = {
        {Scnr::sNot, Comp::oNot, Comp::oNot},  {Scnr::sMul, Comp::oMul, Comp::oMul},
        {Scnr::sDiv, Comp::oDiv, Comp::oVid},  {Scnr::sAnd, Comp::oAnd, Comp::oAnd},
        {Scnr::sPlus, Comp::oAdd, Comp::oAdd}, {Scnr::sMinus, Comp::oSub, Comp::oBus},
        {Scnr::sOr, Comp::oOr, Comp::oOr},     {Scnr::sEql, Comp::oEql, Comp::oEql},
        {Scnr::sNeq, Comp::oNeq, Comp::oNeq},  {Scnr::sLss, Comp::oLss, Comp::oGtr},
        {Scnr::sLeq, Comp::oLeq, Comp::oGeq},  {Scnr::sGtr, Comp::oGtr, Comp::oLss},
        {Scnr::sGeq, Comp::oGeq, Comp::oLeq},  {Scnr::sWrt, Comp::oWrt, Comp::oWrt},
    };
    for (const auto& e : table) {
        oprs[e.s] = e.o;
        xops[e.s] = e.x;
    }
}

// The value of x op y, both known at compile time; the same checked arithmetic as the machine.
// Inline, as it runs for every operator: in each level of the grammar, the switch shrinks to
// that level's operators.
inline int32_t Fold(TSymbol op, int32_t x, int32_t y, const char* bug) {
    switch (op) {
    case Scnr::sMul: return rt::Mul(x, y);
    case Scnr::sDiv: return rt::Div(x, y);
    case Scnr::sAnd: return Value(True(x) && True(y));
    case Scnr::sPlus: return rt::Add(x, y);
    case Scnr::sMinus: return rt::Sub(x, y);
    case Scnr::sOr: return Value(True(x) || True(y));
    case Scnr::sEql: return Value(x == y);
    case Scnr::sNeq: return Value(x != y);
    case Scnr::sLss: return Value(x < y);
    case Scnr::sLeq: return Value(x <= y);
    case Scnr::sGtr: return Value(x > y);
    case Scnr::sGeq: return Value(x >= y);
    default: Err(bug);
    }
}

// The code of d op d1, where one of them at least is not known at compile time. A constant
// meets a non-constant only here, and only then is it pushed: after the other operand when it is
// the left one, so the exchanged operation is taken. Out of line, as folding, the common case,
// never needs it: taken into each level of the grammar, it would cost the folding loops a register.
[[gnu::noinline]] void Generate(TItemDesc& d, TItemDesc d1, TSymbol op) {
    if (d.c) {
        Comp::Val(d.v);
        Comp::Opr(xops[op]);
    } else if (d1.c) {
        Comp::Val(d1.v);
        Comp::Opr(oprs[op]);
    } else {
        Comp::Opr(oprs[op]);
    }
    d.c = false;
}

// d := d op d1.
void Combine(TItemDesc& d, const TItemDesc& d1, TSymbol op, const char* bug) {
    if (d.c && d1.c) {
        d.v = Fold(op, d.v, d1.v, bug);
    } else {
        Generate(d, d1, op);
    }
}

void Expression(TItemDesc& d);

// The alternatives of Factor other than a number are procedures of their own, kept out of line,
// so that a number, the commonest factor, costs Factor little more than a test and a store.

// A factor that names a constant or a variable.
[[gnu::noinline]] void Named(TItemDesc& d) {
    uint32_t i;
    Find(i);
    if (i == cnt) Err("Identifier undeclared");
    d.t = objs[i].typ;
    if (objs[i].cls == cConst) {
        d.c = true;
        d.v = objs[i].val;
    } else if (objs[i].cls == cVar) {
        d.c = false;
        Comp::Lod(objs[i].idx);
    } else {
        Err("Expected constant or variable");
    }
    Scnr::Read();
}

void Factor(TItemDesc& d);

// A factor that nests: "(" Expression ")" or "~" Factor. Recursion follows the source's
// nesting, so the nesting is bounded: the machine's stack must never be what ends a run.
[[gnu::noinline]] void Nested(TItemDesc& d) {
    if (nesting == kMaxNesting) Err("Nesting too deep");
    nesting++;
    if (Scnr::sym == Scnr::sLPar) {
        Scnr::Read();
        Expression(d);
        Check(Scnr::sRPar, "Expected operator or \")\"");
    } else {
        Scnr::Read();
        Factor(d);
        if (d.t != tBool) Err("Expected boolean factor");
        if (d.c) {
            d.v = Value(!True(d.v));
        } else {
            Comp::Opr(oprs[Scnr::sNot]);
        }
    }
    nesting--;
}

// Factor = number | ident | "(" Expression ")" | "~" Factor .
void Factor(TItemDesc& d) {
    switch (Scnr::sym) {
    case Scnr::sNum:
        if (Scnr::num > INT32_MAX) Err("Number too large");
        d = TItemDesc{tInt, true, static_cast<int32_t>(Scnr::num)};
        Scnr::Read();
        break;
    case Scnr::sId: Named(d); break;
    case Scnr::sLPar:
    case Scnr::sNot: Nested(d); break;
    default: Err("Expected factor");
    }
}

// Term = Factor { MulOperator Factor } .
// Inline, as it runs for every operand: no call of its own between SimpleExpr and Factor.
inline void Term(TItemDesc& d) {
    TItemDesc d1;
    Factor(d);
    while (Scnr::sym >= Scnr::sMul && Scnr::sym <= Scnr::sAnd) {
        TSymbol op = Scnr::sym;
        if ((op == Scnr::sAnd) != (d.t == tBool)) Err("Wrong operator type");
        Scnr::Read();
        Factor(d1);
        if (d1.t != d.t) Err("Wrong operand type");
        Combine(d, d1, op, "Bug: Invalid mulop");
    }
}

// SimpleExpr = [ "+" | "-" ] Term { AddOperator Term } .
void SimpleExpr(TItemDesc& d) {
    TItemDesc d1;
    if (Scnr::sym == Scnr::sPlus || Scnr::sym == Scnr::sMinus) {
        TSymbol sign = Scnr::sym;
        Scnr::Read();
        Term(d);
        if (d.t != tInt) Err("Expected integer term");
        if (sign == Scnr::sMinus) {
            if (d.c) {
                d.v = rt::Neg(d.v);
            } else {
                Comp::Opr(Comp::oNeg);
            }
        }
    } else {
        Term(d);
    }
    while (Scnr::sym >= Scnr::sPlus && Scnr::sym <= Scnr::sOr) {
        TSymbol op = Scnr::sym;
        if ((op == Scnr::sOr) != (d.t == tBool)) Err("Wrong operator type");
        Scnr::Read();
        Term(d1);
        if (d1.t != d.t) Err("Wrong operand type");
        Combine(d, d1, op, "Bug: Invalid addop");
    }
}

// Expression = SimpleExpr [ Relation SimpleExpr ] .
void Expression(TItemDesc& d) {
    TItemDesc d1;
    SimpleExpr(d);
    if (Scnr::sym >= Scnr::sEql && Scnr::sym <= Scnr::sGeq) {
        TSymbol op = Scnr::sym;
        Scnr::Read();
        SimpleExpr(d1);
        if (d1.t != d.t) Err("Wrong operand type");
        d.t = tBool;
        Combine(d, d1, op, "Bug: Invalid relop");
    }
}

// A declared name gets the next table entry; it is counted only when its declaration is
// complete, so it is not visible inside its own expression.
uint32_t NewEntry(TClass cls) {
    uint32_t i;
    Find(i);
    if (i < cnt) Err("Identifier redeclared");
    if (cnt >= kObjCount) Err("Too many identifiers");
    objs[i].id = Scnr::id;
    objs[i].cls = cls;
    Scnr::KeepId();
    return i;
}

// ConstDeclaration = ident "=" Expression ";" .
void ConstDeclaration() {
    TItemDesc d;
    uint32_t i = NewEntry(cConst);
    Scnr::Read();
    Check(Scnr::sEql, "Expected \"=\"");
    Expression(d);
    if (!d.c) Err("Expected constant");
    objs[i].typ = d.t;
    objs[i].val = d.v;
    cnt++;
    Check(Scnr::sSemi, "Expected \";\"");
}

// VarDeclaration = ident ":" ident ";" .
void VarDeclaration() {
    uint32_t j;
    uint32_t i = NewEntry(cVar);
    Scnr::Read();
    Check(Scnr::sCol, "Expected \":\"");
    if (Scnr::sym != Scnr::sId) Err("Expected identifier");
    Find(j);
    if (j >= cnt) Err("Identifier undeclared");
    if (objs[j].cls != cType) Err("Not a type");
    objs[i].typ = objs[j].typ;
    objs[i].idx = idx;
    cnt++;
    idx++;
    Scnr::Read();
    Check(Scnr::sSemi, "Expected \";\"");
}

// Statement = [ ident ":=" Expression | "WRITE" Expression ] .
void Statement() {
    uint32_t i;
    TItemDesc d;
    if (Scnr::sym == Scnr::sId) {
        Find(i);
        if (i == cnt) Err("Identifier undeclared");
        if (objs[i].cls != cVar) Err("Not a variable");
        Scnr::Read();
        Check(Scnr::sBec, "Expected \":=\"");
        Expression(d);
        if (d.t != objs[i].typ) Err("Incompatible types");
        if (d.c) Comp::Val(d.v);
        Comp::Sto(objs[i].idx);
    } else if (Scnr::sym == Scnr::sWrt) {
        Scnr::Read();
        Expression(d);
        if (d.c) Comp::Val(d.v);
        if (d.t == tInt) {
            Comp::Opr(Comp::oWrt);
        } else if (d.t == tBool) {
            Comp::Opr(Comp::oWrB);
        } else {
            Err("Bug: Invalid type");
        }
    }
}

} // namespace

void Init() {
    if (started) return;
    started = true;
    Comp::Init();
    Scnr::Init(); // the keywords come first in the identifier store
    cnt = 0;
    idx = 0;
    nesting = 0;
    Enter("FALSE", tBool, cConst, 0);
    Enter("TRUE", tBool, cConst, 1);
    Enter("BOOLEAN", tBool, cType, 0);
    Enter("INTEGER", tInt, cType, 0);
    InitOprs();
}

// Program = [ "CONST" { ConstDeclaration } ] [ "VAR" { VarDeclaration } ]
//           "BEGIN" Statement { ";" Statement } "." .
void Run() {
    Scnr::Read();
    if (Scnr::sym == Scnr::sConst) {
        Scnr::Read();
        while (Scnr::sym == Scnr::sId) ConstDeclaration();
    }
    if (Scnr::sym == Scnr::sVar) {
        Scnr::Read();
        while (Scnr::sym == Scnr::sId) VarDeclaration();
    }
    Check(Scnr::sBeg, "Expected \"BEGIN\"");
    Statement();
    while (Scnr::sym == Scnr::sSemi) {
        Scnr::Read();
        Statement();
    }
    // Nothing after the final "." is read.
    if (Scnr::sym != Scnr::sDot) Err("Expected \";\" or \".\"");
}

} // namespace Prsr
