// The desktop settings run against a scratch home: HOME and XDG_CONFIG_HOME point into a
// temporary folder, DISPLAY is unset (no X display is ever opened), the session bus is a
// private one or none, and GSettings uses its in-memory backend. The user's own settings
// are never touched.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/DesktopBackends.h"
#include "platform/DesktopSettings.h"
#include "platform/FakeDesktopSettings.h"
#include "platform/IniFile.h"

namespace corv {
namespace {

using test::readBytes;
using test::ScopedEnv;
using test::TempFolder;
using test::writeBytes;

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";

// ---------------------------------------------------------------------------------------
// Values and the choice of methods

TEST(DesktopSettingsValues, SpeedMapsOntoTheUnitRangeWithTenAsTheDefault)
{
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(1), -1.0);
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(10), 0.0);
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(20), 1.0);
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(4), -6.0 / 9.0);
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(15), 0.5);
    // Outside 1..20 the ends hold.
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(0), -1.0);
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(-40), -1.0);
    EXPECT_DOUBLE_EQ(pointerSpeedToUnit(25), 1.0);
    // Every step of the scale is a faster pointer than the one before.
    for (int s = kPointerSpeedMin; s < kPointerSpeedMax; ++s)
        EXPECT_LT(pointerSpeedToUnit(s), pointerSpeedToUnit(s + 1)) << s;
}

TEST(DesktopSettingsValues, ScrollLinesAreClampedToOneAndAHundred)
{
    EXPECT_EQ(clampScrollLines(0), 1);
    EXPECT_EQ(clampScrollLines(-3), 1);
    EXPECT_EQ(clampScrollLines(1), 1);
    EXPECT_EQ(clampScrollLines(10), 10);
    EXPECT_EQ(clampScrollLines(100), 100);
    EXPECT_EQ(clampScrollLines(101), 100);
}

TEST(DesktopSettingsChoice, MethodsFollowTheSession)
{
    using P = PointerSpeedMethod;
    using S = ScrollLinesMethod;
    struct Case {
        const char* desktop;
        const char* session;
        const char* display;
        std::vector<P> speed;
        std::vector<S> scroll;
    };
    const Case cases[] = {
        {"GNOME", "wayland", ":0", {P::GSettings}, {}},
        {"ubuntu:GNOME", "x11", ":0", {P::GSettings, P::X11}, {}},
        {"gnome-flashback:GNOME", "", ":1", {P::GSettings, P::X11}, {}},
        {"KDE", "x11", ":0", {P::X11}, {S::KdeGlobals}},
        {"KDE", "wayland", ":1", {}, {S::KdeGlobals}},  // DISPLAY is Xwayland's
        {"kde", "", "", {}, {S::KdeGlobals}},
        {"XFCE", "x11", ":0", {P::X11}, {}},
        {"XFCE", "x11", "", {P::X11}, {}},  // tried, and reports the missing display
        {"", "", ":0", {P::X11}, {}},
        {"sway", "wayland", "", {P::GSettings}, {}},
        {"", "wayland", "", {P::GSettings}, {}},
        {"", "tty", "", {}, {}},
        {"", "", "", {}, {}},
    };
    for (const Case& c : cases) {
        const DesktopMethods methods = chooseDesktopMethods(c.desktop, c.session, c.display);
        EXPECT_EQ(methods.pointerSpeed, c.speed) << c.desktop << " / " << c.session << " / " << c.display;
        EXPECT_EQ(methods.scrollLines, c.scroll) << c.desktop << " / " << c.session << " / " << c.display;
    }
}

// ---------------------------------------------------------------------------------------
// The session's implementation

class DesktopSessionTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::filesystem::path config = dir / "config";
    std::filesystem::path kdeglobals = config / "kdeglobals";
    ScopedEnv home{"HOME", dir.path().string()};
    ScopedEnv configHome{"XDG_CONFIG_HOME", config.string()};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path().string()};
    ScopedEnv display{"DISPLAY", std::nullopt};
    ScopedEnv bus{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no-bus").string()};
    ScopedEnv gsettings{"GSETTINGS_BACKEND", "memory"};
    ScopedEnv debug{"CORV_DEBUG", std::nullopt};
    ScopedEnv desktop{"XDG_CURRENT_DESKTOP", std::nullopt};
    ScopedEnv session{"XDG_SESSION_TYPE", std::nullopt};

    static std::unique_ptr<DesktopSettings> make(const char* currentDesktop, const char* sessionType)
    {
        ::setenv("XDG_CURRENT_DESKTOP", currentDesktop, 1);
        ::setenv("XDG_SESSION_TYPE", sessionType, 1);
        return makeDesktopSettings();
    }
};

TEST_F(DesktopSessionTest, KdeScrollLinesChangeOnlyTheirLine)
{
    std::filesystem::create_directories(config);
    const std::string before = "[$Version]\n"
                               "update_info=filepicker.upd:filepicker-remove-old-previews-entry\n"
                               "\n"
                               "[General]\n"
                               "ColorScheme=BreezeDark\n"
                               "; a comment\n"
                               "\n"
                               "[KDE][ContextMenus]\n"
                               "WheelScrollLines=9\n"
                               "\n"
                               "[KDE]\n"
                               "LookAndFeelPackage=org.kde.breezedark.desktop\n"
                               "WheelScrollLines=3\n"
                               "SingleClick=false\n"
                               "\n"
                               "[WM]\n"
                               "activeBackground=49,54,59\n";
    writeBytes(kdeglobals, before);
    const auto settings = make("KDE", "wayland");

    EXPECT_TRUE(settings->setWheelScrollLines(7));
    std::string expected = before;
    expected.replace(expected.find("WheelScrollLines=3"), 18, "WheelScrollLines=7");
    EXPECT_EQ(readBytes(kdeglobals), expected);

    // Clamped at both ends.
    EXPECT_TRUE(settings->setWheelScrollLines(0));
    EXPECT_EQ(ini::readString(kdeglobals, "KDE", "WheelScrollLines", ""), "1");
    EXPECT_TRUE(settings->setWheelScrollLines(5000));
    EXPECT_EQ(ini::readString(kdeglobals, "KDE", "WheelScrollLines", ""), "100");
    EXPECT_EQ(ini::readString(kdeglobals, "KDE][ContextMenus", "WheelScrollLines", ""), "9");
}

TEST_F(DesktopSessionTest, KdeScrollLinesCreateAMissingFileAndFolder)
{
    ASSERT_FALSE(std::filesystem::exists(config));
    EXPECT_TRUE(make("KDE", "x11")->setWheelScrollLines(4));
    EXPECT_EQ(readBytes(kdeglobals), "[KDE]\nWheelScrollLines=4\n");

    // Without XDG_CONFIG_HOME the file is ~/.config/kdeglobals.
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(make("KDE", "x11")->setWheelScrollLines(6));
    EXPECT_EQ(readBytes(dir / ".config" / "kdeglobals"), "[KDE]\nWheelScrollLines=6\n");
}

TEST_F(DesktopSessionTest, KdeScrollLinesThatCannotBeWrittenReportFalse)
{
    // The configuration "folder" is a file: nothing can be written, and the file stays.
    writeBytes(config, "not a folder");
    EXPECT_FALSE(make("KDE", "x11")->setWheelScrollLines(4));
    EXPECT_EQ(readBytes(config), "not a folder");
}

TEST_F(DesktopSessionTest, KdeChangeIsAnnouncedOnTheSessionBus)
{
    GTestDBus* testBus = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(testBus);  // sets DBUS_SESSION_BUS_ADDRESS to the private bus
    const std::string address = g_test_dbus_get_bus_address(testBus);

    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GError* error = nullptr;
    GDBusConnection* listener = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_NE(listener, nullptr) << (error != nullptr ? error->message : "");

    struct Received {
        std::vector<std::string> signatures;
        std::vector<std::pair<gint32, gint32>> arguments;
    } received;
    const auto onSignal = [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                             GVariant* parameters, gpointer data) {
        auto* r = static_cast<Received*>(data);
        r->signatures.emplace_back(g_variant_get_type_string(parameters));
        if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ii)"))) {
            gint32 type = 0, arg = 0;
            g_variant_get(parameters, "(ii)", &type, &arg);
            r->arguments.emplace_back(type, arg);
        }
    };
    const guint subscription = g_dbus_connection_signal_subscribe(
        listener, nullptr, "org.kde.KGlobalSettings", "notifyChange", "/KGlobalSettings", nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, onSignal, &received, nullptr);
    // A round trip to the bus: our match rule is in place before anything is sent.
    GVariant* id =
        g_dbus_connection_call_sync(listener, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(id, nullptr);
    g_variant_unref(id);

    EXPECT_TRUE(make("KDE", "wayland")->setWheelScrollLines(8));
    EXPECT_EQ(ini::readString(kdeglobals, "KDE", "WheelScrollLines", ""), "8");

    // Wait for the signal; the deadline only keeps a lost signal from hanging the test.
    bool timedOut = false;
    GSource* deadline = g_timeout_source_new_seconds(30);
    g_source_set_callback(
        deadline,
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut, nullptr);
    g_source_attach(deadline, context);
    while (received.signatures.empty() && !timedOut)
        g_main_context_iteration(context, TRUE);
    g_source_destroy(deadline);
    g_source_unref(deadline);

    EXPECT_EQ(received.signatures, std::vector<std::string>{"(ii)"});
    EXPECT_EQ(received.arguments, (std::vector<std::pair<gint32, gint32>>{{3, 0}}));

    g_dbus_connection_signal_unsubscribe(listener, subscription);
    g_dbus_connection_close_sync(listener, nullptr, nullptr);
    g_object_unref(listener);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    g_test_dbus_down(testBus);
    g_object_unref(testBus);
}

TEST_F(DesktopSessionTest, KdeWithoutSessionBusStillWritesTheFile)
{
    ::setenv("CORV_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(make("KDE", "wayland")->setWheelScrollLines(2));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ini::readString(kdeglobals, "KDE", "WheelScrollLines", ""), "2");
    EXPECT_NE(log.find("session bus"), std::string::npos) << log;
    ::unsetenv("CORV_DEBUG");
    EXPECT_FALSE(desktop::kdeNotifyMouseSettingsChanged());
}

TEST_F(DesktopSessionTest, SettingsADesktopLacksChangeNothingAndSaySoOnlyWhenDebugging)
{
    const auto kdeOnWayland = make("KDE", "wayland");
    const auto gnome = make("GNOME", "wayland");
    const auto tty = make("", "tty");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(kdeOnWayland->setPointerSpeed(12));
    EXPECT_FALSE(gnome->setWheelScrollLines(3));
    EXPECT_FALSE(tty->setPointerSpeed(12));
    EXPECT_FALSE(tty->setWheelScrollLines(3));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ::setenv("CORV_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(gnome->setWheelScrollLines(3));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("scroll lines not changed"), std::string::npos) << log;

    EXPECT_FALSE(std::filesystem::exists(config)) << "nothing may be written";
}

TEST_F(DesktopSessionTest, X11WithoutDisplayChangesNothing)
{
    ASSERT_EQ(::getenv("DISPLAY"), nullptr);
    EXPECT_FALSE(desktop::x11SetPointerSpeed("", 15));
    const auto xfce = make("XFCE", "x11");
    EXPECT_FALSE(xfce->setPointerSpeed(15));
    EXPECT_FALSE(xfce->setWheelScrollLines(3));
    EXPECT_FALSE(make("KDE", "x11")->setPointerSpeed(15));
}

// GSettings with the in-memory backend: what the GNOME session would store.
class GnomeSpeedTest : public DesktopSessionTest {
protected:
    void SetUp() override
    {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        GSettingsSchema* schema =
            source != nullptr ? g_settings_schema_source_lookup(source, kMouseSchema, TRUE) : nullptr;
        if (schema == nullptr)
            GTEST_SKIP() << kMouseSchema << " is not installed (Debian: gsettings-desktop-schemas)";
        g_settings_schema_unref(schema);
        // Never write to the user's real settings store.
        GSettingsBackend* backend = g_settings_backend_get_default();
        const std::string backendType = G_OBJECT_TYPE_NAME(backend);
        g_object_unref(backend);
        ASSERT_EQ(backendType, "GMemorySettingsBackend");
    }

    static double storedSpeed()
    {
        GSettings* settings = g_settings_new(kMouseSchema);
        const double value = g_settings_get_double(settings, "speed");
        g_object_unref(settings);
        return value;
    }
};

TEST_F(GnomeSpeedTest, SpeedIsStoredOnTheUnitScale)
{
    const auto gnome = make("ubuntu:GNOME", "wayland");
    const std::pair<int, double> cases[] = {{20, 1.0}, {1, -1.0}, {13, 0.3}, {10, 0.0}, {25, 1.0}, {0, -1.0}};
    for (const auto& [speed, stored] : cases) {
        EXPECT_TRUE(gnome->setPointerSpeed(speed)) << speed;
        EXPECT_NEAR(storedSpeed(), stored, 1e-12) << speed;
    }
    // A GNOME session on X11 without a display still reaches GSettings first.
    EXPECT_TRUE(make("GNOME", "x11")->setPointerSpeed(16));
    EXPECT_NEAR(storedSpeed(), 0.6, 1e-12);
    EXPECT_FALSE(std::filesystem::exists(config));
}

TEST_F(GnomeSpeedTest, WorkerThreadsMaySetTheSpeedTogether)
{
    const auto gnome = make("GNOME", "wayland");
    std::vector<std::thread> workers;
    std::vector<int> results(8, -1);
    for (int i = 0; i < 8; ++i)
        workers.emplace_back([&, i] { results[i] = gnome->setPointerSpeed(11 + i) ? 1 : 0; });
    for (std::thread& t : workers)
        t.join();
    EXPECT_EQ(results, std::vector<int>(8, 1));
    // The last writer wins: some speed of 11..18.
    const double stored = storedSpeed();
    EXPECT_GE(stored, 0.1 - 1e-12);
    EXPECT_LE(stored, 0.8 + 1e-12);
    EXPECT_NEAR(stored * 10, std::round(stored * 10), 1e-9);
}

// ---------------------------------------------------------------------------------------
// The fake for other layers' tests

TEST(FakeDesktopSettings, RecordsEveryCallAndAnswersAsTold)
{
    using Call = FakeDesktopSettings::Call;
    using Setting = FakeDesktopSettings::Setting;
    FakeDesktopSettings fake;
    EXPECT_TRUE(fake.setPointerSpeed(25));
    EXPECT_TRUE(fake.setWheelScrollLines(3));
    fake.setResult(Setting::WheelScrollLines, false);
    EXPECT_FALSE(fake.setWheelScrollLines(0));
    EXPECT_TRUE(fake.setPointerSpeed(4));
    EXPECT_EQ(fake.calls(), (std::vector<Call>{{Setting::PointerSpeed, 25},
                                               {Setting::WheelScrollLines, 3},
                                               {Setting::WheelScrollLines, 0},
                                               {Setting::PointerSpeed, 4}}));

    fake.clearCalls();
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
        workers.emplace_back([&fake, i] {
            for (int n = 0; n < 50; ++n)
                fake.setPointerSpeed(i);
        });
    for (std::thread& t : workers)
        t.join();
    EXPECT_EQ(fake.calls().size(), 200u);
}

}  // namespace
}  // namespace corv
