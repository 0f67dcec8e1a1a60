// CCDDA: CD audio from the tracks a player ripped from the game's disc into files, played on one
// time line as the disc played them.
#pragma once

#include "media/device_link.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {
class Window;
enum class DeviceNotice : std::uint8_t;
} // namespace advplay::platform

namespace advplay::media {

// The number a track file's name gives its track: "trackNN", "trackN", "track_NN", "track_N" or
// "track NN" with ".ogg", ".mp3", ".flac" or ".wav", letter case ignored; 1 to 99. Nothing for any
// other name.
std::optional<int> track_number(std::string_view file_name);

struct TrackFile {
    int number { 0 };
    // Engine path, relative to the game folder.
    std::string path;
};

// The ripped tracks of the disc: the files of the game folder and of its folder "cd" that name a
// track, in the order of their numbers; where two files name the same track, the one found first (the
// game folder before "cd", names in the folder listing's order).
std::vector<TrackFile> find_track_files(platform::Files& files);

// Results are 0 for success; failures are written to the internal-error log and reported as 1 to 3,
// which the CD command ignores.
class CCDDA {
public:
    static constexpr int kMaxTracks = 99;

    explicit CCDDA(DeviceLink& link)
        : m_link(link)
    {
    }
    ~CCDDA() { (void)Close(); }
    CCDDA(const CCDDA&) = delete;
    CCDDA& operator=(const CCDDA&) = delete;

    void SetWindow(platform::Window* window) { m_window = window; }
    // Builds the track table from the track files; the disc is missing when there are none (1). A
    // track whose file holds no sound lasts 0 ms and is reported, and the disc opens all the same.
    int Open(std::string_view drive);
    // Plays the tracks from `from` to `to` (numbered from 1), opening the disc first if needed. 1: no
    // disc; 2: `to` lies beyond the last track; 3: the range cannot be played.
    int Play(int from, int to);
    int Play(int track) { return Play(track, track); }
    // Plays from `start` to `end` on the disc's time line (end -1: to the end of the disc); unless
    // `keep`, this becomes the range a loop repeats.
    int PlayDW(std::int64_t start, std::int64_t end, bool keep);
    // The disc stays open.
    int Stop();
    int Close();
    void SetLoop(bool loop) { m_loop = loop; }
    // 0 when the notification is this player's end of play, which starts the range again when it
    // loops and stops it otherwise; 1 for any other.
    int Notify(platform::DeviceNotice notice, int device);

    bool is_open() const { return m_open; }
    bool playing() const { return m_playing; }
    int track_count() const { return m_track_count; }
    // Where track `track` (1 to track_count() + 1, the latter being the disc's end) starts.
    std::uint32_t track_start(int track) const { return m_starts[static_cast<std::size_t>(track)]; }
    // The range of the current play: start and end (-1 for the end of the disc).
    std::int64_t range_start() const { return m_range_start; }
    std::int64_t range_end() const { return m_range_end; }
    int device() const { return m_device; }

private:
    // Opens the disc and reads its table; false when there is no disc.
    bool open_disc();

    DeviceLink& m_link;
    platform::Window* m_window { nullptr };
    int m_device { kClosed };
    bool m_open { false };
    bool m_loop { false };
    bool m_playing { false };
    int m_track_count { 0 };
    // Milliseconds from the start of the disc; index 0 unused, index count + 1 the disc's end.
    std::vector<std::uint32_t> m_starts;
    std::int64_t m_range_start { 0 };
    std::int64_t m_range_end { -1 };
    // Kept, but no command names a drive: the tracks are always the game's files.
    std::string m_drive;
};

} // namespace advplay::media
