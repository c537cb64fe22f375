#include "Cases.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "../Trace.h"

namespace Cases {

namespace {

constexpr std::size_t kChunk = 1 << 16;         // bytes per chunk fed or read at a time
constexpr std::uint64_t kMaxRepeat = 100000000; // the largest COUNT of \R{COUNT}{TEXT}

// Where the reader is in the file, line by line: before the first case, in the headers of a
// case, in a section with content lines, or in one without (dir, status).
enum class Where { Comment, Header, Content, Empty };

// The reader's state for the file being read.
Where where;
Case* current;            // the case being read
Content* target;          // the content that the lines of the current section fill
std::string_view lineEnd; // what each content line ends with: CR LF in outputs, LF elsewhere
bool sawArgs;             // the current case has its args: line
int heldEmpty;            // empty content lines not yet known to be content
std::uint32_t tracePos;   // the code position of the section's next \T line

} // namespace

// ---------------------------------------------------------------- content

void Content::Append(std::string_view s) {
    if (s.empty()) return;
    if (pieces_.empty() || pieces_.back().count != 1)
        pieces_.push_back({std::string(s), 1});
    else
        pieces_.back().text += s;
    size_ += s.size();
}

void Content::AppendRepeat(std::string text, std::uint64_t count) {
    if (text.empty() || count == 0) return;
    size_ += text.size() * count;
    pieces_.push_back({std::move(text), count});
}

void Content::ForEachChunk(const std::function<bool(std::string_view)>& f) const {
    for (const Piece& p : pieces_) {
        if (p.count == 1) {
            if (!f(std::string_view(p.text))) return;
            continue;
        }
        const std::uint64_t per =
            std::min<std::uint64_t>(p.count, std::max<std::uint64_t>(1, kChunk / p.text.size()));
        std::string block;
        for (std::uint64_t i = 0; i < per; ++i) block += p.text;
        for (std::uint64_t left = p.count; left > 0;) {
            const std::uint64_t n = std::min(left, per);
            if (!f(std::string_view(block).substr(0, n * p.text.size()))) return;
            left -= n;
        }
    }
}

std::string Content::Slice(std::uint64_t from, std::uint64_t len) const {
    std::string out;
    std::uint64_t pos = 0;
    for (const Piece& p : pieces_) {
        const std::uint64_t total = p.text.size() * p.count;
        for (std::uint64_t off = from > pos ? from - pos : 0; off < total && out.size() < len;
             ++off)
            out += p.text[off % p.text.size()];
        pos += total;
        if (out.size() >= len) break;
    }
    return out;
}

namespace {

// ---------------------------------------------------------------- escapes

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the escape at s[i] == '\\' that every context knows, plus the characters in
// `literal`, which stand for themselves after a backslash.
bool SimpleEscape(std::string_view s, std::size_t& i, std::string& out, std::string_view literal,
                  std::string& err) {
    if (i + 1 >= s.size()) {
        err = "backslash at end of line";
        return false;
    }
    const char e = s[i + 1];
    i += 2;
    switch (e) {
    case '\\': out += '\\'; return true;
    case 'n': out += '\n'; return true;
    case 'r': out += '\r'; return true;
    case 't': out += '\t'; return true;
    case 'x':
        if (i + 1 < s.size() && HexValue(s[i]) >= 0 && HexValue(s[i + 1]) >= 0) {
            out += static_cast<char>(HexValue(s[i]) * 16 + HexValue(s[i + 1]));
            i += 2;
            return true;
        }
        err = "\\x needs two hex digits";
        return false;
    default:
        if (literal.find(e) != std::string_view::npos) {
            out += e;
            return true;
        }
        err = std::string("unknown escape \\") + e;
        return false;
    }
}

// \T{COMMAND}, starting at s[i] == '\\': the trace line of COMMAND at tracePos, appended to out.
// tracePos moves on past the command.
bool TraceEscape(std::string_view s, std::size_t& i, std::string& out, std::string& err) {
    const std::size_t close = s.find('}', i);
    if (i + 2 >= s.size() || s[i + 2] != '{' || close == std::string_view::npos || close == i + 3) {
        err = "\\T must be followed by {COMMAND}";
        return false;
    }
    const std::string_view command = s.substr(i + 3, close - i - 3);
    out += TraceLine(tracePos, command);
    tracePos += CommandSize(command);
    i = close + 1;
    return true;
}

// The TEXT of \R{COUNT}{TEXT} from s[i] through its closing "}", decoded into text; traced tells
// whether it holds \T.
bool RepeatText(std::string_view s, std::size_t& i, std::string& text, bool& traced,
                std::string& err) {
    while (i < s.size() && s[i] != '}') {
        if (s[i] != '\\') {
            text += s[i++];
        } else if (i + 1 < s.size() && s[i + 1] == 'T') {
            traced = true;
            if (!TraceEscape(s, i, text, err)) return false;
        } else if (!SimpleEscape(s, i, text, "", err)) {
            return false;
        }
    }
    if (i >= s.size()) {
        err = "\\R text is not closed by }";
        return false;
    }
    ++i;
    return true;
}

// \R{COUNT}{TEXT}, starting at s[i] == '\\', appended to c.
bool Repeat(std::string_view s, std::size_t& i, Content& c, std::string& err) {
    i += 2;
    if (i >= s.size() || s[i] != '{') {
        err = "\\R must be followed by {COUNT}{TEXT}";
        return false;
    }
    std::uint64_t count = 0;
    std::size_t digits = 0;
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
        count = count * 10 + static_cast<std::uint64_t>(s[i] - '0');
        if (count > kMaxRepeat) break;
    }
    if (digits == 0 || count > kMaxRepeat || i + 1 >= s.size() || s[i] != '}' || s[i + 1] != '{') {
        err = "\\R count must be 0.." + std::to_string(kMaxRepeat) + " written as {COUNT}{TEXT}";
        return false;
    }
    const std::size_t from = i + 2;
    const std::uint32_t pos = tracePos;
    std::string text;
    bool traced = false;
    i = from;
    if (!RepeatText(s, i, text, traced, err)) return false;
    if (!traced) {
        c.AppendRepeat(std::move(text), count);
        return true;
    }
    // Each repetition's trace lines stand further on, so TEXT is decoded once for each.
    tracePos = pos;
    for (std::uint64_t k = 0; k < count; ++k) {
        std::size_t j = from;
        text.clear();
        RepeatText(s, j, text, traced, err);
        c.Append(text);
    }
    return true;
}

// One line of a content section: its text and then lineEnd, unless the line ends with \c.
bool ContentLine(std::string_view line, Content& c, std::string& err) {
    std::string text;
    bool withEnd = true;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] != '\\') {
            text += line[i++];
        } else if (i + 1 < line.size() && line[i + 1] == 'c') {
            if (i + 2 != line.size()) {
                err = "\\c is only allowed at the end of a line";
                return false;
            }
            withEnd = false;
            break;
        } else if (i + 1 < line.size() && line[i + 1] == 'R') {
            c.Append(text);
            text.clear();
            if (!Repeat(line, i, c, err)) return false;
        } else if (i + 1 < line.size() && line[i + 1] == 'T') {
            if (!TraceEscape(line, i, text, err)) return false;
        } else if (!SimpleEscape(line, i, text, "", err)) {
            return false;
        }
    }
    c.Append(text);
    if (withEnd) c.Append(lineEnd);
    return true;
}

// ---------------------------------------------------------------- headers

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

bool ParseNumber(std::string_view s, int max, int& out) {
    if (s.empty() || s.size() > 9) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return out <= max;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// args: WORDS, checked now with a stand-in for $DIR and split per run.
bool Args(std::string_view value, std::string& err) {
    if (sawArgs) {
        err = "args given twice";
        return false;
    }
    const std::string dummy = "/dir";
    std::vector<std::string> words;
    if (!SplitWords(value, &dummy, words, err)) return false;
    sawArgs = true;
    current->args = value;
    return true;
}

bool Only(std::string_view value, std::string& err) {
    if (value != "posix" && value != "windows") {
        err = "only: must be posix or windows";
        return false;
    }
    current->only = value;
    return true;
}

// stdin: closed, stdout: closed | full, stderr: closed | full.
bool ChannelHeader(int fd, std::string_view value, std::string& err) {
    if (value == "closed")
        current->channel[fd] = Channel::Closed;
    else if (value == "full" && fd > 0)
        current->channel[fd] = Channel::Full;
    else {
        err = fd == 0 ? "stdin can only be 'closed'" : "expected 'closed' or 'full'";
        return false;
    }
    return true;
}

bool Header(std::string_view line, std::string& err) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        err = "expected a header (args:, only:, stdin:, stdout:, stderr:) or a --- section";
        return false;
    }
    const std::string_view key = line.substr(0, colon);
    const std::string_view value = Trim(line.substr(colon + 1));
    if (key == "args") return Args(value, err);
    if (key == "only") return Only(value, err);
    const int fd = key == "stdin" ? 0 : key == "stdout" ? 1 : key == "stderr" ? 2 : -1;
    if (fd < 0) {
        err = "unknown header " + std::string(key);
        return false;
    }
    return ChannelHeader(fd, value, err);
}

// ---------------------------------------------------------------- sections

bool ValidEntryName(const std::string& name) {
    if (name.empty() || name.front() == '/') return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        if (name.substr(start, slash - start) == "..") return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

// --- stdin, --- stdout, --- stderr: input lines end in LF, expected output lines in CR LF, as
// kel writes them.
Content* ChannelSection(const std::vector<std::string>& w, std::string& err) {
    const std::string& kind = w[0];
    const int fd = kind == "stdin" ? 0 : kind == "stdout" ? 1 : 2;
    std::optional<Content>& slot = fd == 0 ? current->input : current->expected[fd];
    if (w.size() != 1)
        err = "--- " + kind + " takes no arguments";
    else if (slot)
        err = "--- " + kind + " given twice";
    else if (fd == 0 && current->channel[0] == Channel::Closed)
        err = "stdin is closed";
    else {
        lineEnd = fd == 0 ? "\n" : "\r\n";
        return &slot.emplace();
    }
    return nullptr;
}

// --- file NAME, --- dir NAME.
Content* EntrySection(const std::vector<std::string>& w, std::string& err) {
    const std::string& kind = w[0];
    if (w.size() != 2 || !ValidEntryName(w[1])) {
        err = "expected --- " + kind + " RELATIVE/NAME";
        return nullptr;
    }
    Entry e;
    e.isDir = kind == "dir";
    e.name = w[1];
    lineEnd = "\n";
    current->entries.push_back(std::move(e));
    return current->entries.back().isDir ? nullptr : &current->entries.back().content;
}

void StatusSection(const std::vector<std::string>& w, std::string& err) {
    int status = 0;
    if (w.size() != 2 || !ParseNumber(w[1], 255, status))
        err = "expected --- status 0..255";
    else if (current->status)
        err = "--- status given twice";
    else
        current->status = status;
}

// Starts a --- section. Returns the content that its lines fill, or null for sections without
// content (dir, status); err is set on failure.
Content* Section(std::string_view rest, std::string& err) {
    std::vector<std::string> w;
    if (!SplitWords(rest, nullptr, w, err)) return nullptr;
    const std::string kind = w.empty() ? "" : w[0];
    if (kind == "stdin" || kind == "stdout" || kind == "stderr") return ChannelSection(w, err);
    if (kind == "file" || kind == "dir") return EntrySection(w, err);
    if (kind == "status") {
        StatusSection(w, err);
        return nullptr;
    }
    err = "unknown section --- " + kind;
    return nullptr;
}

// ---------------------------------------------------------------- lines

// Empty lines are held back: at the end of a case they only separate it from the next one,
// elsewhere in a content section they are content.
void FlushEmpty() {
    for (; heldEmpty > 0; --heldEmpty) target->Append(lineEnd);
}

// ### NAME
bool StartCase(std::string_view name, int lineNo, std::vector<Case>& cases, std::string& err) {
    if (IsBlank(name)) {
        err = "a case needs a name";
        return false;
    }
    current = &cases.emplace_back();
    current->name = name;
    current->line = lineNo;
    where = Where::Header;
    sawArgs = false;
    heldEmpty = 0;
    return true;
}

// --- KIND [NAME]
bool StartSection(std::string_view rest, std::string& err) {
    if (where == Where::Content) FlushEmpty();
    target = Section(rest, err);
    if (!err.empty()) return false;
    tracePos = 0;
    where = target ? Where::Content : Where::Empty;
    return true;
}

// One line of the file, without its line end; what it means depends on where the reader is.
bool Line(std::string_view line, int lineNo, std::vector<Case>& cases, std::string& err) {
    if (line.substr(0, 4) == "### ") return StartCase(line.substr(4), lineNo, cases, err);
    if (where == Where::Comment) return true;
    if (line.substr(0, 4) == "--- ") return StartSection(line.substr(4), err);
    switch (where) {
    case Where::Content:
        if (line.empty()) {
            ++heldEmpty;
            return true;
        }
        FlushEmpty();
        return ContentLine(line, *target, err);
    case Where::Header: return IsBlank(line) || Header(line, err);
    case Where::Empty:
        if (IsBlank(line)) return true;
        err = "this section has no content";
        return false;
    case Where::Comment: break;
    }
    return true;
}

bool ReadFile(const std::string& path, std::string& text, std::string& err) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        err = path + ": " + std::strerror(errno);
        return false;
    }
    char buf[kChunk];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return true;
}

} // namespace

bool Read(const std::string& path, std::vector<Case>& cases, std::string& err) {
    std::string text;
    if (!ReadFile(path, text, err)) return false;
    where = Where::Comment;
    current = nullptr;
    target = nullptr;
    heldEmpty = 0;
    std::size_t pos = 0;
    for (int lineNo = 1; pos < text.size(); ++lineNo) {
        const std::size_t nl = text.find('\n', pos);
        std::string_view line = std::string_view(text).substr(pos, nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // CRLF case files
        if (!Line(line, lineNo, cases, err)) {
            err = path + ":" + std::to_string(lineNo) + ": " + err;
            return false;
        }
    }
    return true;
}

bool SplitWords(std::string_view s, const std::string* dir, std::vector<std::string>& words,
                std::string& err) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    auto takeDir = [&](std::size_t& i, std::string& w) {
        if (!dir || s.substr(i, 4) != "$DIR") return false;
        w += *dir;
        i += 4;
        return true;
    };
    std::size_t i = 0;
    for (;;) {
        while (i < s.size() && blank(s[i])) ++i;
        if (i >= s.size()) return true;
        std::string w;
        while (i < s.size() && !blank(s[i])) {
            if (s[i] == '\'') {
                const std::size_t close = s.find('\'', i + 1);
                if (close == std::string_view::npos) {
                    err = "unclosed '";
                    return false;
                }
                w += s.substr(i + 1, close - i - 1);
                i = close + 1;
            } else if (s[i] == '"') {
                for (++i; i < s.size() && s[i] != '"';) {
                    if (s[i] == '\\') {
                        if (!SimpleEscape(s, i, w, "\"'$ ", err)) return false;
                    } else if (!takeDir(i, w)) {
                        w += s[i++];
                    }
                }
                if (i >= s.size()) {
                    err = "unclosed \"";
                    return false;
                }
                ++i;
            } else if (s[i] == '\\') {
                if (!SimpleEscape(s, i, w, "\"'$ ", err)) return false;
            } else if (!takeDir(i, w)) {
                w += s[i++];
            }
        }
        words.push_back(std::move(w));
    }
}

} // namespace Cases
