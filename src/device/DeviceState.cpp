#include "device/DeviceState.h"

#include <mutex>

#include "device/DeviceChannel.h"

namespace corv {

std::uint16_t DeviceState::modelId() const
{
    return static_cast<std::uint16_t>(DeviceInfo[kInfoModelId] | (DeviceInfo[kInfoModelId + 1] << 8));
}

std::uint16_t DeviceState::settingsAddress(std::size_t n) const
{
    return static_cast<std::uint16_t>(activeRecord() * kSettingsRecordSize + n);
}

int dpiStageLimit(std::uint16_t modelId)
{
    const ModelFacts* model = findModel(modelId);
    return model != nullptr ? model->dpiStageLimit() : -1;
}

void clampDpiStages(std::span<std::uint8_t> image, std::uint16_t modelId, bool clearActiveRecord)
{
    if (image.size() < kDpiStageByte + kDpiStageCount)
        return;
    const int limit = dpiStageLimit(modelId);
    for (std::size_t n = kDpiStageByte; n < kDpiStageByte + kDpiStageCount; ++n) {
        if (limit < 0)
            image[n] = 0;
        else if (image[n] > limit)
            image[n] = static_cast<std::uint8_t>(limit);
    }
    if (limit < 0 && clearActiveRecord)
        image[0] = 0;
}

int sendSettingBytes(DeviceChannel& channel, const DeviceState& state, std::size_t n, const std::uint8_t* data,
                     std::size_t length)
{
    std::uint16_t address = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
        address = state.settingsAddress(n);
    }
    return channel.writeSettings(address, data, length);
}

std::uint64_t stateReadsNow(DeviceChannel& channel, const DeviceState& state)
{
    std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
    return state.stateReads;
}

int sendSettingByte(DeviceChannel& channel, const DeviceState& state, std::size_t n, std::uint8_t value)
{
    return sendSettingBytes(channel, state, n, &value, 1);
}

}  // namespace corv
