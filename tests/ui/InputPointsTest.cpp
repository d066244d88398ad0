// The file dialogs' responder, the tray's clicks and a palette
// pick made in one step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <memory>
#include <thread>

#include "TestSkin.h"
#include "ui/ColorPaletteWidget.h"
#include "ui/FileDialog.h"
#include "ui/TrayIcon.h"

namespace corv::ui::test {
namespace {

class FileDialogTest : public ::testing::Test {
protected:
    void TearDown() override { setFileDialogResponder(nullptr); }
    void answer(std::optional<QString> chosen)
    {
        setFileDialogResponder([this, chosen](const FileDialogRequest& r) {
            seen = r;
            ++asked;
            return chosen;
        });
    }
    FileDialogRequest seen;
    int asked = 0;
};

TEST_F(FileDialogTest, TheResponderAnswersOpenAndSave)
{
    answer(QStringLiteral("/data/game.pro"));
    EXPECT_TRUE(hasFileDialogResponder());
    EXPECT_EQ(
        getOpenFileName(nullptr, QStringLiteral("Import"), QStringLiteral("/data"), QStringLiteral("Profile (*.pro)")),
        QStringLiteral("/data/game.pro"));
    EXPECT_EQ(seen.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(seen.title, QStringLiteral("Import"));
    EXPECT_EQ(seen.folder, QStringLiteral("/data"));
    EXPECT_EQ(seen.filter, QStringLiteral("Profile (*.pro)"));

    // A save without a suffix gets the default one; a name with its own suffix keeps it.
    answer(QStringLiteral("/data/backup"));
    EXPECT_EQ(getSaveFileName(nullptr, QStringLiteral("Export"), QString(), QString(), QStringLiteral("pro")),
              QStringLiteral("/data/backup.pro"));
    EXPECT_EQ(seen.kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(seen.defaultSuffix, QStringLiteral("pro"));
    answer(QStringLiteral("/data/backup.ini"));
    EXPECT_EQ(getSaveFileName(nullptr, QString(), QString(), QString(), QStringLiteral("pro")),
              QStringLiteral("/data/backup.ini"));
    answer(QStringLiteral("/data/backup"));
    EXPECT_EQ(getOpenFileName(nullptr, QString(), QString(), QString()), QStringLiteral("/data/backup"));
}

TEST_F(FileDialogTest, CancelGivesAnEmptyNameAndOtherThreadsAreRefused)
{
    answer(std::nullopt);
    EXPECT_TRUE(getOpenFileName(nullptr, QString(), QString(), QString()).isEmpty());
    EXPECT_TRUE(getSaveFileName(nullptr, QString(), QString(), QString(), QStringLiteral("pro")).isEmpty());
    EXPECT_EQ(asked, 2);
    answer(QStringLiteral("/x.pro"));
    QString got = QStringLiteral("unset");
    std::thread other([&] { got = getOpenFileName(nullptr, QString(), QString(), QString()); });
    other.join();
    EXPECT_TRUE(got.isEmpty());
    EXPECT_EQ(asked, 2);
}

TEST(TrayClickTest, LeftAndRightClicksAsTheDesktopReportsThem)
{
    TrayIcon::setAvailabilityOverride(true);
    TrayIcon tray;
    QMenu menu;
    menu.addAction(QStringLiteral("item"));
    int left = 0, context = 0;
    QObject::connect(&tray, &TrayIcon::leftClicked, [&] { ++left; });
    QObject::connect(&tray, &TrayIcon::contextMenuRequested, [&] { ++context; });
    tray.clickIcon(TrayIcon::Click::Left);  // not created yet: nothing
    EXPECT_EQ(left, 0);
    ASSERT_TRUE(tray.createTrayIcon(QString(), QStringLiteral("tip")));
    tray.setContextMenu(&menu);
    EXPECT_EQ(tray.contextMenu(), &menu);
    tray.clickIcon(TrayIcon::Click::Left);
    EXPECT_EQ(left, 1);
    EXPECT_FALSE(menu.isVisible());
    tray.clickIcon(TrayIcon::Click::Right);
    EXPECT_EQ(context, 1);
    EXPECT_TRUE(menu.isVisible());
    menu.close();
    TrayIcon::setAvailabilityOverride(std::nullopt);
}

TEST(PalettePickTest, AnExactPickSelectsAndNotifies)
{
    TestSkin skin;
    RecordingWindow window;
    ASSERT_TRUE(window.createWindow(nullptr, QStringLiteral("t")));
    auto* palette = qobject_cast<ColorPaletteWidget*>(window.findControl(QStringLiteral("palette")).widget());
    ASSERT_NE(palette, nullptr);
    for (const std::uint32_t colour : {0xFF00FF00u, 0xFF0199CBu, 0xFF123456u, 0xFFFFFFFFu}) {
        palette->pickColor(colour);
        EXPECT_EQ(palette->getSelectColor(), colour);
    }
    EXPECT_EQ(window.of(notify::kColorChanged).size(), 4);
}

}  // namespace
}  // namespace corv::ui::test
