// The fuzzing oracle: judges one finished run of kel by its exit status, the source bytes it
// read and everything it wrote. A crash is only the crudest fault; this finds the quiet ones:
//
// - the exit status is 0 or 9;
// - every byte on both channels belongs to a line that ends with CR LF;
// - standard output holds only decimal integers, TRUE and FALSE, one per line;
// - the error output is the generation trace (header once, then one line per command) and, on
//   status 9, exactly one diagnostic as its last line; on status 0 no diagnostic at all;
// - the trace is replayed on a model of the stack machine: the positions must add up, standard
//   output must be exactly what the traced commands write, a command that must fail (stack
//   overflow, division by zero, overflow, a full code store) must be followed by its own message
//   and nothing else, and a command that cannot fail must not be followed by a code-store error;
//   a completed run leaves the machine's stack empty;
// - a source diagnostic names a known message and a position in the source where a token of the
//   right kind starts (an invalid character at "Invalid character", a digit at "Number too
//   large", the "(" of "(*" at an unterminated comment, ...), or the end of the input;
// - no message of an internal consistency check ("Bug: ...") ever appears;
// - and then every byte of both channels, and the status, are what the model of the language
//   (Model.h) writes for the same source.
//
// Header-only, so the in-process check linked into the fuzzed binary and the re-run tool share it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/Trace.h"
#include "Machine.h"
#include "Model.h"

namespace oracle {

// Splits a channel's bytes into lines without their CR LF; false (and why) when a line end is
// not CR LF or the last line has none.
inline bool SplitLines(std::string_view s, const char* channel,
                       std::vector<std::string_view>& lines, std::string& why) {
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool lf = s[i] == '\n';
        const bool cr = s[i] == '\r';
        if (lf && (i == 0 || s[i - 1] != '\r')) {
            why = std::string("line feed without carriage return on ") + channel;
            return false;
        }
        if (cr && (i + 1 == s.size() || s[i + 1] != '\n')) {
            why = std::string("carriage return without line feed on ") + channel;
            return false;
        }
        if (lf) {
            lines.push_back(s.substr(start, i - 1 - start));
            start = i + 1;
        }
    }
    if (start != s.size()) {
        why = std::string("last line on ") + channel + " has no CR LF";
        return false;
    }
    return true;
}

// A decimal number as kel writes one: no plus sign, no leading zeros, no "-0".
inline bool ParseInt(std::string_view s, bool allowMinus, int64_t& v) {
    bool minus = false;
    if (allowMinus && !s.empty() && s[0] == '-') {
        minus = true;
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 10 || (s[0] == '0' && s.size() > 1) || (minus && s == "0"))
        return false;
    v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (minus) v = -v;
    return true;
}

inline std::string Show(std::string_view s) {
    std::string r = "'";
    for (char ch : s.substr(0, 120)) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32 && c < 127) {
            r += ch;
        } else {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02x", c);
            r += b;
        }
    }
    return r + (s.size() > 120 ? "...'" : "'");
}

// The operations of the machine by the names the trace gives them, in their numbering.
constexpr const char* kOps[] = {"Wrt", "WrB", "Neg", "Add", "Sub", "Mul", "Div", "Bus", "Vid",
                                "Eql", "Neq", "Lss", "Leq", "Gtr", "Geq", "Not", "Or ", "And"};

// Reads one trace line; false when it is not one, byte for byte.
inline bool ParseTrace(std::string_view line, Cmd& cmd) {
    constexpr std::string_view lead = "Comp.DebugG: ";
    if (line.substr(0, lead.size()) != lead) return false;
    line.remove_prefix(lead.size());
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    std::string_view num = line.substr(0, colon);
    while (!num.empty() && num[0] == ' ') num.remove_prefix(1);
    int64_t at = 0;
    if (!ParseInt(num, false, at) || at > kCodeSize) return false;
    cmd.at = static_cast<uint32_t>(at);
    std::string_view rest = line.substr(colon + 1);
    if (rest.substr(0, 2) != "  ") return false;
    rest.remove_prefix(2);
    cmd.mn = std::string(rest.substr(0, 3));
    rest.remove_prefix(cmd.mn.size());
    const bool withArg = cmd.mn == "Val" || cmd.mn == "Lod" || cmd.mn == "Sto";
    if (withArg) {
        if (rest.substr(0, 1) != " ") return false;
        if (!ParseInt(rest.substr(1), cmd.mn == "Val", cmd.arg)) return false;
        if (cmd.mn == "Val" ? cmd.arg < kMin || cmd.arg > kMax : cmd.arg > UINT32_MAX) return false;
    } else {
        bool known = false;
        for (const char* op : kOps) known = known || cmd.mn == op;
        if (!known || !rest.empty()) return false;
    }
    // Written again, the line must come out the same length: the position right-aligned in four
    // columns, never cut, and no blank or digit more than kel writes.
    const std::string again =
        TraceText(cmd.at, withArg ? cmd.mn + " " + std::to_string(cmd.arg) : cmd.mn);
    return again.size() == lead.size() + line.size();
}

// What a source diagnostic may stand on.
enum class At { Token, Digit, Letter, Comment, Invalid };

struct Message {
    const char* text;
    At at;
};

constexpr Message kScnr[] = {
    {"Invalid character", At::Invalid}, {"Unterminated comment (start pos)", At::Comment},
    {"Number too large", At::Digit},    {"Invalid number", At::Digit},
    {"Buffer full", At::Letter},        {"Identifier too long", At::Letter},
};

constexpr Message kPrsr[] = {
    {"Number too large", At::Digit},
    {"Identifier undeclared", At::Letter},
    {"Expected constant or variable", At::Letter},
    {"Expected operator or \")\"", At::Token},
    {"Expected boolean factor", At::Token},
    {"Expected factor", At::Token},
    {"Expected integer term", At::Token},
    {"Wrong operator type", At::Token},
    {"Wrong operand type", At::Token},
    {"Nesting too deep", At::Token},
    {"Expected \"BEGIN\"", At::Token},
    {"Expected \";\" or \".\"", At::Token},
    {"Not a variable", At::Letter},
    {"Expected \":=\"", At::Token},
    {"Incompatible types", At::Token},
    {"Identifier redeclared", At::Letter},
    {"Too many identifiers", At::Letter},
    {"Expected \"=\"", At::Token},
    {"Expected constant", At::Token},
    {"Expected \";\"", At::Token},
    {"Expected \":\"", At::Token},
    {"Expected identifier", At::Token},
    {"Not a type", At::Letter},
};

// Failures of folding: the same checked arithmetic as the machine, reported as fatal errors.
constexpr const char* kFatal[] = {"Integer overflow", "Division by zero", "Negative divisor"};

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool StartsToken(unsigned char c) {
    return IsDigit(c) || IsLetter(c) ||
           std::string_view(":<>(#&)*+-./;=|~").find(static_cast<char>(c)) !=
               std::string_view::npos;
}
inline bool IsInvalid(unsigned char c) { return c > ' ' && c < 127 && !StartsToken(c); }

// Checks that (l, c) is where the diagnostic may stand in the source: a byte of the right kind,
// or the end of the input (the end marker, or just behind the last byte).
inline std::string CheckPosition(std::string_view in, uint64_t l, uint64_t c, At at) {
    uint64_t line = 1, col = 1;
    size_t i = 0;
    for (; i < in.size() && in[i] != '\x1a'; ++i) {
        if (line == l && col == c) break;
        if (in[i] == '\n') {
            ++line;
            col = 1;
        } else {
            ++col;
        }
    }
    const bool end = i == in.size() || in[i] == '\x1a';
    if (line != l || col != c) return "position outside the source";
    if (end) return at == At::Token ? "" : "position at the end of the input";
    const unsigned char b = static_cast<unsigned char>(in[i]);
    bool ok = false;
    switch (at) {
    case At::Token: ok = StartsToken(b); break;
    case At::Digit: ok = IsDigit(b); break;
    case At::Letter: ok = IsLetter(b); break;
    case At::Comment: ok = b == '(' && i + 1 < in.size() && in[i + 1] == '*'; break;
    case At::Invalid: ok = IsInvalid(b); break;
    }
    if (ok) return "";
    char why[64];
    std::snprintf(why, sizeof why, "position names byte 0x%02x", b);
    return why;
}

// A diagnostic that no trace command explains: one of the scanner's, the parser's, or a folding
// failure. Returns "" when it is sound.
inline std::string CheckDiagnostic(std::string_view line, std::string_view in) {
    for (const char* kind : kFatal) {
        if (line == std::string("Fatal error: ") + kind + ".") return "";
    }
    const bool scnr = line.substr(0, 6) == "Scnr (";
    if (!scnr && line.substr(0, 6) != "Prsr (") return "unexpected diagnostic " + Show(line);
    const size_t close = line.find("): ");
    const size_t comma = line.find(',');
    int64_t l = 0, c = 0;
    if (close == std::string_view::npos || comma > close ||
        !ParseInt(line.substr(6, comma - 6), false, l) ||
        !ParseInt(line.substr(comma + 1, close - comma - 1), false, c) || line.back() != '.')
        return "malformed diagnostic " + Show(line);
    const std::string_view text = line.substr(close + 3, line.size() - close - 4);
    const Message* found = nullptr;
    if (scnr) {
        for (const Message& m : kScnr) found = text == m.text ? &m : found;
    } else {
        for (const Message& m : kPrsr) found = text == m.text ? &m : found;
    }
    if (found == nullptr) return "unknown message " + Show(line);
    const std::string where =
        CheckPosition(in, static_cast<uint64_t>(l), static_cast<uint64_t>(c), found->at);
    return where.empty() ? "" : where + ": " + Show(line);
}

// The checks of the run's shape, which need no model of the language.
inline std::string JudgeShape(int status, std::string_view in, std::string_view out,
                              std::string_view err) {
    if (status != 0 && status != 9) return "exit status " + std::to_string(status);
    std::vector<std::string_view> outLines, errLines;
    std::string why;
    if (!SplitLines(out, "standard output", outLines, why)) return why;
    if (!SplitLines(err, "the error output", errLines, why)) return why;
    for (std::string_view l : outLines) {
        int64_t v = 0;
        const bool number = ParseInt(l, true, v) && Machine::Fits(v);
        if (!number && l != "TRUE" && l != "FALSE") return "standard output line " + Show(l);
    }

    // The trace, replayed. k ends on the first line that is no trace line.
    Machine m;
    size_t k = 0;
    bool failed = false; // a traced command ended the run with its due diagnostic
    if (!errLines.empty() && errLines[0] == "Comp.DebugG:  pos") {
        for (k = 1; k < errLines.size(); ++k) {
            Cmd cmd;
            if (!ParseTrace(errLines[k], cmd)) {
                if (errLines[k].substr(0, 12) == "Comp.DebugG:")
                    return "malformed trace line " + Show(errLines[k]);
                break;
            }
            if (cmd.at != m.len) {
                return "trace position " + std::to_string(cmd.at) + " where " +
                       std::to_string(m.len) + " was due";
            }
            const std::string due = m.Step(cmd);
            if (due.empty()) continue;
            // The parser keeps slots below 32 and never emits an operation without operands.
            if (due == "Comp: Invalid index." || due == "Comp: Stack underflow.")
                return Show(errLines[k]) + " is an internal fault: " + due;
            const std::string_view next = k + 1 < errLines.size() ? errLines[k + 1] : "";
            if (next != due) {
                return "after " + Show(errLines[k]) + " the diagnostic " + Show(due) +
                       " was due, not " + (k + 1 < errLines.size() ? Show(next) : "the end");
            }
            if (k + 2 != errLines.size()) return "lines after the diagnostic " + Show(due);
            failed = true;
            break;
        }
    }

    for (size_t i = 0; i < outLines.size() || i < m.out.size(); ++i) {
        if (i >= outLines.size() || i >= m.out.size() || outLines[i] != m.out[i]) {
            return "standard output line " + std::to_string(i + 1) + " is " +
                   (i < outLines.size() ? Show(outLines[i]) : "missing") + ", the trace computes " +
                   (i < m.out.size() ? Show(m.out[i]) : "nothing");
        }
    }

    const size_t left = errLines.size() - k;
    if (failed)
        return status == 9 ? "" : "status " + std::to_string(status) + " after a diagnostic";
    if (status == 0) {
        if (left > 0) return "status 0 with the error line " + Show(errLines[k]);
        if (!m.stack.empty())
            return "status 0 with " + std::to_string(m.stack.size()) + " values left on the stack";
        return "";
    }
    if (left == 0) return "status 9 without a diagnostic";
    if (left > 1) return "more than one line after the trace: " + Show(errLines[k]);
    return CheckDiagnostic(errLines[k], in);
}

// Where two outputs first differ, by line.
inline std::string FirstDifference(const char* channel, std::string_view got,
                                   std::string_view want) {
    size_t at = 0, line = 1;
    while (at < got.size() && at < want.size() && got[at] == want[at]) {
        if (got[at] == '\n') ++line;
        ++at;
    }
    auto lineOf = [&](std::string_view s) {
        const size_t start = s.rfind('\n', at == 0 ? 0 : at - 1);
        const size_t from = start == std::string_view::npos || at == 0 ? 0 : start + 1;
        const size_t end = s.find('\n', at);
        return at >= s.size() && from >= s.size()
                   ? std::string("the end")
                   : Show(s.substr(from, end == std::string_view::npos ? s.size() - from
                                                                       : end + 1 - from));
    };
    return std::string(channel) + " line " + std::to_string(line) + " is " + lineOf(got) +
           ", the model writes " + lineOf(want);
}

// The verdict on one run: "" when it is sound, otherwise what is wrong. First the shape of the
// output, then every byte against the model of the language.
inline std::string Judge(int status, std::string_view in, std::string_view out,
                         std::string_view err) {
    std::string why = JudgeShape(status, in, out, err);
    if (!why.empty()) return why;
    const Expect e = Model::Run(in);
    if (out != e.out) return FirstDifference("standard output", out, e.out);
    if (err != e.err) return FirstDifference("error output", err, e.err);
    if (status != e.status)
        return "status " + std::to_string(status) + ", the model ends with " +
               std::to_string(e.status);
    return "";
}

} // namespace oracle
