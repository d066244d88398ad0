#include "platform/HidapiBackend.h"

#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/HidrawHandle.h"
#include "platform/HidrawSysfs.h"
#include "platform/HotplugWatcher.h"
#include "platform/UdevNoticeSource.h"

namespace corv {
namespace {

// hidapi keeps process-wide state that enumerating changes (the last error, kept as an
// allocated string): the device connection and the input listener enumerate on their own
// threads, so these calls take turns. Held only for the call itself.
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

// Opens the node and asks it for its descriptor size, the ioctl every hidraw node answers:
// the open tells a permission problem apart, the ioctl a node of another kind. Returns the
// open descriptor, or -1 with the reason in error.
int openHidrawNode(const std::string& path, HidOpenError& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = errorFromErrno(errno);
        return -1;
    }
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) {
        ::close(fd);
        error = HidOpenError::Other;
        return -1;
    }
    error = HidOpenError::None;
    return fd;
}

void setError(HidOpenError* error, HidOpenError value)
{
    if (error)
        *error = value;
}

}  // namespace

HidapiBackend::HidapiBackend() = default;

HidapiBackend::~HidapiBackend() = default;

HotplugSignal* HidapiBackend::hotplug()
{
    std::call_once(watcherStarted_, [this] {
        std::string why;
        if (std::unique_ptr<UdevNoticeSource> source = UdevNoticeSource::open(&why))
            watcher_ = std::make_unique<HotplugWatcher>(std::move(source), hotplug_);
        else
            std::fprintf(stderr, "corvalantis: %s; looking for the mouse once a second instead\n", why.c_str());
    });
    return &hotplug_;
}

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
    // Only hidraw nodes are opened: opening other devices may have side effects.
    const std::string nodeDir = HidrawSysfs::nodeDirectory(path);
    if (nodeDir.empty() || !HidrawSysfs::isHidrawNode(nodeDir)) {
        setError(error, HidOpenError::Other);
        return nullptr;
    }
    HidOpenError opened = HidOpenError::None;
    const int fd = openHidrawNode(path, opened);
    if (fd < 0) {
        setError(error, opened);
        return nullptr;
    }
    HidAttributes attributes;
    HidrawSysfs::readAttributes(nodeDir, attributes);  // stays zero when sysfs has nothing
    auto handle = std::make_unique<HidrawHandle>(fd, attributes, HidrawSysfs::readReportDescriptor(nodeDir));
    if (!handle->valid()) {
        setError(error, HidOpenError::Other);
        return nullptr;
    }
    return handle;
}

bool HidapiBackend::isPresent(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace corv
