#include "macros/MacroTransfer.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "macros/MacroWriteMark.h"

namespace corv {

namespace {

// What packing these macros leaves out or changes, noted in the outcome.
void noteDifferences(const MacroIndex& index, const std::vector<std::string>& names,
                     const std::vector<MacroFile>& macros, MacroWriteOutcome& outcome)
{
    const std::size_t stated = index.statedCount();
    outcome.macrosLeftOut = stated - std::min(stated, macros.size());
    for (std::size_t i = 0; i < macros.size() && i < names.size(); ++i) {
        const MacroFile& macro = macros[i];
        if (macro.path().empty())
            outcome.unusableNames.push_back(names[i]);
        else if (macro.readStatus() == ReadStatus::TooLarge || macro.readStatus() == ReadStatus::Failed)
            outcome.unreadableFiles.emplace_back(names[i], macro.readStatus());
    }
}

}  // namespace

MacroWriteOutcome packMacroLibrary(std::uint8_t capacityUnits, const std::filesystem::path& dataFolder,
                                   std::vector<std::uint8_t>& image)
{
    MacroWriteOutcome outcome;
    image.clear();
    try {
        std::vector<std::string> names;
        const std::vector<MacroFile> macros = MacroImage::readLibrary(dataFolder, &names);
        outcome.macroCount = macros.size();
        const MacroIndex index(dataFolder);
        if (macros.empty()) {
            outcome.indexStatus = index.readStatus();
            outcome.result = MacroWriteResult::NothingToWrite;
            return outcome;
        }
        noteDifferences(index, names, macros, outcome);
        outcome.imageLength = MacroImage::lengthOf(macros);
        outcome.actionsToRemove = MacroImage::actionsOver(outcome.imageLength, capacityUnits);
        // A line the file states but does not hold reads as "0", which is damaged too.
        if (outcome.actionsToRemove > 0) {
            outcome.damagedLines = MacroImage::damagedLinesOf(macros);
            outcome.result = MacroWriteResult::DoesNotFit;
            return outcome;
        }
        image = MacroImage::pack(macros, &outcome.damagedLines);
    } catch (const std::bad_alloc&) {
        outcome.result = MacroWriteResult::DataError;
        return outcome;
    }
    outcome.result = MacroWriteResult::Written;  // once sent
    return outcome;
}

void sendMacroImage(DeviceChannel& channel, const std::vector<std::uint8_t>& image,
                    const std::filesystem::path& dataFolder, MacroWriteOutcome& outcome)
{
    const MacroWriteMark mark(dataFolder);
    // The mark is made under the channel's lock: a write that another thread completes in
    // the meantime must not remove the mark of this one.
    std::lock_guard<std::recursive_mutex> guard(channel.lock());
    if (!mark.set(outcome.macroCount, image.size())) {
        outcome.result = MacroWriteResult::DataError;
        return;
    }
    const int begun = channel.begin();
    if (begun != kResultOk) {
        outcome.result = MacroWriteResult::DeviceError;
        outcome.deviceResult = begun;
        return;
    }
    const int written = channel.writeMacros(image.data(), image.size());
    // The transaction is closed even when the write failed part of the way.
    const int ended = channel.end();
    if (written != kResultOk || ended != kResultOk) {
        outcome.result = MacroWriteResult::DeviceError;
        outcome.deviceResult = written != kResultOk ? written : ended;
        return;
    }
    // A mark that cannot be removed only costs the next connection one more write.
    mark.clear();
    outcome.result = MacroWriteResult::Written;
}

MacroWriteOutcome writeMacroLibrary(DeviceChannel& channel, std::uint8_t capacityUnits,
                                    const std::filesystem::path& dataFolder)
{
    std::vector<std::uint8_t> image;
    MacroWriteOutcome outcome = packMacroLibrary(capacityUnits, dataFolder, image);
    if (outcome.result == MacroWriteResult::Written)
        sendMacroImage(channel, image, dataFolder, outcome);
    return outcome;
}

MacroWriteOutcome writeMacroLibrary(DeviceChannel& channel, const DeviceState& state,
                                    const std::filesystem::path& dataFolder)
{
    return writeMacroLibrary(channel, macroCapacityUnits(channel, state), dataFolder);
}

std::uint8_t macroCapacityUnits(DeviceChannel& channel, const DeviceState& state)
{
    std::lock_guard<std::recursive_mutex> guard(channel.stateLock());
    return state.DeviceInfo[kInfoMacroCapacity];
}

std::optional<MacroWriteOutcome> rewriteUnfinishedMacroArea(DeviceChannel& channel,
                                                            const std::filesystem::path& dataFolder)
{
    if (dataFolder.empty() || !MacroWriteMark(dataFolder).isSet())
        return std::nullopt;
    std::lock_guard<std::recursive_mutex> guard(channel.lock());
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int identity = channel.getInfo(info);
    if (identity != kResultOk) {
        MacroWriteOutcome outcome;
        outcome.result = MacroWriteResult::DeviceError;
        outcome.deviceResult = identity;
        return outcome;
    }
    return writeMacroLibrary(channel, info[kInfoMacroCapacity], dataFolder);
}

MacroRebuildOutcome rebuildLibraryFromImage(std::span<const std::uint8_t> area, const std::filesystem::path& dataFolder)
{
    MacroRebuildOutcome outcome;
    const std::optional<std::vector<MacroImage::Macro>> macros = MacroImage::parse(area);
    if (!macros) {
        outcome.result = MacroRebuildResult::InvalidImage;
        return outcome;
    }
    outcome.macrosInImage = macros->size();
    if (macros->empty())
        return outcome;

    MacroIndex index(dataFolder);
    const MacroResult grown = index.growTo(macros->size(), &outcome.addedNames);
    outcome.limitReached = grown == MacroResult::LimitReached;
    bool failed = grown == MacroResult::FileError;

    // Only the macros the library now holds are rebuilt; an entry without a usable name
    // has no file to write.
    const std::vector<std::string> names = index.names();
    const std::size_t count = std::min(names.size(), macros->size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::filesystem::path file = index.macroPath(names[i]);
        if (file.empty()) {
            ++outcome.skipped;
            continue;
        }
        if (MacroFile::write(file, MacroImage::toLines((*macros)[i])))
            ++outcome.filesWritten;
        else
            failed = true;
    }
    if (failed)
        outcome.result = MacroRebuildResult::WriteFailed;
    return outcome;
}

}  // namespace corv
