#pragma once
// Writes every frame exchanged with the mouse to a text file, one line per frame:
// "> " before a request, "< " before an answer, then the 64 bytes as two hex digits each,
// separated by single spaces. Used by --frame-log on the hardware and the virtual mouse.
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

#include "device/DeviceChannel.h"

namespace corv {

class FrameLogFile {
public:
    FrameLogFile() = default;
    ~FrameLogFile();
    FrameLogFile(const FrameLogFile&) = delete;
    FrameLogFile& operator=(const FrameLogFile&) = delete;

    // Creates (truncates) the file. False when it cannot be opened.
    bool open(const std::filesystem::path& file);
    bool isOpen() const { return file_ != nullptr; }
    void write(FrameDirection direction, const ReportFrame& frame);
    // Attaches this log to a channel; the log must outlive the channel's use of it.
    void attach(DeviceChannel& channel);

    static std::string formatLine(FrameDirection direction, const ReportFrame& frame);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace corv
