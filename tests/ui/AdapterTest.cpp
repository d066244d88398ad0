// Notifications and control semantics of the toolkit layer.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

#include "TestSkin.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"
#include "ui/NotifyAdapter.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"
#include "ui/TabLayoutControl.h"
#include "ui/UiThread.h"

namespace corv::ui::test {
namespace {

class AdapterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window.createWindow(nullptr, QStringLiteral("t"))); }
    TestSkin skin;
    RecordingWindow window;
};

TEST_F(AdapterTest, ComboAddingSelectsNothingAndCodeSelectionNotifiesOnlyOnChange)
{
    ComboControl combo(window.findControl(QStringLiteral("combo")));
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo.addItem(QStringLiteral("A"), QStringLiteral("a"), 30), 0);
    EXPECT_EQ(combo.addItem(QStringLiteral("B"), QStringLiteral("b"), 30), 1);
    EXPECT_EQ(combo.addItem(QStringLiteral("C"), QStringLiteral("c")), 2);
    EXPECT_EQ(combo.getCurSel(), -1);
    EXPECT_EQ(combo.getItemUserData(1), QStringLiteral("b"));
    EXPECT_EQ(combo.getItemHeight(0), 30);
    EXPECT_TRUE(window.of(notify::kItemSelect).isEmpty());

    EXPECT_TRUE(combo.selectItem(1));
    EXPECT_TRUE(combo.selectItem(1));  // unchanged: no second notification
    EXPECT_EQ(window.of(notify::kItemSelect), QStringList{QStringLiteral("combo:1")});

    EXPECT_TRUE(combo.selectItem(-1));  // only clears
    EXPECT_EQ(combo.getCurSel(), -1);
    EXPECT_EQ(window.of(notify::kItemSelect).size(), 1);
    EXPECT_FALSE(combo.selectItem(3));
    EXPECT_FALSE(combo.selectItem(-2));

    // Clearing and selecting the same item again notifies again.
    EXPECT_TRUE(combo.selectItem(1));
    EXPECT_EQ(window.of(notify::kItemSelect).size(), 2);

    // Inserting before the selection and removing other items keep the same item selected, silently.
    EXPECT_TRUE(combo.insertItem(0, QStringLiteral("Z"), QStringLiteral("z")));
    EXPECT_EQ(combo.getCurSel(), 2);
    EXPECT_TRUE(combo.removeAt(0));
    EXPECT_EQ(combo.getCurSel(), 1);
    EXPECT_EQ(combo.getItemText(1), QStringLiteral("B"));
    // Removing the selected item leaves no selection, silently.
    EXPECT_TRUE(combo.removeAt(1));
    EXPECT_EQ(combo.getCurSel(), -1);
    EXPECT_EQ(window.of(notify::kItemSelect).size(), 2);

    // A user's choice notifies like a code selection.
    auto* box = qobject_cast<QComboBox*>(combo.widget());
    box->setCurrentIndex(1);
    EXPECT_EQ(window.of(notify::kItemSelect).last(), QStringLiteral("combo:1"));

    combo.removeAll();
    EXPECT_EQ(combo.getCount(), 0);
    EXPECT_EQ(combo.addItem(QStringLiteral("only"), QStringLiteral("only")), 0);
    EXPECT_EQ(combo.getCurSel(), -1);
}

TEST_F(AdapterTest, OptionsSelectWithAndWithoutNotificationAndKeepGroups)
{
    OptionControl a(window.findControl(QStringLiteral("opt_a")));
    OptionControl b(window.findControl(QStringLiteral("opt_b")));
    OptionControl check(window.findControl(QStringLiteral("check_a")));
    ASSERT_TRUE(a && b && check);

    a.setSelected(true, false);
    EXPECT_TRUE(a.isSelected());
    EXPECT_TRUE(window.of(notify::kSelectChanged).isEmpty());

    b.setSelected(true, true);
    EXPECT_TRUE(b.isSelected());
    EXPECT_FALSE(a.isSelected());  // its group partner, deselected silently
    EXPECT_EQ(window.of(notify::kSelectChanged), QStringList{QStringLiteral("opt_b:1")});
    b.setSelected(true, true);  // no change, no notification
    EXPECT_EQ(window.of(notify::kSelectChanged).size(), 1);

    // A user's click: "click" first, then the selection.
    window.received.clear();
    qobject_cast<QAbstractButton*>(a.widget())->click();
    ASSERT_EQ(window.received.size(), 2u);
    EXPECT_EQ(window.received[0].type, notify::kClick);
    EXPECT_EQ(window.received[1].type, notify::kSelectChanged);
    EXPECT_TRUE(a.isSelected());
    EXPECT_FALSE(b.isSelected());
    // Clicking the selected option of a group keeps it selected and raises only "click".
    window.received.clear();
    qobject_cast<QAbstractButton*>(a.widget())->click();
    EXPECT_TRUE(a.isSelected());
    EXPECT_EQ(window.of(notify::kClick).size(), 1);
    EXPECT_TRUE(window.of(notify::kSelectChanged).isEmpty());
    // Deselecting a grouped option from code works and raises nothing.
    a.setSelected(false, true);
    EXPECT_FALSE(a.isSelected());
    EXPECT_TRUE(window.of(notify::kSelectChanged).isEmpty());

    // A check box toggles and reports both directions.
    window.received.clear();
    qobject_cast<QAbstractButton*>(check.widget())->click();
    qobject_cast<QAbstractButton*>(check.widget())->click();
    EXPECT_EQ(window.of(notify::kSelectChanged),
              (QStringList{QStringLiteral("check_a:1"), QStringLiteral("check_a:0")}));
    check.setCheck(true, false);
    EXPECT_TRUE(check.getCheck());
    EXPECT_EQ(window.of(notify::kSelectChanged).size(), 2);

    // Radio buttons are not exclusive by Qt's rule, only by our groups.
    OptionControl ra(window.findControl(QStringLiteral("radio_a")));
    OptionControl rb(window.findControl(QStringLiteral("radio_b")));
    ra.setSelected(true, false);
    rb.setSelected(true, false);
    EXPECT_TRUE(ra.isSelected() && rb.isSelected());
}

TEST_F(AdapterTest, SliderReportsOnlyTheUsersMoves)
{
    SliderControl slider(window.findControl(QStringLiteral("slider")));
    ASSERT_TRUE(slider);
    slider.setValue(40);
    slider.setMaxValue(30);  // clamps the value from code
    slider.setMinValue(5);
    EXPECT_EQ(slider.getValue(), 30);
    EXPECT_EQ(slider.getMaxValue(), 30);
    EXPECT_TRUE(window.of(notify::kValueChanged).isEmpty());

    auto* s = qobject_cast<QSlider*>(slider.widget());
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Left);
    EXPECT_EQ(window.of(notify::kValueChanged), QStringList{QStringLiteral("slider:29")});
    // A key at the end of the range changes nothing and reports nothing; the next code change stays silent.
    QTest::keyClick(s, Qt::Key_End);
    QTest::keyClick(s, Qt::Key_End);
    slider.setValue(10);
    EXPECT_EQ(window.of(notify::kValueChanged),
              (QStringList{QStringLiteral("slider:29"), QStringLiteral("slider:30")}));

    // A drag reports once, on release, with the final value.
    window.received.clear();
    s->setSliderDown(true);
    s->setSliderPosition(15);
    s->setSliderPosition(20);
    s->setSliderDown(false);
    EXPECT_EQ(window.of(notify::kValueChanged), QStringList{QStringLiteral("slider:20")});
}

TEST_F(AdapterTest, EditReportsTypingAndFocusLossButNotCodeText)
{
    Control edit = window.findControl(QStringLiteral("edit"));
    edit.setText(QStringLiteral("abc"));
    EXPECT_TRUE(window.of(notify::kTextChanged).isEmpty());
    window.show();
    QApplication::setActiveWindow(&window);
    auto* e = qobject_cast<QLineEdit*>(edit.widget());
    e->setFocus();
    QTest::keyClicks(e, QStringLiteral("12"));
    EXPECT_EQ(window.of(notify::kTextChanged).size(), 2);
    EXPECT_EQ(edit.getText(), QStringLiteral("abc12"));
    window.findControl(QStringLiteral("edit2")).widget()->setFocus();
    EXPECT_EQ(window.of(notify::kKillFocus), QStringList{QStringLiteral("edit:0")});
}

TEST_F(AdapterTest, ListRowsCarryKindUserDataAndHeight)
{
    ListControl list(window.findControl(QStringLiteral("list")));
    ASSERT_TRUE(list);
    EXPECT_EQ(list.addActionRow(true, QStringLiteral("A"), QStringLiteral("1,4,202,1,A")), 0);
    EXPECT_EQ(list.addTextRow(QStringLiteral("120 MS"), QStringLiteral("0,12,0,1,A")), 1);
    EXPECT_TRUE(list.insertActionRow(2, false, QStringLiteral("A"), QStringLiteral("1,4,138,0,A")));
    EXPECT_FALSE(list.insertTextRow(9, QStringLiteral("x"), QString()));
    EXPECT_EQ(list.getCount(), 3);
    EXPECT_EQ(list.getRowKind(0), ListControl::RowKind::Action);
    EXPECT_EQ(list.getRowName(0), QStringLiteral("macro_action"));
    EXPECT_TRUE(list.isActionDown(0));
    EXPECT_FALSE(list.isActionDown(2));
    EXPECT_EQ(list.getRowKind(1), ListControl::RowKind::Text);
    EXPECT_EQ(list.getItemText(1), QStringLiteral("120 MS"));
    EXPECT_EQ(list.getItemUserData(2), QStringLiteral("1,4,138,0,A"));
    EXPECT_EQ(list.getItemHeight(1), 25);
    EXPECT_EQ(list.getCurSel(), -1);
    EXPECT_TRUE(window.of(notify::kItemSelect).isEmpty());

    EXPECT_TRUE(list.selectItem(1));
    EXPECT_EQ(window.of(notify::kItemSelect), QStringList{QStringLiteral("list:1")});
    // Inserting before the selection keeps the same row selected, silently.
    EXPECT_TRUE(list.insertTextRow(0, QStringLiteral("0 MS"), QStringLiteral("0,0,0,0,")));
    EXPECT_EQ(list.getCurSel(), 2);
    EXPECT_TRUE(list.removeAt(2));
    EXPECT_EQ(list.getCurSel(), -1);
    EXPECT_EQ(window.of(notify::kItemSelect).size(), 1);
    list.removeAll();
    EXPECT_EQ(list.getCount(), 0);
    EXPECT_EQ(list.getRowKind(0), ListControl::RowKind::None);
}

TEST_F(AdapterTest, TabLayoutSwitchesPagesByIndex)
{
    TabLayoutControl tabs(window.findControl(QStringLiteral("tabs")));
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs.getCount(), 3);
    EXPECT_TRUE(tabs.selectItem(2));
    EXPECT_EQ(tabs.getCurSel(), 2);
    EXPECT_FALSE(tabs.selectItem(3));
    EXPECT_EQ(tabs.getCurSel(), 2);
}

TEST_F(AdapterTest, ImagesColoursAndUserData)
{
    Control label = window.findControl(QStringLiteral("label"));
    label.setBkImage(QStringLiteral("file='ms/du1.png'"));
    EXPECT_EQ(label.getBkImage(), QStringLiteral("file='ms/du1.png'"));
    EXPECT_TRUE(label.widget()->styleSheet().contains(skin.folder() + QStringLiteral("/ms/du1.png")));
    label.setBkImage(QString());
    EXPECT_FALSE(label.widget()->styleSheet().contains(QStringLiteral("du1.png")));
    // A name that leaves the skin folder is refused.
    label.setBkImage(QStringLiteral("file='../../etc/x.png'"));
    EXPECT_FALSE(label.widget()->styleSheet().contains(QStringLiteral("x.png")));
    label.setBkImage(QStringLiteral("file='/etc/x.png'"));
    EXPECT_FALSE(label.widget()->styleSheet().contains(QStringLiteral("x.png")));

    label.setBkColor(0xFF0199CB);
    EXPECT_EQ(label.getBkColor(), 0xFF0199CBu);
    EXPECT_TRUE(label.widget()->styleSheet().contains(QStringLiteral("rgba(1, 153, 203, 255)")));

    label.setUserData(QStringLiteral("data"));
    EXPECT_EQ(label.getUserData(), QStringLiteral("data"));
    EXPECT_EQ(window.findControl(QStringLiteral("skin_image_btn")).getUserData(), QStringLiteral("file='bg1.png'"));

    // Missing controls and wrong kinds give null handles whose operations do nothing.
    Control missing = window.findControl(QStringLiteral("no_such_control"));
    EXPECT_FALSE(missing);
    missing.setText(QStringLiteral("x"));
    EXPECT_EQ(missing.getText(), QString());
    EXPECT_FALSE(ComboControl(window.findControl(QStringLiteral("label"))));
    EXPECT_FALSE(ComboControl(missing).selectItem(0));
}

TEST_F(AdapterTest, HoverOverButtonsRaisesEnterAndLeave)
{
    QWidget* button = window.findControl(QStringLiteral("plain_btn")).widget();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(window.of(notify::kMouseEnter), QStringList{QStringLiteral("plain_btn:0")});
    EXPECT_EQ(window.of(notify::kMouseLeave), QStringList{QStringLiteral("plain_btn:0")});
}

TEST_F(AdapterTest, WindowInitArrivesOnceAfterTheFirstShow)
{
    EXPECT_TRUE(window.of(notify::kWindowInit).isEmpty());
    window.show();
    QApplication::processEvents();
    window.hide();
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.of(notify::kWindowInit).size(), 1);
    EXPECT_TRUE(window.windowInitSent());
}

TEST_F(AdapterTest, CaptionCloseButtonClosesByDefault)
{
    window.show();
    qobject_cast<QAbstractButton*>(window.findControl(QStringLiteral("closebtn")).widget())->click();
    EXPECT_TRUE(window.wasClosed());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AdapterTest, ControlsRefuseUseFromAnotherThread)
{
    Control label = window.findControl(QStringLiteral("label"));
    std::thread worker([&] {
        label.setText(QStringLiteral("from worker"));
        EXPECT_FALSE(window.findControl(QStringLiteral("label")));
    });
    worker.join();
    EXPECT_EQ(label.getText(), QStringLiteral("Layout text"));
}

TEST(UiThreadCallTest, RunsOnTheUiThreadAndWaitsAndStopsAtShutdown)
{
    resetUiThreadCall();
    EXPECT_TRUE(onUiThread());
    int runs = 0;
    EXPECT_TRUE(sendToUiThread([&] { ++runs; }));  // on the UI thread: at once
    EXPECT_EQ(runs, 1);

    std::atomic<bool> ranOnUi{false};
    std::atomic<bool> result{false};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = sendToUiThread([&] { ranOnUi = onUiThread(); });
        finished = true;
    });
    while (!finished)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_TRUE(result.load());
    EXPECT_TRUE(ranOnUi.load());

    // A worker waiting when the call is shut down returns false without running.
    std::atomic<bool> ran{false};
    std::thread waiter([&] { result = sendToUiThread([&] { ran = true; }); });
    while (waitingUiThreadCalls() != 1)
        std::this_thread::yield();
    shutdownUiThreadCall();
    waiter.join();
    EXPECT_FALSE(result.load());
    QApplication::processEvents();
    EXPECT_FALSE(ran.load());
    EXPECT_FALSE(sendToUiThread([&] { ran = true; }));
    EXPECT_FALSE(ran.load());
    resetUiThreadCall();
}

TEST(UiThreadCallTest, APostRunsLaterOnTheUiThreadAndIsDroppedWithItsContext)
{
    auto kept = std::make_unique<QObject>();
    auto gone = std::make_unique<QObject>();
    std::atomic<int> keptRuns{0};
    std::atomic<bool> keptOnUi{false};
    std::atomic<int> goneRuns{0};
    std::thread worker([&] {
        postToUiThread(kept.get(), [&] {
            keptOnUi = onUiThread();
            ++keptRuns;
        });
        postToUiThread(gone.get(), [&] { ++goneRuns; });
    });
    worker.join();
    // Nothing ran on the worker, nor before the UI thread turned its loop.
    EXPECT_EQ(keptRuns.load(), 0);
    gone.reset();
    QObject marker;
    bool markerRan = false;
    postToUiThread(&marker, [&] { markerRan = true; });  // posted last: runs last
    while (!markerRan)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(keptRuns.load(), 1);
    EXPECT_TRUE(keptOnUi.load());
    EXPECT_EQ(goneRuns.load(), 0);
}

}  // namespace
}  // namespace corv::ui::test
