// Hyprland's IPC as the watcher reads it, on transcripts in the form Hyprland 0.3x/0.4x
// sends (event lines and j/activewindow answers), and on broken input.
#include <gtest/gtest.h>

#include "platform/HyprlandIpc.h"

namespace corv::hyprland {
namespace {

TEST(HyprlandIpc, ActiveWindowEventsAndAnswersNameTheProcessOrNone)
{
    // A stream cut in the middle of lines; other events in between; the same window twice.
    LineSplitter splitter;
    std::vector<std::string> lines = splitter.feed("workspace>>2\nactivewindow>>foot,~\nactivewindowv2>>55d0a1");
    for (const std::string& line :
         splitter.feed("b2c3d0\nactivewindowv2>>55d0a1b2c3d0\nactivewindowv2>>\nactivewindowv2>>,\n"))
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(activeWindowAddress(lines[0]), std::nullopt);
    EXPECT_EQ(activeWindowAddress(lines[1]), std::nullopt);  // the old event names no address
    EXPECT_EQ(activeWindowAddress(lines[2]), "55d0a1b2c3d0");
    EXPECT_EQ(activeWindowAddress(lines[3]), "55d0a1b2c3d0");
    EXPECT_EQ(activeWindowAddress(lines[4]), "");  // no window has the focus
    EXPECT_EQ(activeWindowAddress(lines[5]), "");

    EXPECT_EQ(readActiveWindow(R"({"address":"0x55d0a1b2c3d0","mapped":true,"pid":4242,"class":"steam_app_1091500",
                                   "title":"Game","initialClass":"steam_app_1091500","xwayland":true})"),
              (ForegroundProgram{"", 4242, "steam_app_1091500"}));
    EXPECT_TRUE(readActiveWindow("{}").none());
    EXPECT_TRUE(readActiveWindow(R"({"address":"0x1","pid":0,"class":"x"})").none());
    EXPECT_TRUE(readActiveWindow(R"({"pid":-1})").none());
    EXPECT_TRUE(readActiveWindow(R"({"pid":"4242"})").none());
    for (const char* bad : {"", "unknown request", "{\"pid\":42", "[42]", "\xff"})
        EXPECT_TRUE(readActiveWindow(bad).none()) << bad;
}

TEST(HyprlandIpc, AnEndlessLineIsSkippedAndTheNextOneRead)
{
    LineSplitter splitter;
    const std::string huge(kMaxLine + 10, 'x');
    EXPECT_TRUE(splitter.feed("activewindowv2>>" + huge).empty());
    EXPECT_TRUE(splitter.feed(huge).empty());
    EXPECT_EQ(splitter.feed("tail\nactivewindowv2>>abc\n"), (std::vector<std::string>{"activewindowv2>>abc"}));
}

}  // namespace
}  // namespace corv::hyprland
