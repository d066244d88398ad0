#pragma once
// The device side of applying a profile: the profile file turned into the mouse's byte
// images, limited for the connected model, stored in the program's copies of the mouse's
// state and sent. The window's side (the lists, the edits, the pointer speed and scroll
// lines, the palette control, the page refresh) is done by its caller.
#include <array>
#include <cstdint>
#include <filesystem>

#include "device/DeviceProtocol.h"
#include "profiles/ProfileFile.h"

namespace corv {

class DeviceChannel;
struct DeviceState;

inline constexpr int kPaletteMaxColours = 20;

// The custom colour palette of a profile: [COLORCOUNT] count (limited to 0..20) and
// [COLORVALUE] 0..count-1. A value holds red in bits 0-7, green in 8-15, blue in 16-23.
struct ProfilePalette {
    int count = 0;
    std::array<std::uint32_t, kPaletteMaxColours> values{};
};
ProfilePalette readProfilePalette(const std::filesystem::path& file);
// The 64-byte colour table of a palette: red, green, blue per colour, the rest 0.
std::array<std::uint8_t, kColorTableSize> paletteColorTable(const ProfilePalette& palette);

struct AppliedProfile {
    ProfileImage image;     // as sent: byte 0 = 0, DPI stages limited for the model
    long pointerSpeed = 0;  // PRO0, above 10 taken as 10
    long scrollLines = 1;   // PRO1 limited to 1..10 (0, missing or negative: 1)
    std::uint16_t modelId = 0;
    std::array<std::uint8_t, kButtonTableSize> buttonBlock{};  // button block 0 as sent
    // Block 0 was read from the mouse, so its bytes past the nine buttons are the mouse's.
    // Otherwise the send half reads it first and sends no block when it cannot.
    bool buttonsKnown = false;
    // The profile held no left click: button 0 became the left click in the image and in
    // the file (KEY0), and the user should be told.
    bool leftClickRestored = false;
};

// Reads the profile, asks the mouse for its identity (the model decides where the DPI
// stages come from and how far they go), stores the images in state (settings record 0,
// CurrentSettings, the front of button block 0) and sends the 56-byte settings record and
// button block 0. A profile whose nine buttons hold no left click gets it back on button 0,
// in the file too. Block 0 goes to the mouse only with the rest of the block as the mouse
// has it: when it was not read before, it is read first, and not sent when that fails. An identity request that fails keeps the identity known before, so a
// passing hiccup cannot zero the DPI stages. Command results are not examined. Takes the
// channel's lock for the whole sequence.
AppliedProfile applyProfileToDevice(DeviceChannel& channel, DeviceState& state, const std::filesystem::path& file);

// The same in two halves, for a caller that must not wait for the mouse: the first reads
// the profile and stores the images in state for the identity already known (state lock
// only); the second, on a thread that may wait, asks for the identity and sends the images.
AppliedProfile prepareProfileApplication(DeviceChannel& channel, DeviceState& state, const std::filesystem::path& file);
void sendProfileApplication(DeviceChannel& channel, DeviceState& state, const AppliedProfile& applied);

// Sends a palette's colour table (CMD_WRITE_COLORS).
int sendPalette(DeviceChannel& channel, const ProfilePalette& palette);

// The lighting reset: LED0..LED32 of the template, keeping the profile's DPI stages and
// current stage (LED15..LED20), are written into the profile and sent to the mouse as
// record 0 (DPI stages from [3360] for the R240, limited for the model). Buttons, pointer
// speed, scroll lines and palette are not touched.
void resetProfileToTemplate(DeviceChannel& channel, DeviceState& state, const std::filesystem::path& templateFile,
                            const std::filesystem::path& profileFile);
// Its first half: the files and the state (state lock only); returns the record to send
// with CMD_WRITE_SETTINGS at address 0.
std::array<std::uint8_t, kSettingsWriteSize> prepareTemplateReset(DeviceChannel& channel, DeviceState& state,
                                                                  const std::filesystem::path& templateFile,
                                                                  const std::filesystem::path& profileFile);

}  // namespace corv
