#include "Runtime.h"

#include <atomic>
#include <cstring>

#include "Sys.h"

namespace rt {
namespace {

constexpr size_t kOutSize = 16384;

struct Out {
    Chan f;
    const char* name;
    bool failed; // a write failed: nothing more is written to this channel
    uint32_t n;  // bytes held in buf
    char* buf;   // kOutSize bytes
};

// Index 0 standard output, index 1 the error output. At most one of them holds bytes at any
// moment: writing to one first writes out the other, which keeps the order across both. The
// buffers stand apart, so that the program file holds no 32 KiB of zeros for them.
char bufs[2][kOutSize];
Out outs[2] = {{StdOut, "standard output", false, 0, bufs[0]},
               {ErrOut, "error output", false, 0, bufs[1]}};
std::atomic<bool> ending = false;

int argCount = 0;
char** args = nullptr;

Chan fileChan = -1; // the one file opened for reading, and its name for diagnostics
const char* fileName = "";

Chan input = StdIn;           // the channel RdBin read last
size_t (*unused)() = nullptr; // how much of what RdBin delivered last is still unused

Out& OutOf(Chan f) { return f == ErrOut ? outs[1] : outs[0]; }

// Writes the held bytes of o and empties it; returns the error of a failed write, or 0. No
// console event is handled meanwhile, so a handler never sees a buffer half written out.
sys::Error Drain(Out& o) {
    sys::Hold();
    sys::Error err = 0;
    uint32_t done = 0;
    while (done < o.n && !o.failed) {
        size_t k = 0;
        if (sys::Write(o.f, o.buf + done, o.n - done, k, err)) {
            done += static_cast<uint32_t>(k);
        } else {
            o.failed = true;
        }
    }
    o.n = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    sys::Release();
    return err;
}

// A write to o failed: the run can no longer be reported as a success. The error output says
// so, unless it is the channel that failed.
void NoteFailure(Out& o, sys::Error err) {
    if (&o == &outs[0] && !outs[1].failed) {
        WrStr(ErrOut, "Fatal error: cannot write ");
        WrStr(ErrOut, o.name);
        WrStr(ErrOut, ": ");
        WrStr(ErrOut, sys::Reason(err));
        WrStr(ErrOut, ".");
        WrLn(ErrOut);
    }
}

[[noreturn]] void WriteFailed(Out& o, sys::Error err) {
    NoteFailure(o, err);
    Exit(9);
}

void Flush(Out& o) {
    if (o.n == 0) return;
    sys::Error err = Drain(o);
    if (err != 0) WriteFailed(o, err);
}

void Append(Out& o, const char* p, size_t k) {
    sys::Guard();
    if (o.failed) {
        sys::Unguard();
        return;
    }
    Out& other = &o == &outs[0] ? outs[1] : outs[0];
    Flush(other);
    while (k > 0) {
        if (o.n == kOutSize) Flush(o);
        size_t m = kOutSize - o.n < k ? kOutSize - o.n : k;
        memcpy(o.buf + o.n, p, m);
        // The bytes are in place before they are counted: a handler that interrupts here
        // writes out only complete bytes.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        o.n += static_cast<uint32_t>(m);
        p += m;
        k -= m;
    }
    sys::Unguard();
}

void FlushAll() {
    Flush(outs[0]);
    Flush(outs[1]);
}

// "Fatal error: cannot VERB 'NAME': REASON." for a failing system call on a file.
[[noreturn]] void IoFailed(const char* verb, Chan f, const char* name, sys::Error err) {
    WrStr(ErrOut, "Fatal error: cannot ");
    WrStr(ErrOut, verb);
    if (f == StdIn) {
        WrStr(ErrOut, " standard input");
    } else {
        WrStr(ErrOut, " '");
        WrStr(ErrOut, name);
        WrStr(ErrOut, "'");
    }
    WrStr(ErrOut, ": ");
    WrStr(ErrOut, sys::Reason(err));
    WrStr(ErrOut, ".");
    WrLn(ErrOut);
    Exit(9);
}

// The field rule: digits (with the sign) right-aligned in w columns, never cut.
void WrDigits(Chan f, bool minus, uint32_t x, uint32_t w) {
    char d[12];
    size_t i = sizeof d;
    do {
        d[--i] = static_cast<char>('0' + x % 10);
        x /= 10;
    } while (x != 0);
    if (minus) d[--i] = '-';
    for (size_t k = sizeof d - i; k < w; ++k) WrChar(f, ' ');
    Append(OutOf(f), d + i, sizeof d - i);
}

// Where the UTF-8 text p may be cut before byte k without splitting a character: k, or the first
// byte of the character that byte k continues. A byte that continues none is not UTF-8 and leaves
// k as it is.
size_t CharStart(const char* p, size_t k) {
    const auto byte = [p](size_t i) { return static_cast<uint8_t>(p[i]); };
    size_t i = k;
    while (i > 0 && k - i < 3 && (byte(i) & 0xC0) == 0x80) --i; // continuation bytes
    return i < k && byte(i) >= 0xC0 ? i : k;
}

} // namespace

void Init(int argc, char** argv) {
    sys::Init(argc, argv);
    // Empty parameters are dropped here, so nobody counts or delivers them.
    argCount = 0;
    args = argv;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '\0') args[++argCount] = argv[i];
    }
}

void WrStr(Chan f, const char* s, size_t cap) { Append(OutOf(f), s, Length(s, cap)); }
void WrLn(Chan f) { Append(OutOf(f), "\r\n", 2); }
void WrChar(Chan f, char c) { Append(OutOf(f), &c, 1); }

void WrInt(Chan f, int32_t x, uint32_t w) {
    // The magnitude of -2147483648 does not fit a signed value; it does fit unsigned.
    uint32_t m = x < 0 ? 0u - static_cast<uint32_t>(x) : static_cast<uint32_t>(x);
    WrDigits(f, x < 0, m, w);
}

void WrCard(Chan f, uint32_t x, uint32_t w) { WrDigits(f, false, x, w); }

Chan OpenRead(const char* name) {
    Chan f;
    sys::Error err;
    if (!sys::Open(name, f, err)) IoFailed("open", -1, name, err);
    fileChan = f;
    fileName = name;
    return f;
}

size_t RdBin(Chan f, uint8_t* buf, size_t n) {
    FlushAll(); // whoever waits for this input sees everything written so far
    input = f;
    size_t k;
    sys::Error err;
    if (!sys::Read(f, buf, n, k, err)) IoFailed("read", f, f == fileChan ? fileName : "", err);
    return k;
}

void LeaveInput(size_t (*count)()) { unused = count; }

bool Exists(const char* name) { return sys::Exists(name); }

bool InstallHandler(bool (*handler)(uint32_t kind)) { return sys::Install(handler); }

bool SlashOptions() { return sys::kSlashOptions; }

uint32_t ParamCount() { return static_cast<uint32_t>(argCount); }

const char* Param(uint32_t n) { return n >= 1 && n <= ParamCount() ? args[n] : ""; }

void ParamStr(char* s, size_t cap, uint32_t n) {
    const char* p = Param(n);
    size_t k = Length(p, cap);
    if (p[k] != '\0') k = CharStart(p, k); // cut: not inside a character
    memcpy(s, p, k);
    if (k < cap) s[k] = '\0';
}

size_t Length(const char* s, size_t cap) {
    size_t k = 0;
    while (k < cap && s[k] != '\0') ++k;
    return k;
}

void Delete(char* s, size_t cap, size_t p, size_t n) {
    size_t len = Length(s, cap);
    if (p >= len || n == 0) return;
    if (n > len - p) n = len - p;
    memmove(s + p, s + p + n, len - p - n);
    s[len - n] = '\0';
}

int Compare(const char* a, size_t capA, const char* b) {
    size_t la = Length(a, capA);
    size_t lb = strlen(b);
    int c = memcmp(a, b, la < lb ? la : lb);
    if (c == 0) c = la < lb ? -1 : la > lb ? 1 : 0;
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void Exit(int status) {
    // From here on no console event is handled until everything held is written out.
    sys::Hold();
    if (ending) {
        // A second end, from a failed write while ending or from an interrupt that waited for
        // the first end: what it added is written out, and its status stands.
        for (Out& o : outs) Drain(o);
        sys::End(status);
    }
    ending = true;
    if (unused != nullptr) sys::Unread(input, unused());
    for (Out& o : outs) {
        sys::Error err = Drain(o);
        if (err != 0) {
            status = 9;
            NoteFailure(o, err);
        }
    }
    // An interrupt that came while the output was written out waited for it; it is handled now,
    // and ends the run with its message and status 9. An interrupted run never reports success.
    sys::Release();
    sys::End(status);
}

void Fatal(const char* kind) {
    WrStr(ErrOut, "Fatal error: ");
    WrStr(ErrOut, kind);
    WrStr(ErrOut, ".");
    WrLn(ErrOut);
    Exit(9);
}

} // namespace rt
