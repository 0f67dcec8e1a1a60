// The bytes of a short MIDI message as a device sends them on the wire.
#pragma once

#include <cstddef>
#include <cstdint>

namespace advplay::platform {

// Unpacks a short message (status in bits 0..7, data in 8..15 and 16..23) into `out` and returns
// its length: 3, 2 or 1 bytes by its status, data bytes cut to 7 bits. 0 for what is no short
// message: a data byte in the status place, system exclusive, its end, and the undefined statuses.
inline std::size_t short_message_bytes(std::uint32_t message, std::uint8_t (&out)[3])
{
    std::uint8_t const status = static_cast<std::uint8_t>(message);
    out[0] = status;
    out[1] = static_cast<std::uint8_t>((message >> 8) & 0x7F);
    out[2] = static_cast<std::uint8_t>((message >> 16) & 0x7F);
    if (status < 0x80)
        return 0;
    if (status < 0xF0)
        return (status & 0xE0) == 0xC0 ? 2 : 3;
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6: // tune request
    case 0xF8: // clock
    case 0xFA: // start
    case 0xFB: // continue
    case 0xFC: // stop
    case 0xFE: // active sensing
    case 0xFF: // system reset
        return 1;
    default:
        return 0;
    }
}

} // namespace advplay::platform
