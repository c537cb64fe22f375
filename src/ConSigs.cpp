#include "ConSigs.h"

#include "runtime/Runtime.h"

namespace ConSigs {
namespace {

bool started = false;

void Message(const char* s) {
    rt::WrStr(rt::StdOut, "ConSigs: ");
    rt::WrStr(rt::StdOut, s);
    rt::WrLn(rt::StdOut);
}

// Runs on whatever the main thread was doing, or beside it. It touches no component's state: it
// writes its line through the run-time layer and ends the process, or passes the event on.
bool Handler(uint32_t kind) {
    if (!Terminates(kind)) return false;
    Message("Signal received, terminating.");
    rt::Exit(9);
}

} // namespace

bool Terminates(uint32_t kind) { return kind <= rt::evShutdown && kind != rt::evLogOff; }

void Init() {
    if (started) return;
    started = true;
    if (!rt::InstallHandler(Handler)) {
        Message("Installation failed.");
        rt::Exit(9);
    }
}

} // namespace ConSigs
