// Console interrupts: an interrupt (SIGINT), a break (SIGQUIT), the loss of the terminal (SIGHUP)
// and a shutdown (SIGTERM) end the process in order: everything written so far is written out,
// then "ConSigs: Signal received, terminating." on standard output, then exit status 9. Other
// signals keep their default handling, and so does one of the four that kel was started with
// ignored (as nohup does for the hang-up).
//
// Needs the run-time layer, whose exit path is safe to call from the handler.
#pragma once

namespace ConSigs {

void Init(); // start-up: installs the handler; runs once, after every other component

} // namespace ConSigs
