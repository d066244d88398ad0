#pragma once
// One opened HID collection of the mouse: the enumeration of present collections, the
// match-and-verify procedures, opening with capabilities and input data descriptors, and
// the report I/O with timeouts and cancellation.
//
// On Linux a hidraw node stands for a whole USB interface, which may carry several
// top-level collections, and every handle on the node receives every input report of the
// interface. A record therefore remembers which collection it was opened for (from the
// node's report descriptor) and read() passes on only that collection's reports.
//
// Thread safety: enumeration, matching and opening are used by one owning thread. write and
// read are used by one thread at a time (the channel's record only under the channel's
// lock). cancel may be called from any thread while a read waits: the read wakes at once.
// Opening and closing belong to the owning thread; a handle dropped by closeDevice stays
// alive until a read still running on it has returned.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/HidInputData.h"
#include "device/HidReportDescriptor.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"

namespace corv {

// Expected identity of a collection: what the matching looks for.
struct ChannelIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
};

// Capabilities of the opened collection.
struct HidCapabilities {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t inputReportByteLength = 0;  // including the report id byte
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
};

// Outcome of the last match, so that a caller can tell "no mouse" from "mouse present but
// this user may not open it".
enum class HidMatchOutcome { Found, NotPresent, NoPermission, Failed };

class HidDeviceInfo {
public:
    HidDeviceInfo(HidBackend& backend, Clock& clock);
    ~HidDeviceInfo();
    HidDeviceInfo(const HidDeviceInfo&) = delete;
    HidDeviceInfo& operator=(const HidDeviceInfo&) = delete;

    // Fills the path list with every present collection, in the system's order.
    // Returns false (and an empty list) when the system call fails.
    bool enumerate();
    // Opens pathList[nextIndex - 1]'s node for the collection that entry names and fills
    // capabilities, attributes and input data. On failure the record stays closed.
    bool open(const HidInterfaceEntry& entry);
    // Wakes a pending read, drops the handle and the capability data; keeps the path list.
    void closeDevice();
    // closeDevice, then forgets the path list.
    void destroy();

    // The two match procedures: walk the path list in order, take entries whose enumerated
    // vendor id, product id, usage page and usage equal the expected ones, open them and
    // verify the opened collection again. Return true with the device open.
    bool findChannelDevice(const ChannelIdentity& identity);
    bool findListenerDevice();
    HidMatchOutcome lastMatchOutcome() const { return matchOutcome_; }

    // Writes one report (byte 0 = report id), waiting at most timeoutMs.
    bool write(const std::uint8_t* data, std::size_t length, int timeoutMs, std::size_t* transferred = nullptr);
    // Reads the next input report of this collection (byte 0 = report id) into buffer,
    // waiting at most timeoutMs (negative: no limit). Reports of the interface's other
    // collections are skipped. Returns true when a report arrived.
    bool read(std::uint8_t* buffer, std::size_t length, int timeoutMs, std::size_t* transferred = nullptr);
    // Discards input reports that are already waiting (a late answer to an abandoned request).
    std::size_t drainInput();
    // Wakes a read waiting in another thread; with none waiting the next read fails at once.
    void cancel();
    // Whether the node of the opened path is still present and, while a handle is open, still
    // the device that handle was opened on.
    bool probe() const;
    // The backend's plug and unplug notices (null: none).
    HotplugSignal* hotplug() const { return backend_.hotplug(); }

    bool isOpen() const;
    const std::vector<HidInterfaceEntry>& pathList() const { return pathList_; }
    std::size_t nextIndex = 0;
    const std::string& path() const { return path_; }
    const HidAttributes& attributes() const { return attributes_; }
    const HidCapabilities& capabilities() const { return caps_; }
    std::vector<HidInputDataDescriptor>& inputData() { return inputData_; }
    const HidReportDescriptor& reportDescriptor() const { return descriptor_; }
    std::size_t collectionIndex() const { return collection_; }
    Clock& clock() { return clock_; }

private:
    bool findDevice(const ChannelIdentity& identity);
    std::shared_ptr<HidHandle> currentHandle() const;

    HidBackend& backend_;
    Clock& clock_;
    std::vector<HidInterfaceEntry> pathList_;
    std::string path_;
    HidAttributes attributes_{};
    HidCapabilities caps_{};
    HidReportDescriptor descriptor_;
    std::size_t collection_ = 0;
    std::vector<HidInputDataDescriptor> inputData_;
    HidMatchOutcome matchOutcome_ = HidMatchOutcome::NotPresent;

    mutable std::mutex handleMutex_;  // guards handle_ against cancel/closeDevice from other threads
    std::shared_ptr<HidHandle> handle_;
};

}  // namespace corv
