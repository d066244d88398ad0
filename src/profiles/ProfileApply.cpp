#include "profiles/ProfileApply.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "buttons/ButtonAssignment.h"
#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "platform/IniEdit.h"

namespace corv {

namespace {

std::string ledKey(std::size_t n) { return "LED" + std::to_string(n); }

// Asks the mouse for its identity; keeps the previous one when the request fails.
void refreshIdentity(DeviceChannel& channel, DeviceState& state)
{
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    if (channel.getInfo(info) == kResultOk) {
        std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
        state.DeviceInfo = info;
    }
}

// Stores a 56-byte image as settings record 0 and CurrentSettings (state lock held).
void storeRecord0(DeviceState& state, const std::array<std::uint8_t, kSettingsWriteSize>& image)
{
    std::copy(image.begin(), image.end(), state.SettingsImage[0].begin());
    std::copy(image.begin(), image.begin() + kProfileByteCount, state.CurrentSettings.begin());
}

void sendImages(DeviceChannel& channel, DeviceState& state, const AppliedProfile& applied)
{
    channel.writeSettings(0, applied.image.settings.data(), applied.image.settings.size());
    std::array<std::uint8_t, kButtonTableSize> block = applied.buttonBlock;
    if (!applied.buttonsKnown) {
        // The bytes past the nine buttons are the mouse's own: without them, no block.
        if (channel.readButtons(0, block) != kResultOk)
            return;
        std::copy(applied.image.buttons.begin(), applied.image.buttons.end(), block.begin());
        std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
        state.ButtonImage[0] = block;
        state.buttonBlockRead[0] = true;
    }
    channel.writeButtons(0, block);
}

}  // namespace

ProfilePalette readProfilePalette(const std::filesystem::path& file)
{
    ProfilePalette palette;
    const long count = readInt(file, "COLORCOUNT", "count");
    palette.count = static_cast<int>(std::clamp<long>(count, 0, kPaletteMaxColours));
    for (int j = 0; j < palette.count; ++j)
        palette.values[static_cast<std::size_t>(j)] =
            static_cast<std::uint32_t>(readInt(file, "COLORVALUE", std::to_string(j)));
    return palette;
}

std::array<std::uint8_t, kColorTableSize> paletteColorTable(const ProfilePalette& palette)
{
    std::array<std::uint8_t, kColorTableSize> table{};
    for (int j = 0; j < palette.count && j < kPaletteMaxColours; ++j) {
        const std::uint32_t v = palette.values[static_cast<std::size_t>(j)];
        const std::size_t at = 3 * static_cast<std::size_t>(j);
        table[at] = static_cast<std::uint8_t>(v & 0xFF);
        table[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        table[at + 2] = static_cast<std::uint8_t>((v >> 16) & 0xFF);
    }
    return table;
}

AppliedProfile prepareProfileApplication(DeviceChannel& channel, DeviceState& state, const std::filesystem::path& file)
{
    AppliedProfile applied;
    {
        std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
        applied.modelId = state.modelId();
    }
    // The file is read and mended without the state lock: no other thread waits on file I/O.
    applied.image = readProfileImage(file, applied.modelId);
    applied.image.settings[0] = 0;  // record 0 becomes the mouse's active record
    clampDpiStages(applied.image.settings, applied.modelId, true);
    applied.pointerSpeed = std::min(applied.image.pointerSpeed, 10L);
    applied.scrollLines = std::clamp(applied.image.scrollLines, 1L, 10L);
    // A profile without a left click would leave the mouse without one.
    if (restoreLeftClick(applied.image.buttons)) {
        applied.leftClickRestored = true;
        const ButtonAssignment left = ButtonAssignment::leftClick();
        writeKeyTriple(file, 0, {left.kind, left.p1, left.p2});
    }

    std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
    std::copy(applied.image.buttons.begin(), applied.image.buttons.end(), state.ButtonImage[0].begin());
    applied.buttonBlock = state.ButtonImage[0];
    applied.buttonsKnown = state.buttonsKnown(0);
    storeRecord0(state, applied.image.settings);
    return applied;
}

void sendProfileApplication(DeviceChannel& channel, DeviceState& state, const AppliedProfile& applied)
{
    std::lock_guard<std::recursive_mutex> guard(channel.lock());
    refreshIdentity(channel, state);
    sendImages(channel, state, applied);
}

AppliedProfile applyProfileToDevice(DeviceChannel& channel, DeviceState& state, const std::filesystem::path& file)
{
    std::lock_guard<std::recursive_mutex> guard(channel.lock());
    refreshIdentity(channel, state);
    const AppliedProfile applied = prepareProfileApplication(channel, state, file);
    sendImages(channel, state, applied);
    return applied;
}

int sendPalette(DeviceChannel& channel, const ProfilePalette& palette)
{
    return channel.writeColors(paletteColorTable(palette));
}

std::array<std::uint8_t, kSettingsWriteSize> prepareTemplateReset(DeviceChannel& channel, DeviceState& state,
                                                                  const std::filesystem::path& templateFile,
                                                                  const std::filesystem::path& profileFile)
{
    std::array<std::uint8_t, kSettingsWriteSize> image{};
    for (std::size_t n = 0; n < kProfileByteCount; ++n)
        image[n] = readByte(templateFile, "Setting", ledKey(n));
    for (std::size_t n = kDpiStageByte; n <= kCurrentStageByte; ++n)
        image[n] = readByte(profileFile, "Setting", ledKey(n));
    // One replacement of the file: a profile never holds half the template.
    ini::IniEdit edit(profileFile);
    for (std::size_t n = 0; n < kProfileByteCount; ++n)
        edit.set("Setting", ledKey(n), std::to_string(image[n]));
    edit.commit();

    std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
    const std::uint16_t model = state.modelId();
    if (const ModelFacts* facts = findModel(model)) {
        const std::string section(facts->stageSection);
        for (std::size_t n = kDpiStageByte; n < kDpiStageByte + kDpiStageCount; ++n)
            image[n] = readByte(profileFile, section, ledKey(n));
    }
    clampDpiStages(image, model, true);
    storeRecord0(state, image);
    return image;
}

void resetProfileToTemplate(DeviceChannel& channel, DeviceState& state, const std::filesystem::path& templateFile,
                            const std::filesystem::path& profileFile)
{
    const auto image = prepareTemplateReset(channel, state, templateFile, profileFile);
    channel.writeSettings(0, image.data(), image.size());
}

}  // namespace corv
