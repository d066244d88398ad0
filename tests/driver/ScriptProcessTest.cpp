// `corvalantis --script=FILE` as a process: its exit codes, the lines it prints, and the
// command line that asks for it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "app/AppMain.h"
#include "script/ScriptRunner.h"

namespace corv::test {
namespace {

struct Outcome {
    int code = -1;
    QString out;
};

// Runs the program offscreen with an empty home and its own runtime folder (so that neither
// the user's files nor another instance's lock take part).
class ScriptProcessTest : public ::testing::Test {
protected:
    Outcome runScript(const QByteArray& script, const QStringList& extraArgs = {QStringLiteral("--virtual-mouse=R210")})
    {
        const QString file = dir.path() + QStringLiteral("/test.script");
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(script);
        f.close();
        return runArgs(QStringList(extraArgs) << QStringLiteral("--script=") + file);
    }
    Outcome runArgs(const QStringList& args, const QStringList& extraEnv = {})
    {
        QDir().mkpath(dir.path() + QStringLiteral("/home"));
        QDir().mkpath(dir.path() + QStringLiteral("/run"));
        QFile::setPermissions(dir.path() + QStringLiteral("/run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path() + QStringLiteral("/home"));
        env.remove(QStringLiteral("XDG_CONFIG_HOME"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path() + QStringLiteral("/run"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const QString& pair : extraEnv)
            env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CORV_APP_EXECUTABLE), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        Outcome o;
        o.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        o.out = QString::fromUtf8(p.readAllStandardOutput());
        return o;
    }
    QTemporaryDir dir;
};

TEST_F(ScriptProcessTest, EveryExpectationHeldGivesZero)
{
    const Outcome o = runScript("# the first run\n"
                                "expect-title CORVALANTIS R210 Driver\n"
                                "expect-file msProfile.ini PROFILECOUNT count 1\n");
    EXPECT_EQ(o.code, kScriptPassed) << o.out.toStdString();
    EXPECT_TRUE(o.out.contains(QStringLiteral("[2] expect-title CORVALANTIS R210 Driver: ok\n")));
    EXPECT_TRUE(o.out.endsWith(QStringLiteral("end: 2 steps done, every expectation held\n")));
}

TEST_F(ScriptProcessTest, FailuresAreAllReportedAndGiveOne)
{
    const Outcome o = runScript("expect-title Something else\n"
                                "expect ms_tab_switch page 4\n"
                                "expect ms_tab_switch count 8\n");
    EXPECT_EQ(o.code, kScriptFailed);
    EXPECT_TRUE(o.out.contains(QStringLiteral("[1] expect-title Something else: FAILED")));
    EXPECT_TRUE(o.out.contains(QStringLiteral("[2] expect ms_tab_switch page 4: FAILED: is 0")));
    EXPECT_TRUE(o.out.contains(QStringLiteral("[3] expect ms_tab_switch count 8: ok")));
    EXPECT_TRUE(o.out.contains(QStringLiteral("end: 3 steps done, 2 failed")));
}

TEST_F(ScriptProcessTest, ScriptErrorsGiveTwoWithTheirLine)
{
    Outcome o = runScript("expect-title CORVALANTIS R210 Driver\n\nclik ms_deng_Op_tab\n");
    EXPECT_EQ(o.code, kScriptError);
    EXPECT_TRUE(o.out.contains(QStringLiteral("script error at line 3: unknown command \"clik\"")))
        << o.out.toStdString();
    EXPECT_FALSE(o.out.contains(QStringLiteral("[1]")));  // nothing ran

    o = runScript("expect-title CORVALANTIS R210 Driver\nclick no_such_control\nexpect-title x\n");
    EXPECT_EQ(o.code, kScriptError);
    EXPECT_TRUE(o.out.contains(
        QStringLiteral("[2] click no_such_control: script error: no control named \"no_such_control\"")));
    EXPECT_FALSE(o.out.contains(QStringLiteral("[3]")));

    o = runScript("expect-title CORVALANTIS R210 Driver\nmouse dpi-button\n", {});
    EXPECT_EQ(o.code, kScriptError);
    EXPECT_TRUE(
        o.out.contains(QStringLiteral("[2] mouse dpi-button: script error: mouse commands need the virtual mouse")));

    o = runArgs({QStringLiteral("--script=") + dir.path() + QStringLiteral("/missing.script")});
    EXPECT_EQ(o.code, kScriptError);
    EXPECT_TRUE(o.out.contains(QStringLiteral("script error: cannot read the script")));
}

TEST_F(ScriptProcessTest, QuittingBeforeTheEndIsAFailure)
{
    Outcome o = runScript("menu exit\nexpect-title CORVALANTIS R210 Driver\n");
    EXPECT_EQ(o.code, kScriptFailed);
    EXPECT_TRUE(o.out.contains(QStringLiteral("end: the program quit after line 1; 1 step(s) were not run")))
        << o.out.toStdString();
    // As the last step, quitting is what the script asked for.
    o = runScript("expect-title CORVALANTIS R210 Driver\nmenu exit\n");
    EXPECT_EQ(o.code, kScriptPassed) << o.out.toStdString();
}

TEST(ScriptArgumentsTest, TheScriptOptionIsTakenAndChecked)
{
    AppOptions o;
    std::string error;
    EXPECT_TRUE(parseAppArguments({"--virtual-mouse=R240", "--script=/tmp/a.script", "--frame-log=/tmp/f"}, o, &error));
    EXPECT_EQ(o.script, "/tmp/a.script");
    AppOptions bad;
    EXPECT_FALSE(parseAppArguments({"--script="}, bad, &error));
    EXPECT_FALSE(parseAppArguments({"--script=a", "--screenshots=/tmp/s"}, bad, &error));
    EXPECT_NE(error.find("cannot be combined"), std::string::npos);
    EXPECT_TRUE(appUsage().contains(QStringLiteral("--script=FILE")));
}

// A screen at 200 %: the window follows the scale and is drawn at twice its pixels (with the
// skin's @2x images, which SkinTest checks are there).
TEST_F(ScriptProcessTest, AtScaleFactorTwoTheWindowIsDrawnAtTwiceItsPixels)
{
    const QString shots = dir.path() + QStringLiteral("/shots");
    const Outcome o = runArgs({QStringLiteral("--virtual-mouse=R240"), QStringLiteral("--screenshots=") + shots},
                              {QStringLiteral("QT_SCALE_FACTOR=2")});
    ASSERT_EQ(o.code, 0) << o.out.toStdString();
    const QImage page(shots + QStringLiteral("/ms_tab_switch_0_cn.png"));
    ASSERT_FALSE(page.isNull()) << o.out.toStdString();
    EXPECT_EQ(page.size(), QSize(1600, 1144));
}

}  // namespace
}  // namespace corv::test
