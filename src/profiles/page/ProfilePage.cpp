#include "profiles/page/ProfilePage.h"

#include <QAction>
#include <QCursor>
#include <QLoggingCategory>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/ProfileApplication.h"
#include "platform/AppPaths.h"
#include "platform/ForegroundWatcher.h"
#include "platform/IniEdit.h"
#include "platform/ProgramIdentity.h"
#include "profiles/FirstProfile.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileManager.h"
#include "profiles/RunningPrograms.h"
#include "profiles/page/ProfileNames.h"
#include "settings/SettingsSession.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/MenuWnd.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"
#include "ui/ResourceManager.h"
#include "ui/UiThread.h"

namespace corv {

Q_LOGGING_CATEGORY(lcProfiles, "corv.debug.profiles", QtWarningMsg)

namespace pn = profile_names;

namespace {

constexpr int kItemHeight = 25;
const QString kProfileFilter = QStringLiteral("(*.pro)");
const QString kProgramFilter = QStringLiteral("(*)");

ProfileManager manager() { return ProfileManager(dataFolderPath()); }

}  // namespace

std::span<const ui::ControlRef> ProfilePage::controls() const { return pn::profileControls(); }

std::span<const ui::MenuItemRef> ProfilePage::menuItems() const
{
    static constexpr ui::MenuItemRef kItems[] = {{pn::kMenuFile, pn::kMenuCopy},
                                                 {pn::kMenuFile, pn::kMenuImport},
                                                 {pn::kMenuFile, pn::kMenuExport},
                                                 {pn::kChooseMenuFile, pn::kMenuProgramFile},
                                                 {pn::kChooseMenuFile, pn::kMenuRunningPrograms}};
    return kItems;
}

void ProfilePage::windowInit()
{
    loadProfileLists();
    // The watcher reports from its own thread; the switch happens on the UI thread (which
    // refuses the call once the window is shutting down).
    watching_ = foreground_ != nullptr && foreground_->start([this](const ForegroundProgram& report) {
        // /proc is read here, on the watcher's thread, not on the UI thread.
        ui::sendToUiThread([this, program = identityOf(report)] { onForegroundProgram(program); });
    });
    if (!watching_)
        qCInfo(lcProfiles)
            << "no foreground watcher for this desktop: profiles do not switch with the program in front";
}

void ProfilePage::shutdown()
{
    if (foreground_ != nullptr)
        foreground_->stop();
    watching_ = false;
}

ProgramIdentity ProfilePage::identityOf(const ForegroundProgram& report)
{
    if (report.none())
        return {};
    if (report.pid == 0 && report.executable.empty())
        return ProgramIdentity::ofAppId(report.appId);
    // The watcher has read the executable already; the process adds what Wine and Steam
    // tell of it.
    ProgramIdentity program = ProgramIdentity::ofProcess(static_cast<pid_t>(report.pid), report.appId);
    if (!report.executable.empty())
        program.executable = report.executable;
    return program;
}

void ProfilePage::onForegroundProgram(const ProgramIdentity& program)
{
    ui::ComboControl list(host_.control(QLatin1String(pn::kLists[pn::kDpiList])));
    const long choice = ProfileIndex::selected();
    const std::vector<std::size_t> linked = manager().linkedTo(program);
    const int wanted = !linked.empty() ? static_cast<int>(linked.front()) : static_cast<int>(choice);
    QString several;
    if (linked.size() > 1 && wanted < list.getCount()) {
        several = ui::programText(QString::fromUtf8(kMsgSeveralLinks)).arg(list.getItemUserData(wanted));
        qCInfo(lcProfiles) << "several profiles are linked to the program in front; the lowest applies:" << several;
    }
    for (const char* edit : pn::kProgramEdits)
        host_.control(QLatin1String(edit)).setToolTip(several);
    // Selecting the item applies it like a user's choice; selecting the item that is
    // already selected changes nothing.
    if (wanted >= 0 && wanted < list.getCount() && list.getCurSel() != wanted)
        list.selectItem(wanted);
    // The switch is not the user's choice: the stored one stays.
    ProfileIndex::writeSelected(choice);
}

bool ProfilePage::selectProfileNamed(const QString& profileName)
{
    ui::ComboControl list(host_.control(QLatin1String(pn::kLists[pn::kDpiList])));
    for (int i = 0; i < list.getCount(); ++i) {
        if (list.getItemUserData(i) != profileName)
            continue;
        if (list.getCurSel() != i)
            list.selectItem(i);
        return true;
    }
    return false;
}

void ProfilePage::tellNoSwitchingOnce()
{
    if (noSwitchingTold_)
        return;
    // A watcher that runs may still wait for a part of the desktop the user has to enable.
    const std::string extension = watching_ ? foreground_->missingExtension() : std::string();
    if (watching_ && extension.empty())
        return;
    noSwitchingTold_ = true;
    if (extension.empty()) {
        host_.messageBox(QString::fromUtf8(kNoSwitchingText));
        return;
    }
    qCInfo(lcProfiles) << "the desktop extension" << extension.c_str()
                       << "is not enabled: profiles switch only with X11 programs";
    host_.messageBox(QString::fromUtf8(kExtensionOffText).arg(QString::fromStdString(extension)));
}

void ProfilePage::loadProfileLists()
{
    if (ProfileIndex::path().empty()) {
        qCWarning(lcProfiles) << "no data folder (no home folder): profiles are not available";
        return;
    }
    ProfileManager library = manager();
    if (ProfileIndex::count() > 0) {
        // Entries without a usable name are dropped from the index before they are shown.
        if (!library.repairIndex())
            qCWarning(lcProfiles) << "the profile index has entries without a name and cannot be rewritten";
        for (const ProfileEntry& e : library.entries())
            addToLists(QString::fromStdString(e.name));
        if (ui::ComboControl(host_.control(QLatin1String(pn::kLists[0]))).getCount() > 0)
            return;  // the stored selection is applied once the mouse has connected
    }
    // First run (or an index without a single profile): one profile from the template.
    copyTemplateToProfile(kFirstProfile);
    addToLists(QString::fromUtf8(kFirstProfile));
    ini::IniEdit index(ProfileIndex::path());
    index.set("PROFILECOUNT", "count", "1");
    index.set("PROFILENAME", "0", kFirstProfile);
    index.set("PROFILESELECT", "select", "0");
    if (!index.commit())
        qCWarning(lcProfiles) << "the profile index cannot be written";
}

void ProfilePage::addToLists(const QString& name)
{
    for (const char* list : pn::kLists)
        ui::ComboControl(host_.control(QLatin1String(list))).addItem(name, name, kItemHeight);
}

int ProfilePage::selectionOf(int list) const
{
    return ui::ComboControl(host_.control(QLatin1String(pn::kLists[static_cast<std::size_t>(list)]))).getCurSel();
}

bool ProfilePage::tell(int result)
{
    const auto r = static_cast<ProfileResult>(result);
    if (const char* message = profileResultMessage(r))
        host_.messageBox(QString::fromUtf8(message));
    return r == ProfileResult::Ok;
}

void ProfilePage::createProfile()
{
    std::string name;
    if (!tell(static_cast<int>(manager().create(templatePath(), &name))))
        return;
    const QString shown = QString::fromStdString(name);
    addToLists(shown);
    for (const char* edit : pn::kNameEdits)
        host_.control(QLatin1String(edit)).setText(shown);
    ui::ComboControl reg(host_.control(QLatin1String(pn::kLists[pn::kRegList])));
    reg.selectItem(reg.getCount() - 1);  // applies the new profile when the mouse is ready
}

void ProfilePage::deleteProfile()
{
    const int i = selectionOf(pn::kKeyList);
    if (ui::ComboControl(host_.control(QLatin1String(pn::kLists[pn::kDpiList]))).getCount() <= 1) {
        host_.messageBox(QString::fromUtf8(kMsgKeepOneProfile));
        return;
    }
    if (i < 0 || !tell(static_cast<int>(manager().remove(static_cast<std::size_t>(i)))))
        return;
    for (const char* list : pn::kLists)
        ui::ComboControl(host_.control(QLatin1String(list))).removeAt(i);
    ui::ComboControl reg(host_.control(QLatin1String(pn::kLists[pn::kRegList])));
    reg.selectItem(reg.getCount() - 1);
}

void ProfilePage::renameProfile(int page)
{
    if (page < 0 || page > 2)
        return;
    const QString newName = host_.control(QLatin1String(pn::kNameEdits[static_cast<std::size_t>(page)])).getText();
    const int i = selectionOf(pn::kDpiList);
    if (i < 0)
        return;
    if (!tell(static_cast<int>(manager().rename(static_cast<std::size_t>(i), newName.toStdString()))))
        return;
    for (const char* list : pn::kLists) {
        ui::ComboControl combo(host_.control(QLatin1String(list)));
        combo.setItemText(i, newName);
        combo.setItemUserData(i, newName);
    }
    if (host_.settings().selectedIndex() == i)
        host_.settings().select(i, newName.toStdString());
    for (const char* edit : pn::kNameEdits)
        host_.control(QLatin1String(edit)).setText(newName);
}

void ProfilePage::copyProfile()
{
    const int i = selectionOf(pn::kKeyList);
    if (i < 0)
        return;
    std::string name;
    if (!tell(static_cast<int>(manager().copy(static_cast<std::size_t>(i), &name))))
        return;
    addToLists(QString::fromStdString(name));
    ui::ComboControl key(host_.control(QLatin1String(pn::kLists[pn::kKeyList])));
    key.selectItem(key.getCount() - 1);  // applies the copy when the mouse is ready
}

void ProfilePage::importProfile()
{
    const int i = selectionOf(pn::kKeyList);
    if (i < 0)
        return;
    const QString file = ui::getOpenFileName(host_.window(), QString(), QString(), kProfileFilter);
    if (file.isEmpty())
        return;
    if (!tell(static_cast<int>(manager().importInto(static_cast<std::size_t>(i), file.toStdString()))))
        return;
    // setSelected again, so that the imported settings are applied.
    ui::ComboControl key(host_.control(QLatin1String(pn::kLists[pn::kKeyList])));
    key.selectItem(i - 1);
    key.selectItem(i);
}

void ProfilePage::exportProfile()
{
    const int i = selectionOf(pn::kKeyList);
    if (i < 0)
        return;
    const QString file =
        ui::getSaveFileName(host_.window(), QString(), QString(), kProfileFilter, QStringLiteral("pro"));
    if (!file.isEmpty())
        tell(static_cast<int>(manager().exportTo(static_cast<std::size_t>(i), file.toStdString())));
}

void ProfilePage::showLinked(const QString& program)
{
    for (const char* edit : pn::kProgramEdits)
        host_.control(QLatin1String(edit)).setText(program);
    for (const char* box : pn::kLinkBoxes)
        ui::OptionControl(host_.control(QLatin1String(box))).setSelected(true, false);
    for (const char* panel : pn::kLinkPanels)
        host_.control(QLatin1String(panel)).setVisible(true);
}

void ProfilePage::showUnlinked()
{
    for (const char* box : pn::kLinkBoxes)
        ui::OptionControl(host_.control(QLatin1String(box))).setSelected(false, true);
    for (const char* edit : pn::kProgramEdits)
        host_.control(QLatin1String(edit)).setText(QStringLiteral(" "));
    for (const char* panel : pn::kLinkPanels)
        host_.control(QLatin1String(panel)).setVisible(false);
}

std::string ProfilePage::programDialogFolder(const std::string& home)
{
    if (!home.empty()) {
        for (const char* library : {"/.local/share/Steam/steamapps/common", "/.steam/steam/steamapps/common",
                                    "/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common"}) {
            std::error_code error;
            if (std::filesystem::is_directory(home + library, error))
                return home + library;
        }
    }
    return kProgramFolder;
}

QString ProfilePage::chooseProgram()
{
    const QString folder = QString::fromStdString(programDialogFolder(qEnvironmentVariable("HOME").toStdString()));
    return ui::getOpenFileName(host_.window(), QString(), folder, kProgramFilter);
}

void ProfilePage::onLinkBox(int page, bool selected)
{
    (void)page;  // the three boxes show one link: that of the selected profile
    const int i = selectionOf(pn::kDpiList);
    if (i < 0)
        return;
    ProfileManager library = manager();
    const auto index = static_cast<std::size_t>(i);
    if (!selected) {
        showUnlinked();
        library.unlink(index);
        return;
    }
    const QString program = chooseProgram();
    if (program.isEmpty()) {
        showUnlinked();
        library.unlink(index);
        return;
    }
    if (library.linkedTo(program.toStdString())) {
        host_.messageBox(QString::fromUtf8(kMsgProgramLinked));
        // Unselecting the boxes (with their notification) unlinks this profile.
        for (const char* box : pn::kLinkBoxes)
            ui::OptionControl(host_.control(QLatin1String(box))).setSelected(false, true);
        return;
    }
    const std::string shown = programFileName(program.toStdString());
    if (shown.empty()) {
        showUnlinked();
        library.unlink(index);
        return;
    }
    showLinked(QString::fromStdString(shown));
    library.link(index, program.toStdString(), false);
    tellNoSwitchingOnce();
}

void ProfilePage::openChooseMenu() { host_.showPopupMenu(QLatin1String(pn::kChooseMenuFile)); }

void ProfilePage::chooseLinkedProgram()
{
    if (selectionOf(pn::kDpiList) < 0)
        return;
    const QString program = chooseProgram();
    const std::string shown = programFileName(program.toStdString());
    if (program.isEmpty() || shown.empty())
        return;
    linkTo(program.toStdString(), QString::fromStdString(shown));
}

void ProfilePage::linkTo(const std::string& link, const QString& shown)
{
    const int i = selectionOf(pn::kDpiList);
    if (i < 0)
        return;
    manager().link(static_cast<std::size_t>(i), link, false);
    showLinked(shown);
    tellNoSwitchingOnce();
}

QMenu* ProfilePage::openRunningProgramsMenu()
{
    const std::string home = qEnvironmentVariable("HOME").toStdString();
    const std::vector<RunningProgram> running = RunningPrograms::list(::getuid(), home);
    auto* menu = new QMenu(host_.window());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QLatin1String(pn::kMenuRunningPrograms));
    if (running.empty()) {
        QAction* none = menu->addAction(ui::programText(QString::fromUtf8(kMsgNoRunningGames)));
        none->setEnabled(false);
    }
    for (std::size_t n = 0; n < running.size(); ++n) {
        const QString shown = QString::fromStdString(running[n].shownName);
        QAction* item = menu->addAction(shown);
        item->setObjectName(QLatin1String(pn::kRunningItemPrefix) + QString::number(n));
        const std::string link = running[n].link;
        QObject::connect(item, &QAction::triggered, menu, [this, link, shown] { linkTo(link, shown); });
    }
    menu->popup(QCursor::pos());
    return menu;
}

void ProfilePage::selectStoredProfile()
{
    for (const char* list : pn::kLists)
        ui::ComboControl(host_.control(QLatin1String(list))).selectItem(-1);
    // Selecting the stored profile applies it (the list's own notification). A stored
    // selection that names no profile falls back to the first one, so that changes always
    // have a profile to go to.
    ui::ComboControl reg(host_.control(QLatin1String(pn::kLists[pn::kRegList])));
    const long stored = ProfileIndex::selected();
    reg.selectItem(stored >= 0 && stored < reg.getCount() ? static_cast<int>(stored) : 0);
}

void ProfilePage::followLists(const ProfileApplication& a)
{
    for (int i = 0; i < static_cast<int>(pn::kLists.size()); ++i) {
        if (i != a.source)
            ui::ComboControl(host_.control(QLatin1String(pn::kLists[static_cast<std::size_t>(i)]))).selectItem(a.index);
    }
}

void ProfilePage::showName(const ProfileApplication& a)
{
    for (const char* edit : pn::kNameEdits)
        host_.control(QLatin1String(edit)).setText(a.name);
}

void ProfilePage::showLink(ProfileApplication& a)
{
    if (ProfileIndex::linkFlag(a.index) == "0") {
        ui::OptionControl(host_.control(QLatin1String(pn::kLinkBoxes[pn::kKeyList]))).setSelected(false, true);
        return;
    }
    const std::string program = programFileName(ProfileIndex::linkedProgram(a.index));
    if (program.empty()) {
        a.stopped = true;  // a link without a folder: nothing more is applied
        return;
    }
    for (const char* edit : pn::kProgramEdits)
        host_.control(QLatin1String(edit)).setText(QString::fromStdString(program));
    for (const char* box : pn::kLinkBoxes)
        ui::OptionControl(host_.control(QLatin1String(box))).setSelected(true, false);
    for (const char* panel : pn::kLinkPanels)
        host_.control(QLatin1String(panel)).setVisible(true);
}

void ProfilePage::sendImages(ProfileApplication& a)
{
    // The state and the pages change now; the mouse gets the images on its command thread.
    a.applied = host_.settings().applyProfile(a.file);
    a.devicePart = true;
    // The file was mended already, so this is said once.
    if (a.applied.leftClickRestored)
        host_.messageBox(QString::fromUtf8(kMsgLeftClickRestored));
}

void ProfilePage::declare(FeatureRegistry& r)
{
    for (int source = 0; source < static_cast<int>(pn::kLists.size()); ++source) {
        r.on(ui::notify::kItemSelect, pn::kLists[static_cast<std::size_t>(source)],
             [this, source](const ui::Notification& msg, int) {
                 if (msg.wParam < 0)
                     return;
                 // The list shows the choice; the settings session keeps it.
                 const int index = static_cast<int>(msg.wParam);
                 const QString name =
                     ui::ComboControl(host_.control(QLatin1String(pn::kLists[static_cast<std::size_t>(source)])))
                         .getItemUserData(index);
                 host_.settings().select(index, name.toStdString());
                 host_.applySelectedProfile(source);
             });
    }
    using namespace ui::notify;
    using Msg = const ui::Notification&;
    r.on(kClick, pn::kAddButton, [this](Msg, int) { createProfile(); });
    r.on(kClick, pn::kDeleteButton, [this](Msg, int) { deleteProfile(); });
    r.on(kClick, pn::kMenuButton, [this](Msg, int) { host_.showPopupMenu(QLatin1String(pn::kMenuFile)); });
    for (int page = 0; page < 3; ++page) {
        r.on(kClick, pn::kRenameButtons[static_cast<std::size_t>(page)],
             [this, page](Msg, int) { renameProfile(page); });
        r.on(kClick, pn::kChooseButtons[static_cast<std::size_t>(page)], [this](Msg, int) { openChooseMenu(); });
    }
    // The boxes in the order of their pages: KEY, DPI, REG.
    const std::size_t boxes[] = {pn::kKeyList, pn::kDpiList, pn::kRegList};
    for (int page = 0; page < 3; ++page) {
        r.on(kSelectChanged, pn::kLinkBoxes[boxes[page]],
             [this, page](Msg msg, int) { onLinkBox(page, msg.wParam == 1); });
    }
    r.onMenu(pn::kMenuProgramFile, false, [this](const ui::MenuCommand&) { chooseLinkedProgram(); });
    r.onMenu(pn::kMenuRunningPrograms, false, [this](const ui::MenuCommand&) { openRunningProgramsMenu(); });
    r.onMenu(pn::kMenuCopy, false, [this](const ui::MenuCommand&) { copyProfile(); });
    r.onMenu(pn::kMenuImport, false, [this](const ui::MenuCommand&) { importProfile(); });
    r.onMenu(pn::kMenuExport, false, [this](const ui::MenuCommand&) { exportProfile(); });
    r.onApply(kApplyFollowLists, [this](ProfileApplication& a) { followLists(a); });
    r.onApply(kApplyProfileName, [this](ProfileApplication& a) { showName(a); });
    r.onApply(kApplyRememberSelection, [](ProfileApplication& a) { ProfileIndex::writeSelected(a.index); });
    r.onApply(kApplyLinkDisplay, [this](ProfileApplication& a) { showLink(a); });
    r.onApply(kApplyDeviceImages, [this](ProfileApplication& a) { sendImages(a); });
    r.onConnected([this] { selectStoredProfile(); });
    r.onRequest(kSelectProfileRequest,
                [this](const std::string& profile) { return selectProfileNamed(QString::fromStdString(profile)); });
}

}  // namespace corv
