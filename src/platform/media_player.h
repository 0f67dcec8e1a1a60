// MediaPlayer: what the media devices ask of the system: audio streams (MP3 music, CD-audio tracks)
// that report their end, one channel for sound effects, and movies shown in the window with their
// sound.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace advplay::platform {

class Window;

// A medium the player holds open. Ids count up from 1 and are never used twice, so a notification
// that arrives after its medium was closed names no open medium.
using MediaId = std::int32_t;
constexpr MediaId kNoMedia = 0;

enum class EffectMode : std::uint8_t {
    Once,
    // Again and again until stopped or replaced.
    Loop,
};

// Reports: a play started with a notify window posts a DeviceNotify event to it (any thread may post)
// when it ends: Successful when it played to its end, Superseded when a newer reported play of the
// same medium took its place, Aborted when it was stopped. A play without a notify window ends
// silently. Reports reach the window only; the player never calls back into the engine.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    // ---- Audio streams ----------------------------------------------------------------------------

    // Opens an MP3 (or any other music file) for playing from its start. kNoMedia when it holds no
    // sound that can be played.
    virtual MediaId open_music(const std::string& host_path) = 0;
    // Opens files as one disc whose tracks follow each other on one time line. `lengths` gets each
    // file's length in milliseconds, or nothing for a file without playable sound (it lasts 0 ms on
    // the time line). kNoMedia when `host_paths` is empty.
    virtual MediaId open_disc(
        std::span<const std::string> host_paths, std::vector<std::optional<std::uint32_t>>& lengths)
        = 0;
    // Plays music from its start. False (nothing changes) for an id that is not open music.
    virtual bool play_music(MediaId id, Window* notify) = 0;
    // Plays a disc from `from_ms` to `to_ms` on its time line, or to the end of the disc without
    // `to_ms`. An empty range plays nothing and ends at once. False (nothing changes) when the range
    // is reversed or starts at or beyond the end of the disc.
    virtual bool play_disc(
        MediaId id, std::uint32_t from_ms, std::optional<std::uint32_t> to_ms, Window* notify)
        = 0;
    // Where a stream's play has got to, in milliseconds from the start of its time line. Nothing for
    // an id that is not an open stream.
    virtual std::optional<std::uint32_t> position(MediaId id) = 0;

    // ---- Movies -----------------------------------------------------------------------------------

    // Opens a movie with at least one picture that can be decoded. kNoMedia otherwise.
    virtual MediaId open_movie(const std::string& host_path) = 0;
    // The window the movie's pictures go to. False for an id that is not an open movie.
    virtual bool set_movie_window(MediaId id, Window* window) = 0;
    // Makes the movie fill the window's whole 640 x 480 picture, scaled. False when it has no window.
    virtual bool fill_movie_window(MediaId id) = 0;
    // Plays from the first picture; with `repeat` from the start again at each end, for ever.
    virtual bool play_movie(MediaId id, bool repeat, Window* notify) = 0;

    // ---- Any open medium --------------------------------------------------------------------------

    // Ends the play (the pending report becomes Aborted); with `notify`, the stop itself is reported
    // as Successful once done. True for an open medium that is not playing.
    virtual bool stop(MediaId id, Window* notify) = 0;
    // Stops and forgets the medium. False for an id that is not open.
    virtual bool close(MediaId id) = 0;

    // ---- The sound-effect channel -----------------------------------------------------------------

    // Plays a WAV file on the one effect channel, in place of whatever it played. The sound's length
    // in milliseconds, or nothing (and the channel silent) when the file cannot be played, as for a
    // file of another format.
    virtual std::optional<std::uint32_t> play_effect(const std::string& host_path, EffectMode mode) = 0;
    // The same for a WAV file held in memory, played once.
    virtual std::optional<std::uint32_t> play_effect_image(std::span<const std::uint8_t> wave) = 0;
    virtual bool effect_playing() = 0;
    virtual void stop_effect() = 0;

    // ---- Volumes ----------------------------------------------------------------------------------

    // How loud each kind of sound plays, in percent of its own level (clamped to 0..100): `music` for
    // music files and disc tracks, `effects` for the sound-effect channel, `movie` for a movie's own
    // sound. Applies at once to what plays and to every medium opened or played later. At 100 a sound
    // plays exactly as it would without the call.
    virtual void set_volumes(int music, int effects, int movie) = 0;

    // Does on the calling (main) thread what is due now: shows a playing movie's current picture, and
    // posts the reports whose time has come where no other thread does. The frame loop calls it
    // whenever it looks at the window's events.
    virtual void update() = 0;
};

} // namespace advplay::platform
