// SdlMediaPlayer: media output through SDL2_mixer. Sound effects play on a reserved mixer channel,
// MP3 music on the mixer's music stream; CD tracks and movie sound are decoded with FFmpeg and mixed
// into the same output; movies show their pictures in the window on the clock's time.
#pragma once

#include "platform/ffmpeg/ffmpeg_audio.h"
#include "platform/ffmpeg/movie_playback.h"
#include "platform/media_player.h"
#include "platform/media_report.h"
#include "platform/sdl/sdl_mixer.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace advplay::platform {

class Clock;

class SdlMediaPlayer final : public MediaPlayer, private MixSource {
public:
    // Plays through `mixer`. Without a sound device, music, discs and effects cannot be opened, and
    // movies play without their sound.
    SdlMediaPlayer(Clock& clock, SdlMixer& mixer);
    ~SdlMediaPlayer() override;
    SdlMediaPlayer(const SdlMediaPlayer&) = delete;
    SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

    bool has_sound() const { return m_sound; }

    MediaId open_music(const std::string& host_path) override;
    MediaId open_disc(
        std::span<const std::string> host_paths, std::vector<std::optional<std::uint32_t>>& lengths) override;
    bool play_music(MediaId id, Window* notify) override;
    bool play_disc(
        MediaId id, std::uint32_t from_ms, std::optional<std::uint32_t> to_ms, Window* notify) override;
    std::optional<std::uint32_t> position(MediaId id) override;
    MediaId open_movie(const std::string& host_path) override;
    bool set_movie_window(MediaId id, Window* window) override;
    bool fill_movie_window(MediaId id) override;
    bool play_movie(MediaId id, bool repeat, Window* notify) override;
    bool stop(MediaId id, Window* notify) override;
    bool close(MediaId id) override;
    std::optional<std::uint32_t> play_effect(const std::string& host_path, EffectMode mode) override;
    std::optional<std::uint32_t> play_effect_image(std::span<const std::uint8_t> wave) override;
    bool effect_playing() override;
    void stop_effect() override;
    void set_volumes(int music, int effects, int movie) override;
    void update() override;

private:
    // A sound decoded here and mixed into the output on the audio thread: a disc (its tracks one
    // after the other on one time line) or a movie's sound.
    struct Stream {
        std::vector<std::string> paths;
        // Each file's start and length on the time line, in milliseconds.
        std::vector<std::uint32_t> starts;
        std::vector<std::uint32_t> lengths;
        std::uint32_t total { 0 };
        AudioDecoder decoder;
        std::size_t part { 0 };
        bool playing { false };
        // In frames of the output rate.
        std::uint64_t position { 0 };
        std::optional<std::uint64_t> end;
        MediaReport report;
        // A movie's sound, at the movie volume; a disc plays at the music volume.
        bool movie { false };
    };
    struct Music {
        // A Mix_Music.
        void* music { nullptr };
        std::uint32_t started { 0 };
    };
    struct Movie {
        std::unique_ptr<MoviePlayback> playback;
        // Its sound, among m_streams; kNoMedia for a silent movie.
        MediaId sound { kNoMedia };
        MediaReport report;
    };

    void mix_into(std::int16_t* out, std::size_t frames) override;
    // Audio thread: one stream's next frames added to `out`.
    void mix_stream(Stream& stream, std::int16_t* out, std::size_t frames);
    // Moves a stream to the file that holds `ms` of its time line; false past the end.
    bool enter_part(Stream& stream, std::uint32_t ms);
    void halt_music();
    void free_effect();
    // Loads the sound from its bytes (the mixer copies what it needs; the chunk lengths are fitted
    // to the bytes in place) and plays it on the effect channel; its length, or nothing when it
    // cannot be played.
    std::optional<std::uint32_t> play_effect_bytes(std::vector<std::uint8_t> sound, EffectMode mode);
    std::uint64_t to_frames(std::uint32_t ms) const
    {
        return std::uint64_t { ms } * static_cast<std::uint64_t>(m_rate) / 1000;
    }

    Clock& m_clock;
    SdlMixer& m_mixer;
    bool m_sound { false };
    int m_rate { 44100 };
    MediaId m_next_id { 1 };
    // Main thread only.
    std::map<MediaId, Music> m_musics;
    std::map<MediaId, Movie> m_movies;
    // A Mix_Chunk.
    void* m_effect { nullptr };
    std::vector<std::int16_t> m_scratch;

    // Shared with the audio thread. Never call into SDL_mixer while holding it: the mixer calls
    // mix_into with its own lock held, and takes that lock in every call.
    std::mutex m_mutex;
    std::map<MediaId, std::unique_ptr<Stream>> m_streams;
    MediaId m_music_playing { kNoMedia };
    MediaReport m_music_report;
    // Percent of the decoded level that disc tracks and movie sound are mixed at.
    int m_disc_volume { 100 };
    int m_movie_volume { 100 };
};

} // namespace advplay::platform
