#pragma once
// The single-setting sends of the pages, through the host's command thread: bytes of the
// active settings record (CMD_WRITE_SETTINGS at active * 64 + n). The address is taken
// from the state when the command is handed over, so a later change of the active record
// cannot move it.
#include <cstddef>
#include <cstdint>

namespace corv {

class FeatureHost;

void sendSettings(FeatureHost& host, std::size_t n, const std::uint8_t* data, std::size_t length);
void sendSetting(FeatureHost& host, std::size_t n, std::uint8_t value);

}  // namespace corv
