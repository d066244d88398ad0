#include "profiles/page/ProfilePage.h"

#include <QLoggingCategory>
#include <algorithm>

#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/ProfileApplication.h"
#include "platform/AppPaths.h"
#include "platform/IniEdit.h"
#include "profiles/FirstProfile.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileIndex.h"
#include "profiles/page/ProfileNames.h"
#include "ui/ComboControl.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"

namespace corv {

Q_LOGGING_CATEGORY(lcProfiles, "corv.debug.profiles", QtWarningMsg)

namespace pn = profile_names;

namespace {

constexpr int kItemHeight = 25;

}  // namespace

std::span<const ui::ControlRef> ProfilePage::controls() const { return pn::profileControls(); }

void ProfilePage::windowInit() { loadProfileLists(); }

void ProfilePage::loadProfileLists()
{
    std::array<ui::ComboControl, 3> lists{ui::ComboControl(host_.control(QLatin1String(pn::kLists[0]))),
                                          ui::ComboControl(host_.control(QLatin1String(pn::kLists[1]))),
                                          ui::ComboControl(host_.control(QLatin1String(pn::kLists[2])))};
    if (ProfileIndex::path().empty()) {
        qCWarning(lcProfiles) << "no data folder (no home folder): profiles are not available";
        return;
    }
    const auto addToEach = [&](const QString& name) {
        for (ui::ComboControl& list : lists)
            list.AddItem(name, name, kItemHeight);
    };
    const long count = ProfileIndex::count();
    if (count > 0) {
        for (long i = 0; i < std::min(count, kMaxProfilesRead); ++i)
            addToEach(QString::fromStdString(ProfileIndex::nameAt(i)));
        return;  // the stored selection is applied once the mouse has connected
    }
    // First run (or a count that is not a positive number): one profile from the template.
    copyTemplateToProfile(kFirstProfile);
    addToEach(QString::fromUtf8(kFirstProfile));
    ini::IniEdit index(ProfileIndex::path());
    index.set("PROFILECOUNT", "count", std::to_string(lists[0].GetCount()));
    index.set("PROFILENAME", "0", kFirstProfile);
    index.set("PROFILESELECT", "select", "0");
    if (!index.commit())
        qCWarning(lcProfiles) << "the profile index cannot be written";
}

void ProfilePage::selectStoredProfile()
{
    for (const char* list : pn::kLists)
        ui::ComboControl(host_.control(QLatin1String(list))).SelectItem(-1);
    // Selecting the stored profile applies it (the list's own notification). A stored
    // selection that names no profile falls back to the first one, so that changes always
    // have a profile to go to.
    ui::ComboControl reg(host_.control(QLatin1String(pn::kLists[pn::kRegList])));
    const long stored = ProfileIndex::selected();
    reg.SelectItem(stored >= 0 && stored < reg.GetCount() ? static_cast<int>(stored) : 0);
}

void ProfilePage::followLists(const ProfileApplication& a)
{
    for (int i = 0; i < static_cast<int>(pn::kLists.size()); ++i) {
        if (i != a.source)
            ui::ComboControl(host_.control(QLatin1String(pn::kLists[static_cast<std::size_t>(i)]))).SelectItem(a.index);
    }
}

void ProfilePage::showName(const ProfileApplication& a)
{
    for (const char* edit : pn::kNameEdits)
        host_.control(QLatin1String(edit)).SetText(a.name);
}

void ProfilePage::showLink(ProfileApplication& a)
{
    if (ProfileIndex::linkFlag(a.index) == "0") {
        ui::OptionControl(host_.control(QLatin1String(pn::kLinkBoxes[pn::kKeyList]))).Selected(false, true);
        return;
    }
    const std::string program = programFileName(ProfileIndex::linkedProgram(a.index));
    if (program.empty()) {
        a.stopped = true;  // a link without a folder: nothing more is applied
        return;
    }
    for (const char* edit : pn::kProgramEdits)
        host_.control(QLatin1String(edit)).SetText(QString::fromStdString(program));
    for (const char* box : pn::kLinkBoxes)
        ui::OptionControl(host_.control(QLatin1String(box))).Selected(true, false);
    for (const char* panel : pn::kLinkPanels)
        host_.control(QLatin1String(panel)).SetVisible(true);
}

void ProfilePage::sendImages(ProfileApplication& a)
{
    a.applied = applyProfileToDevice(host_.channel(), host_.deviceState(), a.file);
    a.devicePart = true;
}

void ProfilePage::declare(FeatureRegistry& r)
{
    for (int source = 0; source < static_cast<int>(pn::kLists.size()); ++source) {
        r.on(ui::notify::kItemSelect, pn::kLists[static_cast<std::size_t>(source)],
             [this, source](const ui::TNotifyUI& msg, int) {
                 if (msg.wParam >= 0)
                     host_.applySelectedProfile(source);
             });
    }
    r.onApply(ApplyStep::FollowLists, [this](ProfileApplication& a) { followLists(a); });
    r.onApply(ApplyStep::ProfileName, [this](ProfileApplication& a) { showName(a); });
    r.onApply(ApplyStep::RememberSelection, [](ProfileApplication& a) { ProfileIndex::writeSelected(a.index); });
    r.onApply(ApplyStep::LinkDisplay, [this](ProfileApplication& a) { showLink(a); });
    r.onApply(ApplyStep::DeviceImages, [this](ProfileApplication& a) { sendImages(a); });
    r.onConnected([this] { selectStoredProfile(); });
}

}  // namespace corv
