#include "Harness.h"

#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "runtime/Runtime.h"

namespace {

std::string Slurp(int fd) {
    std::string s;
    char b[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t k; (k = read(fd, b, sizeof b)) > 0;) s.append(b, static_cast<size_t>(k));
    return s;
}

int TempFile() {
    char name[] = "/tmp/kel-unit-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        perror("mkstemp");
        std::abort();
    }
    unlink(name);
    return fd;
}

} // namespace

Outcome InChild(const std::function<void()>& body) {
    int out = TempFile();
    int err = TempFile();
    std::fflush(nullptr); // nothing of the test runner's own output may be written twice
    pid_t pid = fork();
    if (pid < 0) {
        perror("fork");
        std::abort();
    }
    if (pid == 0) {
        dup2(out, 1);
        dup2(err, 2);
        body();
        rt::Exit(0);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    Outcome r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = Slurp(out);
    r.err = Slurp(err);
    close(out);
    close(err);
    return r;
}

int Source(std::string_view text) {
    int fd = TempFile();
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    lseek(fd, 0, SEEK_SET);
    return fd;
}

void Say(const std::string& s) { rt::WrStr(rt::StdOut, s.c_str()); }

std::string Exactly(std::string_view s) {
    std::string re = "^";
    for (char c : s) {
        if (std::string_view(".[]()*+?{}|^$\\").find(c) != std::string_view::npos) re += '\\';
        re += c;
    }
    return re + "$";
}
