// End-to-end tests of how kel ends on the signals that stand for console interrupts (SIGINT,
// SIGQUIT, SIGHUP, SIGTERM) and of the signals it leaves alone. Each test runs the real binary
// with its channels on pipes, files or a pseudo-terminal, sends a signal at a known point and
// checks every byte written and the exit status. Waits poll with short sleeps up to a generous
// deadline, which only guards against a hang; nothing here measures speed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../Trace.h"

#ifndef KEL_PATH
#error "KEL_PATH must name the kel binary"
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kDeadline = 10s;
const std::string kMessage = "ConSigs: Signal received, terminating.\r\n";

template <class Pred>
bool WaitUntil(Pred done) {
    const auto end = Clock::now() + kDeadline;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ProcFile(pid_t pid, const char* name) {
    return ReadFile(fs::path("/proc") / std::to_string(pid) / name);
}

// True once pid runs kel and has its handlers for the four ending signals in place.
bool HandlersInstalled(pid_t pid) {
    if (ProcFile(pid, "comm") != "kel\n") return false;
    const std::string status = ProcFile(pid, "status");
    const size_t at = status.find("SigCgt:");
    if (at == std::string::npos) return false;
    const unsigned long long caught = std::stoull(status.substr(at + 7), nullptr, 16);
    for (int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) {
        if (((caught >> (s - 1)) & 1) == 0) return false;
    }
    return true;
}

// True while pid sleeps in a system call; kel sleeps only in a read or a blocked write.
bool Sleeping(pid_t pid) {
    const std::string stat = ProcFile(pid, "stat");
    const size_t close = stat.rfind(')');
    return close != std::string::npos && stat.compare(close, 4, ") S ") == 0;
}

// In the child: kel starts with default dispositions and nothing blocked, whatever the test
// runner inherited, with the given descriptors as its standard channels.
// Signals in `ignored` are passed on ignored, as nohup and a shell's background jobs do.
[[noreturn]] void ExecKel(int in, int out, int err, std::initializer_list<int> ignored = {}) {
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    for (int s = 1; s < NSIG; ++s) sigaction(s, &dfl, nullptr);
    for (int s : ignored) signal(s, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (in >= 0) dup2(in, 0);
    if (out >= 0) dup2(out, 1);
    if (err >= 0) dup2(err, 2);
    execl(KEL_PATH, "kel", static_cast<char*>(nullptr));
    _exit(127);
}

// Waits for pid to end and returns its wait status. A process still running at the deadline is
// killed, so that a hang fails one test instead of stopping the suite.
std::optional<int> Reap(pid_t pid) {
    const auto end = Clock::now() + kDeadline;
    for (;;) {
        int st = 0;
        const pid_t r = waitpid(pid, &st, WNOHANG);
        if (r == pid) return st;
        if (r < 0 && errno != EINTR) return std::nullopt;
        if (Clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(2ms);
    }
}

std::string Describe(std::optional<int> st) {
    if (!st) return "still running at the deadline";
    if (WIFEXITED(*st)) return "exit " + std::to_string(WEXITSTATUS(*st));
    if (WIFSIGNALED(*st)) return "killed by signal " + std::to_string(WTERMSIG(*st));
    return "status " + std::to_string(*st);
}

// The program of the busy tests: n statements that each write a constant, without the final
// full stop, so kel always ends up waiting for more input. Also gives its complete output.
struct Program {
    std::string source = "BEGIN";
    std::string out;
    std::string trace = kTraceHeader;
    std::vector<size_t> outUpTo;   // output length through the value of each statement
    std::vector<size_t> traceUpTo; // trace length through the Wrt line of each statement
};

Program Writes(unsigned n) {
    Program p;
    for (unsigned k = 0; k < n; ++k) {
        const std::string v = std::to_string((k + 1) * 100003);
        p.source += " WRITE " + v + "; (*" + std::string(300, '.') + "*)";
        p.out += v + "\r\n";
        p.trace += TraceLine(7 * k, "Val " + v) + TraceLine(7 * k + 5, "Wrt");
        p.outUpTo.push_back(p.out.size());
        p.traceUpTo.push_back(p.trace.size());
    }
    p.source += " "; // the scanner looks one byte past the last ";" before that statement runs
    return p;
}

// s with its line ends spelled out, for failure messages.
std::string Visible(const std::string& s) {
    std::string v;
    for (char c : s) {
        if (c == '\r') {
            v += "\\r";
        } else if (c == '\n') {
            v += "\\n";
        } else {
            v += c;
        }
    }
    return v;
}

// Empty when part is a prefix of full; otherwise where and how the two part.
std::string NotPrefix(const std::string& full, const std::string& part) {
    size_t i = 0;
    while (i < part.size() && i < full.size() && part[i] == full[i]) ++i;
    if (i == part.size()) return "";
    return "byte " + std::to_string(i) + " of " + std::to_string(part.size()) + " is \"" +
           Visible(part.substr(i, 30)) + "\" where \"" + Visible(full.substr(i, 30)) + "\" belongs";
}

// Checks the files of a busy run ended by a signal: standard output is a prefix of the complete
// output directly followed by the message, the error output a prefix of the complete trace. As
// writing to one channel first writes out what the other holds, the two files also agree: a
// value begun on standard output has its whole trace before it, and the trace goes on past a
// statement only once that statement's value is complete.
void ExpectCleanCut(const Program& p, const std::string& out, const std::string& err) {
    ASSERT_GE(out.size(), kMessage.size()) << out;
    const size_t cut = out.size() - kMessage.size();
    EXPECT_EQ(out.substr(cut), kMessage) << out;
    const std::string done = out.substr(0, cut);
    EXPECT_EQ(NotPrefix(p.out, done), "") << "on standard output";
    EXPECT_EQ(NotPrefix(p.trace, err), "") << "on the error output";
    for (size_t k = 0; k < p.outUpTo.size(); ++k) {
        const size_t from = k == 0 ? 0 : p.outUpTo[k - 1];
        if (done.size() > from && err.size() < p.traceUpTo[k]) {
            ADD_FAILURE() << "value " << k + 1 << " was written before its trace";
            return;
        }
        if (err.size() > p.traceUpTo[k] && done.size() < p.outUpTo[k]) {
            ADD_FAILURE() << "the trace went on before value " << k + 1 << " was complete";
            return;
        }
    }
}

// Reads a pipe until its writers are gone (or the deadline passes) and closes it.
std::string ReadToEnd(int fd) {
    std::string got;
    const auto end = Clock::now() + kDeadline;
    for (ssize_t k = -1; k != 0 && Clock::now() < end;) {
        pollfd pf = {fd, POLLIN, 0};
        if (poll(&pf, 1, 20) <= 0) continue;
        char buf[4096];
        k = read(fd, buf, sizeof buf);
        if (k > 0) got.append(buf, static_cast<size_t>(k));
    }
    close(fd);
    return got;
}

// Runs kel with standard input a pipe that the test keeps open and the other channels in files.
class KelRun : public ::testing::Test {
  protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN); // a kel that died early must fail a check, not the suite
        std::string tmpl = (fs::temp_directory_path() / "kel-signals-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr) << std::strerror(errno);
        dir_ = tmpl;
    }

    void TearDown() override {
        Stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Starts kel; err < 0 sends its error output to the file Err() reads.
    void Start(int err = -1, std::initializer_list<int> ignored = {}) {
        Stop();
        int in[2];
        ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
        const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
        const int out = open((dir_ / "out").c_str(), flags, 0600);
        const int errFile = open((dir_ / "err").c_str(), flags, 0600);
        ASSERT_GE(out, 0);
        ASSERT_GE(errFile, 0);
        pid_ = fork();
        if (pid_ == 0) ExecKel(in[0], out, err >= 0 ? err : errFile, ignored);
        close(in[0]);
        close(out);
        close(errFile);
        in_ = in[1];
        ASSERT_GT(pid_, 0) << std::strerror(errno);
    }

    void Feed(const std::string& s) {
        ASSERT_EQ(write(in_, s.data(), s.size()), static_cast<ssize_t>(s.size()))
            << std::strerror(errno);
    }

    // Waits until kel has its handlers; without /proc there is no way to tell, and the test skips.
    bool Ready() {
        return WaitUntil([&] { return HandlersInstalled(pid_); });
    }

    void Send(int sig) { ASSERT_EQ(kill(pid_, sig), 0) << std::strerror(errno); }

    std::string Ended() {
        const std::optional<int> st = Reap(pid_);
        pid_ = -1;
        return Describe(st);
    }

    std::string Out() const { return ReadFile(dir_ / "out"); }
    std::string Err() const { return ReadFile(dir_ / "err"); }
    size_t OutSize() const {
        std::error_code ec;
        const auto n = fs::file_size(dir_ / "out", ec);
        return ec ? 0 : static_cast<size_t>(n);
    }

    static bool HaveProc() { return fs::exists("/proc/self/status"); }

    // A pipe of one page, which kel's trace overfills; its capacity, or -1 where pipes cannot be
    // shrunk.
    static int SmallPipe(int fds[2]) {
        if (pipe2(fds, O_CLOEXEC) != 0) return -1;
        return fcntl(fds[0], F_SETPIPE_SZ, 4096);
    }

    // With all its input there, kel asleep while the pipe is more than half full is kel blocked
    // writing into it.
    bool BlockedOn(int fd, int cap) {
        int held = 0;
        return WaitUntil(
            [&] { return ioctl(fd, FIONREAD, &held) == 0 && held > cap / 2 && Sleeping(pid_); });
    }

    pid_t pid_ = -1;
    int in_ = -1;

  private:
    void Stop() {
        if (in_ >= 0) close(in_);
        in_ = -1;
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    fs::path dir_;
};

class EndingSignal : public KelRun, public ::testing::WithParamInterface<int> {};

// The first statement has run and its output reached the file; the second is still being read.
TEST_P(EndingSignal, AfterOutputWritesEverythingThenTheMessage) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Feed("BEGIN WRITE 7; WRITE 8");
    ASSERT_TRUE(WaitUntil([&] { return Out().size() >= 3; })) << "no output from kel";
    Send(GetParam());
    EXPECT_EQ(Ended(), "exit 9");
    EXPECT_EQ(Out(), "7\r\n" + kMessage);
    EXPECT_EQ(Err(), kTraceHeader + TraceLine(0, "Val 7") + TraceLine(5, "Wrt"));
}

TEST_P(EndingSignal, WhileWaitingForTheFirstByte) {
    if (!HaveProc()) GTEST_SKIP() << "needs /proc to see when kel is ready";
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(Ready());
    ASSERT_TRUE(WaitUntil([&] { return Sleeping(pid_); }));
    Send(GetParam());
    EXPECT_EQ(Ended(), "exit 9");
    EXPECT_EQ(Out(), kMessage);
    EXPECT_EQ(Err(), "");
}

INSTANTIATE_TEST_SUITE_P(Signals, EndingSignal, ::testing::Values(SIGINT, SIGQUIT, SIGHUP, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(sigabbrev_np(i.param));
                         });

TEST_F(KelRun, OtherSignalsKeepTheirDefaultAction) {
    if (!HaveProc()) GTEST_SKIP() << "needs /proc to see when kel is ready";
    for (int sig : {SIGUSR1, SIGALRM}) {
        SCOPED_TRACE(sigabbrev_np(sig));
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(Ready());
        Send(sig);
        EXPECT_EQ(Ended(), "killed by signal " + std::to_string(sig));
        EXPECT_EQ(Out(), "");
    }
}

// Started with the hang-up ignored (nohup), kel survives it and still ends on an interrupt.
TEST_F(KelRun, AnIgnoredHangUpStaysIgnored) {
    ASSERT_NO_FATAL_FAILURE(Start(-1, {SIGHUP}));
    Feed("BEGIN WRITE 7; WRITE 8");
    ASSERT_TRUE(WaitUntil([&] { return Out().size() >= 3; })) << "no output from kel";
    Send(SIGHUP);
    Feed(" .");
    close(in_);
    in_ = -1;
    EXPECT_EQ(Ended(), "exit 0");
    EXPECT_EQ(Out(), "7\r\n8\r\n");
}

// The signal lands while kel works through a program that arrived all at once: as soon as its
// output reaches a given size, which moves through the whole output from run to run. Wherever it
// lands, no byte is lost or written twice before the message.
TEST_F(KelRun, SignalDuringBusyOutputCutsCleanly) {
    if (!HaveProc()) GTEST_SKIP() << "needs /proc to see when kel is ready";
    const Program p = Writes(140);
    constexpr int kRuns = 48;
    for (int run = 0; run < kRuns; ++run) {
        const size_t at = p.out.size() * static_cast<size_t>(run) / kRuns;
        const int sig = run % 2 == 0 ? SIGTERM : SIGINT;
        SCOPED_TRACE("signal at " + std::to_string(at) + " bytes, " + sigabbrev_np(sig));
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(Ready());
        Feed(p.source);
        const auto end = Clock::now() + kDeadline;
        while (OutSize() < at && Clock::now() < end) std::this_thread::sleep_for(20us);
        Send(sig);
        EXPECT_EQ(Ended(), "exit 9");
        ExpectCleanCut(p, Out(), Err());
    }
}

// kel is blocked writing its trace into a full pipe when the signal comes. It ends once the
// reader drains the pipe, still with nothing lost or doubled.
TEST_F(KelRun, SignalWhileAWriteIsBlocked) {
    if (!HaveProc()) GTEST_SKIP() << "needs /proc to see when kel is blocked";
    int err[2];
    const int cap = SmallPipe(err);
    if (cap < 0) GTEST_SKIP() << "cannot shrink a pipe: " << std::strerror(errno);
    const Program p = Writes(140);
    ASSERT_GT(p.trace.size(), static_cast<size_t>(cap) + 1024); // the trace cannot fit
    ASSERT_NO_FATAL_FAILURE(Start(err[1]));
    close(err[1]);
    ASSERT_TRUE(Ready());
    Feed(p.source);
    ASSERT_TRUE(BlockedOn(err[0], cap)) << "the error output pipe never filled";
    Send(SIGTERM);
    const std::string trace = ReadToEnd(err[0]);
    EXPECT_EQ(Ended(), "exit 9");
    ExpectCleanCut(p, Out(), trace);
}

// The program is complete and kel, ending, is blocked writing out its held trace into a full pipe
// when the signal comes. The run was interrupted, so it must not end in success: once the reader
// drains the pipe, the whole trace arrives, then the message, and the status is 9.
TEST_F(KelRun, SignalWhileTheFinalOutputIsBlocked) {
    if (!HaveProc()) GTEST_SKIP() << "needs /proc to see when kel is blocked";
    int err[2];
    const int cap = SmallPipe(err);
    if (cap < 0) GTEST_SKIP() << "cannot shrink a pipe: " << std::strerror(errno);
    // Assignments write only the trace, so all of it is held until the end.
    std::string source = "VAR x : INTEGER; BEGIN";
    std::string trace = kTraceHeader;
    for (unsigned k = 0; k < 100; ++k) {
        source += " x := " + std::to_string(k) + ";";
        trace += TraceLine(10 * k, "Val " + std::to_string(k)) + TraceLine(10 * k + 5, "Sto 0");
    }
    source += " . "; // a byte after the "." keeps kel from reading, and writing out, once more
    ASSERT_GT(trace.size(), static_cast<size_t>(cap) + 1024);
    ASSERT_NO_FATAL_FAILURE(Start(err[1]));
    close(err[1]);
    ASSERT_TRUE(Ready());
    Feed(source);
    close(in_);
    in_ = -1;
    ASSERT_TRUE(BlockedOn(err[0], cap)) << "the error output pipe never filled";
    Send(SIGINT);
    const std::string got = ReadToEnd(err[0]);
    EXPECT_EQ(Ended(), "exit 9");
    EXPECT_EQ(got, trace);
    EXPECT_EQ(Out(), kMessage);
}

// Under a terminal the interrupt character itself ends kel. Output post-processing and echo are
// off and the interrupt does not flush, so the master sees exactly the bytes kel wrote: the trace
// and the value in their order, then the message.
TEST(Terminal, InterruptCharacterEndsKel) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        GTEST_SKIP() << "no pseudo-terminal: " << std::strerror(errno);
    }
    termios t = {};
    ASSERT_EQ(tcgetattr(slave, &t), 0);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    t.c_lflag |= ISIG | ICANON | NOFLSH;
    if (t.c_cc[VINTR] == _POSIX_VDISABLE) t.c_cc[VINTR] = 3;
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &t), 0);
    fcntl(master, F_SETFD, FD_CLOEXEC);

    const pid_t pid = fork();
    if (pid == 0) {
        // A session of its own with the terminal as controlling terminal and kel in the
        // foreground, so that the line discipline signals it.
        if (login_tty(slave) != 0) _exit(126);
        ExecKel(-1, -1, -1);
    }
    close(slave);
    ASSERT_GT(pid, 0);

    std::string seen;
    auto readUntil = [&](auto done) {
        const auto end = Clock::now() + kDeadline;
        while (!done() && Clock::now() < end) {
            pollfd pf = {master, POLLIN, 0};
            if (poll(&pf, 1, 20) <= 0) continue;
            char buf[256];
            const ssize_t k = read(master, buf, sizeof buf);
            if (k <= 0) return; // the slave side is closed: kel has ended
            seen.append(buf, static_cast<size_t>(k));
        }
    };
    const std::string line = "BEGIN WRITE 5;\n";
    ASSERT_EQ(write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    // The value's own line, not the trace line "Val 5" that comes before it.
    readUntil([&] { return seen.find("\r\n5\r\n") != std::string::npos; });
    const char intr = static_cast<char>(t.c_cc[VINTR]);
    ASSERT_EQ(write(master, &intr, 1), 1);
    readUntil([] { return false; });
    close(master);
    EXPECT_EQ(Describe(Reap(pid)), "exit 9");
    EXPECT_EQ(seen,
              kTraceHeader + TraceLine(0, "Val 5") + TraceLine(5, "Wrt") + "5\r\n" + kMessage);
}

} // namespace
