// A second, deliberately plain implementation of kel's compile-and-run, used by the fuzzing
// oracle to predict every byte that kel must write for a source: standard output, the trace and
// the diagnostic on the error output, and the exit status. It is written for clarity, not speed:
// the scanner takes one byte at a time, names are strings, the first error throws.
//
// kel's choices where a plain implementation could easily differ, all followed here: a letter
// right after a number's digits is "Invalid number" at the number, an identifier of 255 or more
// characters is "Identifier too long" at its first letter, more than 1000 open "(" and "~" in a
// factor is "Nesting too deep", and fatal run-time errors are "Fatal error: " kind ".".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/Trace.h"
#include "Machine.h"

namespace oracle {

struct Expect {
    int status = 0;
    std::string out, err;
};

class Model {
  public:
    static Expect Run(std::string_view src) {
        Model m(src);
        try {
            m.Program();
        } catch (const Stop&) {
            m.e_.status = 9;
        }
        return m.e_;
    }

  private:
    struct Stop {};

    // clang-format off
    enum Sym {
        sNull, sNum, sId, sCol, sBec, sLPar, sNot, sMul, sDiv, sAnd, sPlus, sMinus, sOr,
        sEql, sNeq, sLss, sLeq, sGtr, sGeq, sRPar, sSemi, sDot,
        sConst, sVar, sBeg, sWrt, sEOF
    };
    // clang-format on
    enum Type { tBool, tInt };
    enum Class { cConst, cVar, cType };

    struct Obj {
        std::string name;
        Type typ;
        Class cls;
        int64_t val; // a constant's value or a variable's slot
    };

    struct Item {
        Type t = tInt;
        bool c = false;
        int64_t v = 0;
    };

    static constexpr uint32_t kStore = 1024;   // the identifier store
    static constexpr uint32_t kFirstFree = 49; // behind the keywords and predeclared names
    static constexpr uint32_t kObjs = 32;
    static constexpr uint32_t kNesting = 1000;

    explicit Model(std::string_view src) : src_(src) {
        objs_ = {{"FALSE", tBool, cConst, 0},
                 {"TRUE", tBool, cConst, 1},
                 {"BOOLEAN", tBool, cType, 0},
                 {"INTEGER", tInt, cType, 0}};
    }

    // ------------------------------------------------------------ output

    void Line(std::string& ch, const std::string& s) { ch += s + "\r\n"; }

    [[noreturn]] void Fail(const std::string& line) {
        Line(e_.err, line);
        throw Stop{};
    }

    [[noreturn]] void Fatal(const char* kind) { Fail(std::string("Fatal error: ") + kind + "."); }

    [[noreturn]] void Err(const char* who, const char* s) {
        Fail(std::string(who) + " (" + std::to_string(pos_.l) + "," + std::to_string(pos_.c) +
             "): " + s + ".");
    }

    // ------------------------------------------------------------ scanner

    struct Pos {
        uint64_t l = 0, c = 0;
    };

    std::string_view src_;
    size_t next_ = 0;
    unsigned char chr_ = '\n';
    Pos chp_, pos_;
    Sym sym_ = sNull;
    uint64_t num_ = 0;
    std::string name_;            // the identifier just read
    uint32_t idTop_ = kFirstFree; // where the next identifier is stored
    uint32_t idEnd_ = kFirstFree; // behind the identifier just read

    void Get() {
        if (chr_ == 26) return;
        if (chr_ == '\n') {
            chp_.l++;
            chp_.c = 1;
        } else {
            chp_.c++;
        }
        chr_ = next_ < src_.size() ? static_cast<unsigned char>(src_[next_++]) : 26;
    }

    static bool Digit(unsigned char c) { return c >= '0' && c <= '9'; }
    static bool Letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

    void Read() {
        for (;;) {
            while ((chr_ <= ' ' && chr_ != 26) || chr_ >= 127) Get();
            pos_ = chp_;
            const unsigned char c = chr_;
            if (c == 26) {
                sym_ = sEOF;
            } else if (Digit(c)) {
                sym_ = sNum;
                num_ = 0;
                while (Digit(chr_)) {
                    num_ = num_ * 10 + (chr_ - '0');
                    if (num_ > UINT32_MAX) Err("Scnr", "Number too large");
                    Get();
                }
                if (Letter(chr_)) Err("Scnr", "Invalid number");
            } else if (Letter(c)) {
                name_.clear();
                uint32_t end = idTop_ + 1;
                while (Digit(chr_) || Letter(chr_)) {
                    if (end >= kStore) Err("Scnr", "Buffer full");
                    name_ += static_cast<char>(chr_);
                    ++end;
                    Get();
                }
                if (name_.size() > 254) Err("Scnr", "Identifier too long");
                idEnd_ = end;
                sym_ = name_ == "CONST"   ? sConst
                       : name_ == "VAR"   ? sVar
                       : name_ == "BEGIN" ? sBeg
                       : name_ == "WRITE" ? sWrt
                                          : sId;
            } else if (c == '(') {
                Get();
                if (chr_ != '*') {
                    sym_ = sLPar;
                    return;
                }
                Comment();
                continue;
            } else if (c == ':' || c == '<' || c == '>') {
                Get();
                if (c == ':') sym_ = chr_ == '=' ? sBec : sCol;
                if (c == '<') sym_ = chr_ == '=' ? sLeq : chr_ == '>' ? sNeq : sLss;
                if (c == '>') sym_ = chr_ == '=' ? sGeq : sGtr;
                if (sym_ == sBec || sym_ == sLeq || sym_ == sNeq || sym_ == sGeq) Get();
            } else {
                const std::string_view ones = "#&)*+-./;=|~";
                const Sym kinds[] = {sNeq, sAnd, sRPar, sMul, sPlus, sMinus,
                                     sDot, sDiv, sSemi, sEql, sOr,   sNot};
                const size_t k = ones.find(static_cast<char>(c));
                if (k == std::string_view::npos) Err("Scnr", "Invalid character");
                sym_ = kinds[k];
                Get();
            }
            return;
        }
    }

    // Entered on the "*" of "(*"; comments nest.
    void Comment() {
        Get();
        uint64_t lvl = 1;
        while (lvl > 0) {
            if (chr_ == 26) Err("Scnr", "Unterminated comment (start pos)");
            if (chr_ == '(') {
                Get();
                if (chr_ == '*') {
                    lvl++;
                    Get();
                }
            } else if (chr_ == '*') {
                Get();
                if (chr_ == ')') {
                    lvl--;
                    Get();
                }
            } else {
                Get();
            }
        }
    }

    // ------------------------------------------------------------ code store and machine

    Machine vm_;
    bool header_ = true;

    void Emit(const std::string& mn, int64_t arg) {
        if (header_) {
            e_.err += kTraceHeader;
            header_ = false;
        }
        std::string command = mn;
        if (mn == "Val" || mn == "Lod" || mn == "Sto") command += " " + std::to_string(arg);
        e_.err += TraceLine(vm_.len, command);
        Cmd cmd;
        cmd.at = vm_.len;
        cmd.mn = mn;
        cmd.arg = arg;
        const size_t written = vm_.out.size();
        const std::string due = vm_.Step(cmd);
        for (size_t k = written; k < vm_.out.size(); ++k) Line(e_.out, vm_.out[k]);
        if (!due.empty()) Fail(due);
    }

    // ------------------------------------------------------------ parser

    std::vector<Obj> objs_;
    uint32_t cnt_ = 4;
    int64_t slots_ = 0;
    uint32_t nesting_ = 0;
    Expect e_;

    uint32_t Find() const {
        uint32_t i = 0;
        while (i < cnt_ && objs_[i].name != name_) ++i;
        return i;
    }

    static bool True(int64_t v) { return v == 1; }

    // The operation for op; swapped when the left operand is a constant pushed after the right.
    static const char* Op(Sym op, bool swapped) {
        switch (op) {
        case sMul: return "Mul";
        case sDiv: return swapped ? "Vid" : "Div";
        case sAnd: return "And";
        case sPlus: return "Add";
        case sMinus: return swapped ? "Bus" : "Sub";
        case sOr: return "Or ";
        case sEql: return "Eql";
        case sNeq: return "Neq";
        case sLss: return swapped ? "Gtr" : "Lss";
        case sLeq: return swapped ? "Geq" : "Leq";
        case sGtr: return swapped ? "Lss" : "Gtr";
        case sGeq: return swapped ? "Leq" : "Geq";
        default: return "???";
        }
    }

    int64_t Fit(int64_t r) {
        if (r < INT32_MIN || r > INT32_MAX) Fatal("Integer overflow");
        return r;
    }

    int64_t Fold(Sym op, int64_t x, int64_t y) {
        switch (op) {
        case sMul: return Fit(x * y);
        case sDiv:
            if (y == 0) Fatal("Division by zero");
            if (y < 0) Fatal("Negative divisor");
            return Machine::Div(x, y);
        case sAnd: return True(x) && True(y);
        case sPlus: return Fit(x + y);
        case sMinus: return Fit(x - y);
        case sOr: return True(x) || True(y);
        case sEql: return x == y;
        case sNeq: return x != y;
        case sLss: return x < y;
        case sLeq: return x <= y;
        case sGtr: return x > y;
        case sGeq: return x >= y;
        default: return 0;
        }
    }

    void Combine(Item& d, const Item& d1, Sym op) {
        if (d.c && d1.c) {
            d.v = Fold(op, d.v, d1.v);
        } else if (d.c) {
            Emit("Val", d.v);
            Emit(Op(op, true), 0);
        } else if (d1.c) {
            Emit("Val", d1.v);
            Emit(Op(op, false), 0);
        } else {
            Emit(Op(op, false), 0);
        }
        d.c = d.c && d1.c;
    }

    void Factor(Item& d) {
        if (sym_ == sNum) {
            if (num_ > INT32_MAX) Err("Prsr", "Number too large");
            d = Item{tInt, true, static_cast<int64_t>(num_)};
            Read();
        } else if (sym_ == sId) {
            const uint32_t i = Find();
            if (i == cnt_) Err("Prsr", "Identifier undeclared");
            d.t = objs_[i].typ;
            if (objs_[i].cls == cConst) {
                d.c = true;
                d.v = objs_[i].val;
            } else if (objs_[i].cls == cVar) {
                d.c = false;
                Emit("Lod", objs_[i].val);
            } else {
                Err("Prsr", "Expected constant or variable");
            }
            Read();
        } else if (sym_ == sLPar || sym_ == sNot) {
            if (nesting_ == kNesting) Err("Prsr", "Nesting too deep");
            nesting_++;
            if (sym_ == sLPar) {
                Read();
                Expression(d);
                if (sym_ != sRPar) Err("Prsr", "Expected operator or \")\"");
                Read();
            } else {
                Read();
                Factor(d);
                if (d.t != tBool) Err("Prsr", "Expected boolean factor");
                if (d.c)
                    d.v = !True(d.v);
                else
                    Emit("Not", 0);
            }
            nesting_--;
        } else {
            Err("Prsr", "Expected factor");
        }
    }

    void Term(Item& d) {
        Factor(d);
        while (sym_ == sMul || sym_ == sDiv || sym_ == sAnd) {
            const Sym op = sym_;
            if ((op == sAnd) != (d.t == tBool)) Err("Prsr", "Wrong operator type");
            Read();
            Item d1;
            Factor(d1);
            if (d1.t != d.t) Err("Prsr", "Wrong operand type");
            Combine(d, d1, op);
        }
    }

    void SimpleExpr(Item& d) {
        if (sym_ == sPlus || sym_ == sMinus) {
            const Sym sign = sym_;
            Read();
            Term(d);
            if (d.t != tInt) Err("Prsr", "Expected integer term");
            if (sign == sMinus) {
                if (d.c)
                    d.v = Fit(-d.v);
                else
                    Emit("Neg", 0);
            }
        } else {
            Term(d);
        }
        while (sym_ == sPlus || sym_ == sMinus || sym_ == sOr) {
            const Sym op = sym_;
            if ((op == sOr) != (d.t == tBool)) Err("Prsr", "Wrong operator type");
            Read();
            Item d1;
            Term(d1);
            if (d1.t != d.t) Err("Prsr", "Wrong operand type");
            Combine(d, d1, op);
        }
    }

    void Expression(Item& d) {
        SimpleExpr(d);
        if (sym_ >= sEql && sym_ <= sGeq) {
            const Sym op = sym_;
            Read();
            Item d1;
            SimpleExpr(d1);
            if (d1.t != d.t) Err("Prsr", "Wrong operand type");
            d.t = tBool;
            Combine(d, d1, op);
        }
    }

    uint32_t NewEntry(Class cls) {
        const uint32_t i = Find();
        if (i < cnt_) Err("Prsr", "Identifier redeclared");
        if (cnt_ >= kObjs) Err("Prsr", "Too many identifiers");
        objs_.resize(cnt_ + 1);
        objs_[i] = Obj{name_, tInt, cls, 0};
        idTop_ = idEnd_; // the name stays in the identifier store
        return i;
    }

    void ConstDeclaration() {
        const uint32_t i = NewEntry(cConst);
        Read();
        if (sym_ != sEql) Err("Prsr", "Expected \"=\"");
        Read();
        Item d;
        Expression(d);
        if (!d.c) Err("Prsr", "Expected constant");
        objs_[i].typ = d.t;
        objs_[i].val = d.v;
        cnt_++;
        if (sym_ != sSemi) Err("Prsr", "Expected \";\"");
        Read();
    }

    void VarDeclaration() {
        const uint32_t i = NewEntry(cVar);
        Read();
        if (sym_ != sCol) Err("Prsr", "Expected \":\"");
        Read();
        if (sym_ != sId) Err("Prsr", "Expected identifier");
        const uint32_t j = Find();
        if (j >= cnt_) Err("Prsr", "Identifier undeclared");
        if (objs_[j].cls != cType) Err("Prsr", "Not a type");
        objs_[i].typ = objs_[j].typ;
        objs_[i].val = slots_++;
        cnt_++;
        Read();
        if (sym_ != sSemi) Err("Prsr", "Expected \";\"");
        Read();
    }

    void Statement() {
        Item d;
        if (sym_ == sId) {
            const uint32_t i = Find();
            if (i == cnt_) Err("Prsr", "Identifier undeclared");
            if (objs_[i].cls != cVar) Err("Prsr", "Not a variable");
            Read();
            if (sym_ != sBec) Err("Prsr", "Expected \":=\"");
            Read();
            Expression(d);
            if (d.t != objs_[i].typ) Err("Prsr", "Incompatible types");
            if (d.c) Emit("Val", d.v);
            Emit("Sto", objs_[i].val);
        } else if (sym_ == sWrt) {
            Read();
            Expression(d);
            if (d.c) Emit("Val", d.v);
            Emit(d.t == tInt ? "Wrt" : "WrB", 0);
        }
    }

    void Program() {
        Read();
        if (sym_ == sConst) {
            Read();
            while (sym_ == sId) ConstDeclaration();
        }
        if (sym_ == sVar) {
            Read();
            while (sym_ == sId) VarDeclaration();
        }
        if (sym_ != sBeg) Err("Prsr", "Expected \"BEGIN\"");
        Read();
        Statement();
        while (sym_ == sSemi) {
            Read();
            Statement();
        }
        if (sym_ != sDot) Err("Prsr", "Expected \";\" or \".\"");
    }
};

} // namespace oracle
