// Console interrupts: an interrupt (Ctrl-C), a break, the loss of the console and a shutdown end
// the process in order: everything written so far is written out, then "ConSigs: Signal
// received, terminating." on standard output, then exit status 9. A log-off, and any event kel
// does not know, is passed on to the system's own handling. On POSIX systems the events are the
// signals SIGINT, SIGQUIT, SIGHUP and SIGTERM; one that kel was started with ignored (as nohup
// does for the hang-up) stays ignored. On Windows they are the console's events, which the system
// hands to the handler on a thread of its own.
//
// Needs the run-time layer, whose exit path is safe to call from the handler.
#pragma once

#include <cstdint>

namespace ConSigs {

void Init(); // start-up: installs the handler; runs once, after every other component

// Whether an event of this kind (rt::TEvent) ends the process: every kind up to the shutdown, the
// unnamed 3 and 4 too, but not the log-off, and none above.
bool Terminates(uint32_t kind);

} // namespace ConSigs
