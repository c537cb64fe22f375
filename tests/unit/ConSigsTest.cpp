// The console-event table: which kinds of event end the process and which are passed on.
#include <cstdint>

#include <gtest/gtest.h>

#include "ConSigs.h"
#include "runtime/Runtime.h"

namespace {

TEST(ConSigs, InterruptBreakCloseAndShutdownEndTheProcessLogOffAndTheRestPassOn) {
    // 3 and 4 have no name but end the process too.
    const uint32_t ending[] = {rt::evInterrupt, rt::evBreak, rt::evClose, 3, 4, rt::evShutdown};
    const uint32_t passedOn[] = {rt::evLogOff, 7, 8, 31, 32, 38, 0xFFFFFFFF};
    for (uint32_t kind : ending) EXPECT_TRUE(ConSigs::Terminates(kind)) << "kind " << kind;
    for (uint32_t kind : passedOn) EXPECT_FALSE(ConSigs::Terminates(kind)) << "kind " << kind;
}

} // namespace
