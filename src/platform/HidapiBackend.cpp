#include "platform/HidapiBackend.h"

#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <utility>

#include "platform/HidrawSlicedReader.h"
#include "platform/HidrawSysfs.h"

namespace corv {
namespace {

// hidapi keeps process-wide state that enumerating and opening change (the last error, kept
// as an allocated string): the device connection and the input listener enumerate on their
// own threads, so these calls take turns. Held only for the call itself.
std::mutex& hidapiGlobals()
{
    static std::mutex m;
    return m;
}

// hid_init once for the process; later calls only read the result.
bool hidapiReady()
{
    static const bool ready = hid_init() == 0;
    return ready;
}

HidOpenError errorFromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return HidOpenError::NotFound;
    case EACCES:
    case EPERM:
        return HidOpenError::PermissionDenied;
    default:
        return HidOpenError::Other;
    }
}

class HidapiHandle final : public HidHandle {
public:
    HidapiHandle(hid_device* device, HidAttributes attributes, std::vector<std::uint8_t> descriptor)
        : device_(device), attributes_(attributes), descriptor_(std::move(descriptor)),
          reader_([this](std::uint8_t* buffer, std::size_t capacity, int sliceMs) {
              return hid_read_timeout(device_, buffer, capacity, sliceMs);
          })
    { }
    ~HidapiHandle() override { hid_close(device_); }
    HidapiHandle(const HidapiHandle&) = delete;
    HidapiHandle& operator=(const HidapiHandle&) = delete;

    int write(const std::uint8_t* data, std::size_t length, int /*timeoutMs*/) override
    {
        if (data == nullptr || length == 0 || length > static_cast<std::size_t>(INT_MAX))
            return -1;
        const int written = hid_write(device_, data, length);
        return written < 0 ? -1 : written;
    }
    int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override
    {
        return reader_.read(buffer, capacity, timeoutMs);
    }
    void cancel() override { reader_.cancel(); }
    HidAttributes attributes() const override { return attributes_; }
    std::vector<std::uint8_t> reportDescriptor() const override { return descriptor_; }

private:
    hid_device* device_;
    const HidAttributes attributes_;
    const std::vector<std::uint8_t> descriptor_;
    HidrawSlicedReader reader_;
};

// Opens the node ourselves once and asks it for its descriptor size, the ioctl every hidraw
// node answers: the open tells a permission problem apart, the ioctl a node of another kind.
HidOpenError checkHidrawNode(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errorFromErrno(errno);
    int size = 0;
    const int rc = ::ioctl(fd, HIDIOCGRDESCSIZE, &size);
    ::close(fd);
    return rc < 0 ? HidOpenError::Other : HidOpenError::None;
}

void setError(HidOpenError* error, HidOpenError value)
{
    if (error)
        *error = value;
}

}  // namespace

bool HidapiBackend::enumerate(std::vector<HidInterfaceEntry>& out)
{
    out.clear();
    if (!hidapiReady())
        return false;
    const std::lock_guard<std::mutex> turn(hidapiGlobals());
    // hidapi returns null both for "no device" and for a failure it cannot tell apart.
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* p = list; p != nullptr; p = p->next) {
        // An entry without a path cannot be opened, and an empty path ends a scan early.
        if (p->path == nullptr || p->path[0] == '\0')
            continue;
        HidInterfaceEntry entry;
        entry.path = p->path;
        entry.vendorId = p->vendor_id;
        entry.productId = p->product_id;
        entry.releaseNumber = p->release_number;
        entry.usagePage = p->usage_page;
        entry.usage = p->usage;
        entry.interfaceNumber = p->interface_number;
        out.push_back(std::move(entry));
    }
    hid_free_enumeration(list);
    return true;
}

std::unique_ptr<HidHandle> HidapiBackend::open(const std::string& path, HidOpenError* error)
{
    setError(error, HidOpenError::None);
    if (path.empty()) {
        setError(error, HidOpenError::NotFound);
        return nullptr;
    }
    if (!hidapiReady()) {
        setError(error, HidOpenError::Other);
        return nullptr;
    }
    // Look before opening: hidapi reports only "failed", and the caller wants to know
    // whether the mouse is missing or just not accessible to this user.
    if (::access(path.c_str(), R_OK | W_OK) != 0) {
        setError(error, errorFromErrno(errno));
        return nullptr;
    }
    // Only hidraw nodes go to hidapi: hid_open_path of hidapi 0.13 crashes on a character
    // device that does not answer the hidraw ioctls, and opening other devices may have
    // side effects.
    const std::string nodeDir = HidrawSysfs::nodeDirectory(path);
    if (nodeDir.empty() || !HidrawSysfs::isHidrawNode(nodeDir)) {
        setError(error, HidOpenError::Other);
        return nullptr;
    }
    const HidOpenError checked = checkHidrawNode(path);
    if (checked != HidOpenError::None) {
        setError(error, checked);
        return nullptr;
    }

    hid_device* device = nullptr;
    int openErrno = 0;
    {
        const std::lock_guard<std::mutex> turn(hidapiGlobals());
        errno = 0;
        device = hid_open_path(path.c_str());
        openErrno = errno;
    }
    if (device == nullptr) {
        setError(error, openErrno == 0 ? HidOpenError::Other : errorFromErrno(openErrno));
        return nullptr;
    }

    HidAttributes attributes;
    if (const hid_device_info* info = hid_get_device_info(device)) {
        attributes.vendorId = info->vendor_id;
        attributes.productId = info->product_id;
        attributes.versionNumber = info->release_number;
    } else {
        HidrawSysfs::readAttributes(nodeDir, attributes);  // stays zero when sysfs has nothing either
    }
    return std::make_unique<HidapiHandle>(device, attributes, HidrawSysfs::readReportDescriptor(nodeDir));
}

bool HidapiBackend::isPresent(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace corv
