// MidiOut: a MIDI output device (a synthesiser, a port of the system's sequencer, a recorder), as the
// sequencer drives it: open, short messages, system-exclusive messages, reset, close.
#pragma once

#include <cstdint>
#include <span>

namespace advplay::platform {

// The calls come from one thread at a time, but not always the same one: the sequencer plays from
// its timer's thread and opens and closes from the main thread.
class MidiOut {
public:
    virtual ~MidiOut() = default;
    // Makes the device ready for messages. False when it cannot be opened; messages sent then are
    // dropped.
    [[nodiscard]] virtual bool open() = 0;
    // Ends every sounding note (note-offs and the sustain pedal released on all sixteen channels) and
    // leaves the device open.
    virtual void reset() = 0;
    virtual void close() = 0;
    // A channel or system message packed as a Windows short message: the status byte in bits 0..7,
    // the first data byte in bits 8..15, the second in bits 16..23. The data bytes are passed as the
    // song holds them, high bit included; a device keeps what it can use.
    virtual void send_short(std::uint32_t message) = 0;
    // A system-exclusive message: 0xF0 followed by its data, normally ending in 0xF7.
    virtual void send_long(std::span<const std::uint8_t> message) = 0;
    // How loud the device sounds from here on, notes already sounding too, in percent of its own
    // level (clamped to 0..100); it outlasts reset, close and open. At 100 it sounds exactly as
    // without the call. A device whose level is not this program's to set keeps it.
    virtual void set_volume(int percent) { (void)percent; }
};

} // namespace advplay::platform
