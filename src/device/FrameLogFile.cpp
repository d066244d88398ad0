#include "device/FrameLogFile.h"

namespace corv {

FrameLogFile::~FrameLogFile()
{
    if (file_)
        std::fclose(file_);
}

bool FrameLogFile::open(const std::filesystem::path& file)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (file_)
        std::fclose(file_);
    file_ = std::fopen(file.c_str(), "w");
    return file_ != nullptr;
}

std::string FrameLogFile::formatLine(FrameDirection direction, const ReportFrame& frame)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string line = direction == FrameDirection::Request ? "> " : "< ";
    line.reserve(2 + kFrameSize * 3);
    for (std::size_t i = 0; i < kFrameSize; ++i) {
        if (i)
            line += ' ';
        line += digits[frame.bytes[i] >> 4];
        line += digits[frame.bytes[i] & 0x0F];
    }
    return line;
}

void FrameLogFile::write(FrameDirection direction, const ReportFrame& frame)
{
    const std::string line = formatLine(direction, frame);
    std::lock_guard<std::mutex> guard(mutex_);
    if (!file_)
        return;
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void FrameLogFile::attach(DeviceChannel& channel)
{
    channel.setFrameObserver([this](FrameDirection direction, const ReportFrame& frame) { write(direction, frame); });
}

}  // namespace corv
