// Button functions: the labels of every kind, the defaults before and after a mouse was read,
// and a deleted macro forgotten by the buttons of a block.
#include <gtest/gtest.h>

#include <array>

#include "buttons/ButtonAssignment.h"

namespace corv {
namespace {

using A = ButtonAssignment;

TEST(ButtonAssignmentTest, LabelsNameWhatThePageKnowsAndKeepTheRest)
{
    const std::vector<std::string> macros = {"Combo", "Burst"};
    EXPECT_EQ(assignmentLabel({0x20, 0, 0x04}, macros), "A");
    EXPECT_EQ(assignmentLabel({0x20, 0x01, 0}, macros), "LCtrl");
    EXPECT_FALSE(assignmentLabel({0x20, 0, 0x32}, macros));
    EXPECT_EQ(assignmentLabel({0x71, 1, 7}, macros), "Burst");
    EXPECT_FALSE(assignmentLabel({0x70, 2, 0}, macros));
    EXPECT_EQ(assignmentLabel({0, 0, 0}, macros), "按钮关闭");
    EXPECT_EQ(assignmentLabel({5, 9, 9}, macros), "按钮关闭");
    EXPECT_FALSE(assignmentLabel({0x21, 0, 0}, macros));
    EXPECT_FALSE(assignmentLabel({0x10, 3, 0}, macros));
    EXPECT_EQ(assignmentLabel({0x11, 0, 255}, macros), "右摆");
    EXPECT_EQ(assignmentLabel({0x13, 3, 0}, macros), "DPI LOOP");
    EXPECT_EQ(assignmentLabel({0x14, 1, 1}, macros), "双击");
    EXPECT_EQ(menuAssignment("msmenutwoleftkey"), (A{0x14, 50, 2}));
    EXPECT_FALSE(menuAssignment("msmenusinglekey"));
}

TEST(ButtonAssignmentTest, DefaultsComeFromTheMouseOnceReadAndButtonsSixToEightAreOffBefore)
{
    const std::array<std::uint8_t, 126> unread{};
    EXPECT_EQ(defaultAssignment(unread, 3), (A{0x10, 16, 0}));
    EXPECT_EQ(defaultAssignment(unread, 5), (A{0x13, 3, 0}));
    for (std::size_t n = 6; n < kButtonsPerBlock; ++n)
        EXPECT_EQ(defaultAssignment(unread, n), A{}) << n;
    std::array<std::uint8_t, 126> read{};
    A{0x12, 1, 0}.storeIn(read, 7);
    EXPECT_EQ(defaultAssignment(read, 7), (A{0x12, 1, 0}));
    EXPECT_EQ(defaultAssignment(read, 0), A{});  // the mouse's word counts, even "off"
}

TEST(ButtonAssignmentTest, AForgottenMacroGivesItsButtonsTheirDefaultAndMovesLaterOnesDown)
{
    std::array<std::uint8_t, 126> block{};
    std::array<std::uint8_t, 126> defaults{};
    A{0x10, 2, 0}.storeIn(defaults, 8);
    A{0x70, 1, 0}.storeIn(block, 8);
    A{0x71, 3, 5}.storeIn(block, 2);
    A{0x70, 0, 0}.storeIn(block, 4);
    A{0x20, 1, 0}.storeIn(block, 1);  // a key whose p1 happens to be 1
    EXPECT_TRUE(usesMacro(block, 1));
    EXPECT_FALSE(usesMacro(block, 2));
    forgetMacro(block, 1, defaults);
    EXPECT_EQ(A::of(block, 8), (A{0x10, 2, 0}));
    EXPECT_EQ(A::of(block, 2), (A{0x71, 2, 5}));
    EXPECT_EQ(A::of(block, 4), (A{0x70, 0, 0}));
    EXPECT_EQ(A::of(block, 1), (A{0x20, 1, 0}));
}

}  // namespace
}  // namespace corv
