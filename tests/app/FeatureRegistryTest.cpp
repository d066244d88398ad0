// The registry the features declare into: which row a notification reaches, and the order of
// messages, refresh steps and profile steps however the features declared them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "feature/FeatureRegistry.h"
#include "feature/ProfileApplication.h"
#include "ui/MenuWnd.h"
#include "ui/Notification.h"

namespace corv::test {
namespace {

ui::Notification note(const QString& type, const char* name)
{
    ui::Notification msg;
    msg.type = type;
    msg.senderName = QLatin1String(name);
    return msg;
}

TEST(FeatureRegistryTest, APrefixRowWinsOverFullNamesAndTheFirstMatchingRowWins)
{
    using namespace ui::notify;
    FeatureRegistry r;
    std::vector<std::string> hits;
    const auto hit = [&](std::string what) {
        return [&hits, what](const ui::Notification&, int index) { hits.push_back(what + std::to_string(index)); };
    };
    r.on(kClick, "ms_key_3", hit("full"));
    r.onPrefix(kClick, "ms_key_", hit("prefix"));
    r.onPrefix(kClick, "MS_KEY_", hit("second prefix"));
    r.on(kClick, "height2mm", hit("first"));
    r.on(kClick, "HEIGHT2MM", hit("second"));
    r.on(kTextChanged, "ms_key_fct_edit_11", hit("edit"));

    EXPECT_TRUE(r.notify(note(kClick, "Ms_Key_3")));
    EXPECT_TRUE(r.notify(note(kClick, "height2MM")));
    EXPECT_TRUE(r.notify(note(kTextChanged, "ms_key_fct_edit_11")));  // its prefix has no row
    EXPECT_FALSE(r.notify(note(kValueChanged, "height2mm")));         // another type
    EXPECT_FALSE(r.notify(note(kClick, "height2mm_")));
    EXPECT_FALSE(r.notify(note(kClick, "")));
    EXPECT_EQ(hits, (std::vector<std::string>{"prefix3", "first0", "edit0"}));
}

TEST(FeatureRegistryTest, MenuItemsCompareAsDeclared)
{
    FeatureRegistry r;
    int lan = 0, exit = 0;
    r.onMenu("lan", true, [&](const ui::MenuCommand&) { ++lan; });
    r.onMenu("exit", false, [&](const ui::MenuCommand&) { ++exit; });
    EXPECT_TRUE(r.menu({QStringLiteral("LAN"), {}, {}, false}));
    EXPECT_FALSE(r.menu({QStringLiteral("EXIT"), {}, {}, false}));
    EXPECT_TRUE(r.menu({QStringLiteral("exit"), {}, {}, false}));
    EXPECT_EQ(lan, 1);
    EXPECT_EQ(exit, 1);
}

TEST(FeatureRegistryTest, StepsRunInTheirOrderWhateverTheDeclarationOrder)
{
    FeatureRegistry r;
    std::vector<std::string> order;
    // Declared as features added in any order would declare them.
    r.onRefresh(80, [&] { order.push_back("zone"); });
    r.onRefresh(10, [&] { order.push_back("rate"); });
    r.onRefresh(70, [&] { order.push_back("lift"); });
    r.onRefresh(20, [&] { order.push_back("stages"); });
    r.onRefresh(10, [&] { order.push_back("rate2"); });
    r.refresh();
    EXPECT_EQ(order, (std::vector<std::string>{"rate", "rate2", "stages", "lift", "zone"}));

    order.clear();
    r.onMessage(0x903, [&](std::uintptr_t, std::intptr_t) { order.push_back("shell"); });
    r.onMessage(0x903, [&](std::uintptr_t w, std::intptr_t l) { order.push_back(std::to_string(w + l)); });
    EXPECT_TRUE(r.message(0x903, 2, 3));
    EXPECT_FALSE(r.message(0x904, 0, 0));
    EXPECT_EQ(order, (std::vector<std::string>{"shell", "5"}));
}

TEST(FeatureRegistryTest, AStepThatStopsTheApplicationSkipsTheLaterSteps)
{
    FeatureRegistry r;
    std::vector<std::string> order;
    r.onApply(70, [&](ProfileApplication&) { order.push_back("palette"); });
    r.onApply(50, [&](ProfileApplication&) { order.push_back("device"); });
    r.onApply(40, [&](ProfileApplication& a) {
        order.push_back("link");
        a.stopped = a.index == 1;
    });
    r.onApply(10, [&](ProfileApplication&) { order.push_back("lists"); });
    ProfileApplication a;
    a.index = 0;
    r.apply(a);
    EXPECT_EQ(order, (std::vector<std::string>{"lists", "link", "device", "palette"}));
    order.clear();
    a.index = 1;
    r.apply(a);
    EXPECT_EQ(order, (std::vector<std::string>{"lists", "link"}));
}

}  // namespace
}  // namespace corv::test
