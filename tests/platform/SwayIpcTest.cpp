// sway's IPC as the watcher reads it, on transcripts recorded from sway 1.7 (cut down to the
// fields that matter) and on broken and hostile input.
#include <gtest/gtest.h>

#include "platform/SwayIpc.h"

namespace corv::sway {
namespace {

// Recorded: two foot windows (app ids alpha and beta), the focus moved with swaymsg, an
// empty workspace shown, then both windows closed.
constexpr const char* kFocusBeta =
    R"({"change":"focus","container":{"id":5,"type":"con","focused":true,"pid":661,"app_id":"beta","name":"foot","nodes":[],"floating_nodes":[]}})";
constexpr const char* kTitleBeta =
    R"({"change":"title","container":{"id":5,"type":"con","focused":false,"pid":661,"app_id":"beta"}})";
constexpr const char* kXwaylandFocus =
    R"({"change":"focus","container":{"id":9,"type":"con","focused":true,"pid":700,"app_id":null,"shell":"xwayland","window_properties":{"class":"XTerm","instance":"xterm"}}})";
constexpr const char* kEmptyWorkspace =
    R"({"change":"focus","current":{"id":7,"type":"workspace","name":"2","focused":true,"nodes":[],"floating_nodes":[]},"old":{"id":4}})";
constexpr const char* kBusyWorkspace =
    R"({"change":"focus","current":{"id":4,"type":"workspace","name":"1","focused":false,"nodes":[{"id":6}],"floating_nodes":[]}})";
constexpr const char* kCloseUnfocused =
    R"({"change":"close","container":{"id":5,"type":"con","focused":false,"pid":661,"app_id":"beta"}})";
constexpr const char* kCloseFocused =
    R"({"change":"close","container":{"id":6,"type":"con","focused":true,"pid":660,"app_id":"alpha"}})";
constexpr const char* kTreeOnEmptyWorkspace =
    R"({"id":1,"type":"root","focused":false,"nodes":[{"id":3,"type":"output","focused":false,"nodes":[{"id":4,"type":"workspace","focused":true,"nodes":[]}]}]})";
constexpr const char* kTreeWithFloatingFocus =
    R"({"id":1,"type":"root","nodes":[{"id":3,"type":"output","nodes":[{"id":4,"type":"workspace","nodes":[{"id":5,"type":"con","focused":false,"pid":661}],"floating_nodes":[{"id":8,"type":"floating_con","focused":true,"pid":662,"app_id":"game"}]}]}]})";

TEST(SwayIpc, FocusEventsNameTheProcessAndItsAppIdOrClass)
{
    const FocusNews beta = readWindowEvent(kFocusBeta);
    EXPECT_EQ(beta.kind, FocusNews::Window);
    EXPECT_EQ(beta.program, (ForegroundProgram{"", 661, "beta"}));
    EXPECT_EQ(readWindowEvent(kXwaylandFocus).program, (ForegroundProgram{"", 700, "XTerm"}));
    // Events that move no focus, and a close of a window that did not have it.
    EXPECT_EQ(readWindowEvent(kTitleBeta).kind, FocusNews::Nothing);
    EXPECT_EQ(readWindowEvent(kCloseUnfocused).kind, FocusNews::Nothing);
    // The focused window closed: only the tree says where the focus went.
    EXPECT_EQ(readWindowEvent(kCloseFocused).kind, FocusNews::AskTheTree);
    EXPECT_EQ(readWorkspaceEvent(kEmptyWorkspace).kind, FocusNews::NoWindow);
    EXPECT_EQ(readWorkspaceEvent(kBusyWorkspace).kind, FocusNews::Nothing);
    EXPECT_EQ(readTree(kTreeOnEmptyWorkspace).kind, FocusNews::NoWindow);
    EXPECT_EQ(readTree(kTreeWithFloatingFocus).program, (ForegroundProgram{"", 662, "game"}));
}

TEST(SwayIpc, APidOfZeroMalformedJsonAndWrongTypesAreNeverAProgram)
{
    EXPECT_EQ(readWindowEvent(R"({"change":"focus","container":{"id":3,"pid":0,"app_id":"x"}})").kind,
              FocusNews::NoWindow);
    EXPECT_EQ(readWindowEvent(R"({"change":"focus","container":{"id":3,"pid":-5}})").kind, FocusNews::NoWindow);
    EXPECT_EQ(readWindowEvent(R"({"change":"focus","container":{"id":3,"pid":99999999999}})").kind,
              FocusNews::NoWindow);
    EXPECT_EQ(readWindowEvent(R"({"change":"focus","container":{"pid":"661","app_id":5}})").kind, FocusNews::NoWindow);
    for (const char* bad : {"", "{", "null", "[1,2]", R"({"change":"focus"})", R"({"change":"focus","container":7})",
                            "{\"change\":\"focus\",\"container\":{\"pid\":661", "\xff\xfe"}) {
        EXPECT_EQ(readWindowEvent(bad).kind, FocusNews::Nothing) << bad;
        EXPECT_EQ(readWorkspaceEvent(bad).kind, FocusNews::Nothing) << bad;
        EXPECT_EQ(readTree(bad).kind, FocusNews::NoWindow) << bad;
    }
    // A tree nested past any real one is no focus, not a stack overflow.
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += R"({"nodes":[)";
    deep += R"({"type":"con","focused":true,"pid":5})";
    for (int i = 0; i < 5000; ++i)
        deep += "]}";
    EXPECT_EQ(readTree(deep).kind, FocusNews::NoWindow);
}

TEST(SwayIpc, TheFramerCutsTheStreamWhereverItWasSplitAndStopsOnAForeignOne)
{
    const std::string stream = encode(kSubscribe, R"({"success":true})") + encode(kWindowEvent, kFocusBeta) +
                               encode(kWindowEvent, kFocusBeta) + encode(kGetTree, "");
    for (std::size_t step : {std::size_t{1}, std::size_t{7}, stream.size()}) {
        Framer framer;
        std::vector<Message> got;
        for (std::size_t i = 0; i < stream.size(); i += step) {
            framer.feed(std::string_view(stream).substr(i, step));
            while (auto m = framer.next())
                got.push_back(*m);
        }
        ASSERT_EQ(got.size(), 4U) << step;
        EXPECT_EQ(got[0].type, kSubscribe);
        EXPECT_EQ(got[1].type, kWindowEvent);
        EXPECT_EQ(got[2].payload, kFocusBeta);  // a repeated event comes out as sent
        EXPECT_EQ(got[3].payload, "");
    }
    Framer foreign;
    foreign.feed("HTTP/1.1 400 Bad Request\r\n\r\n");
    EXPECT_FALSE(foreign.next());
    EXPECT_TRUE(foreign.broken());
    Framer huge;
    std::string header = encode(kWindowEvent, "").substr(0, 6);
    const std::uint32_t length = kMaxPayload + 1;
    header.append(reinterpret_cast<const char*>(&length), 4).append(4, '\0');
    huge.feed(header);
    EXPECT_FALSE(huge.next());
    EXPECT_TRUE(huge.broken());
}

}  // namespace
}  // namespace corv::sway
