#pragma once
// The operating system's HID access, reduced to what the device layer needs.
// The real implementation (HidapiBackend) talks to hidraw nodes through hidapi; the
// virtual mouse (src/sim) is a second implementation. One interface (one hidraw node)
// may carry several top-level collections: enumerate() lists one entry per collection,
// all with the same path, and every handle on the node receives every input report of
// the interface, whatever collection it was opened for.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/HotplugSignal.h"

namespace corv {

struct HidInterfaceEntry {
    std::string path;  // the node to open; shared by the collections of one interface
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0;  // bcdDevice: the firmware version
    std::uint16_t usagePage = 0;      // the top-level collection this entry stands for
    std::uint16_t usage = 0;
    int interfaceNumber = -1;
};

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

enum class HidOpenError {
    None,
    NotFound,          // the node is gone
    PermissionDenied,  // the node exists but this user may not open it (udev rule missing)
    Other,
};

// Result codes of HidHandle::read besides a positive byte count.
inline constexpr int kHidReadTimeout = 0;
inline constexpr int kHidReadError = -1;
inline constexpr int kHidReadCancelled = -2;

class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Writes one output report (byte 0 is the report id). Returns the bytes written, or -1
    // when the write failed or did not complete within timeoutMs.
    virtual int write(const std::uint8_t* data, std::size_t length, int timeoutMs) = 0;
    // Reads one input report of the interface (byte 0 is the report id), waiting at most
    // timeoutMs (a negative value waits without limit). Returns the bytes read, or one of
    // kHidReadTimeout, kHidReadError (device gone or failed) and kHidReadCancelled.
    virtual int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) = 0;
    // Wakes a read that waits in another thread (it returns kHidReadCancelled). When no read
    // waits, the next read returns kHidReadCancelled at once. Safe to call from any thread.
    virtual void cancel() = 0;
    virtual HidAttributes attributes() const = 0;
    // False once the device this handle was opened on is gone, even when a new one has
    // taken its node since (a quick re-plug). Safe from any thread.
    virtual bool alive() const { return true; }
    // The interface's report descriptor; empty when it cannot be read.
    virtual std::vector<std::uint8_t> reportDescriptor() const = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // Every present HID collection in the system's order. False when the system call fails.
    virtual bool enumerate(std::vector<HidInterfaceEntry>& out) = 0;
    // Opens a node for reading and writing. On failure returns null and says why.
    virtual std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) = 0;
    // Whether the node is still there (the cheap probe after a plug or unplug notice).
    virtual bool isPresent(const std::string& path) = 0;
    // The notices of nodes coming and going; null when this backend has none (its users
    // then look on a fixed interval).
    virtual HotplugSignal* hotplug() { return nullptr; }
};

}  // namespace corv
