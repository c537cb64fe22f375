// kel compiles and runs each statement as soon as it has read it. These tests drive kel through
// pipes the way an interactive user would: the next piece of source is sent only after the
// output of the previous statement has arrived. A kel that held its output back until the end
// of the source (or until a buffer filled) would never answer, and the test would run into its
// deadline instead.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../Trace.h"

namespace {

using Clock = std::chrono::steady_clock;

// A bound against a kel that never answers; it is no statement about speed.
constexpr auto kPatience = std::chrono::seconds(10);

// Where a standard channel of kel goes.
enum class To { Pipe, Null, Stdout };

// The whole trace of a statement "WRITE n" whose Val command stands at position p.
std::string Trace(uint32_t p, int n) {
    return TraceLine(p, "Val " + std::to_string(n)) + TraceLine(p + 5, "Wrt");
}

void CloseOnExec(int fd) { fcntl(fd, F_SETFD, FD_CLOEXEC); }

// One run of kel reading its source from a pipe. out and err are the read ends of its standard
// output and error output when those go to pipes of their own (-1 otherwise); with
// To::Stdout the error output shares the pipe of the standard output.
class Kel {
  public:
    Kel(To stdoutTo, To stderrTo) {
        int in[2], o[2] = {-1, -1}, e[2] = {-1, -1};
        if (pipe(in) != 0) return;
        if (stdoutTo == To::Pipe && pipe(o) != 0) return;
        if (stderrTo == To::Pipe && pipe(e) != 0) return;
        for (int fd : {in[0], in[1], o[0], o[1], e[0], e[1]}) {
            if (fd >= 0) CloseOnExec(fd);
        }
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec.
            int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
            dup2(in[0], 0);
            dup2(stdoutTo == To::Pipe ? o[1] : null, 1);
            dup2(stderrTo == To::Pipe ? e[1] : stderrTo == To::Stdout ? 1 : null, 2);
            execl(KEL_BINARY, KEL_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        in_ = in[1];
        if (o[1] >= 0) close(o[1]);
        if (e[1] >= 0) close(e[1]);
        out_ = o[0];
        err_ = e[0];
    }

    ~Kel() {
        for (int fd : {in_, out_, err_}) {
            if (fd >= 0) close(fd);
        }
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL); // our own child, still running after a failed test
            waitpid(pid_, nullptr, 0);
        }
    }

    bool Started() const { return pid_ > 0 && in_ >= 0; }
    int Out() const { return out_; }
    int Err() const { return err_; }

    // Sends a piece of source; false when kel no longer reads.
    bool Send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t k = write(in_, text.data() + done, text.size() - done);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) return false;
            done += static_cast<size_t>(k);
        }
        return true;
    }

    // Ends the source: kel sees the end of its input.
    void CloseInput() {
        close(in_);
        in_ = -1;
    }

    // Reads from fd until want more bytes have arrived, the channel ends, or the patience runs
    // out; returns what arrived, so a test compares it with exactly what it expected.
    static std::string Await(int fd, size_t want) {
        std::string got;
        const auto deadline = Clock::now() + kPatience;
        char buf[4096];
        while (got.size() < want) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd, POLLIN, 0};
            int r = poll(&p, 1, static_cast<int>(left.count()));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            // Never more than wanted: anything beyond belongs to the next step.
            ssize_t k = read(fd, buf, std::min(sizeof buf, want - got.size()));
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) break;
            got.append(buf, static_cast<size_t>(k));
        }
        return got;
    }

    // Everything that still arrives on fd until kel closes it.
    static std::string Rest(int fd) {
        std::string got;
        for (;;) {
            std::string more = Await(fd, 4096);
            got += more;
            if (more.size() < 4096) return got;
        }
    }

    // kel's exit status, or -1 if it did not end within the patience or died from a signal.
    int Wait() {
        const auto deadline = Clock::now() + kPatience;
        int st = 0;
        for (;;) {
            pid_t r = waitpid(pid_, &st, WNOHANG);
            if (r == pid_) break;
            if (r < 0 && errno != EINTR) return -1;
            if (Clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 256;
        return status_ == 256 ? -1 : status_;
    }

  private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    int status_ = -1; // set once the child has been reaped
};

class Interactive : public ::testing::Test {
  protected:
    // A kel that stopped reading must make Send fail, not kill the test with SIGPIPE.
    void SetUp() override { signal(SIGPIPE, SIG_IGN); }
};

TEST_F(Interactive, EachValueArrivesBeforeTheNextStatementIsSent) {
    Kel kel(To::Pipe, To::Null);
    ASSERT_TRUE(kel.Started());

    ASSERT_TRUE(kel.Send("BEGIN WRITE 1;\n"));
    ASSERT_EQ(Kel::Await(kel.Out(), 3), "1\r\n");

    ASSERT_TRUE(kel.Send("WRITE 2;\n"));
    ASSERT_EQ(Kel::Await(kel.Out(), 3), "2\r\n");

    // The full stop ends the program: kel exits without waiting for the end of its input.
    ASSERT_TRUE(kel.Send(".\n"));
    EXPECT_EQ(Kel::Rest(kel.Out()), "");
    EXPECT_EQ(kel.Wait(), 0);
}

TEST_F(Interactive, EachTraceLineArrivesBeforeTheNextStatementIsSent) {
    Kel kel(To::Null, To::Pipe);
    ASSERT_TRUE(kel.Started());

    ASSERT_TRUE(kel.Send("BEGIN WRITE 1;\n"));
    const std::string first = kTraceHeader + Trace(0, 1);
    ASSERT_EQ(Kel::Await(kel.Err(), first.size()), first);

    ASSERT_TRUE(kel.Send("WRITE 2;\n"));
    const std::string second = Trace(7, 2);
    ASSERT_EQ(Kel::Await(kel.Err(), second.size()), second);

    ASSERT_TRUE(kel.Send(".\n"));
    EXPECT_EQ(Kel::Rest(kel.Err()), "");
    EXPECT_EQ(kel.Wait(), 0);
}

// With the error output joined to the standard output (2>&1), the trace lines of a statement
// come before the value it writes, and nothing of a statement is held back behind the next.
TEST_F(Interactive, OneChannelKeepsTheOrderOfTraceAndValues) {
    Kel kel(To::Pipe, To::Stdout);
    ASSERT_TRUE(kel.Started());

    ASSERT_TRUE(kel.Send("BEGIN WRITE 1;\n"));
    const std::string first = kTraceHeader + Trace(0, 1) + "1\r\n";
    ASSERT_EQ(Kel::Await(kel.Out(), first.size()), first);

    ASSERT_TRUE(kel.Send("WRITE 2;\n"));
    const std::string second = Trace(7, 2) + "2\r\n";
    ASSERT_EQ(Kel::Await(kel.Out(), second.size()), second);

    // Two statements in one piece of input: each value follows its own trace.
    ASSERT_TRUE(kel.Send("WRITE 3; WRITE 4;\n"));
    const std::string third = Trace(14, 3) + "3\r\n" + Trace(21, 4) + "4\r\n";
    ASSERT_EQ(Kel::Await(kel.Out(), third.size()), third);

    ASSERT_TRUE(kel.Send(".\n"));
    EXPECT_EQ(Kel::Rest(kel.Out()), "");
    EXPECT_EQ(kel.Wait(), 0);
}

// An error ends the run at once, while the source is still open, and what was written before
// it stays written.
TEST_F(Interactive, AnErrorEndsTheRunWithoutWaitingForTheEndOfTheSource) {
    Kel kel(To::Pipe, To::Stdout);
    ASSERT_TRUE(kel.Started());

    ASSERT_TRUE(kel.Send("BEGIN WRITE 1;\n"));
    const std::string first = kTraceHeader + Trace(0, 1) + "1\r\n";
    ASSERT_EQ(Kel::Await(kel.Out(), first.size()), first);

    ASSERT_TRUE(kel.Send("WRITE y;\n"));
    EXPECT_EQ(Kel::Rest(kel.Out()), "Prsr (2,7): Identifier undeclared.\r\n");
    EXPECT_EQ(kel.Wait(), 9);
}

// The end of the input without the final full stop is an error at the end position.
TEST_F(Interactive, TheEndOfTheInputBeforeTheFullStopIsAnError) {
    Kel kel(To::Pipe, To::Stdout);
    ASSERT_TRUE(kel.Started());

    ASSERT_TRUE(kel.Send("BEGIN WRITE 1;\n"));
    const std::string first = kTraceHeader + Trace(0, 1) + "1\r\n";
    ASSERT_EQ(Kel::Await(kel.Out(), first.size()), first);

    kel.CloseInput();
    EXPECT_EQ(Kel::Rest(kel.Out()), "Prsr (2,1): Expected \";\" or \".\".\r\n");
    EXPECT_EQ(kel.Wait(), 9);
}

} // namespace
