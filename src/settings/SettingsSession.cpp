#include "settings/SettingsSession.h"

#include <algorithm>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/ModelFacts.h"
#include "macros/MacroTransfer.h"
#include "platform/IniEdit.h"
#include "profiles/ProfileFile.h"

namespace corv {

namespace {

std::string ledKey(std::size_t n) { return "LED" + std::to_string(n); }

constexpr const char* kSettingSection = "Setting";

}  // namespace

SettingsSession::SettingsSession(DeviceChannel& channel, DeviceState& state)
    : channel_(channel), state_(state), lock_(channel.stateLock())
{ }

void SettingsSession::setMouseSender(MouseSender sender) { sender_ = std::move(sender); }

void SettingsSession::select(int index, std::string name)
{
    std::lock_guard<std::mutex> guard(selectionLock_);
    selectedIndex_ = index;
    selectedName_ = std::move(name);
}

void SettingsSession::deselect() { select(-1, {}); }

int SettingsSession::selectedIndex() const
{
    std::lock_guard<std::mutex> guard(selectionLock_);
    return selectedIndex_;
}

std::string SettingsSession::selectedName() const
{
    std::lock_guard<std::mutex> guard(selectionLock_);
    return selectedName_;
}

std::filesystem::path SettingsSession::profilePath() const
{
    std::lock_guard<std::mutex> guard(selectionLock_);
    return selectedIndex_ < 0 ? std::filesystem::path{} : corv::profilePath(selectedName_);
}

DeviceState SettingsSession::snapshot() const
{
    return read([](const DeviceState& s) { return s; });
}

std::uint8_t SettingsSession::setting(std::size_t n) const
{
    return read(
        [n](const DeviceState& s) -> std::uint8_t { return n < s.CurrentSettings.size() ? s.CurrentSettings[n] : 0; });
}

std::uint16_t SettingsSession::modelId() const
{
    return read([](const DeviceState& s) { return s.modelId(); });
}

std::uint8_t SettingsSession::activeRecord() const
{
    return read([](const DeviceState& s) { return s.activeRecord(); });
}

void SettingsSession::set(std::size_t n, std::uint8_t value, unsigned parts) { set({{n, value}}, parts); }

void SettingsSession::set(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes, unsigned parts)
{
    if ((parts & Key) != 0) {
        ini::IniEdit edit(profilePath());
        for (const auto& [n, value] : bytes)
            edit.set(kSettingSection, ledKey(n), std::to_string(value));
        edit.commit();
    }
    if ((parts & Image) != 0) {
        update([&](DeviceState& s) {
            for (const auto& [n, value] : bytes)
                if (n < s.CurrentSettings.size())
                    s.CurrentSettings[n] = value;
        });
    }
    if ((parts & Mouse) == 0)
        return;
    // One command for each run of neighbouring bytes, in the order given.
    std::vector<std::uint8_t> run;
    std::size_t first = 0;
    for (const auto& [n, value] : bytes) {
        if (!run.empty() && n != first + run.size()) {
            sendBytes(first, run);
            run.clear();
        }
        if (run.empty())
            first = n;
        run.push_back(value);
    }
    if (!run.empty())
        sendBytes(first, run);
}

void SettingsSession::setStage(int stage, std::uint8_t index, unsigned parts)
{
    if (stage < 0 || stage >= static_cast<int>(kDpiStageCount))
        return;
    const std::size_t n = kDpiStageByte + static_cast<std::size_t>(stage);
    // A model the program does not know keeps its stages where the pages' fallback model does.
    if ((parts & Key) != 0)
        writeInt(profilePath(), std::string(modelOrFallback(modelId()).stageSection), ledKey(n), index);
    set(n, index, parts & ~Key);
}

bool SettingsSession::writeProfileKey(const std::string& key, long value)
{
    return writeInt(profilePath(), kSettingSection, key, value);
}

bool SettingsSession::writeProfileKeys(std::initializer_list<std::pair<std::string, long>> keys)
{
    ini::IniEdit edit(profilePath());
    for (const auto& [key, value] : keys)
        edit.set(kSettingSection, key, std::to_string(value));
    return edit.commit();
}

void SettingsSession::send(MouseJob job)
{
    if (!job)
        return;
    if (sender_)
        sender_(std::move(job));
    else
        job(channel_);
}

void SettingsSession::sendBytes(std::size_t n, std::span<const std::uint8_t> bytes)
{
    // The address is taken now: a later switch of the active record cannot move it.
    const std::uint16_t address = read([n](const DeviceState& s) { return s.settingsAddress(n); });
    send([address, data = std::vector<std::uint8_t>(bytes.begin(), bytes.end())](DeviceChannel& channel) {
        channel.writeSettings(address, data.data(), data.size());
    });
}

AppliedProfile SettingsSession::applyProfile(const std::filesystem::path& file)
{
    AppliedProfile applied = prepareProfileApplication(channel_, state_, file);
    send([&state = state_, applied](DeviceChannel& channel) { sendProfileApplication(channel, state, applied); });
    return applied;
}

void SettingsSession::resetToTemplate(const std::filesystem::path& templateFile)
{
    const auto image = prepareTemplateReset(channel_, state_, templateFile, profilePath());
    send([image](DeviceChannel& channel) { channel.writeSettings(0, image.data(), image.size()); });
}

std::uint8_t SettingsSession::macroCapacityUnits() const
{
    return read([](const DeviceState& s) { return s.DeviceInfo[kInfoMacroCapacity]; });
}

}  // namespace corv
