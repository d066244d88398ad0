#include "platform/HidrawSysfs.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <fstream>

namespace corv {
namespace {

constexpr std::uint32_t kBusUsb = 0x03;
constexpr std::size_t kMaxTextFile = 64 * 1024;

bool parseHex(std::string_view text, std::size_t maxDigits, std::uint64_t& out)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    out = value;
    return true;
}

// Reads a small text file whole; false when it cannot be read or is unreasonably long.
bool readText(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.clear();
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        out.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (out.size() > kMaxTextFile)
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

}  // namespace

std::string HidrawSysfs::nodeDirectory(const std::string& devicePath)
{
    struct stat st { };
    if (devicePath.empty() || ::stat(devicePath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return {};
    return "/sys/dev/char/" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
}

bool HidrawSysfs::isHidrawNode(const std::string& nodeDir)
{
    if (nodeDir.empty())
        return false;
    char target[PATH_MAX];
    const ssize_t n = ::readlink((nodeDir + "/subsystem").c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    const std::string_view link(target, static_cast<std::size_t>(n));
    const std::size_t slash = link.rfind('/');
    return link.substr(slash == std::string_view::npos ? 0 : slash + 1) == "hidraw";
}

std::vector<std::uint8_t> HidrawSysfs::readReportDescriptor(const std::string& nodeDir)
{
    if (nodeDir.empty())
        return {};
    std::ifstream in(nodeDir + "/device/report_descriptor", std::ios::binary);
    if (!in)
        return {};
    // One byte more than allowed, to tell "exactly the limit" from "too long".
    std::vector<std::uint8_t> bytes(kMaxDescriptorBytes + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0 || got > kMaxDescriptorBytes)
        return {};
    bytes.resize(got);
    return bytes;
}

bool HidrawSysfs::parseHidId(std::string_view uevent, std::uint32_t& bus, std::uint16_t& vendorId,
                             std::uint16_t& productId)
{
    constexpr std::string_view kKey = "HID_ID=";
    std::size_t pos = 0;
    while (pos < uevent.size()) {
        std::size_t end = uevent.find('\n', pos);
        if (end == std::string_view::npos)
            end = uevent.size();
        const std::string_view line = trimmed(uevent.substr(pos, end - pos));
        pos = end + 1;
        if (line.substr(0, kKey.size()) != kKey)
            continue;
        const std::string_view value = line.substr(kKey.size());
        const std::size_t c1 = value.find(':');
        const std::size_t c2 = c1 == std::string_view::npos ? c1 : value.find(':', c1 + 1);
        if (c2 == std::string_view::npos)
            return false;
        std::uint64_t b = 0;
        std::uint64_t v = 0;
        std::uint64_t p = 0;
        if (!parseHex(value.substr(0, c1), 8, b) || !parseHex(value.substr(c1 + 1, c2 - c1 - 1), 8, v) ||
            !parseHex(value.substr(c2 + 1), 8, p) || v > 0xFFFF || p > 0xFFFF)
            return false;
        bus = static_cast<std::uint32_t>(b);
        vendorId = static_cast<std::uint16_t>(v);
        productId = static_cast<std::uint16_t>(p);
        return true;
    }
    return false;
}

bool HidrawSysfs::readAttributes(const std::string& nodeDir, HidAttributes& out)
{
    if (nodeDir.empty())
        return false;
    std::string uevent;
    if (!readText(nodeDir + "/device/uevent", uevent))
        return false;
    std::uint32_t bus = 0;
    HidAttributes attributes;
    if (!parseHidId(uevent, bus, attributes.vendorId, attributes.productId))
        return false;
    if (bus == kBusUsb) {
        // device -> the HID device; its parent is the USB interface, whose parent is the
        // USB device that carries bcdDevice.
        std::string bcd;
        std::uint64_t version = 0;
        if (readText(nodeDir + "/device/../../bcdDevice", bcd) && parseHex(trimmed(bcd), 4, version))
            attributes.versionNumber = static_cast<std::uint16_t>(version);
    }
    out = attributes;
    return true;
}

}  // namespace corv
