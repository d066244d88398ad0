// The script language: what each line becomes, values that run to the end of the line,
// quoting, comments, and mistakes reported with their line.
#include <gtest/gtest.h>

#include "script/ScriptParser.h"

namespace corv::test {
namespace {

std::vector<ScriptStep> parsed(const QString& text)
{
    ParsedScript p = parseScript(text);
    EXPECT_FALSE(p.error.has_value()) << (p.error ? p.error->line : 0) << ": "
                                      << (p.error ? p.error->message.toStdString() : std::string());
    return p.steps;
}

TEST(ScriptParserTest, EveryCommandWithItsArguments)
{
    const auto steps = parsed(QChar(0xFEFF) + QStringLiteral("# a comment line\r\n"
                                                             "click ms_macro_Op_tab\r\n"
                                                             "\n"
                                                             "   check ms_check on\n"
                                                             "select ms_combo 2\n"
                                                             "slide ms_DPI_slider -5\n"
                                                             "leave ms_edit\n"
                                                             "hover ms_key_3\n"
                                                             "unhover ms_key_3\n"
                                                             "color Pallet 0xff0199cb\n"
                                                             "menu lan\n"
                                                             "tray right\n"
                                                             "answer 1\n"
                                                             "file cancel\n"
                                                             "key up 0x41\n"
                                                             "wait 250\n"
                                                             "wait-connected\n"
                                                             "mouse calibration-fail\n"
                                                             "expect ms_tab_switch page 3\n"
                                                             "expect ms_check selected off\n"
                                                             "expect Pallet color 0xFF0199CB\n"
                                                             "expect ms_combo item-text:1 Office\n"
                                                             "expect ms_btn userdata file='bg1.png'\n"
                                                             "expect ms_combo userdata:0 Game\n"
                                                             "expect-file msProfile.ini PROFILENAME 0 新配置文件1\n"
                                                             "expect-title CORVALANTIS R210 Driver\n"
                                                             "expect-message 请连接可用USB设备\n"
                                                             "dump ms_combo\n"));
    ASSERT_EQ(steps.size(), 26u);
    EXPECT_EQ(steps[0].command, ScriptCommand::Click);
    EXPECT_EQ(steps[0].line, 2);
    EXPECT_EQ(steps[0].name, QStringLiteral("ms_macro_Op_tab"));
    EXPECT_EQ(steps[0].source, QStringLiteral("click ms_macro_Op_tab"));
    EXPECT_EQ(steps[1].line, 4);
    EXPECT_TRUE(steps[1].flag);
    EXPECT_EQ(steps[1].source, QStringLiteral("check ms_check on"));
    EXPECT_EQ(steps[2].number, 2);
    EXPECT_EQ(steps[3].number, -5);
    EXPECT_EQ(steps[5].command, ScriptCommand::Hover);
    EXPECT_EQ(steps[6].command, ScriptCommand::Unhover);
    EXPECT_EQ(steps[7].number, 0xFF0199CB);
    EXPECT_EQ(steps[8].name, QStringLiteral("lan"));
    EXPECT_FALSE(steps[9].flag);   // right
    EXPECT_TRUE(steps[10].flag);   // answer 1
    EXPECT_TRUE(steps[11].flag);   // file cancel
    EXPECT_FALSE(steps[12].flag);  // key up
    EXPECT_EQ(steps[12].number, 0x41);
    EXPECT_EQ(steps[13].number, 250);
    EXPECT_EQ(steps[14].command, ScriptCommand::WaitConnected);
    EXPECT_EQ(steps[15].mouse, MouseAction::CalibrationFail);
    EXPECT_EQ(steps[16].property, ScriptProperty::Page);
    EXPECT_EQ(steps[16].number, 3);
    EXPECT_EQ(steps[17].property, ScriptProperty::Selected);
    EXPECT_FALSE(steps[17].flag);
    EXPECT_EQ(steps[18].number, 0xFF0199CB);
    EXPECT_EQ(steps[19].property, ScriptProperty::ItemText);
    EXPECT_EQ(steps[19].item, 1);
    EXPECT_EQ(steps[19].text, QStringLiteral("Office"));
    EXPECT_EQ(steps[20].item, -1);  // the control's own user data
    EXPECT_EQ(steps[20].text, QStringLiteral("file='bg1.png'"));
    EXPECT_EQ(steps[21].item, 0);
    EXPECT_EQ(steps[22].name, QStringLiteral("msProfile.ini"));
    EXPECT_EQ(steps[22].section, QStringLiteral("PROFILENAME"));
    EXPECT_EQ(steps[22].key, QStringLiteral("0"));
    EXPECT_EQ(steps[22].text, QStringLiteral("新配置文件1"));
    EXPECT_EQ(steps[23].text, QStringLiteral("CORVALANTIS R210 Driver"));
    EXPECT_EQ(steps[24].text, QStringLiteral("请连接可用USB设备"));
    EXPECT_EQ(steps[25].command, ScriptCommand::Dump);
}

TEST(ScriptParserTest, ValuesToTheEndOfTheLineKeepBlanksAndHashesAndMayBeQuoted)
{
    const auto steps = parsed(QStringLiteral("type ms_edit  a # b  \n"  // inner blanks and # kept, outer blanks dropped
                                             "type ms_edit \"\"\n"      // the empty text
                                             "type ms_edit \"  two \\\"q\\\" \"\n"
                                             "type ms_edit\n"  // no text at all: empty too
                                             "expect ms_label text DPI 设置\n"
                                             "file /tmp/a profile.pro\n"
                                             "expect ms_combo count 2 # a comment after a single-word value\n"
                                             "click \"name with blanks\" # a comment\n"
                                             "expect-file \"my file.ini\" \"A B\" k v w\n"));
    ASSERT_EQ(steps.size(), 9u);
    EXPECT_EQ(steps[0].text, QStringLiteral("a # b"));
    EXPECT_EQ(steps[1].text, QString());
    EXPECT_EQ(steps[2].text, QStringLiteral("  two \"q\" "));
    EXPECT_EQ(steps[3].text, QString());
    EXPECT_EQ(steps[4].text, QStringLiteral("DPI 设置"));
    EXPECT_FALSE(steps[5].flag);
    EXPECT_EQ(steps[5].text, QStringLiteral("/tmp/a profile.pro"));
    EXPECT_EQ(steps[6].number, 2);
    EXPECT_EQ(steps[7].name, QStringLiteral("name with blanks"));
    EXPECT_EQ(steps[8].name, QStringLiteral("my file.ini"));
    EXPECT_EQ(steps[8].section, QStringLiteral("A B"));
    EXPECT_EQ(steps[8].text, QStringLiteral("v w"));
}

TEST(ScriptParserTest, MistakesNameTheirLineAndLeaveNoSteps)
{
    struct Case {
        const char* script;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"click a\nclik b\n", 2, "unknown command \"clik\""},
        {"# c\n\nclick\n", 3, "needs 1 argument"},
        {"click a b\n", 1, "too many arguments"},
        {"check a maybe\n", 1, "on or off"},
        {"select a first\n", 1, "whole number"},
        {"slide a 1.5\n", 1, "whole number"},
        {"color a red\n", 1, "0xAARRGGBB"},
        {"color a 0x123456789\n", 1, "0xAARRGGBB"},
        {"tray middle\n", 1, "left or right"},
        {"answer yes\n", 1, "1 (confirm) or 0"},
        {"file\n", 1, "path or cancel"},
        {"key press 65\n", 1, "down or up"},
        {"key down 0\n", 1, "1 to 254"},
        {"key down 0xFF\n", 1, "1 to 254"},
        {"key down A\n", 1, "1 to 254"},
        {"wait -1\n", 1, "back in time"},
        {"wait soon\n", 1, "whole number"},
        {"mouse sneeze\n", 1, "unknown mouse action"},
        {"wait-connected now\n", 1, "too many arguments"},
        {"wait-disconnected 5\n", 1, "too many arguments"},
        {"expect a colour red\n", 1, "unknown property \"colour\""},
        {"expect a item-text x\n", 1, "item-text:N"},
        {"expect a item-text:-1 x\n", 1, "0 or more"},
        {"expect a page:2 1\n", 1, "takes no item number"},
        {"expect a visible yes\n", 1, "on or off"},
        {"expect a count two\n", 1, "whole number"},
        {"expect a count 1 2\n", 1, "too many arguments"},
        {"expect a bkcolor 12\n", 1, "0xAARRGGBB"},
        {"expect a\n", 1, "needs 3 argument"},
        {"expect-file a b\n", 1, "needs 4 argument"},
        {"expect-mouse memory 0 1\n", 1, "settings, buttons or colors"},
        {"expect-mouse settings -1 1\n", 1, "cannot be negative"},
        {"expect-mouse settings 4\n", 1, "needs the bytes"},
        {"expect-mouse colors 0 1 256\n", 1, "0 to 255"},
        {"expect-mouse colors 0 0x10\n", 1, "whole number"},
        {"click \"open\n", 1, "not closed"},
        {"click \"a\"b\n", 1, "end at a blank"},
    };
    for (const Case& c : cases) {
        const ParsedScript p = parseScript(QString::fromUtf8(c.script));
        ASSERT_TRUE(p.error.has_value()) << c.script;
        EXPECT_EQ(p.error->line, c.line) << c.script;
        EXPECT_TRUE(p.error->message.contains(QString::fromUtf8(c.says)))
            << c.script << " -> " << p.error->message.toStdString();
        EXPECT_TRUE(p.steps.empty()) << c.script;
    }
}

TEST(ScriptParserTest, NamesAndColoursAreWrittenBackAsInScripts)
{
    for (const char* word : {"click",
                             "check",
                             "select",
                             "slide",
                             "type",
                             "leave",
                             "hover",
                             "unhover",
                             "color",
                             "menu",
                             "tray",
                             "answer",
                             "file",
                             "key",
                             "wait",
                             "wait-connected",
                             "wait-disconnected",
                             "mouse",
                             "expect",
                             "expect-file",
                             "expect-title",
                             "expect-message",
                             "expect-mouse",
                             "dump"}) {
        // A line with the command alone either parses or complains about its arguments, never
        // about an unknown command: the table and the names agree.
        const ParsedScript p = parseScript(QString::fromLatin1(word));
        if (p.error) {
            EXPECT_FALSE(p.error->message.contains(QStringLiteral("unknown command"))) << word;
        }
    }
    EXPECT_EQ(commandName(ScriptCommand::ExpectFile), QStringLiteral("expect-file"));
    EXPECT_EQ(commandName(ScriptCommand::ExpectMouse), QStringLiteral("expect-mouse"));
    EXPECT_EQ(propertyName(ScriptProperty::ItemText), QStringLiteral("item-text"));
    EXPECT_EQ(colourText(0xFF0199CB), QStringLiteral("0xFF0199CB"));
    EXPECT_EQ(colourText(0x1), QStringLiteral("0x00000001"));
}

TEST(ScriptParserTest, WaitUntilTakesAnOptionalTimeAfterItsValue)
{
    const auto steps = parsed(QStringLiteral("wait-until ms_tab_switch page 5\n"
                                             "wait-until ms_tab_switch page 5 10000\n"
                                             "wait-until t text 1000 Hz\n"
                                             "wait-until t text 1000 Hz 250\n"
                                             "wait-until t text \"Stage 2\"\n"
                                             "wait-until t text 1100\n"
                                             "wait-until t text \"Stage 2\" 300\n"));
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[0].number, 5);
    EXPECT_EQ(steps[0].timeoutMs, 5000);
    EXPECT_EQ(steps[1].number, 5);
    EXPECT_EQ(steps[1].timeoutMs, 10000);
    EXPECT_EQ(steps[2].text, QStringLiteral("1000 Hz"));
    EXPECT_EQ(steps[3].text, QStringLiteral("1000 Hz"));
    EXPECT_EQ(steps[3].timeoutMs, 250);
    EXPECT_EQ(steps[4].text, QStringLiteral("Stage 2"));  // quoted: the number is part of the value
    EXPECT_EQ(steps[4].timeoutMs, 5000);
    EXPECT_EQ(steps[5].text, QStringLiteral("1100"));  // one word is the value, never a time
    EXPECT_EQ(steps[6].text, QStringLiteral("Stage 2"));
    EXPECT_EQ(steps[6].timeoutMs, 300);
    const ParsedScript bad = parseScript(QStringLiteral("wait-until t page five 100\n"));
    ASSERT_TRUE(bad.error.has_value());
    EXPECT_EQ(bad.error->line, 1);
}

}  // namespace
}  // namespace corv::test
