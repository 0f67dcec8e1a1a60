// Sound effects.
#include "media/wav_sound.h"

#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/media_player.h"
#include "platform/window.h"

namespace advplay::media {

namespace {

// A device that never says the sound is over must not hold the game: the wait ends this long after
// the sound's own length at the latest.
constexpr std::uint32_t kWaitSlackMs = 1000;
constexpr std::uint32_t kWaitStepMs = 1;

void wait_for_effect(Engine& engine, std::uint32_t length_ms)
{
    platform::MediaPlayer& player = *engine.media.link.player;
    platform::Clock& clock = engine.platform.clock;
    std::uint32_t const started = clock.now();
    std::uint64_t const longest = std::uint64_t { length_ms } + kWaitSlackMs;
    while (player.effect_playing() && clock.now() - started < longest) {
        engine.platform.window.handle_paint_requests();
        clock.sleep(kWaitStepMs);
    }
}

void put_32(std::array<std::uint8_t, 48>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void put_16(std::array<std::uint8_t, 48>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put_tag(std::array<std::uint8_t, 48>& bytes, std::size_t at, std::string_view tag)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(tag[i]);
}

} // namespace

void play_wav(Engine& engine, std::string_view path, std::int32_t mode)
{
    if (path.empty() || mode < 0 || mode > 2)
        return;
    platform::MediaPlayer* player = engine.media.link.player;
    if (!player)
        return;
    auto const host = engine.media.link.host_path(path);
    if (!host) {
        // A sound that is not there still silences the one before, as a new sound would have.
        player->stop_effect();
        return;
    }
    auto const how = static_cast<WavMode>(mode) == WavMode::Loop ? platform::EffectMode::Loop
                                                                 : platform::EffectMode::Once;
    auto const length = player->play_effect(*host, how);
    if (length && static_cast<WavMode>(mode) == WavMode::Wait)
        wait_for_effect(engine, *length);
}

void stop_wav(Engine& engine)
{
    if (engine.media.link.player)
        engine.media.link.player->stop_effect();
}

std::array<std::uint8_t, 48> warm_up_wave()
{
    std::array<std::uint8_t, 48> bytes {};
    put_tag(bytes, 0, "RIFF");
    put_32(bytes, 4, 40);
    put_tag(bytes, 8, "WAVE");
    put_tag(bytes, 12, "fmt ");
    put_32(bytes, 16, 16);
    put_16(bytes, 20, 1); // PCM
    put_16(bytes, 22, 1); // one channel
    put_32(bytes, 24, 8000); // samples a second
    put_32(bytes, 28, 8000); // bytes a second
    put_16(bytes, 32, 1); // block align
    put_16(bytes, 34, 8); // bits a sample
    put_tag(bytes, 36, "data");
    put_32(bytes, 40, 4);
    // Four samples of 8-bit silence.
    for (std::size_t i = 44; i < 48; ++i)
        bytes[i] = 0x80;
    return bytes;
}

void warm_up_wav(Engine& engine)
{
    platform::MediaPlayer* player = engine.media.link.player;
    if (!player)
        return;
    auto const wave = warm_up_wave();
    if (auto const length = player->play_effect_image(wave))
        wait_for_effect(engine, *length);
}

} // namespace advplay::media
