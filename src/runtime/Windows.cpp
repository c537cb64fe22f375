// The run-time layer's system calls on Windows. The channels are the system's handles, read and
// written with ReadFile and WriteFile, so bytes pass unchanged both ways (the C runtime's text
// mode would double the CR of every line end and stop input at byte 26). Parameters and names
// are UTF-16 to the system and UTF-8 to kel. Console events come on a thread of their own while
// the main thread goes on, so a lock guards the held output.
#include <atomic>

#include <windows.h>

#include "CmdLine.h"
#include "Sys.h"

namespace rt::sys {
namespace {

// OnEvent hands the console's own kinds on unchanged.
static_assert(evInterrupt == CTRL_C_EVENT && evBreak == CTRL_BREAK_EVENT &&
              evClose == CTRL_CLOSE_EVENT && evLogOff == CTRL_LOGOFF_EVENT &&
              evShutdown == CTRL_SHUTDOWN_EVENT);

// An error code of kel's own (the system leaves codes with bit 29 to programs).
constexpr DWORD kIsDirectory = 0x20000000 | 21;

// Channels 0 to 2 are the standard handles, the rest files opened for reading.
constexpr Chan kChans = 8;
HANDLE handles[kChans];

char argText[cmdline::kTextSize];
char* argPtrs[cmdline::kMaxParams];

CRITICAL_SECTION lock;        // held between Hold and Release; it lets its owner in again
int depth = 0;                // how often the owner of lock holds it; only the owner touches it
std::atomic<int> pending = 0; // console events being handled
DWORD mainThread;             // the thread that started kel, the only one that is not a handler's
bool (*handler)(uint32_t) = nullptr;

HANDLE Handle(Chan f) { return f >= 0 && f < kChans ? handles[f] : nullptr; }

DWORD Part(size_t n) { return n < 0x40000000 ? static_cast<DWORD>(n) : 0x40000000; }

Error LastError() {
    const DWORD e = GetLastError();
    return static_cast<Error>(e != 0 ? e : ERROR_GEN_FAILURE);
}

// name in UTF-16, in a buffer of its own; null when it does not fit. A name whose full path has
// MAX_PATH units or more is given as that path behind "\\?\", which lifts the limit on every
// Windows version; any other exactly as given.
const wchar_t* Wide(const char* name) {
    constexpr DWORD kMax = cmdline::kMaxUnits + 1;
    static wchar_t given[kMax], path[kMax], full[kMax + 8];
    if (!cmdline::Widen(name, given, kMax)) return nullptr;
    const DWORD k = GetFullPathNameW(given, kMax, path, nullptr);
    if (k < MAX_PATH || k >= kMax) return given; // also when that fails: the system says why
    if (path[0] == '\\' && path[1] == '\\') {
        if (path[2] == '?' || path[2] == '.') return path;
        lstrcpyW(full, L"\\\\?\\UNC"); // \\server\share becomes \\?\UNC\server\share
        lstrcatW(full, path + 1);
    } else {
        lstrcpyW(full, L"\\\\?\\");
        lstrcatW(full, path);
    }
    return full;
}

// Runs on a thread that the system starts for the event, beside the main thread. It holds for
// good when the handler ends the process; pending tells End on the main thread to let it.
BOOL WINAPI OnEvent(DWORD kind) {
    ++pending;
    Hold();
    handler(kind);
    --pending;
    Release();
    return FALSE;
}

} // namespace

void Init(int& argc, char**& argv) {
    InitializeCriticalSection(&lock);
    mainThread = GetCurrentThreadId();
    // No message box for a drive that is not ready: the failed call reports it.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD which[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int f = 0; f < 3; ++f) {
        // A closed channel has no handle (or an invalid one): every use fails, "Bad file
        // descriptor" as on POSIX.
        HANDLE h = GetStdHandle(which[f]);
        handles[f] = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    argc = static_cast<int>(cmdline::Split(GetCommandLineW(), argText, argPtrs));
    argv = argPtrs;
}

bool Write(Chan f, const char* p, size_t n, size_t& done, Error& err) {
    DWORD k = 0;
    const bool ok = WriteFile(Handle(f), p, Part(n), &k, nullptr) != 0;
    if (ok && k > 0) {
        done = k;
        return true;
    }
    // A write that takes nothing would be tried for ever; it fails like any other.
    err = ok ? static_cast<Error>(ERROR_WRITE_FAULT) : LastError();
    return false;
}

bool Read(Chan f, uint8_t* buf, size_t n, size_t& done, Error& err) {
    for (;;) {
        DWORD k = 0;
        SetLastError(0);
        if (ReadFile(Handle(f), buf, Part(n), &k, nullptr)) {
            // Ctrl-C during a console read ends it with nothing read and this code; the event's
            // handler runs meanwhile. Like a read interrupted by a signal, it is read again.
            if (k == 0 && GetLastError() == ERROR_OPERATION_ABORTED) continue;
            done = k;
            return true;
        }
        // A pipe whose writer has closed: the end of the input.
        if (GetLastError() == ERROR_BROKEN_PIPE) {
            done = 0;
            return true;
        }
        err = LastError();
        // A directory as the input, which a POSIX shell can give (as under wine).
        FILE_ATTRIBUTE_TAG_INFO info;
        if (GetFileInformationByHandleEx(Handle(f), FileAttributeTagInfo, &info, sizeof info) &&
            (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            err = static_cast<Error>(kIsDirectory);
        }
        return false;
    }
}

bool Open(const char* name, Chan& f, Error& err) {
    Chan c = 3;
    while (c < kChans && handles[c] != nullptr) ++c;
    const wchar_t* w = Wide(name);
    if (c == kChans || w == nullptr) {
        err = c == kChans ? ERROR_TOO_MANY_OPEN_FILES : ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    HANDLE h = CreateFileW(w, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        err = LastError();
        // A directory cannot be opened this way; the system calls that "access denied".
        const DWORD a = GetFileAttributesW(w);
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            err = static_cast<Error>(kIsDirectory);
        }
        return false;
    }
    handles[c] = h;
    f = c;
    return true;
}

bool Exists(const char* name) {
    const wchar_t* w = Wide(name);
    if (w == nullptr || GetFileAttributesW(w) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD e = GetLastError();
    return e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND && e != ERROR_INVALID_NAME &&
           e != ERROR_BAD_NETPATH && e != ERROR_BAD_PATHNAME && e != ERROR_INVALID_DRIVE;
}

void Unread(Chan f, size_t n) {
    // Only a file on a disk can be repositioned; a pipe or a console keeps what was read.
    HANDLE h = Handle(f);
    if (n > 0 && GetFileType(h) == FILE_TYPE_DISK) {
        LARGE_INTEGER back;
        back.QuadPart = -static_cast<LONGLONG>(n);
        SetFilePointerEx(h, back, nullptr, FILE_CURRENT);
    }
}

const char* Reason(Error err) {
    // Worded as on POSIX systems where the meaning is the same, so one set of expectations serves
    // both.
    static const struct {
        DWORD code;
        const char* text;
    } kReasons[] = {
        {ERROR_FILE_NOT_FOUND, "No such file or directory"},
        {ERROR_PATH_NOT_FOUND, "No such file or directory"},
        {ERROR_ACCESS_DENIED, "Permission denied"},
        {ERROR_SHARING_VIOLATION, "Permission denied"},
        {ERROR_LOCK_VIOLATION, "Permission denied"},
        {kIsDirectory, "Is a directory"},
        {ERROR_INVALID_HANDLE, "Bad file descriptor"},
        {ERROR_BROKEN_PIPE, "Broken pipe"},
        {ERROR_NO_DATA, "Broken pipe"},
        {ERROR_PIPE_NOT_CONNECTED, "Broken pipe"},
        {ERROR_DISK_FULL, "No space left on device"},
        {ERROR_HANDLE_DISK_FULL, "No space left on device"},
        {ERROR_WRITE_FAULT, "Input/output error"},
        {ERROR_READ_FAULT, "Input/output error"},
        {ERROR_GEN_FAILURE, "Input/output error"},
        {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
        {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
        {ERROR_NOT_READY, "No medium found"},
        {ERROR_OPERATION_ABORTED, "Operation canceled"},
    };
    for (const auto& r : kReasons) {
        if (r.code == static_cast<DWORD>(err)) return r.text;
    }
    // Any other: the system's own text, without its line end and full stop.
    static char text[256];
    DWORD k = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(err), 0, text, sizeof text, nullptr);
    while (k > 0 && (text[k - 1] == '\r' || text[k - 1] == '\n' || text[k - 1] == ' ' ||
                     text[k - 1] == '.')) {
        --k;
    }
    if (k == 0) return "unknown error";
    text[k] = '\0';
    return text;
}

bool Install(bool (*h)(uint32_t)) {
    handler = h;
    return SetConsoleCtrlHandler(OnEvent, TRUE) != 0;
}

void Hold() {
    EnterCriticalSection(&lock);
    ++depth;
}

void Release() {
    --depth;
    LeaveCriticalSection(&lock);
}

void End(int status) {
    const UINT code = static_cast<UINT>(status);
    if (GetCurrentThreadId() != mainThread) ExitProcess(code); // a handler's end
    // The main thread ends with its status only when no event is being handled. A handler on its
    // way gets the lock (all of it, also what the caller of End still held): either it ends the
    // process, with its message and status 9, or it passes the event on and the main thread ends
    // after all.
    Hold();
    while (pending != 0) {
        for (int d = depth; d > 0; --d) Release();
        Sleep(1);
        Hold();
    }
    ExitProcess(code);
}

} // namespace rt::sys
