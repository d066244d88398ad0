// The message box: results per button, case of names, the layout's text, missing controls.
#include <gtest/gtest.h>

#include "TestSkin.h"
#include "ui/MessageBox.h"
#include "ui/ResourceManager.h"

namespace corv::ui::test {
namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void TearDown() override { setMessageBoxResponder(nullptr); }
    int answer(const QString& press, const QString& text = QStringLiteral("question?"))
    {
        setMessageBoxResponder([this, press](const MessageBoxRequest& r) {
            seen = r;
            return press;
        });
        return showMessageBox(nullptr, text);
    }
    TestSkin skin;
    MessageBoxRequest seen;
};

TEST_F(MessageBoxTest, OnlyTheConfirmButtonGivesOne)
{
    EXPECT_EQ(answer(QStringLiteral("confirm_btn")), 1);
    EXPECT_EQ(seen.shownText, QStringLiteral("question?"));
    EXPECT_EQ(answer(QStringLiteral("cancel_btn")), 0);
    EXPECT_EQ(answer(QStringLiteral("closebtn")), 0);
    EXPECT_EQ(answer(QStringLiteral("other_btn")), 0);  // does not close: counts as declined
    EXPECT_EQ(answer(QStringLiteral("no_such_button")), 0);
}

TEST_F(MessageBoxTest, ButtonNamesCompareWithoutCase)
{
    skin.write(QStringLiteral("msgbox.xml"), TestSkin::messageLayout(QStringLiteral("Confirm_BTN")));
    EXPECT_EQ(answer(QStringLiteral("Confirm_BTN")), 1);
}

TEST_F(MessageBoxTest, EmptyTextKeepsTheLayoutsText)
{
    EXPECT_EQ(answer(QStringLiteral("cancel_btn"), QString()), 0);
    EXPECT_EQ(seen.requestedText, QString());
    EXPECT_EQ(seen.shownText, QStringLiteral("Layout message"));
}

TEST_F(MessageBoxTest, MissingControlsAndLayout)
{
    skin.write(QStringLiteral("msgbox.xml"), TestSkin::messageLayout(QStringLiteral("yes_btn"), false));
    EXPECT_EQ(answer(QStringLiteral("yes_btn")), 0);  // no confirm button: every question declined
    EXPECT_FALSE(seen.hasMessageText);
    skin.write(QStringLiteral("msgbox.xml"), "not xml");
    EXPECT_EQ(answer(QStringLiteral("confirm_btn")), 0);
}

}  // namespace
}  // namespace corv::ui::test
