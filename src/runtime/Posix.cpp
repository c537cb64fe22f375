// The run-time layer's start-up, console events, error texts and end on POSIX systems; the calls
// on channels and files are in Files.cpp.
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "Sys.h"

namespace rt::sys {
namespace {

// The signals that stand for console events, with the kind of each: an interrupt from the
// keyboard, a break (Ctrl-\), the loss of the terminal, and a shutdown. This is the one list of
// them: Install handles them and Hold holds them.
struct TSignal {
    int sig;
    TEvent kind;
};
constexpr TSignal kSignals[] = {
    {SIGINT, evInterrupt}, {SIGQUIT, evBreak}, {SIGHUP, evClose}, {SIGTERM, evShutdown}};

bool (*handler)(uint32_t) = nullptr;

sigset_t held; // the signal mask before the outermost Hold
int holds = 0; // Holds not yet released

sigset_t Events() {
    sigset_t s;
    sigemptyset(&s);
    for (const TSignal& e : kSignals) sigaddset(&s, e.sig);
    return s;
}

void OnSignal(int sig) {
    for (const TSignal& e : kSignals) {
        if (e.sig == sig) handler(e.kind);
    }
}

} // namespace

void Init(int&, char**&) {
    // A closed standard channel is occupied by /dev/null opened the wrong way round, so that
    // every use fails with "Bad file descriptor" and no file opened later takes its number.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            int g = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
            if (g >= 0 && g != fd) {
                dup2(g, fd);
                close(g);
            }
        }
    }
    signal(SIGPIPE, SIG_IGN);
}

bool Install(bool (*h)(uint32_t)) {
    handler = h;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sa.sa_mask = Events(); // one handler at a time
    for (const TSignal& e : kSignals) {
        // A signal that kel was started with ignored (nohup, a background job) stays ignored:
        // whoever started kel asked for it to survive that event.
        struct sigaction old = {};
        if (sigaction(e.sig, nullptr, &old) != 0) return false;
        if (old.sa_handler != SIG_IGN && sigaction(e.sig, &sa, nullptr) != 0) return false;
    }
    return true;
}

// A signal handler runs with the events blocked, so within it Hold and Release change nothing.
void Hold() {
    if (holds++ == 0) {
        sigset_t s = Events();
        sigprocmask(SIG_BLOCK, &s, &held);
    }
}

void Release() {
    if (--holds == 0) sigprocmask(SIG_SETMASK, &held, nullptr);
}

const char* Reason(Error err) {
#ifdef __GLIBC__
    const char* s = strerrordesc_np(err); // untranslated and safe in a signal handler
    return s != nullptr ? s : "unknown error";
#else
    return strerror(err);
#endif
}

void End(int status) { _exit(status); }

} // namespace rt::sys
