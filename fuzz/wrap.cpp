// Linked into the fuzzed kel with -Wl,--wrap=read,--wrap=write,--wrap=_exit: keeps the source
// bytes that kel reads and the bytes it writes to standard output and the error output, and at
// the end of the process judges the run with the oracle. A wrong run ends in abort(), which the
// fuzzer records as a crash, so it keeps the input that shows the fault.
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "Oracle.h"

extern "C" {
ssize_t __real_read(int fd, void* buf, size_t n);
ssize_t __real_write(int fd, const void* buf, size_t n);
[[noreturn]] void __real__exit(int status);
#ifdef KEL_FUZZ_GCOV
void __gcov_dump(void); // a coverage build: _exit skips the run-time's own dump
#endif
}

namespace {

// Far more than kel can write from its 1024-byte code store, and more than the largest input
// the fuzzer makes.
constexpr size_t kCap = size_t{1} << 21;

struct Capture {
    char buf[kCap];
    size_t n;
    bool over;

    void Add(const void* p, ssize_t k) {
        if (k <= 0) return;
        const size_t m = static_cast<size_t>(k);
        if (m > kCap - n) {
            over = true;
            return;
        }
        memcpy(buf + n, p, m);
        n += m;
    }
    std::string_view View() const { return {buf, n}; }
};

Capture input, output, errors;

void Say(const std::string& s) {
    const std::string line = "kel-fuzz oracle: " + s + "\n";
    (void)!__real_write(2, line.data(), line.size());
}

// A pipe or a terminal may deliver the source in pieces of any size, and every piece boundary is
// a place where the scanner's block handling can go wrong. The fuzzer hands kel a file, so the
// pieces are made here, chosen by the file's size so that mutations try them all: size % 4 = 0
// reads whole blocks as asked, 1 reads single bytes, 2 and 3 cycle through the sizes below
// (from a different start), which put the boundaries at every offset within a 16-byte group.
constexpr size_t kPieces[] = {1, 2, 3, 5, 8, 13, 16, 17, 31, 32, 33, 64, 100, 255, 4096, 65536};
constexpr size_t kPieceKinds = sizeof kPieces / sizeof kPieces[0];

size_t Piece(size_t n) {
    static int mode = -1;
    static size_t next = 0;
    if (mode < 0) {
        struct stat st;
        mode = fstat(0, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<int>(st.st_size % 4) : 0;
        next = mode == 3 ? kPieceKinds / 2 : 0;
    }
    if (mode == 0) return n;
    if (mode == 1) return 1;
    const size_t p = kPieces[next++ % kPieceKinds];
    return p < n ? p : n;
}

} // namespace

extern "C" ssize_t __wrap_read(int fd, void* buf, size_t n) {
    const ssize_t r = __real_read(fd, buf, fd == 0 ? Piece(n) : n);
    if (fd == 0) input.Add(buf, r);
    return r;
}

extern "C" ssize_t __wrap_write(int fd, const void* buf, size_t n) {
    const ssize_t r = __real_write(fd, buf, n);
    if (fd == 1) output.Add(buf, r);
    if (fd == 2) errors.Add(buf, r);
    return r;
}

extern "C" [[noreturn]] void __wrap__exit(int status) {
#ifdef KEL_FUZZ_GCOV
    __gcov_dump();
#endif
    // The rest of the source too, so that stopping early is a visible fault: kel must read on
    // to the final "." or the first error. Only from a file, which cannot keep us waiting.
    struct stat st;
    if (fstat(0, &st) == 0 && S_ISREG(st.st_mode)) {
        char b[65536];
        for (ssize_t r; (r = __real_read(0, b, sizeof b)) > 0;) input.Add(b, r);
    }
    std::string why;
    if (input.over || output.over || errors.over)
        why = "more than 2 MiB on one channel";
    else
        why = oracle::Judge(status, input.View(), output.View(), errors.View());
    if (!why.empty()) {
        Say(why);
        abort();
    }
    __real__exit(status);
}
