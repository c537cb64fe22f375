// The run-time layer's calls on channels and files where the C library offers the POSIX calls
// for them: on POSIX systems and on WASI. Start-up, console events, the wording of errors and the
// end of the process are per system (Posix.cpp, Wasi.cpp).
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Sys.h"

namespace rt::sys {

bool Write(Chan f, const char* p, size_t n, size_t& done, Error& err) {
    for (;;) {
        ssize_t k = write(f, p, n);
        if (k > 0) {
            done = static_cast<size_t>(k);
            return true;
        }
        // A write that takes nothing would be tried for ever; it fails like any other.
        if (k == 0 || errno != EINTR) {
            err = k == 0 ? EIO : errno;
            return false;
        }
    }
}

bool Read(Chan f, uint8_t* buf, size_t n, size_t& done, Error& err) {
    for (;;) {
        ssize_t k = read(f, buf, n);
        if (k >= 0) {
            done = static_cast<size_t>(k);
            return true;
        }
        if (errno != EINTR) {
            err = errno;
            return false;
        }
    }
}

bool Open(const char* name, Chan& f, Error& err) {
    int fd;
    do {
        fd = open(name, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        fd = -1;
        errno = EISDIR;
    }
    if (fd < 0) {
        err = errno;
        return false;
    }
    f = fd;
    return true;
}

bool Exists(const char* name) {
    struct stat st;
    if (stat(name, &st) == 0) return true;
    return errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG;
}

void Unread(Chan f, size_t n) {
    // A pipe or a terminal refuses, and keeps what was read.
    if (n > 0) lseek(f, -static_cast<off_t>(n), SEEK_CUR);
}

} // namespace rt::sys
