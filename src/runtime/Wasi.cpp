// The run-time layer's start-up, console events, error texts and end on WASI; the calls on
// channels and files are in Files.cpp. The host hands over the three standard channels open and
// the parameters as UTF-8, and has no console events to report: nothing to prepare, install or
// hold.
#include <cstring>

#include <unistd.h>

#include "Sys.h"

namespace rt::sys {

void Init(int&, char**&) {}

bool Install(bool (*)(uint32_t)) { return true; }

void Hold() {}

void Release() {}

const char* Reason(Error err) { return strerror(err); }

void End(int status) { _exit(status); }

} // namespace rt::sys
