// WebMidiOut: each call goes to the page's synthesiser through JavaScript.
#include "platform/web/web_midi_out.h"

#include <emscripten.h>

#include <algorithm>

namespace advplay::platform {

namespace {

// clang-format off
EM_JS(int, page_midi_open, (), {
    var midi = Module['advplayMidi'];
    return midi && midi.open ? (midi.open() ? 1 : 0) : 0;
});
EM_JS(void, page_midi_call, (int what, int value), {
    var midi = Module['advplayMidi'];
    if (!midi)
        return;
    if (what == 0 && midi.reset) midi.reset();
    else if (what == 1 && midi.close) midi.close();
    else if (what == 2 && midi.short) midi.short(value >>> 0);
    else if (what == 3 && midi.volume) midi.volume(value);
});
EM_JS(void, page_midi_long, (const std::uint8_t* bytes, int size), {
    var midi = Module['advplayMidi'];
    if (midi && midi.long)
        midi.long(HEAPU8.slice(bytes, bytes + size));
});
// clang-format on

} // namespace

bool WebMidiOut::open()
{
    return page_midi_open() != 0;
}

void WebMidiOut::reset()
{
    page_midi_call(0, 0);
}

void WebMidiOut::close()
{
    page_midi_call(1, 0);
}

void WebMidiOut::send_short(std::uint32_t message)
{
    page_midi_call(2, static_cast<int>(message));
}

void WebMidiOut::send_long(std::span<const std::uint8_t> message)
{
    page_midi_long(message.data(), static_cast<int>(message.size()));
}

void WebMidiOut::set_volume(int percent)
{
    page_midi_call(3, std::clamp(percent, 0, 100));
}

} // namespace advplay::platform
