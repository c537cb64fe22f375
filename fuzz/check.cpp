// kel-check: the fuzzer's second opinion.
//
//   kel-check KEL PATH...            runs KEL on every file named (a directory: on each regular
//                                    file in it) as standard input and judges each run with the
//                                    oracle (Oracle.h), plus: not ended by a signal, done within
//                                    one second. Prints one line per fault; status 1 if any.
//   kel-check --seeds OUTDIR CASEFILE...
//                                    writes the sources of the end-to-end cases (their stdin and
//                                    file sections, escapes decoded) to OUTDIR, one per file,
//                                    as seeds for the fuzzer.
//
// Meant for a sanitizer build of kel, so a read out of bounds that the fuzzed binary survived
// still shows up here, as a signal or a sanitizer's exit status.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Oracle.h"

namespace {

constexpr double kLimit = 1.0;      // seconds a run may take
constexpr double kKillAfter = 10.0; // seconds after which a run is stopped
constexpr size_t kMaxSeed = 65536;  // larger sources make poor seeds

bool ReadFile(const std::string &path, std::string &s) {
    FILE *f = std::fopen(path.c_str(), "rb");
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
    int status = -1; // raw wait status
    double seconds = 0;
    std::string out, err;
};

// Runs kel with the file as standard input; both channels go to memory files.
Outcome RunOnce(const std::string &kel, const std::string &file) {
    Outcome o;
    const int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = memfd_create("kel-out", MFD_CLOEXEC);
    const int err = memfd_create("kel-err", MFD_CLOEXEC);
    if (in < 0 || out < 0 || err < 0) {
        for (int fd : {in, out, err})
            if (fd >= 0) close(fd);
        return o;
    }
    const double start = Now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        char *argv[] = {const_cast<char *>(kel.c_str()), nullptr};
        execv(kel.c_str(), argv);
        _exit(127);
    }
    if (pid > 0) {
        o.started = true;
        for (;;) {
            const pid_t r = waitpid(pid, &o.status, WNOHANG);
            if (r == pid || (r < 0 && errno != EINTR)) break;
            if (Now() - start > kKillAfter) kill(pid, SIGKILL);
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
std::string Check(const std::string &kel, const std::string &file) {
    std::string src;
    if (!ReadFile(file, src)) return "cannot read the input";
    Outcome o = RunOnce(kel, file);
    // A slow run on a busy machine gets a second chance before it counts.
    if (o.started && o.seconds > kLimit) o = RunOnce(kel, file);
    if (!o.started) return "cannot run " + kel;
    if (WIFSIGNALED(o.status)) {
        return std::string("ended by signal ") + std::to_string(WTERMSIG(o.status)) + " (" +
               strsignal(WTERMSIG(o.status)) + ")" +
               (o.err.empty()
                    ? ""
                    : "; error output ends " +
                          oracle::Show(o.err.substr(o.err.size() > 200 ? o.err.size() - 200 : 0)));
    }
    if (o.seconds > kLimit) return "took " + std::to_string(o.seconds) + " s";
    std::string why = oracle::Judge(WEXITSTATUS(o.status), src, o.out, o.err);
    if (!why.empty() && WEXITSTATUS(o.status) != 0 && WEXITSTATUS(o.status) != 9)
        why += "; error output ends " +
               oracle::Show(o.err.substr(o.err.size() > 300 ? o.err.size() - 300 : 0));
    return why;
}

// The regular files named: a directory stands for the files in it, in name order.
std::vector<std::string> Files(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return {};
    if (!S_ISDIR(st.st_mode)) return {path};
    std::vector<std::string> files;
    if (DIR *d = opendir(path.c_str())) {
        while (dirent *e = readdir(d)) {
            const std::string f = path + "/" + e->d_name;
            if (e->d_name[0] != '.' && stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                files.push_back(f);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

int CheckAll(const std::string &kel, const std::vector<std::string> &paths) {
    size_t runs = 0, faults = 0;
    for (const std::string &p : paths) {
        for (const std::string &f : Files(p)) {
            ++runs;
            const std::string why = Check(kel, f);
            if (why.empty()) continue;
            ++faults;
            std::printf("FAULT %s: %s\n", f.c_str(), why.c_str());
        }
    }
    std::printf("kel-check: %zu inputs run, %zu faults\n", runs, faults);
    return faults == 0 ? 0 : 1;
}

// ---------------------------------------------------------------- seeds from case files

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes one content line of a case file (\\ \n \r \t \xHH, \c at the end drops the line end,
// \R{COUNT}{TEXT} repeats); false when it is malformed or grows too large.
bool DecodeLine(const std::string &line, std::string &out) {
    std::string text;
    bool lineEnd = true;
    for (size_t i = 0; i < line.size();) {
        if (line[i] != '\\') {
            text += line[i++];
            continue;
        }
        if (i + 1 >= line.size()) return false;
        const char e = line[i + 1];
        i += 2;
        if (e == '\\')
            text += '\\';
        else if (e == 'n')
            text += '\n';
        else if (e == 'r')
            text += '\r';
        else if (e == 't')
            text += '\t';
        else if (e == 'x' && i + 1 < line.size() && Hex(line[i]) >= 0 && Hex(line[i + 1]) >= 0) {
            text += static_cast<char>(Hex(line[i]) * 16 + Hex(line[i + 1]));
            i += 2;
        } else if (e == 'c' && i == line.size()) {
            lineEnd = false;
        } else if (e == 'R') {
            const size_t close = line.find("}{", i);
            const size_t end = close == std::string::npos ? close : line.find('}', close + 2);
            if (line.substr(i, 1) != "{" || end == std::string::npos) return false;
            const unsigned long count =
                std::strtoul(line.substr(i + 1, close - i - 1).c_str(), nullptr, 10);
            std::string piece;
            if (!DecodeLine(line.substr(close + 2, end - close - 2) + "\\c", piece)) return false;
            if (piece.empty() || count > kMaxSeed / piece.size()) return false;
            for (unsigned long n = 0; n < count; ++n) text += piece;
            i = end + 1;
        } else {
            return false;
        }
    }
    out += text;
    if (lineEnd) out += '\n';
    return out.size() <= kMaxSeed;
}

void CollectSeeds(const std::string &caseFile, std::set<std::string> &seeds) {
    std::string text;
    if (!ReadFile(caseFile, text)) return;
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string l = text.substr(pos, nl - pos);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
        pos = nl + 1;
    }
    bool inSource = false, ok = true;
    std::string src;
    size_t held = 0; // empty lines, content only when more content follows
    auto finish = [&] {
        if (inSource && ok && !src.empty()) seeds.insert(src);
        inSource = false;
    };
    for (const std::string &l : lines) {
        if (l.rfind("### ", 0) == 0 || l.rfind("--- ", 0) == 0) {
            finish();
            const bool source = l == "--- stdin" || l.rfind("--- file ", 0) == 0;
            inSource = source && l.rfind("--- ", 0) == 0;
            ok = true;
            src.clear();
            held = 0;
        } else if (inSource && l.empty()) {
            ++held;
        } else if (inSource) {
            src.append(held, '\n');
            held = 0;
            ok = ok && DecodeLine(l, src);
        }
    }
    finish();
}

int WriteSeeds(const std::string &dir, const std::vector<std::string> &caseFiles) {
    std::set<std::string> seeds;
    for (const std::string &f : caseFiles) CollectSeeds(f, seeds);
    size_t n = 0;
    for (const std::string &s : seeds) {
        char name[32];
        std::snprintf(name, sizeof name, "/e2e-%04zu", n++);
        FILE *f = std::fopen((dir + name).c_str(), "wb");
        if (!f || std::fwrite(s.data(), 1, s.size(), f) != s.size()) {
            std::fprintf(stderr, "kel-check: cannot write %s%s\n", dir.c_str(), name);
            return 1;
        }
        std::fclose(f);
    }
    std::printf("kel-check: %zu seeds from %zu case files\n", n, caseFiles.size());
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--seeds") {
        return WriteSeeds(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
    }
    if (args.size() < 2 || args[0].rfind("-", 0) == 0) {
        std::fprintf(stderr,
                     "usage: kel-check KEL PATH...\n       kel-check --seeds OUTDIR CASEFILE...\n");
        return 2;
    }
    return CheckAll(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
}
