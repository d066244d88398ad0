#include "platform/UnixSocket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corv::unixsocket {

int connectTo(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int result = 0;
    do
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    while (result < 0 && errno == EINTR);
    if (result < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool readSome(int fd, std::string* appendTo)
{
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        appendTo->append(buffer, static_cast<std::size_t>(n));
        return true;
    }
}

}  // namespace corv::unixsocket
