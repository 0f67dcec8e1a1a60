// RecordingMediaPlayer: headless media output. It writes down every call, plays nothing aloud, and
// lets each medium last as long as its file really does on the (virtual) clock: streams and effects
// end after their decoded length, movies show their pictures in the window on the clock's time.
#pragma once

#include "platform/ffmpeg/movie_playback.h"
#include "platform/headless/recent_log.h"
#include "platform/media_player.h"
#include "platform/media_report.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace advplay::platform {

class Clock;

class RecordingMediaPlayer final : public MediaPlayer {
public:
    explicit RecordingMediaPlayer(Clock& clock);
    ~RecordingMediaPlayer() override;

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

    // One line per call, in order, naming files by their last path component: "open music a.mp3 -> 1",
    // "play disc 2 from 0 to 4000", "effect b.wav once 120 ms", "stop 1",
    // "volumes music 50 effects 100 movie 0" (as clamped), ...
    // The last kLogCapacity / 2 lines at least.
    const std::vector<std::string>& log() const { return m_log.entries(); }
    static constexpr std::size_t kLogCapacity = 4096;
    // The ids of the media open now.
    std::vector<MediaId> open_media() const;

private:
    enum class Kind {
        Music,
        Disc,
        Movie,
    };
    struct Medium {
        Kind kind { Kind::Music };
        std::uint32_t length { 0 };
        bool playing { false };
        std::uint32_t started { 0 };
        std::uint32_t from { 0 };
        std::uint32_t to { 0 };
        // Where the last play stopped, for position().
        std::uint32_t stopped_at { 0 };
        MediaReport report;
        std::unique_ptr<MoviePlayback> movie;
    };

    Medium* find(MediaId id, Kind kind);
    MediaId add(Medium medium);
    void say(std::string line) { m_log.push(std::move(line)); }

    Clock& m_clock;
    std::map<MediaId, Medium> m_media;
    MediaId m_next_id { 1 };
    bool m_effect_playing { false };
    bool m_effect_loops { false };
    std::uint32_t m_effect_started { 0 };
    std::uint32_t m_effect_length { 0 };
    RecentLog<std::string> m_log { kLogCapacity };
};

} // namespace advplay::platform
