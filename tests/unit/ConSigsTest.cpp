// The console-event table: which kinds of event end the process and which are passed on.
#include <cstdint>

#include <gtest/gtest.h>

#include "ConSigs.h"

namespace {

TEST(ConSigs, InterruptBreakCloseAndShutdownEndTheProcessLogOffAndTheRestPassOn) {
    struct {
        uint32_t kind;
        bool ends;
    } const table[] = {{0, true},   {1, true},   {2, true},          {3, true},  {4, true},
                       {5, false},  {6, true},   {7, false},         {8, false}, {31, false},
                       {32, false}, {38, false}, {0xFFFFFFFF, false}};
    for (const auto& e : table) EXPECT_EQ(ConSigs::Terminates(e.kind), e.ends) << "kind " << e.kind;
}

} // namespace
