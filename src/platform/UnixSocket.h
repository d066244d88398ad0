#pragma once
// A client's stream socket to a local (AF_UNIX) server, for the compositors' IPC.
#include <string>
#include <string_view>

namespace corv::unixsocket {

// A connected, close-on-exec socket to path, or -1 (path too long, nobody listening).
int connectTo(const std::string& path);
// Writes all of data (a blocking socket); false when the peer is gone.
bool writeAll(int fd, std::string_view data);
// Reads what is there (at most one buffer); false at the end of the stream or on an error.
bool readSome(int fd, std::string* appendTo);

}  // namespace corv::unixsocket
