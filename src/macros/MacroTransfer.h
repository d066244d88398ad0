#pragma once
// The library and the mouse: writing every macro of the data folder into the mouse's macro
// area, and rebuilding the macro files from the area read at connection.
//
// Every write of the area is marked in the data folder while it runs (MacroWriteMark): the
// mark is made before CMD_BEGIN and removed after CMD_END of a write that completed. While
// it is there, the area is not read back into files; the connection writes the library into
// it again instead (rewriteUnfinishedMacroArea).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/AtomicFile.h"

namespace corv {

class DeviceChannel;
struct DeviceState;

enum class MacroWriteResult {
    Written,         // the image was sent and every command succeeded
    NothingToWrite,  // the library is empty: nothing sent (the mouse keeps its macros); a success
    DoesNotFit,      // the image is larger than the macro area: kMsgMacroNoSpace with actionsToRemove
    DataError,       // the image could not be built (out of memory), or the data folder could not
                     // take the mark of the write (nothing sent): kMsgMacroDataError
    DeviceError,     // a command failed (deviceResult); the mouse may hold part of the image
};

struct MacroWriteOutcome {
    MacroWriteResult result = MacroWriteResult::NothingToWrite;
    std::size_t macroCount = 0;
    std::size_t imageLength = 0;
    long actionsToRemove = 0;  // DoesNotFit: the number for the message
    int deviceResult = 1;      // DeviceError: the result code of the command that failed

    // Where the image differs from what the files say (it is sent all the same), for the
    // user to be told:
    std::size_t macrosLeftOut = 0;  // index entries beyond kMaxMacros: not in the image
    // Entries whose name cannot be a file name, and macros whose file is there but cannot
    // be read (with the reason): each is an empty macro in the image.
    std::vector<std::string> unusableNames;
    std::vector<std::pair<std::string, ReadStatus>> unreadableFiles;
    std::size_t damagedLines = 0;  // lines that cannot be parsed or do not fit: zero delays
    // NothingToWrite: how the index was read (Missing for no library at all; TooLarge or
    // Failed when it is there but cannot be read).
    ReadStatus indexStatus = ReadStatus::Ok;
};

// Reads the library of dataFolder once, checks the image against the macro area of
// capacityUnits × 128 bytes and sends it: CMD_BEGIN, CMD_WRITE_MACROS of the whole image
// (in 56-byte chunks), CMD_END. The library is read and packed before the channel's lock is
// taken; the lock is then held from CMD_BEGIN to CMD_END, so no other thread's request comes
// between them. Callable from any thread that does not already wait for the UI thread.
MacroWriteOutcome writeMacroLibrary(DeviceChannel& channel, std::uint8_t capacityUnits,
                                    const std::filesystem::path& dataFolder);
// The same with the capacity the mouse reported at connection (DeviceInfo byte 6), read
// under the state lock.
MacroWriteOutcome writeMacroLibrary(DeviceChannel& channel, const DeviceState& state,
                                    const std::filesystem::path& dataFolder);

// The capacity of the macro area in 128-byte units, as the mouse reported it at connection.
std::uint8_t macroCapacityUnits(DeviceChannel& channel, const DeviceState& state);

// The same in two halves, for a caller that must not wait for the mouse. The first reads
// and packs the library into image; its result is Written when the image is ready to be
// sent, else the reason nothing is to be sent. The second sends a packed image of the
// library of dataFolder (the channel's lock from the mark to its removal, CMD_BEGIN to
// CMD_END between) and sets the outcome's result.
MacroWriteOutcome packMacroLibrary(std::uint8_t capacityUnits, const std::filesystem::path& dataFolder,
                                   std::vector<std::uint8_t>& image);
void sendMacroImage(DeviceChannel& channel, const std::vector<std::uint8_t>& image,
                    const std::filesystem::path& dataFolder, MacroWriteOutcome& outcome);

// At connection, before the macro area is read: when the last write of the area did not
// finish (its mark is in dataFolder), the library is written into the mouse again, with the
// capacity the mouse reports now (its state has not been read yet). The outcome of that
// write, or nullopt when there is no mark and the area may be read. With the mark there,
// the area is never to be read back into files, whatever the outcome: a write that fails or
// has nothing to send keeps the mark for the next connection.
std::optional<MacroWriteOutcome> rewriteUnfinishedMacroArea(DeviceChannel& channel,
                                                            const std::filesystem::path& dataFolder);

enum class MacroRebuildResult {
    Rebuilt,       // every macro of the image that the library holds was written
    InvalidImage,  // the image is inconsistent: the library is untouched
    WriteFailed,   // the index or a macro file could not be written (the others were)
};

// The window's event that the macro files have been rebuilt from the mouse (payload: the
// MacroRebuildOutcome), raised on the UI thread once the connection has released the mouse.
inline constexpr const char* kMacrosRebuiltEvent = "macros-rebuilt";

struct MacroRebuildOutcome {
    MacroRebuildResult result = MacroRebuildResult::Rebuilt;
    std::size_t macrosInImage = 0;
    std::size_t filesWritten = 0;
    // Macros whose index entry has no usable file name: their files are not written.
    std::size_t skipped = 0;
    // New library entries made for macros of the image ("新建宏<n>"), in order; the macro
    // list of the window is to show them.
    std::vector<std::string> addedNames;
    // The image holds more macros than the library may (kMaxMacros): only the first
    // kMaxMacros were rebuilt (kMsgMacroLimit).
    bool limitReached = false;
};

// Turns the macro area read from the mouse (checked for its signature by the reader) back
// into macro files: the library first grows to the image's macro count (at most
// kMaxMacros) with new macros, then the file of each macro i of the image is replaced by
// its actions. Library macros beyond the image keep their files; nothing else of the index
// changes. The image is checked whole before anything is written. File work only: run it
// on the connection thread; it never touches the window.
MacroRebuildOutcome rebuildLibraryFromImage(std::span<const std::uint8_t> area,
                                            const std::filesystem::path& dataFolder);

}  // namespace corv
