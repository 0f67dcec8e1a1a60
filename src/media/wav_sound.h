// Sound effects: WAV files played once, once while the game waits, or in a loop, one at a time; and
// the short silence that wakes the sound output at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::media {

enum class WavMode : std::int32_t {
    // Once, in the background.
    Once = 0,
    // Once, and the game (the interpreter and input; not the window's painting) waits for its end.
    Wait = 1,
    // Again and again in the background until stopped or replaced.
    Loop = 2,
};

// Plays the file (an engine path) in mode 0, 1 or 2 (WavMode), in place of the sound playing; any
// other mode, or an empty path, does nothing. A file that cannot be played leaves the effects silent.
void play_wav(Engine& engine, std::string_view path, std::int32_t mode);
void stop_wav(Engine& engine);

// The 48-byte WAVE file of warm_up_wav: four samples of 8-bit silence at 8000 Hz.
std::array<std::uint8_t, 48> warm_up_wave();
// Plays warm_up_wave() and waits for it: the sound output is awake before the game's first effect.
void warm_up_wav(Engine& engine);

} // namespace advplay::media
