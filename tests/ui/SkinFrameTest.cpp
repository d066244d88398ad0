// The skin frame and the skin observer: where the frame opens, what its buttons broadcast
// and to whom, receivers that go away, and the frame closing when it loses the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <vector>

#include "TestSkin.h"
#include "ui/ObserverImpl.h"
#include "ui/SkinFrame.h"

namespace corv::ui::test {
namespace {

QByteArray frameLayout()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="skinroot">
  <property name="geometry"><rect><x>0</x><y>0</y><width>200</width><height>100</height></rect></property>
  <widget class="QPushButton" name="skin_image"/>
  <widget class="QPushButton" name="skin_color"/>
  <widget class="QStackedWidget" name="skin_tab">
   <widget class="QWidget" name="page_image">
    <widget class="QPushButton" name="skin_image_btn">
     <property name="userdata" stdset="0"><string>file='bg2.png'</string></property>
    </widget>
   </widget>
   <widget class="QWidget" name="page_color">
    <widget class="QPushButton" name="Skin_Color_Btn">
     <property name="bkcolor" stdset="0"><string>0xFF0E2230</string></property>
    </widget>
   </widget>
  </widget>
 </widget>
</ui>
)";
}

struct Recorder : SkinReceiver {
    std::vector<SkinChangedParam>* log = nullptr;
    int id = 0;
    std::vector<int>* order = nullptr;
    int receive(SkinChangedParam param) override
    {
        if (log != nullptr)
            log->push_back(param);
        if (order != nullptr)
            order->push_back(id);
        return 1;
    }
};

class SkinFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        skin.write(QStringLiteral("skin.xml"), frameLayout());
        owner.setGeometry(100, 100, 400, 300);
        button = new QWidget(&owner);
        button->setGeometry(300, 8, 28, 28);
        owner.show();
    }
    // Clicks a control of the frame by name, as the toolkit reports it.
    static void click(SkinFrame* frame, const char* name)
    {
        QWidget* w = frame->findControl(QLatin1String(name)).widget();
        ASSERT_NE(w, nullptr) << name;
        Notification msg;
        msg.type = notify::kClick;
        msg.sender = w;
        msg.senderName = w->objectName();
        frame->notify(msg);
    }

    TestSkin skin;
    QWidget owner;
    QWidget* button = nullptr;
};

TEST_F(SkinFrameTest, OpensUnderTheButtonRightAlignedAndBroadcastsEachChoiceInOrder)
{
    std::vector<SkinChangedParam> got;
    std::vector<int> order;
    Recorder first, second;
    first.log = &got;
    first.order = second.order = &order;
    first.id = 1;
    second.id = 2;
    skinObserver().addReceiver(&first);
    skinObserver().addReceiver(&second);

    QPointer<SkinFrame> frame = SkinFrame::open(&owner, button);
    ASSERT_FALSE(frame.isNull());
    const QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
    EXPECT_EQ(frame->geometry().right() + 1, corner.x());
    EXPECT_EQ(frame->geometry().top(), corner.y());
    EXPECT_EQ(frame->width(), 200);

    click(frame, "skin_color");
    EXPECT_EQ(frame->findControl(QStringLiteral("skin_tab")).widget()->property("currentIndex").toInt(), 1);
    click(frame, "Skin_Color_Btn");  // names compare without case
    click(frame, "skin_image");
    EXPECT_EQ(frame->findControl(QStringLiteral("skin_tab")).widget()->property("currentIndex").toInt(), 0);
    click(frame, "skin_image_btn");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[0].colorChosen);
    EXPECT_EQ(got[0].color, 0xFF0E2230u);
    EXPECT_FALSE(got[1].colorChosen);
    EXPECT_EQ(got[1].bgimage, QStringLiteral("file='bg2.png'"));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2}));
    EXPECT_TRUE(frame->isVisible());  // a choice leaves the frame open
    frame->closeWindow(0);
    QTRY_VERIFY(frame.isNull());  // closed frames delete themselves
}

TEST_F(SkinFrameTest, AReceiverThatIsGoneIsNoLongerCalled)
{
    const std::size_t before = skinObserver().receiverCount();
    std::vector<SkinChangedParam> got;
    Recorder stays;
    stays.log = &got;
    {
        Recorder leaves;
        skinObserver().addReceiver(&leaves);
        skinObserver().addReceiver(&stays);
        EXPECT_EQ(skinObserver().receiverCount(), before + 2);
    }
    EXPECT_EQ(skinObserver().receiverCount(), before + 1);
    skinObserver().broadcast(SkinChangedParam{true, 0xFF000001u, QString()});
    EXPECT_EQ(got.size(), 1u);
}

TEST_F(SkinFrameTest, LosingTheFocusClosesTheFrame)
{
    owner.activateWindow();
    QPointer<SkinFrame> frame = SkinFrame::open(&owner, button);
    ASSERT_FALSE(frame.isNull());
    frame->activateWindow();
    QTRY_VERIFY(frame->isActiveWindow());
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(frame.isNull());
}

}  // namespace
}  // namespace corv::ui::test
