// kel-e2e: runs the kel binary on the cases of one or more .t files (read by Cases) and compares
// exit status, stdout and stderr byte for byte. Each case runs in a fresh scratch directory that
// is kel's working directory. The case file format is described in README.md next to this file.
//
// Usage: kel-e2e [--wine] KEL_BINARY CASEFILE...
//        --wine: KEL_BINARY is kel.exe, run by wine (see "the system kel runs on" below)
//        kel-e2e --sources OUTDIR CASEFILE...  writes the sources of the cases into OUTDIR for
//        the fuzzer (fuzz/run), without running kel.
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

#include "Cases.h"

namespace {

using Cases::Case;
using Cases::Channel;
using Cases::Content;

constexpr std::size_t kShowBytes = 2048;    // how much of a differing output is shown
constexpr int kTimeout = 10;                // seconds before a run of kel is killed
constexpr std::uint64_t kMaxSource = 65536; // larger sources make poor seeds for the fuzzer

const char* const kChannelName[3] = {"stdin", "stdout", "stderr"};
const Content nothing; // what a missing stdin, stdout or stderr section stands for

// The system kel runs on: this one, or Windows, with kel.exe started by wine (--wine). A case
// that holds only for one system (absolute POSIX paths, "/" options) says so with "only:" and is
// skipped on the other.
struct System {
    bool wine = false;
    const char* system = "posix";
};
System kelSystem;

// Which cases run (KEL_E2E_FILTER, KEL_E2E_STDIN_ONLY), and how they went.
const char* filter;
bool stdinOnly;
int passed, failed, skips;

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

struct Outcome {
    bool pass = false;
    std::string summary; // comma separated short reasons
    std::string detail;  // diffs, already indented
    bool retry = false;  // wine itself failed to start kel
    void Fail(const std::string& reason) { summary += (summary.empty() ? "" : ", ") + reason; }
};

std::string SysError(const std::string& what) { return what + ": " + std::strerror(errno); }

// ---------------------------------------------------------------- the system kel runs on

bool Skipped(const Case& c) { return !c.only.empty() && c.only != kelSystem.system; }

// The words that start kel.
std::vector<std::string> Launcher(const std::string& kel) {
    if (kelSystem.wine) return {"wine", kel};
    return {kel};
}

// $DIR as kel sees it: under wine the Windows name of the directory on drive Z:, which wine maps
// to the root, so that a case can name files with a drive letter and backslashes.
std::string DirForKel(const std::string& dir) {
    if (!kelSystem.wine) return dir;
    std::string w = "Z:" + dir;
    std::replace(w.begin(), w.end(), '/', '\\');
    return w;
}

// About 2 starts in 14,000 fail inside wine: status 1 and not a byte written. kel itself ends only
// with 0 or 9, so such a run is tried once more.
bool WineFailed(int status, const Fd fds[3]) {
    struct stat st;
    for (int i = 1; i < 3; ++i) {
        if (fds[i].fd >= 0 && (fstat(fds[i].fd, &st) != 0 || st.st_size != 0)) return false;
    }
    return kelSystem.wine && WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// ---------------------------------------------------------------- scratch directory

bool WriteContent(const std::string& path, const Content& c, std::string& err) {
    Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    bool ok = fd.fd >= 0;
    c.ForEachChunk([&](std::string_view chunk) {
        while (ok && !chunk.empty()) {
            const ssize_t n = write(fd.fd, chunk.data(), chunk.size());
            if (n < 0 && errno != EINTR) ok = false;
            if (n > 0) chunk.remove_prefix(static_cast<std::size_t>(n));
        }
        return ok;
    });
    if (!ok) err = SysError("cannot write " + path);
    return ok;
}

// Creates every directory on the way to path (path itself too if withLast).
bool MakeDirs(const std::string& path, std::size_t from, bool withLast, std::string& err) {
    for (std::size_t slash = path.find('/', from);; slash = path.find('/', slash + 1)) {
        if (slash == std::string::npos && !withLast) return true;
        const std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
            err = SysError("cannot create " + dir);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

bool CreateEntries(const Case& c, const std::string& work, std::string& err) {
    for (const Cases::Entry& e : c.entries) {
        const std::string path = work + "/" + e.name;
        if (!MakeDirs(path, work.size() + 1, e.isDir, err)) return false;
        if (!e.isDir && !WriteContent(path, e.content, err)) return false;
    }
    return true;
}

void RemoveTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        unlink(path.c_str());
        return;
    }
    if (DIR* d = opendir(path.c_str())) {
        while (const dirent* de = readdir(d)) {
            const std::string name = de->d_name;
            if (name != "." && name != "..") RemoveTree(path + "/" + name);
        }
        closedir(d);
    }
    rmdir(path.c_str());
}

Fd OpenChannel(const std::string& path, Channel ch, bool input) {
    if (ch == Channel::Closed) return Fd();
    if (ch == Channel::Full) return Fd(open("/dev/full", O_WRONLY | O_CLOEXEC));
    return Fd(open(path.c_str(),
                   input ? O_RDONLY | O_CLOEXEC : O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

// The case's files in base/work, its input in base/stdin, and kel's three channels in fds; a
// captured output goes to a file in base that is compared afterwards.
bool Prepare(const Case& c, const std::string& base, Fd fds[3], Outcome& o) {
    std::string err;
    if (!CreateEntries(c, base + "/work", err) ||
        (c.channel[0] == Channel::Captured &&
         !WriteContent(base + "/stdin", c.input ? *c.input : nothing, err))) {
        o.Fail(err);
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        fds[i] = OpenChannel(base + "/" + kChannelName[i], c.channel[i], i == 0);
        if (c.channel[i] != Channel::Closed && fds[i].fd < 0) {
            o.Fail(SysError(std::string("cannot open ") + kChannelName[i]));
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- running kel

[[noreturn]] void ChildFailed(int reportFd) {
    const int e = errno;
    if (write(reportFd, &e, sizeof e) < 0) {
    }
    _exit(127);
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void ExecKel(char* const argv[], const char* work, const int fds[3], int reportFd) {
    setpgid(0, 0); // own group, so that a timeout kills everything kel started
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (chdir(work) != 0) ChildFailed(reportFd);
    for (int t = 0; t < 3; ++t) {
        if (fds[t] < 0)
            close(t);
        else if (dup2(fds[t], t) < 0)
            ChildFailed(reportFd);
    }
    execvp(argv[0], argv);
    ChildFailed(reportFd);
}

double SecondsSince(const timespec& start) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

// Waits for pid; false when the time ran out and its process group was killed.
bool WaitWithTimeout(pid_t pid, int seconds, int& status) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    long pauseNs = 500000;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return true;
        if (SecondsSince(start) >= seconds) {
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

// Runs the command in words in work, on the channels fds, and waits for its status; false with o
// failed when it could not be started or ran out of time. The child reports a failure to start
// through a pipe that exec closes.
bool RunKel(std::vector<std::string>& words, const std::string& work, const Fd fds[3], int& status,
            Outcome& o) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    int report[2];
    if (pipe(report) != 0) {
        o.Fail(SysError("pipe"));
        return false;
    }
    Fd reportRead(report[0]), reportWrite(report[1]);
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
    const int childFds[3] = {fds[0].fd, fds[1].fd, fds[2].fd};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        o.Fail(SysError("fork"));
        return false;
    }
    if (pid == 0) ExecKel(argv.data(), work.c_str(), childFds, report[1]);
    setpgid(pid, pid); // also here, so the group exists before any kill
    reportWrite = Fd();
    int childErrno = 0;
    ssize_t n;
    while ((n = read(report[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
    }

    const bool finished = WaitWithTimeout(pid, kTimeout, status);
    if (n > 0)
        o.Fail(std::string("cannot start kel: ") + std::strerror(childErrno));
    else if (!finished)
        o.Fail("timed out after " + std::to_string(kTimeout) + " s");
    return n <= 0 && finished;
}

// ---------------------------------------------------------------- comparing

std::string ReadAt(int fd, std::uint64_t off, std::uint64_t len) {
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
std::optional<std::uint64_t> FirstDifference(const Content& expected, int fd,
                                             std::uint64_t actualSize) {
    std::optional<std::uint64_t> diff;
    std::uint64_t pos = 0;
    expected.ForEachChunk([&](std::string_view chunk) {
        const std::string got =
            ReadAt(fd, pos, std::min<std::uint64_t>(chunk.size(), actualSize - pos));
        const auto m = std::mismatch(got.begin(), got.end(), chunk.begin());
        const auto k = static_cast<std::uint64_t>(m.first - got.begin());
        if (k < chunk.size()) diff = pos + k;
        pos += chunk.size();
        return !diff;
    });
    if (!diff && actualSize != expected.Size()) diff = std::min(actualSize, expected.Size());
    return diff;
}

// Shows bytes the way they are written in case files, one output line per LF.
std::string Render(std::string_view bytes, const char* indent) {
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
std::uint64_t LineAt(const Content& c, std::uint64_t offset) {
    std::uint64_t line = 1;
    c.ForEachChunk([&](std::string_view chunk) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), offset));
        line += static_cast<std::uint64_t>(std::count(chunk.begin(), chunk.begin() + n, '\n'));
        offset -= n;
        return offset > 0;
    });
    return line;
}

std::string DescribeDiff(const char* channel, const Content& expected, int fd,
                         std::uint64_t actualSize, std::uint64_t diff) {
    // Start the excerpt at a line start a little before the difference; the
    // bytes before `diff` are the same on both sides.
    std::uint64_t from = diff > kShowBytes / 4 ? diff - kShowBytes / 4 : 0;
    const std::string lead = expected.Slice(from, diff - from);
    if (from > 0 && lead.find('\n') != std::string::npos) from += lead.find('\n') + 1;

    std::string out = std::string("  ") + channel + " differs at byte " + std::to_string(diff);
    if (from > 0) out += " (shown from line " + std::to_string(LineAt(expected, from)) + ")";
    out += ":\n";
    auto part = [&](const char* label, std::uint64_t total, const std::string& shown) {
        out += std::string("    ") + label + " (" + std::to_string(total) + " bytes):\n";
        if (shown.empty())
            out += from == 0 ? "      (empty)\n" : "      (ends here)\n";
        else
            out += Render(shown, "      ");
        if (from + shown.size() < total) out += "      (more not shown)\n";
    };
    part("expected", expected.Size(), expected.Slice(from, kShowBytes));
    const std::uint64_t avail = actualSize > from ? actualSize - from : 0;
    part("actual", actualSize, ReadAt(fd, from, std::min<std::uint64_t>(kShowBytes, avail)));
    return out;
}

void JudgeStatus(const Case& c, int status, Outcome& o) {
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        o.Fail("killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")");
    } else if (WEXITSTATUS(status) != c.status.value_or(0)) {
        o.Fail("status " + std::to_string(WEXITSTATUS(status)) + ", expected " +
               std::to_string(c.status.value_or(0)));
    }
}

// Output channel i (1 stdout, 2 stderr) against its section. A closed or full channel captures
// nothing; it is checked only when asked for.
void JudgeOutput(const Case& c, int i, const Fd& out, Outcome& o) {
    if (c.channel[i] != Channel::Captured && !c.expected[i]) return;
    const int fd = c.channel[i] == Channel::Captured ? out.fd : -1;
    struct stat st;
    const std::uint64_t size =
        fd >= 0 && fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    const Content& want = c.expected[i] ? *c.expected[i] : nothing;
    if (const auto diff = FirstDifference(want, fd, size)) {
        o.Fail(std::string(kChannelName[i]) + " differs");
        o.detail += DescribeDiff(kChannelName[i], want, fd, size, *diff);
    }
}

// ---------------------------------------------------------------- cases

// Everything after the scratch tree exists: set it up, run kel, compare.
void RunInScratch(const Case& c, const std::string& kel, const std::string& base, Outcome& o) {
    const std::string work = base + "/work";
    Fd fds[3];
    if (!Prepare(c, base, fds, o)) return;
    std::vector<std::string> words = Launcher(kel);
    const std::string dir = DirForKel(work);
    std::string err;
    if (!Cases::SplitWords(c.args, &dir, words, err)) return o.Fail(err);
    int status = 0;
    if (!RunKel(words, work, fds, status, o)) return;
    o.retry = WineFailed(status, fds);
    JudgeStatus(c, status, o);
    for (int i = 1; i < 3; ++i) JudgeOutput(c, i, fds[i], o);
    o.pass = o.summary.empty();
}

Outcome RunCaseOnce(const Case& c, const std::string& kel) {
    Outcome o;
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/kel-e2e-XXXXXX";
    if (!mkdtemp(templ.data())) {
        o.Fail(SysError("cannot create scratch directory " + templ));
        return o;
    }
    // The real path, so that $DIR matches what kel sees as its working directory.
    char* real = realpath(templ.c_str(), nullptr);
    const std::string base = real ? real : templ;
    std::free(real);
    if (mkdir((base + "/work").c_str(), 0755) != 0)
        o.Fail(SysError("cannot create " + base));
    else
        RunInScratch(c, kel, base, o);
    if (std::getenv("KEL_E2E_KEEP"))
        std::printf("e2e: kept %s\n", base.c_str());
    else
        RemoveTree(base);
    return o;
}

Outcome RunCase(const Case& c, const std::string& kel) {
    const Outcome o = RunCaseOnce(c, kel);
    return o.retry ? RunCaseOnce(c, kel) : o;
}

// No parameters, no files, and every channel captured.
bool GivesOnlyStdin(const Case& c) {
    return c.args.empty() && c.entries.empty() &&
           std::all_of(std::begin(c.channel), std::end(c.channel),
                       [](Channel ch) { return ch == Channel::Captured; });
}

// Runs the chosen cases of one case file; a file that cannot be read counts as one failure.
void RunFile(const char* path, const std::string& kel) {
    std::vector<Case> cases;
    std::string err;
    if (!Cases::Read(path, cases, err)) {
        std::printf("FAIL %s\n", err.c_str());
        ++failed;
        return;
    }
    for (const Case& c : cases) {
        if (filter && c.name.find(filter) == std::string::npos) continue;
        if (stdinOnly && !GivesOnlyStdin(c)) continue;
        if (Skipped(c)) {
            ++skips;
            continue;
        }
        const Outcome o = RunCase(c, kel);
        if (o.pass) {
            ++passed;
            continue;
        }
        ++failed;
        std::printf("FAIL %s:%d: %s: %s\n%s", path, c.line, c.name.c_str(), o.summary.c_str(),
                    o.detail.c_str());
    }
}

// Writes every distinct stdin and file section of the cases, up to kMaxSource bytes, to a file
// of its own in dir.
int WriteSources(const std::string& dir, char** files, int count) {
    std::set<std::string> seen;
    std::string err;
    auto write = [&](const Content& src) {
        if (src.Size() == 0 || src.Size() > kMaxSource) return true;
        if (!seen.insert(src.Slice(0, src.Size())).second) return true;
        char name[32];
        std::snprintf(name, sizeof name, "/e2e-%04zu", seen.size());
        return WriteContent(dir + name, src, err);
    };
    for (int i = 0; i < count; ++i) {
        std::vector<Case> cases;
        bool ok = Cases::Read(files[i], cases, err);
        for (const Case& c : cases) {
            if (ok && c.input) ok = write(*c.input);
            for (const Cases::Entry& e : c.entries)
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

// A closed descriptor 0-2 in the runner would let a later open() take its
// number, and the child's dup2 onto 0-2 would then clobber it.
void EnsureStdFds() {
    for (int fd = 0; fd < 3; ++fd)
        if (fcntl(fd, F_GETFD) < 0) open("/dev/null", O_RDWR);
}

// kel's path, made absolute: kel runs in the scratch directory.
std::string Absolute(const std::string& kel) {
    if (kel.front() == '/') return kel;
    char* cwd = getcwd(nullptr, 0);
    const std::string path = std::string(cwd ? cwd : ".") + "/" + kel;
    std::free(cwd);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--wine") == 0) {
        kelSystem = {true, "windows"};
        --argc, ++argv;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--sources") == 0)
        return WriteSources(argv[2], argv + 3, argc - 3);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kel-e2e [--wine] KEL_BINARY CASEFILE...\n"
                             "       kel-e2e --sources OUTDIR CASEFILE...\n");
        return 2;
    }
    EnsureStdFds();
    const std::string kel = Absolute(argv[1]);
    if (access(kel.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "e2e: %s\n", SysError("cannot execute " + kel).c_str());
        return 2;
    }
    filter = std::getenv("KEL_E2E_FILTER");
    stdinOnly = std::getenv("KEL_E2E_STDIN_ONLY") != nullptr;
    for (int i = 2; i < argc; ++i) RunFile(argv[i], kel);
    std::printf("e2e: %d passed, %d failed", passed, failed);
    std::printf(skips > 0 ? ", %d skipped\n" : "\n", skips);
    return failed == 0 ? 0 : 1;
}
