#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "platform/HidapiBackend.h"
#include "platform/HidrawHandle.h"
#include "platform/HidrawSysfs.h"

namespace corv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TempFolder;
using test::writeBytes;

// ---- The handle's reads and writes ------------------------------------------------------

// A node stand-in: one end of a packet socket pair goes to the handle, the test is the
// device at the other end (one report per packet, like hidraw).
struct NodePair {
    int device = -1;
    std::unique_ptr<HidrawHandle> handle;

    NodePair()
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
            throw std::runtime_error("socketpair failed");
        device = fds[1];
        handle = std::make_unique<HidrawHandle>(fds[0], HidAttributes{0x0C45, 0x6711, 0x0105},
                                                std::vector<std::uint8_t>{0x05, 0x01});
    }
    ~NodePair()
    {
        if (device >= 0)
            ::close(device);
    }
    void unplug()
    {
        ::close(device);
        device = -1;
    }
};

// Whether the thread is asleep in poll() (what a read without a report must do).
bool sleepsInPoll(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long number = -1;
    return static_cast<bool>(in >> number) && number == SYS_poll;
}

TEST(HidrawHandle, ReportsPassWholeBothWaysAndAnUnplugFailsTheRead)
{
    NodePair node;
    ASSERT_TRUE(node.handle->valid());
    const std::uint8_t report[3] = {0x03, 0x03, 0x04};
    ASSERT_EQ(::write(node.device, report, sizeof report), 3);
    std::uint8_t buffer[64] = {};
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, -1), 3);
    EXPECT_EQ(buffer[2], 0x04);

    const std::uint8_t request[64] = {0x06, 0xA1};
    EXPECT_EQ(node.handle->write(request, sizeof request, 100), 64);
    std::uint8_t received[80] = {};
    EXPECT_EQ(::read(node.device, received, sizeof received), 64);
    EXPECT_EQ(received[1], 0xA1);
    EXPECT_EQ(node.handle->write(nullptr, 4, 100), -1);
    EXPECT_EQ(node.handle->read(nullptr, 8, 10), kHidReadError);

    EXPECT_TRUE(node.handle->alive());
    node.unplug();
    EXPECT_FALSE(node.handle->alive());
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, -1), kHidReadError);
    EXPECT_EQ(node.handle->write(request, sizeof request, 100), -1);
}

TEST(HidrawHandle, AReadWithoutAReportWaitsItsTimeout)
{
    NodePair node;
    std::uint8_t buffer[8];
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, 0), kHidReadTimeout);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, 30), kHidReadTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST(HidrawHandle, CancelBeforeReadIsConsumedByTheNextReadOnly)
{
    NodePair node;
    std::uint8_t buffer[8];
    node.handle->cancel();
    node.handle->cancel();  // not counted: one cancelled read, like an auto-reset event
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, -1), kHidReadCancelled);
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, 0), kHidReadTimeout);
}

TEST(HidrawHandle, CancelFromAnotherThreadWakesAReadThatSleepsWithoutLimit)
{
    NodePair node;
    std::atomic<pid_t> tid{0};
    std::atomic<int> result{1};
    std::thread waiter([&] {
        tid = static_cast<pid_t>(::syscall(SYS_gettid));
        std::uint8_t buffer[8];
        result = node.handle->read(buffer, sizeof buffer, -1);
    });
    // The read sleeps in the kernel, not in slices that wake the process.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while ((tid == 0 || !sleepsInPoll(tid)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(sleepsInPoll(tid));
    node.handle->cancel();
    waiter.join();
    EXPECT_EQ(result.load(), kHidReadCancelled);
    std::uint8_t buffer[8];
    EXPECT_EQ(node.handle->read(buffer, sizeof buffer, 0), kHidReadTimeout);  // the cancel was used up
}

// ---- sysfs look-ups ---------------------------------------------------------------------

// A sysfs-like tree of one hidraw node of a USB mouse, as the kernel lays it out:
// <usb device>/<interface>/<hid device>/hidraw/hidrawN, with "device" and "subsystem" links.
struct FakeSysfs {
    TempFolder root;
    fs::path usbDevice;
    fs::path hidDevice;
    fs::path node;

    explicit FakeSysfs(const std::string& uevent)
    {
        usbDevice = root / "devices/usb1/1-1";
        hidDevice = usbDevice / "1-1:1.1/0003:0C45:6711.0003";
        node = hidDevice / "hidraw/hidraw3";
        fs::create_directories(node);
        fs::create_directories(root / "class/hidraw");
        fs::create_symlink(hidDevice, node / "device");
        fs::create_symlink(root / "class/hidraw", node / "subsystem");
        writeBytes(usbDevice / "bcdDevice", "0102\n");
        writeBytes(hidDevice / "uevent", uevent);
    }
};

TEST(HidrawSysfs, ReadsIdentityFromHidIdAndTheUsbDevice)
{
    FakeSysfs sys("DRIVER=hid-generic\nHID_ID=0003:00000C45:00006711\nHID_NAME=Mouse\n");
    HidAttributes a;
    ASSERT_TRUE(HidrawSysfs::readAttributes(sys.node.string(), a));
    EXPECT_EQ(a.vendorId, 0x0C45);
    EXPECT_EQ(a.productId, 0x6711);
    EXPECT_EQ(a.versionNumber, 0x0102);

    // Reached through a /sys/dev/char style link as well.
    fs::create_directories(sys.root / "dev/char");
    fs::create_symlink(sys.node, sys.root / "dev/char/241:3");
    HidAttributes b;
    ASSERT_TRUE(HidrawSysfs::readAttributes((sys.root / "dev/char/241:3").string(), b));
    EXPECT_EQ(b.versionNumber, 0x0102);
    EXPECT_TRUE(HidrawSysfs::isHidrawNode((sys.root / "dev/char/241:3").string()));
}

TEST(HidrawSysfs, NonUsbBusHasNoReleaseAndBadIdentityIsRefused)
{
    FakeSysfs bluetooth("HID_ID=0005:0000046D:0000B01A\n");
    HidAttributes a;
    a.versionNumber = 0x7777;
    ASSERT_TRUE(HidrawSysfs::readAttributes(bluetooth.node.string(), a));
    EXPECT_EQ(a.vendorId, 0x046D);
    EXPECT_EQ(a.versionNumber, 0);  // bcdDevice belongs to USB devices only

    FakeSysfs broken("HID_ID=0003:00000C45\n");
    HidAttributes untouched;
    untouched.vendorId = 0x1234;
    EXPECT_FALSE(HidrawSysfs::readAttributes(broken.node.string(), untouched));
    EXPECT_EQ(untouched.vendorId, 0x1234);
    EXPECT_FALSE(HidrawSysfs::readAttributes((broken.root / "nothing").string(), untouched));
    EXPECT_FALSE(HidrawSysfs::readAttributes("", untouched));

    std::uint32_t bus = 0;
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    EXPECT_TRUE(HidrawSysfs::parseHidId("A=1\nHID_ID=0003:00000c45:00006711\r\n", bus, vid, pid));
    EXPECT_EQ(bus, 3u);
    EXPECT_EQ(vid, 0x0C45);
    EXPECT_EQ(pid, 0x6711);
    EXPECT_FALSE(HidrawSysfs::parseHidId("HID_ID=0003:00010C45:00006711", bus, vid, pid));  // above 16 bits
    EXPECT_FALSE(HidrawSysfs::parseHidId("HID_ID=0003:0000XC45:00006711", bus, vid, pid));
    EXPECT_FALSE(HidrawSysfs::parseHidId("HID_ID=0003::00006711", bus, vid, pid));
    EXPECT_FALSE(HidrawSysfs::parseHidId("XHID_ID=0003:00000C45:00006711", bus, vid, pid));
    EXPECT_FALSE(HidrawSysfs::parseHidId("", bus, vid, pid));
}

TEST(HidrawSysfs, ReportDescriptorIsReadWholeAndBounded)
{
    FakeSysfs sys("HID_ID=0003:00000C45:00006711\n");
    const fs::path file = sys.hidDevice / "report_descriptor";
    EXPECT_TRUE(HidrawSysfs::readReportDescriptor(sys.node.string()).empty());  // missing

    writeBytes(file, std::string("\x05\x0C\x09\x01\xA1\x01\x00\xC0", 8));
    EXPECT_EQ(HidrawSysfs::readReportDescriptor(sys.node.string()),
              (std::vector<std::uint8_t>{0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x00, 0xC0}));

    writeBytes(file, std::string(HidrawSysfs::kMaxDescriptorBytes, '\x01'));
    EXPECT_EQ(HidrawSysfs::readReportDescriptor(sys.node.string()).size(), HidrawSysfs::kMaxDescriptorBytes);
    writeBytes(file, std::string(HidrawSysfs::kMaxDescriptorBytes + 1, '\x01'));
    EXPECT_TRUE(HidrawSysfs::readReportDescriptor(sys.node.string()).empty());
    writeBytes(file, "");
    EXPECT_TRUE(HidrawSysfs::readReportDescriptor(sys.node.string()).empty());
    EXPECT_TRUE(HidrawSysfs::readReportDescriptor("").empty());
}

TEST(HidrawSysfs, NodesAreFoundByDeviceNumberAndMustBeHidraw)
{
    EXPECT_EQ(HidrawSysfs::nodeDirectory("/dev/null"), "/sys/dev/char/1:3");
    EXPECT_FALSE(HidrawSysfs::isHidrawNode(HidrawSysfs::nodeDirectory("/dev/null")));

    FakeSysfs sys("HID_ID=0003:00000C45:00006711\n");
    EXPECT_TRUE(HidrawSysfs::isHidrawNode(sys.node.string()));
    EXPECT_FALSE(HidrawSysfs::isHidrawNode(sys.hidDevice.string()));  // no subsystem link
    fs::remove(sys.node / "subsystem");
    fs::create_directories(sys.root / "class/mem");
    fs::create_symlink(sys.root / "class/mem", sys.node / "subsystem");
    EXPECT_FALSE(HidrawSysfs::isHidrawNode(sys.node.string()));
    EXPECT_FALSE(HidrawSysfs::isHidrawNode(""));

    // Not a character device: no node directory at all.
    writeBytes(sys.root / "plain", "x");
    EXPECT_EQ(HidrawSysfs::nodeDirectory((sys.root / "plain").string()), "");
    EXPECT_EQ(HidrawSysfs::nodeDirectory((sys.root / "missing").string()), "");
}

// ---- The backend itself (no HID hardware is needed) -------------------------------------

TEST(HidapiBackend, EnumerationSucceedsWithWhateverIsPresent)
{
    HidapiBackend backend;
    std::vector<HidInterfaceEntry> entries(3);  // stale content must go
    ASSERT_TRUE(backend.enumerate(entries));
    for (const HidInterfaceEntry& e : entries)
        EXPECT_FALSE(e.path.empty());
    std::vector<HidInterfaceEntry> again;
    ASSERT_TRUE(backend.enumerate(again));
    EXPECT_EQ(again.size(), entries.size());
}

TEST(HidapiBackend, OpenTellsMissingNodesFromOtherFailures)
{
    HidapiBackend backend;
    TempFolder dir;
    HidOpenError error = HidOpenError::None;

    EXPECT_EQ(backend.open((dir / "hidraw9").string(), &error), nullptr);
    EXPECT_EQ(error, HidOpenError::NotFound);
    EXPECT_EQ(backend.open("", &error), nullptr);
    EXPECT_EQ(error, HidOpenError::NotFound);

    // A plain file and a directory are not HID nodes.
    writeBytes(dir / "plain", "data");
    EXPECT_EQ(backend.open((dir / "plain").string(), &error), nullptr);
    EXPECT_EQ(error, HidOpenError::Other);
    EXPECT_EQ(backend.open(dir.path().string(), nullptr), nullptr);

    // A character device that is not hidraw is refused before hidapi sees it (hidapi 0.13
    // crashes on such a node).
    EXPECT_EQ(backend.open("/dev/null", &error), nullptr);
    EXPECT_EQ(error, HidOpenError::Other);
}

TEST(HidapiBackend, OpenReportsANodeThisUserMayNotOpen)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: access() grants everything, the permission check cannot be seen";
    HidapiBackend backend;
    TempFolder dir;
    writeBytes(dir / "locked", "data");
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0), 0);
    HidOpenError error = HidOpenError::None;
    EXPECT_EQ(backend.open((dir / "locked").string(), &error), nullptr);
    EXPECT_EQ(error, HidOpenError::PermissionDenied);
}

TEST(HidapiBackend, PresenceMeansAnExistingCharacterDevice)
{
    HidapiBackend backend;
    TempFolder dir;
    writeBytes(dir / "plain", "data");
    EXPECT_FALSE(backend.isPresent((dir / "hidraw9").string()));
    EXPECT_FALSE(backend.isPresent((dir / "plain").string()));
    EXPECT_FALSE(backend.isPresent(""));
    EXPECT_TRUE(backend.isPresent("/dev/null"));
}

}  // namespace
}  // namespace corv
