// The run-time layer's start-up and console events on WASI; the calls on channels and files are
// in Files.cpp. The host hands over the three standard channels open and the parameters as
// UTF-8, and has no console events to report: nothing to prepare, install or hold.
#include "Sys.h"

namespace rt::sys {

void Init(int&, char**&) {}

bool Install(bool (*)(uint32_t)) { return true; }

void Hold() {}

void Release() {}

} // namespace rt::sys
