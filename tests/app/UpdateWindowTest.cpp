// The firmware update launcher behind "menubtn", on virtual mice of each model and firmware
// version: which package starts, which message shows, and what a package that cannot be
// started says. A recording launcher stands in for the system's: no program is started.
#include <gtest/gtest.h>

#include <fstream>

#include "AppFixture.h"
#include "device/ModelFacts.h"
#include "ui/Notification.h"
#include "update/FirmwareUpdate.h"

namespace corv::test {
namespace {

struct LaunchRecord {
    bool available = true;
    bool accept = true;
    std::vector<std::filesystem::path> started;
};

class RecordingLauncher : public PackageLauncher {
public:
    explicit RecordingLauncher(LaunchRecord& record) : record_(record) { }
    bool available() const override { return record_.available; }
    bool start(const std::filesystem::path& package) override
    {
        record_.started.push_back(package);
        return record_.accept;
    }

private:
    LaunchRecord& record_;
};

class UpdateWindowTest : public ConnectedWindowTest {
protected:
    // Connects a mouse given as "MODEL:VERSION" and puts in the recording launcher.
    void connectMouse(const char* mouse)
    {
        connect(mouse);
        installLauncher();
    }
    void installLauncher()
    {
        auto* feature = harness->wnd().findFeature<FirmwareUpdate>();
        ASSERT_NE(feature, nullptr);
        feature->setLauncher(std::make_unique<RecordingLauncher>(launches));
    }
    // The update package of a model, in the resource folder.
    std::filesystem::path package(std::uint16_t model) const
    {
        return env.resources() / findModel(model)->firmwarePackage;
    }
    void shipPackages() const
    {
        for (const std::uint16_t model : {kModelR240, kModelR210})
            std::ofstream(package(model)) << "MZ";
    }
    void clickMenu()
    {
        shown.clear();
        launches.started.clear();
        notify(ui::notify::kClick, FirmwareUpdate::kMenuButton);
    }

    LaunchRecord launches;
};

TEST_F(UpdateWindowTest, R240BelowThePackageVersionStartsItsPackage)
{
    shipPackages();
    connectMouse("R240:0x0105");
    clickMenu();
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(launches.started.size(), 1u);
    EXPECT_EQ(launches.started[0], package(kModelR240));
}

TEST_F(UpdateWindowTest, R240AtThePackageVersionIsUpToDate)
{
    shipPackages();
    connectMouse("R240:0x0106");
    clickMenu();
    EXPECT_TRUE(launches.started.empty());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(FirmwareUpdate::kUpToDate)});
}

TEST_F(UpdateWindowTest, R210BelowThePackageVersionStartsItsPackage)
{
    shipPackages();
    connectMouse("R210:0x0200");
    clickMenu();
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(launches.started.size(), 1u);
    EXPECT_EQ(launches.started[0], package(kModelR210));
}

TEST_F(UpdateWindowTest, R210AtThePackageVersionIsUpToDate)
{
    shipPackages();
    connectMouse("R210:0x0201");
    clickMenu();
    EXPECT_TRUE(launches.started.empty());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(FirmwareUpdate::kUpToDate)});
}

TEST_F(UpdateWindowTest, WithoutAMouseTheUpdateIsByHand)
{
    shipPackages();
    harness = std::make_unique<MainWindowHarness>(MainWindow::Options::withoutWorkers(), "R240:0x0105", clock);
    ASSERT_TRUE(harness->wnd().createMainWindow());
    installLauncher();
    clickMenu();
    EXPECT_TRUE(launches.started.empty());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(FirmwareUpdate::kUpdateByHand)});
}

TEST_F(UpdateWindowTest, APackageThatCannotStartIsNamedInTheMessage)
{
    connectMouse("R210:0x0102");
    const QString name = QString::fromStdString(package(kModelR210).filename().string());

    // Not shipped.
    clickMenu();
    EXPECT_TRUE(launches.started.empty());
    EXPECT_EQ(shown, QStringList{FirmwareUpdate::missingMessage(name)});
    EXPECT_TRUE(shown.value(0).contains(name));

    // Shipped, but nothing here runs it.
    shipPackages();
    launches.available = false;
    clickMenu();
    EXPECT_TRUE(launches.started.empty());
    EXPECT_EQ(shown, QStringList{FirmwareUpdate::needsWindowsMessage(name)});
    EXPECT_TRUE(shown.value(0).contains(name));
    EXPECT_TRUE(shown.value(0).contains(QStringLiteral("Windows")));

    // The start is refused.
    launches.available = true;
    launches.accept = false;
    clickMenu();
    EXPECT_EQ(launches.started.size(), 1u);
    EXPECT_EQ(shown, QStringList{FirmwareUpdate::refusedMessage(name)});
}

}  // namespace
}  // namespace corv::test
