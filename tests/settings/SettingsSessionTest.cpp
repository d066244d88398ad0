// The settings session: the order of a change (profile key, image, send), what each part
// leaves out, batched keys and sends, the stage keys by model, and that no send is handed over
// while the image's lock is held.
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../platform/TempFolder.h"
#include "device/DeviceChannel.h"
#include "device/DeviceProtocol.h"
#include "device/ModelFacts.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "settings/SettingsSession.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::test {
namespace {

class SettingsSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* h = ::getenv("HOME"))
            oldHome = h;
        ::setenv("HOME", home.path().c_str(), 1);
        sim::VirtualMouseConfig config;
        config.model = kModelR240;
        mouse = std::make_shared<sim::VirtualMouse>(clock, config);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, clock);
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        HidDeviceInfo& device = channel->device();
        device.nextIndex = 0;
        ASSERT_TRUE(device.enumerate());
        ASSERT_TRUE(device.findChannelDevice(channel->identity()));
        channel->setOpen(true);
        ASSERT_EQ(channel->getInfo(state.DeviceInfo), kResultOk);
        session = std::make_unique<SettingsSession>(*channel, state);
        session->select(0, "p");
        file = profilePath("p");
        mouse->frameLog().clear();
    }
    void TearDown() override
    {
        if (oldHome)
            ::setenv("HOME", oldHome->c_str(), 1);
        else
            ::unsetenv("HOME");
    }
    std::vector<ReportFrame> writes() const
    {
        std::vector<ReportFrame> out;
        for (const ReportFrame& f : mouse->frameLog().frames(FrameDirection::Request))
            if (f.command() == CMD_WRITE_SETTINGS)
                out.push_back(f);
        return out;
    }
    std::string key(const char* section, const char* name) const
    {
        return ini::readString(file, section, name, "missing");
    }

    TempFolder home;
    std::optional<std::string> oldHome;
    ManualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;
    DeviceState state;
    std::unique_ptr<SettingsSession> session;
    std::filesystem::path file;
};

TEST_F(SettingsSessionTest, AChangeReachesTheKeyTheImageAndTheActiveRecordAndEachPartCanBeLeftOut)
{
    state.CurrentSettings[0] = 2;  // the mouse uses record 2
    session->set(23, 3);
    EXPECT_EQ(key("Setting", "LED23"), "3");
    EXPECT_EQ(state.CurrentSettings[23], 3);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0].address(), 2 * 64 + 23);
    EXPECT_EQ(mouse->settingsRecord(2)[23], 3);

    // The report rate keeps the image; the indicator colour reaches the mouse only.
    session->set(14, 7, SettingsSession::Key | SettingsSession::Mouse);
    EXPECT_EQ(key("Setting", "LED14"), "7");
    EXPECT_NE(state.CurrentSettings[14], 7);
    session->set(11, 200, SettingsSession::Mouse);
    EXPECT_EQ(key("Setting", "LED11"), "missing");
    EXPECT_NE(state.CurrentSettings[11], 200);
    EXPECT_EQ(mouse->settingsRecord(2)[11], 200);

    // Without a selected profile nothing is written anywhere on disk; the mouse still gets it.
    session->deselect();
    EXPECT_TRUE(session->profilePath().empty());
    session->set(24, 1);
    EXPECT_EQ(key("Setting", "LED24"), "missing");
    EXPECT_EQ(mouse->settingsRecord(2)[24], 1);
}

TEST_F(SettingsSessionTest, SeveralBytesAreOneReplacementOfTheFileAndOneFrameForEachRun)
{
    session->set({{5, 1}, {6, 2}, {7, 3}, {9, 4}});
    EXPECT_EQ(key("Setting", "LED5"), "1");
    EXPECT_EQ(key("Setting", "LED9"), "4");
    const std::vector<ReportFrame> sent = writes();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].address(), 5);
    EXPECT_EQ(sent[0].length(), 3);
    EXPECT_EQ(sent[1].address(), 9);
    EXPECT_EQ(sent[1].length(), 1);
}

TEST_F(SettingsSessionTest, StagesGoToTheSectionOfTheModel)
{
    session->setStage(1, 80);
    EXPECT_EQ(key("3360", "LED16"), "80");
    EXPECT_EQ(key("Setting", "LED16"), "missing");
    EXPECT_EQ(state.CurrentSettings[16], 80);
    session->setStage(5, 1);  // no such stage
    EXPECT_EQ(writes().size(), 1u);
    // A model the program does not know: the section of the model the pages fall back to.
    state.DeviceInfo[kInfoModelId] = 0x01;
    state.DeviceInfo[kInfoModelId + 1] = 0x02;
    session->setStage(2, 9);
    EXPECT_EQ(key(std::string(modelOrFallback(0x0201).stageSection).c_str(), "LED17"), "9");
}

TEST_F(SettingsSessionTest, NoSendIsHandedOverWhileTheImageIsLocked)
{
    int handed = 0;
    session->setMouseSender([&](SettingsSession::MouseJob job) {
        // Another thread can take the lock now: the session does not hold it.
        auto other = std::async(std::launch::async, [this] {
            std::unique_lock<std::recursive_mutex> lock(channel->stateLock(), std::try_to_lock);
            return lock.owns_lock();
        });
        EXPECT_TRUE(other.get());
        ++handed;
        job(*channel);
    });
    session->set({{20, 2}, {21, 0}});
    session->setStage(0, 3);
    session->applyProfile(file);
    EXPECT_EQ(handed, 3);
    EXPECT_EQ(mouse->settingsRecord(0)[20], 2);
}

}  // namespace
}  // namespace corv::test
