// kel-e2e: runs the kel binary on the cases of one or more .t files and
// compares exit status, stdout and stderr byte for byte.  The case file
// format is described in README.md next to this file.
//
// Usage: kel-e2e [--wine] KEL_BINARY CASEFILE...
//        --wine: KEL_BINARY is kel.exe, run by wine (see "target" below)
//        kel-e2e --sources OUTDIR CASEFILE...  writes the sources of the
//        cases into OUTDIR for the fuzzer (fuzz/run), without running kel.
// Environment: KEL_E2E_FILTER=text runs only cases whose name contains text;
//              KEL_E2E_STDIN_ONLY=1 runs only the cases that give kel nothing but standard
//              input, which a host without files or a command line (kel.wasm) can run too;
//              KEL_E2E_KEEP=1 keeps the scratch directories for inspection.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kMaxRepeat = 100000000;
constexpr std::size_t kChunk = 1 << 16;
constexpr std::size_t kShowBytes = 2048;    // how much of a differing output is shown
constexpr int kTimeout = 10;                // seconds before a run of kel is killed
constexpr std::uint64_t kMaxSource = 65536; // larger sources make poor seeds for the fuzzer

// ---------------------------------------------------------------- content

// Bytes of a section.  Repeats stay as (text, count) so that a case can
// describe a huge source file without holding it in memory.
class Content {
  public:
    void append(std::string_view s) {
        if (s.empty()) return;
        if (pieces_.empty() || pieces_.back().count != 1)
            pieces_.push_back({std::string(s), 1});
        else
            pieces_.back().text += s;
        size_ += s.size();
    }
    void appendRepeat(std::string text, std::uint64_t count) {
        if (text.empty() || count == 0) return;
        size_ += text.size() * count;
        pieces_.push_back({std::move(text), count});
    }
    std::uint64_t size() const { return size_; }

    // Feeds the bytes to f in order, in chunks of modest size; stops as soon
    // as f returns false.
    template <class F>
    void forEachChunk(F&& f) const {
        for (const Piece& p : pieces_) {
            if (p.count == 1) {
                if (!f(std::string_view(p.text))) return;
                continue;
            }
            const std::uint64_t per = std::min<std::uint64_t>(
                p.count, std::max<std::uint64_t>(1, kChunk / p.text.size()));
            std::string block;
            for (std::uint64_t i = 0; i < per; ++i) block += p.text;
            for (std::uint64_t left = p.count; left > 0;) {
                const std::uint64_t n = std::min(left, per);
                if (!f(std::string_view(block).substr(0, n * p.text.size()))) return;
                left -= n;
            }
        }
    }

    // Bytes [from, from + len), clipped to the content.
    std::string slice(std::uint64_t from, std::uint64_t len) const {
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

  private:
    struct Piece {
        std::string text;
        std::uint64_t count;
    };
    std::vector<Piece> pieces_;
    std::uint64_t size_ = 0;
};

// ---------------------------------------------------------------- escapes

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the escape at s[i] == '\\' that every context knows, plus the
// characters in `literal`, which stand for themselves after a backslash.
bool simpleEscape(std::string_view s, std::size_t& i, std::string& out, std::string_view literal,
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
        if (i + 1 < s.size() && hexValue(s[i]) >= 0 && hexValue(s[i + 1]) >= 0) {
            out += static_cast<char>(hexValue(s[i]) * 16 + hexValue(s[i + 1]));
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

// Parses \R{COUNT}{TEXT} starting at s[i] == '\\' and appends it to c.
bool parseRepeat(std::string_view s, std::size_t& i, Content& c, std::string& err) {
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
    std::string text;
    for (i += 2; i < s.size() && s[i] != '}';) {
        if (s[i] != '\\')
            text += s[i++];
        else if (!simpleEscape(s, i, text, "", err))
            return false;
    }
    if (i >= s.size()) {
        err = "\\R text is not closed by }";
        return false;
    }
    ++i;
    c.appendRepeat(std::move(text), count);
    return true;
}

// Appends one line of a content section: its text and then lineEnd, unless
// the line ends with \c.
bool parseContentLine(std::string_view line, std::string_view lineEnd, Content& c,
                      std::string& err) {
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
            c.append(text);
            text.clear();
            if (!parseRepeat(line, i, c, err)) return false;
        } else if (!simpleEscape(line, i, text, "", err)) {
            return false;
        }
    }
    c.append(text);
    if (withEnd) c.append(lineEnd);
    return true;
}

// Splits a line into words like a very small shell.  When dir is given,
// $DIR outside single quotes becomes *dir.
bool splitWords(std::string_view s, const std::string* dir, std::vector<std::string>& words,
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
                        if (!simpleEscape(s, i, w, "\"'$ ", err)) return false;
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
                if (!simpleEscape(s, i, w, "\"'$ ", err)) return false;
            } else if (!takeDir(i, w)) {
                w += s[i++];
            }
        }
        words.push_back(std::move(w));
    }
}

// ---------------------------------------------------------------- case files

enum class Channel { Captured, Closed, Full };

struct Entry {
    std::string name;
    bool isDir = false;
    Content content;
};

struct Case {
    std::string name;
    int line = 0;
    std::string args; // split per run, because $DIR differs each time
    Channel channel[3] = {Channel::Captured, Channel::Captured, Channel::Captured};
    std::string only; // "posix" or "windows": the one system the case is for
    std::optional<Content> input, expected[3]; // expected[1] stdout, expected[2] stderr
    std::optional<int> status;
    std::vector<Entry> entries;
};

bool isBlank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

bool parseNumber(std::string_view s, int max, int& out) {
    if (s.empty() || s.size() > 9) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return out <= max;
}

// ---------------------------------------------------------------- target

// The system kel runs on: this one, or Windows, with kel.exe started by wine (--wine). A case
// that holds only for one system (absolute POSIX paths, "/" options) says so with "only:" and is
// skipped on the other.
struct System {
    bool wine = false;
    const char* system = "posix";
};
System kelSystem;

bool parseOnly(std::string_view value, Case& c, std::string& err) {
    if (value != "posix" && value != "windows") {
        err = "only: must be posix or windows";
        return false;
    }
    c.only = value;
    return true;
}

bool skipped(const Case& c) { return !c.only.empty() && c.only != kelSystem.system; }

// The words that start kel.
std::vector<std::string> launcher(const std::string& kel) {
    if (kelSystem.wine) return {"wine", kel};
    return {kel};
}

// $DIR as kel sees it: under wine the Windows name of the directory on drive Z:, which wine maps
// to the root, so that a case can name files with a drive letter and backslashes.
std::string dirForKel(const std::string& dir) {
    if (!kelSystem.wine) return dir;
    std::string w = "Z:" + dir;
    std::replace(w.begin(), w.end(), '/', '\\');
    return w;
}

bool parseHeader(std::string_view line, Case& c, bool& sawArgs, std::string& err) {
    const std::size_t colon = line.find(':');
    const std::string_view key = line.substr(0, colon);
    std::string_view value = colon == std::string_view::npos ? "" : line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (colon == std::string_view::npos) {
        err = "expected a header (args:, only:, stdin:, stdout:, stderr:) or a --- section";
        return false;
    }
    if (key == "args") {
        const std::string dummy = "/dir";
        std::vector<std::string> words;
        if (sawArgs || !splitWords(value, &dummy, words, err)) {
            if (sawArgs) err = "args given twice";
            return false;
        }
        sawArgs = true;
        c.args = value;
        return true;
    }
    if (key == "only") return parseOnly(value, c, err);
    const int fd = key == "stdin" ? 0 : key == "stdout" ? 1 : key == "stderr" ? 2 : -1;
    if (fd < 0) {
        err = "unknown header " + std::string(key);
        return false;
    }
    if (value == "closed")
        c.channel[fd] = Channel::Closed;
    else if (value == "full" && fd > 0)
        c.channel[fd] = Channel::Full;
    else {
        err = fd == 0 ? "stdin can only be 'closed'" : "expected 'closed' or 'full'";
        return false;
    }
    return true;
}

bool validEntryName(const std::string& name) {
    if (name.empty() || name.front() == '/') return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        if (name.substr(start, slash - start) == "..") return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

// Starts a --- section.  Returns the content that its lines fill, or null
// for sections without content (dir, status); err is set on failure.
// Expected output lines end in CR LF, as kel writes them; input lines in LF.
Content* parseSection(std::string_view rest, Case& c, std::string_view& lineEnd, std::string& err) {
    std::vector<std::string> w;
    if (!splitWords(rest, nullptr, w, err)) return nullptr;
    const std::string kind = w.empty() ? "" : w[0];
    if (kind == "stdin" || kind == "stdout" || kind == "stderr") {
        const int fd = kind == "stdin" ? 0 : kind == "stdout" ? 1 : 2;
        std::optional<Content>& slot = fd == 0 ? c.input : c.expected[fd];
        if (w.size() != 1)
            err = "--- " + kind + " takes no arguments";
        else if (slot)
            err = "--- " + kind + " given twice";
        else if (fd == 0 && c.channel[0] == Channel::Closed)
            err = "stdin is closed";
        else {
            lineEnd = fd == 0 ? "\n" : "\r\n";
            return &slot.emplace();
        }
        return nullptr;
    }
    if (kind == "file" || kind == "dir") {
        Entry e;
        e.isDir = kind == "dir";
        if (w.size() != 2 || !validEntryName(w[1])) {
            err = "expected --- " + kind + " RELATIVE/NAME";
            return nullptr;
        }
        e.name = w[1];
        lineEnd = "\n";
        c.entries.push_back(std::move(e));
        return c.entries.back().isDir ? nullptr : &c.entries.back().content;
    }
    if (kind == "status") {
        int status = 0;
        if (w.size() != 2 || !parseNumber(w[1], 255, status))
            err = "expected --- status 0..255";
        else if (c.status)
            err = "--- status given twice";
        else
            c.status = status;
        return nullptr;
    }
    err = "unknown section --- " + kind;
    return nullptr;
}

bool parseCaseFile(const std::string& path, std::vector<Case>& cases, std::string& err) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        err = path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buf[kChunk];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);

    enum class Where { Comment, Header, Content, Empty } where = Where::Comment;
    Content* target = nullptr;
    std::string_view lineEnd;
    bool sawArgs = false;
    // Empty lines are held back: at the end of a case they only separate it
    // from the next one, elsewhere in a content section they are content.
    int heldEmpty = 0;
    auto flushEmpty = [&] {
        for (; heldEmpty > 0; --heldEmpty) target->append(lineEnd);
    };
    std::size_t pos = 0;
    for (int lineNo = 1; pos < text.size(); ++lineNo) {
        const std::size_t nl = text.find('\n', pos);
        std::string_view line = std::string_view(text).substr(pos, nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // CRLF case files
        auto fail = [&] {
            err = path + ":" + std::to_string(lineNo) + ": " + err;
            return false;
        };
        if (line.substr(0, 4) == "### ") {
            if (isBlank(line.substr(4))) {
                err = "a case needs a name";
                return fail();
            }
            heldEmpty = 0;
            cases.emplace_back();
            cases.back().name = line.substr(4);
            cases.back().line = lineNo;
            where = Where::Header;
            sawArgs = false;
        } else if (where == Where::Comment) {
            continue;
        } else if (line.substr(0, 4) == "--- ") {
            if (where == Where::Content) flushEmpty();
            target = parseSection(line.substr(4), cases.back(), lineEnd, err);
            if (!err.empty()) return fail();
            where = target ? Where::Content : Where::Empty;
        } else if (where == Where::Content && line.empty()) {
            ++heldEmpty;
        } else if (where == Where::Content) {
            flushEmpty();
            if (!parseContentLine(line, lineEnd, *target, err)) return fail();
        } else if (where == Where::Header && !isBlank(line)) {
            if (!parseHeader(line, cases.back(), sawArgs, err)) return fail();
        } else if (where == Where::Empty && !isBlank(line)) {
            err = "this section has no content";
            return fail();
        }
    }
    return true;
}

// ---------------------------------------------------------------- running

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd, o.fd);
        return *this;
    }
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

std::string sysError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool writeContent(const std::string& path, const Content& c, std::string& err) {
    Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    bool ok = fd.fd >= 0;
    c.forEachChunk([&](std::string_view chunk) {
        while (ok && !chunk.empty()) {
            const ssize_t n = write(fd.fd, chunk.data(), chunk.size());
            if (n < 0 && errno != EINTR) ok = false;
            if (n > 0) chunk.remove_prefix(static_cast<std::size_t>(n));
        }
        return ok;
    });
    if (!ok) err = sysError("cannot write " + path);
    return ok;
}

// Creates every directory on the way to path (path itself too if withLast).
bool makeDirs(const std::string& path, std::size_t from, bool withLast, std::string& err) {
    for (std::size_t slash = path.find('/', from);; slash = path.find('/', slash + 1)) {
        if (slash == std::string::npos && !withLast) return true;
        const std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
            err = sysError("cannot create " + dir);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

bool createEntries(const Case& c, const std::string& work, std::string& err) {
    for (const Entry& e : c.entries) {
        const std::string path = work + "/" + e.name;
        if (!makeDirs(path, work.size() + 1, e.isDir, err)) return false;
        if (!e.isDir && !writeContent(path, e.content, err)) return false;
    }
    return true;
}

void removeTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        unlink(path.c_str());
        return;
    }
    if (DIR* d = opendir(path.c_str())) {
        while (const dirent* de = readdir(d)) {
            const std::string name = de->d_name;
            if (name != "." && name != "..") removeTree(path + "/" + name);
        }
        closedir(d);
    }
    rmdir(path.c_str());
}

[[noreturn]] void childFailed(int reportFd) {
    const int e = errno;
    if (write(reportFd, &e, sizeof e) < 0) {
    }
    _exit(127);
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void execKel(char* const argv[], const char* work, const int fds[3], int reportFd) {
    setpgid(0, 0); // own group, so that a timeout kills everything kel started
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (chdir(work) != 0) childFailed(reportFd);
    for (int t = 0; t < 3; ++t) {
        if (fds[t] < 0)
            close(t);
        else if (dup2(fds[t], t) < 0)
            childFailed(reportFd);
    }
    execvp(argv[0], argv);
    childFailed(reportFd);
}

double secondsSince(const timespec& start) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

// Waits for pid; false when the time ran out and its process group was killed.
bool waitWithTimeout(pid_t pid, int seconds, int& status) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    long pauseNs = 500000;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return true;
        if (secondsSince(start) >= seconds) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        const timespec pause{0, pauseNs};
        nanosleep(&pause, nullptr);
        pauseNs = std::min(pauseNs * 2, 20000000L);
    }
}

std::string readAt(int fd, std::uint64_t off, std::uint64_t len) {
    std::string out(static_cast<std::size_t>(len), '\0');
    std::size_t got = 0;
    while (fd >= 0 && got < out.size()) {
        const ssize_t n =
            pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(off + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

// Offset of the first byte where the file differs from expected, if any.
std::optional<std::uint64_t> firstDifference(const Content& expected, int fd,
                                             std::uint64_t actualSize) {
    std::optional<std::uint64_t> diff;
    std::uint64_t pos = 0;
    expected.forEachChunk([&](std::string_view chunk) {
        const std::string got =
            readAt(fd, pos, std::min<std::uint64_t>(chunk.size(), actualSize - pos));
        const auto m = std::mismatch(got.begin(), got.end(), chunk.begin());
        const auto k = static_cast<std::uint64_t>(m.first - got.begin());
        if (k < chunk.size()) diff = pos + k;
        pos += chunk.size();
        return !diff;
    });
    if (!diff && actualSize != expected.size()) diff = std::min(actualSize, expected.size());
    return diff;
}

// Shows bytes the way they are written in case files, one output line per LF.
std::string render(std::string_view bytes, const char* indent) {
    std::string out = indent;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n')
            out += std::string("\\n\n") + indent;
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (c >= 0x20 && c < 0x7f)
            out += ch;
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    // After a final LF the next line would only hold the indent.
    if (!bytes.empty() && bytes.back() == '\n')
        out.resize(out.size() - std::strlen(indent));
    else
        out += "\n";
    return out;
}

// Counts the line that byte `offset` of c lies on, 1-based.
std::uint64_t lineAt(const Content& c, std::uint64_t offset) {
    std::uint64_t line = 1;
    c.forEachChunk([&](std::string_view chunk) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), offset));
        line += static_cast<std::uint64_t>(std::count(chunk.begin(), chunk.begin() + n, '\n'));
        offset -= n;
        return offset > 0;
    });
    return line;
}

std::string describeDiff(const char* channel, const Content& expected, int fd,
                         std::uint64_t actualSize, std::uint64_t diff) {
    // Start the excerpt at a line start a little before the difference; the
    // bytes before `diff` are the same on both sides.
    std::uint64_t from = diff > kShowBytes / 4 ? diff - kShowBytes / 4 : 0;
    const std::string lead = expected.slice(from, diff - from);
    if (from > 0 && lead.find('\n') != std::string::npos) from += lead.find('\n') + 1;

    std::string out = std::string("  ") + channel + " differs at byte " + std::to_string(diff);
    if (from > 0) out += " (shown from line " + std::to_string(lineAt(expected, from)) + ")";
    out += ":\n";
    auto part = [&](const char* label, std::uint64_t total, const std::string& shown) {
        out += std::string("    ") + label + " (" + std::to_string(total) + " bytes):\n";
        if (shown.empty())
            out += from == 0 ? "      (empty)\n" : "      (ends here)\n";
        else
            out += render(shown, "      ");
        if (from + shown.size() < total) out += "      (more not shown)\n";
    };
    part("expected", expected.size(), expected.slice(from, kShowBytes));
    const std::uint64_t avail = actualSize > from ? actualSize - from : 0;
    part("actual", actualSize, readAt(fd, from, std::min<std::uint64_t>(kShowBytes, avail)));
    return out;
}

struct Outcome {
    bool pass = false;
    std::string summary; // comma separated short reasons
    std::string detail;  // diffs, already indented
    bool retry = false;  // wine itself failed to start kel
    void fail(const std::string& reason) { summary += (summary.empty() ? "" : ", ") + reason; }
};

Fd openChannel(const std::string& path, Channel ch, bool input) {
    if (ch == Channel::Closed) return Fd();
    if (ch == Channel::Full) return Fd(open("/dev/full", O_WRONLY | O_CLOEXEC));
    return Fd(open(path.c_str(),
                   input ? O_RDONLY | O_CLOEXEC : O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

// About 2 starts in 14,000 fail inside wine: status 1 and not a byte written. kel itself ends only
// with 0 or 9, so such a run is tried once more.
bool wineFailed(int status, const Fd fds[3]) {
    struct stat st;
    for (int i = 1; i < 3; ++i) {
        if (fds[i].fd >= 0 && (fstat(fds[i].fd, &st) != 0 || st.st_size != 0)) return false;
    }
    return kelSystem.wine && WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// Everything after the scratch tree exists: start kel, wait, compare.
void runInScratch(const Case& c, const std::string& kel, const std::string& base, Outcome& o) {
    static const Content nothing;
    const std::string work = base + "/work";
    std::string err;
    if (!createEntries(c, work, err) ||
        (c.channel[0] == Channel::Captured &&
         !writeContent(base + "/stdin", c.input ? *c.input : nothing, err)))
        return o.fail(err);
    const char* names[3] = {"stdin", "stdout", "stderr"};
    Fd fds[3];
    for (int i = 0; i < 3; ++i) {
        fds[i] = openChannel(base + "/" + names[i], c.channel[i], i == 0);
        if (c.channel[i] != Channel::Closed && fds[i].fd < 0)
            return o.fail(sysError(std::string("cannot open ") + names[i]));
    }
    std::vector<std::string> words = launcher(kel);
    const std::string dir = dirForKel(work);
    if (!splitWords(c.args, &dir, words, err)) return o.fail(err);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    int report[2];
    if (pipe(report) != 0) return o.fail(sysError("pipe"));
    Fd reportRead(report[0]), reportWrite(report[1]);
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
    const int childFds[3] = {fds[0].fd, fds[1].fd, fds[2].fd};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return o.fail(sysError("fork"));
    if (pid == 0) execKel(argv.data(), work.c_str(), childFds, report[1]);
    setpgid(pid, pid); // also here, so the group exists before any kill
    reportWrite = Fd();
    int childErrno = 0;
    ssize_t n;
    while ((n = read(report[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
    }

    int status = 0;
    const bool finished = waitWithTimeout(pid, kTimeout, status);
    if (n > 0) return o.fail(std::string("cannot start kel: ") + std::strerror(childErrno));
    if (!finished) return o.fail("timed out after " + std::to_string(kTimeout) + " s");
    o.retry = wineFailed(status, fds);
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        o.fail("killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")");
    } else if (WEXITSTATUS(status) != c.status.value_or(0)) {
        o.fail("status " + std::to_string(WEXITSTATUS(status)) + ", expected " +
               std::to_string(c.status.value_or(0)));
    }
    for (int i = 1; i < 3; ++i) {
        // A closed or full channel captures nothing; it is checked only when asked for.
        if (c.channel[i] != Channel::Captured && !c.expected[i]) continue;
        const int fd = c.channel[i] == Channel::Captured ? fds[i].fd : -1;
        struct stat st;
        const std::uint64_t size =
            fd >= 0 && fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
        const Content& want = c.expected[i] ? *c.expected[i] : nothing;
        if (const auto diff = firstDifference(want, fd, size)) {
            o.fail(std::string(names[i]) + " differs");
            o.detail += describeDiff(names[i], want, fd, size, *diff);
        }
    }
    o.pass = o.summary.empty();
}

Outcome runCaseOnce(const Case& c, const std::string& kel) {
    Outcome o;
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/kel-e2e-XXXXXX";
    if (!mkdtemp(templ.data())) {
        o.fail(sysError("cannot create scratch directory " + templ));
        return o;
    }
    // The real path, so that $DIR matches what kel sees as its working directory.
    char* real = realpath(templ.c_str(), nullptr);
    const std::string base = real ? real : templ;
    std::free(real);
    if (mkdir((base + "/work").c_str(), 0755) != 0)
        o.fail(sysError("cannot create " + base));
    else
        runInScratch(c, kel, base, o);
    if (std::getenv("KEL_E2E_KEEP"))
        std::printf("e2e: kept %s\n", base.c_str());
    else
        removeTree(base);
    return o;
}

Outcome runCase(const Case& c, const std::string& kel) {
    const Outcome o = runCaseOnce(c, kel);
    return o.retry ? runCaseOnce(c, kel) : o;
}

// Writes every distinct stdin and file section of the cases, up to
// kMaxSource bytes, to a file of its own in dir.
int writeSources(const std::string& dir, char** files, int count) {
    std::set<std::string> seen;
    std::string err;
    auto write = [&](const Content& src) {
        if (src.size() == 0 || src.size() > kMaxSource) return true;
        if (!seen.insert(src.slice(0, src.size())).second) return true;
        char name[32];
        std::snprintf(name, sizeof name, "/e2e-%04zu", seen.size());
        return writeContent(dir + name, src, err);
    };
    for (int i = 0; i < count; ++i) {
        std::vector<Case> cases;
        bool ok = parseCaseFile(files[i], cases, err);
        for (const Case& c : cases) {
            if (ok && c.input) ok = write(*c.input);
            for (const Entry& e : c.entries)
                if (ok && !e.isDir) ok = write(e.content);
        }
        if (!ok) {
            std::fprintf(stderr, "e2e: %s\n", err.c_str());
            return 2;
        }
    }
    std::printf("e2e: %zu sources from %d case files\n", seen.size(), count);
    return 0;
}

// No parameters, no files, and every channel captured.
bool givesOnlyStdin(const Case& c) {
    return c.args.empty() && c.entries.empty() &&
           std::all_of(std::begin(c.channel), std::end(c.channel),
                       [](Channel ch) { return ch == Channel::Captured; });
}

// A closed descriptor 0-2 in the runner would let a later open() take its
// number, and the child's dup2 onto 0-2 would then clobber it.
void ensureStdFds() {
    for (int fd = 0; fd < 3; ++fd)
        if (fcntl(fd, F_GETFD) < 0) open("/dev/null", O_RDWR);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--wine") == 0) {
        kelSystem = {true, "windows"};
        --argc, ++argv;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--sources") == 0)
        return writeSources(argv[2], argv + 3, argc - 3);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kel-e2e [--wine] KEL_BINARY CASEFILE...\n"
                             "       kel-e2e --sources OUTDIR CASEFILE...\n");
        return 2;
    }
    ensureStdFds();
    std::string kel = argv[1];
    if (kel.front() != '/') {
        char* cwd = getcwd(nullptr, 0);
        kel = std::string(cwd ? cwd : ".") + "/" + kel;
        std::free(cwd);
    }
    if (access(kel.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "e2e: %s\n", sysError("cannot execute " + kel).c_str());
        return 2;
    }
    const char* filter = std::getenv("KEL_E2E_FILTER");
    const bool stdinOnly = std::getenv("KEL_E2E_STDIN_ONLY") != nullptr;
    int passed = 0, failed = 0, skips = 0;
    for (int i = 2; i < argc; ++i) {
        std::vector<Case> cases;
        std::string err;
        if (!parseCaseFile(argv[i], cases, err)) {
            std::printf("FAIL %s\n", err.c_str());
            ++failed;
            continue;
        }
        for (const Case& c : cases) {
            if (filter && c.name.find(filter) == std::string::npos) continue;
            if (stdinOnly && !givesOnlyStdin(c)) continue;
            if (skipped(c)) {
                ++skips;
                continue;
            }
            const Outcome o = runCase(c, kel);
            if (o.pass) {
                ++passed;
                continue;
            }
            ++failed;
            std::printf("FAIL %s:%d: %s: %s\n%s", argv[i], c.line, c.name.c_str(),
                        o.summary.c_str(), o.detail.c_str());
        }
    }
    std::printf("e2e: %d passed, %d failed", passed, failed);
    std::printf(skips > 0 ? ", %d skipped\n" : "\n", skips);
    return failed == 0 ? 0 : 1;
}
