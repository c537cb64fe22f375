// Test harness: runs a piece of product code in a child process and hands back everything that
// the process showed: its exit status and the exact bytes of standard output and error output.
//
// The run-time layer holds output in its own buffers and writes it out at the end of the process,
// and every component keeps process-global state that starts up once. A forked child per case
// gives every case a fresh component state and a complete, exact record of its output, whether
// the code under test returns or ends the process itself.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct Outcome {
    int status = -1; // exit status; 128 + signal number when killed by a signal
    std::string out; // bytes written to standard output
    std::string err; // bytes written to the error output
};

// Runs body in a child whose fds 1 and 2 go to temporary files; when body returns, the child ends
// through the run-time layer with status 0, which writes out what it still holds.
Outcome InChild(const std::function<void()>& body);

// A read-only descriptor of a temporary file holding text, positioned at its start. The file is
// already unlinked; the descriptor is inherited by children of Run.
int Source(std::string_view text);

// Writes s to standard output through the run-time layer (so it is ordered with the product's
// own output); used by child bodies to report what they observed.
void Say(const std::string& s);

// A POSIX extended regular expression that matches exactly the text s, for EXPECT_EXIT.
std::string Exactly(std::string_view s);
