// The compositors' IPC as hostile input: Hyprland's lines and answers, and the bytes of sway's socket, cut at any points, go
// through the framer and every message through the parsers of its type.
// - the framer never returns more payload bytes than were fed, and a message's payload is
//   at most kMaxPayload;
// - a window report names a process (pid above 0) and carries no executable (that comes
//   from /proc, never from the compositor);
// - nothing throws (the JSON parser runs without exceptions) or overflows the stack.
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "platform/HyprlandIpc.h"
#include "platform/SwayIpc.h"

namespace {

using namespace corv;

void checkNews(const sway::FocusNews& news)
{
    if (news.kind == sway::FocusNews::Window) {
        if (!(news.program.pid > 0))
            corv::fuzz::fail("a window report without a process", "");
        if (!(news.program.executable.empty()))
            corv::fuzz::fail("an executable taken from the compositor", "");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // The parsers on one payload.
    const std::string payload = input.ConsumeRandomLengthString(1 << 16);
    checkNews(sway::readWindowEvent(payload));
    checkNews(sway::readWorkspaceEvent(payload));
    checkNews(sway::readTree(payload));
    const ForegroundProgram hypr = hyprland::readActiveWindow(payload);
    if (!hypr.none() && (hypr.pid == 0 || !hypr.executable.empty()))
        corv::fuzz::fail("a Hyprland window without a process, or with an executable", "");
    hyprland::LineSplitter lines;
    for (const std::string& line : lines.feed(payload)) {
        if (line.size() > hyprland::kMaxLine)
            corv::fuzz::fail("a Hyprland line above the limit", "");
        (void)hyprland::activeWindowAddress(line);
    }

    // The framer on a stream of framed payloads and raw bytes, fed in random pieces.
    std::string stream;
    while (input.remaining_bytes() > 0 && stream.size() < (1 << 18)) {
        if (input.ConsumeBool())
            stream += sway::encode(input.ConsumeIntegral<std::uint32_t>(), input.ConsumeRandomLengthString(4096));
        else
            stream += input.ConsumeRandomLengthString(64);
    }
    sway::Framer framer;
    std::size_t fed = 0;
    std::size_t out = 0;
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::size_t piece = 1 + (stream[at] & 0x3f);
        const std::string_view part = std::string_view(stream).substr(at, piece);
        framer.feed(part);
        fed += part.size();
        at += part.size();
        while (auto m = framer.next()) {
            out += m->payload.size();
            if (!(m->payload.size() <= sway::kMaxPayload))
                corv::fuzz::fail("a payload above the limit", "");
            if (m->type == sway::kWindowEvent)
                checkNews(sway::readWindowEvent(m->payload));
            else if (m->type == sway::kGetTree)
                checkNews(sway::readTree(m->payload));
        }
    }
    if (!(out <= fed))
        corv::fuzz::fail("more payload than was fed", "");
    return 0;
}
