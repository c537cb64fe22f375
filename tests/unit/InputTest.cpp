// The scanner's input module, where it can be checked apart from the tokens that the scanner's
// tests read through it.
#include <string>

#include <gtest/gtest.h>

#include "Harness.h"
#include "Input.h"

namespace {

// White space and comment text are stated twice, as a byte table and as the stop sets of the
// 16-byte path; a byte on which they differ would scan differently inside a block than near its
// end.
TEST(Input, ByteTableAndSixteenBytePathAgreeOnEveryByte) {
    Outcome r = InChild([] {
        Input::Init();
        for (uint32_t c = 0; c < 256; ++c) {
            uint8_t byTable = 0, bySixteen = 0;
            Input::RunKinds(static_cast<uint8_t>(c), byTable, bySixteen);
            if (byTable != bySixteen) {
                Say("byte " + std::to_string(c) + ": " + std::to_string(byTable) +
                    " by the table, " + std::to_string(bySixteen) + " by 16\n");
            }
        }
    });
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
}

} // namespace
