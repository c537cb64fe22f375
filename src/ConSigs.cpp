#include "ConSigs.h"

#include <csignal>

#include "runtime/Runtime.h"

namespace ConSigs {
namespace {

bool started = false;

const int kSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};

void Message(const char* s) {
    rt::WrStr(rt::StdOut, "ConSigs: ");
    rt::WrStr(rt::StdOut, s);
    rt::WrLn(rt::StdOut);
}

// Runs on whatever the main thread was doing. It touches no component's state: it writes its
// line through the run-time layer, which uses only write(2), and ends the process.
void Handler(int) {
    Message("Signal received, terminating.");
    rt::Exit(9);
}

} // namespace

void Init() {
    if (started) return;
    started = true;
    struct sigaction sa = {};
    sa.sa_handler = Handler;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) sigaddset(&sa.sa_mask, s); // one handler at a time
    for (int s : kSignals) {
        // A signal that kel was started with ignored (nohup, a background job) stays ignored:
        // whoever started kel asked for it to survive that event.
        struct sigaction old = {};
        bool ok = sigaction(s, nullptr, &old) == 0;
        if (ok && old.sa_handler != SIG_IGN) ok = sigaction(s, &sa, nullptr) == 0;
        if (!ok) {
            Message("Installation failed.");
            rt::Exit(9);
        }
    }
}

} // namespace ConSigs
