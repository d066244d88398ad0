// The steps recording and key insertion share: typed fixed delays, measured delays across the
// tick's wrap, and the delay completed by a recorded key in lists the user rearranged.
#include <gtest/gtest.h>

#include <limits>

#include "macros/MacroRecorder.h"

namespace corv {
namespace {

TEST(MacroRecorderTest, TypedFixedDelaysBeyondTheLimitOrNegativeBecomeTheLimit)
{
    struct Case {
        const char* text;
        long delay;
        bool limited;
    };
    for (const Case& c : {Case{"400000", 327670, true}, Case{"327670", 327670, false}, Case{"-5", 327670, true},
                          Case{"-0", 0, false}, Case{" 25ms", 25, false}, Case{"", 0, false},
                          Case{"99999999999999999999999", 327670, true}, Case{"+12", 12, false}}) {
        bool limited = !c.limited;
        EXPECT_EQ(MacroRecorder::fixedDelay(c.text, &limited), c.delay) << c.text;
        EXPECT_EQ(limited, c.limited) << c.text;
    }
}

TEST(MacroRecorderTest, MeasuredDelaysWrapWithTheTickAndStopAtTheLimit)
{
    const std::uint32_t max = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(MacroRecorder::measuredDelay(max - 9, 20), 30);
    EXPECT_EQ(MacroRecorder::measuredDelay(0, 400000), 327670);
    EXPECT_EQ(MacroRecorder::measuredDelay(5, 5), 0);
}

TEST(MacroRecorderTest, ARecordedKeyCompletesOnlyADelayRowBeforeIt)
{
    MacroRecorder recorder;
    const MacroAction a = *recorder.keyEvent(0x41, true);
    // A list whose last rows the user reordered: a key event stands where the delay was.
    std::vector<std::string> lines = {"0,0,0,1,A", "1,4,138,0,A"};
    EXPECT_FALSE(MacroRecorder::appendRecorded(lines, a, 500));
    EXPECT_EQ(lines[1], "1,4,138,0,A");
    ASSERT_EQ(lines.size(), 4u);

    // One odd row before: it is completed with nothing before it to take a name from.
    lines = {"0,9,0,1,X"};
    EXPECT_EQ(MacroRecorder::appendRecorded(lines, a, 1234), 0u);
    EXPECT_EQ(lines[0], "0,123,0,0,");

    // Unknown keys and repeats give nothing; a release lets the same key go down again.
    EXPECT_FALSE(recorder.keyEvent(0x41, true));
    EXPECT_TRUE(recorder.keyEvent(0x41, false));
    EXPECT_TRUE(recorder.keyEvent(0x41, true));
    EXPECT_FALSE(recorder.keyEvent(0xAF, true));
}

}  // namespace
}  // namespace corv
