// A child for the console-event tests under wine: it starts the run-time layer and ConSigs as kel
// does, with a handler of its own registered first (so the system calls it last: it sees what kel
// passes on), writes a line that stays held, and then has the system's own dispatcher deliver an
// event of the kind given, on a thread of its own as the system does. Meanwhile the main thread
// goes on writing lines of digits, as kel's main thread may while an event is handled, each
// written out at once by a line on the error output.
//
// An event that ends the process leaves "before", lines of digits, the message and status 9 (the
// message may follow a line's digits before its line end: that is one write, the line end
// another). One passed on leaves "before", lines of digits, "passed on" and status 0.
//
// Usage: kel-events KIND (a number: one of rt::TEvent, or any other the system might report)
#include <atomic>
#include <cstdint>

#include <windows.h>

#include "ConSigs.h"
#include "runtime/Runtime.h"

namespace {

std::atomic<bool> passedOn = false;

BOOL WINAPI Last(DWORD) {
    passedOn = true;
    return TRUE; // the system's default handling would end the process
}

void Line(rt::Chan f, const char* s) {
    rt::WrStr(f, s);
    rt::WrLn(f);
}

} // namespace

int main(int argc, char** argv) {
    rt::Init(argc, argv);
    uint32_t kind = 0;
    for (const char* p = rt::Param(1); *p >= '0' && *p <= '9'; ++p) {
        kind = kind * 10 + static_cast<uint32_t>(*p - '0');
    }
    SetConsoleCtrlHandler(Last, TRUE);
    ConSigs::Init();
    const FARPROC routine = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine");
    if (routine == nullptr) {
        Line(rt::ErrOut, "kel-events: kernel32.dll has no CtrlRoutine");
        rt::Exit(2);
    }
    const auto dispatch =
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(routine));
    Line(rt::StdOut, "before");
    HANDLE t =
        CreateThread(nullptr, 0, dispatch, reinterpret_cast<void*>(uintptr_t{kind}), 0, nullptr);
    while (WaitForSingleObject(t, 0) == WAIT_TIMEOUT) {
        Line(rt::StdOut, "0123456789");
        Line(rt::ErrOut, "-"); // every line written out at once, as kel's trace does
    }
    Line(rt::StdOut, passedOn ? "passed on" : "neither handled nor passed on");
    rt::Exit(0);
}
