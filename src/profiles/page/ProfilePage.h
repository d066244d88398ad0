#pragma once
// The profile lists on the DPI, KEY and REG pages: filled from the profile index at start-up
// (the first profile made from the template on a first run); a user's choice in any of them
// applies that profile; the connected mouse gets the stored one. Its steps of applying a
// profile: the lists follow, the name and the link are shown, the index remembers the
// choice, and the profile's images go to the mouse.
#include <string>

#include "feature/Feature.h"
#include "feature/FeatureRegistry.h"

class QMenu;

namespace corv {

class FeatureHost;
class ForegroundWatcher;
class ProgramIdentity;
struct ForegroundProgram;
struct ProfileApplication;

class ProfilePage : public Feature {
public:
    // Its steps of a profile's application (the first ones: the profile's images reach the
    // mouse at kApplyDeviceImages, and later steps may rely on that).
    static constexpr StepOrder kApplyFollowLists = 10;        // the other lists select the same profile
    static constexpr StepOrder kApplyProfileName = 20;        // the name in the rename edits
    static constexpr StepOrder kApplyRememberSelection = 30;  // the index remembers it
    static constexpr StepOrder kApplyLinkDisplay = 40;        // the linked program (may stop the application)
    static constexpr StepOrder kApplyDeviceImages = 50;       // settings record and button block to the mouse
    // foreground: where the program in front is learnt (null: no switching by program).
    ProfilePage(FeatureHost& host, ForegroundWatcher* foreground) : host_(host), foreground_(foreground) { }

    std::string_view name() const override { return "profiles"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    std::span<const ui::MenuItemRef> menuItems() const override;
    void windowInit() override;
    void shutdown() override;

    // Fills the three lists from the index; a first run creates "新配置文件1" from the template.
    void loadProfileLists();
    // The connected mouse: the stored selection is selected (and so applied); a selection
    // outside the list selects the first profile.
    void selectStoredProfile();

    // The user's operations on the profile library.
    void createProfile();
    void deleteProfile();
    void renameProfile(int page);  // 0 DPI, 1 KEY, 2 REG page
    void copyProfile();
    void importProfile();
    void exportProfile();
    // A link box changed (page: 0 KEY, 1 DPI, 2 REG, as their boxes are numbered).
    void onLinkBox(int page, bool selected);
    // A choose button: its menu of a program file or a running game.
    void openChooseMenu();
    // Links the program file chosen in the dialog without looking for other links.
    void chooseLinkedProgram();
    // The menu of the games running now (RunningPrograms); a pick links the profile to what
    // will match that game. Returns the menu (deleted when closed).
    QMenu* openRunningProgramsMenu();
    // Links the selected profile to link, shown by its name, without looking for other links.
    void linkTo(const std::string& link, const QString& shown);
    // Another program came to the front (UI thread): the profile linked to it is applied, or
    // the user's own choice when none is (also when no program is in front); the user's
    // choice stays the stored one. Links match as ProgramLink says (the executable, the
    // Windows program Wine runs, the Steam game, or only where the desktop names no process,
    // the app id by the linked file's name). Several linked profiles match the program: the
    // lowest applies, and the link edits' tooltips say which.
    void onForegroundProgram(const ProgramIdentity& program);
    // The program's identity for a watcher's report (read on the watcher's thread): none,
    // a process (ProgramIdentity::ofProcess), or an app id alone.
    static ProgramIdentity identityOf(const ForegroundProgram& program);
    // Selects the profile named name in the DPI page's list as a user's choice would (so it
    // is applied while a mouse is connected; the profile already selected stays as it is).
    // False when no profile has that name.
    bool selectProfileNamed(const QString& name);
    bool switchesByProgram() const { return watching_; }

    static constexpr const char* kMsgLeftClickRestored = "该配置文件中没有左键设置，第一个按键已恢复为左键";
    static constexpr const char* kNoSwitchingText =
        "此桌面无法告知哪个程序在前台；链接已保存，但配置文件不会自动切换。";
    // The watcher needs a desktop extension that is not enabled; %1 is its name.
    static constexpr const char* kExtensionOffText =
        "桌面扩展 %1 未启用，配置文件只随 X11 程序切换。请注销并重新登录，然后运行 gnome-extensions enable %1";

    // Said (as the link edits' tooltip) while several linked profiles match the program in
    // front; %1 is the profile that applies.
    static constexpr const char* kMsgNoRunningGames = "没有正在运行的游戏（Wine、Proton 或 Steam）";
    static constexpr const char* kMsgSeveralLinks = "有多个配置文件链接到前台程序，使用的是“%1”";

    // Where the program dialog starts: the first Steam library of home that exists (native
    // Steam, its older link, the Flatpak's), else kProgramFolder.
    static constexpr const char* kProgramFolder = "/usr/bin";
    static std::string programDialogFolder(const std::string& home);

    static constexpr const char* kFirstProfile = "新配置文件1";
    // A damaged count must not make start-up read for ever.
    static constexpr long kMaxProfilesRead = 1000;

private:
    void followLists(const ProfileApplication& a);
    void showName(const ProfileApplication& a);
    void showLink(ProfileApplication& a);
    void sendImages(ProfileApplication& a);
    void addToLists(const QString& name);
    int selectionOf(int list) const;
    bool tell(int result);  // shows the message of a ProfileResult; true for Ok
    void showLinked(const QString& program);
    void showUnlinked();
    QString chooseProgram();
    void tellNoSwitchingOnce();
    FeatureHost& host_;
    ForegroundWatcher* foreground_;
    bool watching_ = false;
    bool noSwitchingTold_ = false;
};

}  // namespace corv
