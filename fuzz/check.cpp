// kel-check: the fuzzer's second opinion.
//
//   kel-check [--timed] KEL PATH...
//
// Runs KEL on every file named (a directory: on each regular file in it) as standard input and
// judges each run with the oracle (Oracle.h), plus: not ended by a signal, and with --timed done
// within one second, the limit the fuzzer counts as a hang. Without --timed only a run still
// going after ten seconds is a fault, so a slow build or a busy machine cannot fail a test.
// Prints one line per fault; status 1 if any.
//
// fuzz/run re-runs its findings on a sanitizer build of kel, so a read out of bounds that the
// fuzzed binary survived still shows up here, as a signal or a sanitizer's exit status; ctest
// runs the examples and fuzz/seeds on the kel of each build, so the model cannot drift from kel
// unnoticed.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Oracle.h"

namespace {

constexpr double kLimit = 1.0; // seconds a run may take with --timed
constexpr int kKillAfter = 10; // seconds after which a run is stopped

bool ReadFile(const std::string& path, std::string& s) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char b[65536];
    s.clear();
    for (size_t n; (n = std::fread(b, 1, sizeof b, f)) > 0;) s.append(b, n);
    std::fclose(f);
    return true;
}

std::string ReadFd(int fd) {
    std::string s;
    lseek(fd, 0, SEEK_SET);
    char b[65536];
    for (ssize_t n; (n = read(fd, b, sizeof b)) > 0;) s.append(b, static_cast<size_t>(n));
    return s;
}

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Outcome {
    bool started = false;
    bool stopped = false; // killed after kKillAfter
    int status = -1;      // raw wait status
    double seconds = 0;
    std::string out, err;
};

// Runs kel with the file as standard input; both channels go to memory files. posix_spawn, not
// fork: a sanitizer build of kel-check has a large address space that fork would copy each time.
Outcome RunOnce(const std::string& kel, const std::string& file) {
    Outcome o;
    const int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = memfd_create("kel-out", MFD_CLOEXEC);
    const int err = memfd_create("kel-err", MFD_CLOEXEC);
    if (in < 0 || out < 0 || err < 0) {
        for (int fd : {in, out, err})
            if (fd >= 0) close(fd);
        return o;
    }
    posix_spawn_file_actions_t fds;
    posix_spawn_file_actions_init(&fds);
    posix_spawn_file_actions_adddup2(&fds, in, 0);
    posix_spawn_file_actions_adddup2(&fds, out, 1);
    posix_spawn_file_actions_adddup2(&fds, err, 2);
    char* argv[] = {const_cast<char*>(kel.c_str()), nullptr};
    const double start = Now();
    pid_t pid = -1;
    o.started = posix_spawn(&pid, kel.c_str(), &fds, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&fds);
    if (o.started) {
        for (;;) {
            const pid_t r = waitpid(pid, &o.status, WNOHANG);
            if (r == pid || (r < 0 && errno != EINTR)) break;
            if (!o.stopped && Now() - start > kKillAfter) o.stopped = kill(pid, SIGKILL) == 0;
            usleep(200);
        }
        o.seconds = Now() - start;
        o.out = ReadFd(out);
        o.err = ReadFd(err);
    }
    close(in);
    close(out);
    close(err);
    return o;
}

// The fault of one run, or "".
std::string Check(const std::string& kel, const std::string& file, bool timed) {
    std::string src;
    if (!ReadFile(file, src)) return "cannot read the input";
    Outcome o = RunOnce(kel, file);
    // A slow run on a busy machine gets a second chance before it counts.
    if (timed && o.started && o.seconds > kLimit) o = RunOnce(kel, file);
    if (!o.started) return "cannot run " + kel;
    if (o.stopped) return "still running after " + std::to_string(kKillAfter) + " s";
    if (WIFSIGNALED(o.status)) {
        return std::string("ended by signal ") + std::to_string(WTERMSIG(o.status)) + " (" +
               strsignal(WTERMSIG(o.status)) + ")" +
               (o.err.empty()
                    ? ""
                    : "; error output ends " +
                          oracle::Show(o.err.substr(o.err.size() > 200 ? o.err.size() - 200 : 0)));
    }
    if (timed && o.seconds > kLimit) return "took " + std::to_string(o.seconds) + " s";
    std::string why = oracle::Judge(WEXITSTATUS(o.status), src, o.out, o.err);
    if (!why.empty() && WEXITSTATUS(o.status) != 0 && WEXITSTATUS(o.status) != 9)
        why += "; error output ends " +
               oracle::Show(o.err.substr(o.err.size() > 300 ? o.err.size() - 300 : 0));
    return why;
}

// The regular files named: a directory stands for the files in it, in name order.
std::vector<std::string> Files(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return {};
    if (!S_ISDIR(st.st_mode)) return {path};
    std::vector<std::string> files;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string f = path + "/" + e->d_name;
            if (e->d_name[0] != '.' && stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                files.push_back(f);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

int CheckAll(const std::string& kel, const std::vector<std::string>& paths, bool timed) {
    size_t runs = 0, faults = 0;
    for (const std::string& p : paths) {
        // A path that is gone would otherwise pass as an empty directory.
        if (access(p.c_str(), R_OK) != 0) {
            ++faults;
            std::printf("FAULT %s: %s\n", p.c_str(), std::strerror(errno));
        }
        for (const std::string& f : Files(p)) {
            ++runs;
            const std::string why = Check(kel, f, timed);
            if (why.empty()) continue;
            ++faults;
            std::printf("FAULT %s: %s\n", f.c_str(), why.c_str());
        }
    }
    std::printf("kel-check: %zu inputs run, %zu faults\n", runs, faults);
    return faults == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool timed = !args.empty() && args[0] == "--timed";
    if (timed) args.erase(args.begin());
    if (args.size() < 2 || args[0].rfind("-", 0) == 0) {
        std::fprintf(stderr, "usage: kel-check [--timed] KEL PATH...\n");
        return 2;
    }
    return CheckAll(args[0], std::vector<std::string>(args.begin() + 1, args.end()), timed);
}
