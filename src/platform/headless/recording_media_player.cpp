// RecordingMediaPlayer.
#include "platform/headless/recording_media_player.h"

#include "platform/clock.h"
#include "platform/ffmpeg/ffmpeg_audio.h"
#include "platform/riff_chunks.h"

#include <algorithm>
#include <cstring>

namespace advplay::platform {

namespace {

std::string file_name(const std::string& host_path)
{
    std::size_t const slash = host_path.find_last_of('/');
    return slash == std::string::npos ? host_path : host_path.substr(slash + 1);
}

std::uint32_t little_endian_32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8
        | static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The length of a WAVE file held in memory, from its byte rate and the size of its data; nothing for
// anything that is not one.
std::optional<std::uint32_t> wave_length_ms(std::span<const std::uint8_t> wave)
{
    if (wave.size() < 12 || std::memcmp(wave.data(), "RIFF", 4) != 0
        || std::memcmp(wave.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    std::optional<std::uint32_t> byte_rate;
    std::optional<std::uint32_t> data_size;
    std::size_t at = 12;
    while (at + 8 <= wave.size()) {
        std::uint32_t const size = little_endian_32(wave, at + 4);
        std::size_t const body = at + 8;
        if (std::memcmp(wave.data() + at, "fmt ", 4) == 0 && size >= 16 && body + 12 <= wave.size())
            byte_rate = little_endian_32(wave, body + 8);
        if (std::memcmp(wave.data() + at, "data", 4) == 0)
            data_size = static_cast<std::uint32_t>(std::min<std::size_t>(size, wave.size() - body));
        if (size > wave.size() - body)
            break;
        at = body + size + (size & 1);
    }
    if (!byte_rate || !data_size || *byte_rate == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::uint64_t { *data_size } * 1000 / *byte_rate);
}

} // namespace

RecordingMediaPlayer::RecordingMediaPlayer(Clock& clock)
    : m_clock(clock)
{
}

RecordingMediaPlayer::~RecordingMediaPlayer() = default;

RecordingMediaPlayer::Medium* RecordingMediaPlayer::find(MediaId id, Kind kind)
{
    auto const found = m_media.find(id);
    return found != m_media.end() && found->second.kind == kind ? &found->second : nullptr;
}

MediaId RecordingMediaPlayer::add(Medium medium)
{
    MediaId const id = m_next_id++;
    m_media.emplace(id, std::move(medium));
    return id;
}

std::vector<MediaId> RecordingMediaPlayer::open_media() const
{
    std::vector<MediaId> ids;
    for (auto const& [id, medium] : m_media)
        ids.push_back(id);
    return ids;
}

MediaId RecordingMediaPlayer::open_music(const std::string& host_path)
{
    auto const length = audio_length_ms(host_path);
    if (!length) {
        say("open music " + file_name(host_path) + " failed");
        return kNoMedia;
    }
    Medium medium;
    medium.kind = Kind::Music;
    medium.length = *length;
    MediaId const id = add(std::move(medium));
    say("open music " + file_name(host_path) + " -> " + std::to_string(id) + " (" + std::to_string(*length)
        + " ms)");
    return id;
}

MediaId RecordingMediaPlayer::open_disc(
    std::span<const std::string> host_paths, std::vector<std::optional<std::uint32_t>>& lengths)
{
    lengths.clear();
    if (host_paths.empty()) {
        say("open disc failed");
        return kNoMedia;
    }
    Medium medium;
    medium.kind = Kind::Disc;
    std::string line;
    for (auto const& path : host_paths) {
        lengths.push_back(audio_length_ms(path));
        medium.length += lengths.back().value_or(0);
        // Appended piece by piece: GCC 12 at -O2 misreads the chain of temporaries as an overlapping copy.
        line += ' ';
        line += file_name(path);
        if (!lengths.back())
            line += " (silent)";
    }
    MediaId const id = add(std::move(medium));
    say("open disc" + line + " -> " + std::to_string(id));
    return id;
}

bool RecordingMediaPlayer::play_music(MediaId id, Window* notify)
{
    Medium* music = find(id, Kind::Music);
    say("play music " + std::to_string(id) + (notify ? " notify" : ""));
    if (!music)
        return false;
    music->report.replace(notify, id);
    music->playing = true;
    music->started = m_clock.now();
    music->from = 0;
    music->to = music->length;
    return true;
}

bool RecordingMediaPlayer::play_disc(
    MediaId id, std::uint32_t from_ms, std::optional<std::uint32_t> to_ms, Window* notify)
{
    Medium* disc = find(id, Kind::Disc);
    say("play disc " + std::to_string(id) + " from " + std::to_string(from_ms) + " to "
        + (to_ms ? std::to_string(*to_ms) : std::string("end")) + (notify ? " notify" : ""));
    if (!disc)
        return false;
    std::uint32_t const to = std::min(to_ms.value_or(disc->length), disc->length);
    bool const empty = to_ms && *to_ms == from_ms;
    if ((to_ms && *to_ms < from_ms) || (!empty && from_ms >= disc->length))
        return false;
    disc->report.replace(notify, id);
    disc->playing = true;
    disc->started = m_clock.now();
    disc->from = from_ms;
    disc->to = empty ? from_ms : to;
    return true;
}

std::optional<std::uint32_t> RecordingMediaPlayer::position(MediaId id)
{
    auto const found = m_media.find(id);
    if (found == m_media.end() || found->second.kind == Kind::Movie)
        return std::nullopt;
    Medium const& stream = found->second;
    if (!stream.playing)
        return stream.stopped_at;
    return stream.from + std::min(m_clock.now() - stream.started, stream.to - stream.from);
}

MediaId RecordingMediaPlayer::open_movie(const std::string& host_path)
{
    auto movie = std::make_unique<MoviePlayback>(m_clock);
    if (!movie->open(host_path)) {
        say("open movie " + file_name(host_path) + " failed");
        return kNoMedia;
    }
    Medium medium;
    medium.kind = Kind::Movie;
    medium.movie = std::move(movie);
    MediaId const id = add(std::move(medium));
    say("open movie " + file_name(host_path) + " -> " + std::to_string(id));
    return id;
}

bool RecordingMediaPlayer::set_movie_window(MediaId id, Window* window)
{
    Medium* movie = find(id, Kind::Movie);
    say("movie window " + std::to_string(id) + (window ? "" : " none"));
    if (!movie || !window)
        return false;
    movie->movie->set_window(window);
    return true;
}

bool RecordingMediaPlayer::fill_movie_window(MediaId id)
{
    Medium* movie = find(id, Kind::Movie);
    say("movie fill " + std::to_string(id));
    // Pictures are always scaled to the whole window; this only checks that there is one.
    return movie && movie->movie->window();
}

bool RecordingMediaPlayer::play_movie(MediaId id, bool repeat, Window* notify)
{
    Medium* movie = find(id, Kind::Movie);
    say("play movie " + std::to_string(id) + (repeat ? " repeat" : "") + (notify ? " notify" : ""));
    if (!movie)
        return false;
    movie->report.replace(notify, id);
    movie->movie->play(repeat);
    movie->playing = movie->movie->playing();
    return true;
}

bool RecordingMediaPlayer::stop(MediaId id, Window* notify)
{
    auto const found = m_media.find(id);
    say("stop " + std::to_string(id) + (notify ? " notify" : ""));
    if (found == m_media.end())
        return false;
    Medium& medium = found->second;
    if (medium.playing && medium.kind != Kind::Movie)
        medium.stopped_at = *position(id);
    medium.playing = false;
    if (medium.movie)
        medium.movie->stop();
    medium.report.post(DeviceNotice::Aborted);
    if (notify)
        MediaReport::send(*notify, id, DeviceNotice::Successful);
    return true;
}

bool RecordingMediaPlayer::close(MediaId id)
{
    auto const found = m_media.find(id);
    say("close " + std::to_string(id));
    if (found == m_media.end())
        return false;
    found->second.report.post(DeviceNotice::Aborted);
    m_media.erase(found);
    return true;
}

std::optional<std::uint32_t> RecordingMediaPlayer::play_effect(const std::string& host_path, EffectMode mode)
{
    m_effect_playing = false;
    // The window's player takes WAV files only, and only with a format its mixer can read.
    auto const sound = read_sound_file(host_path);
    bool const playable = sound && is_wave_file(*sound) && sound_format_plausible(*sound);
    auto const length = playable ? audio_length_ms(host_path) : std::nullopt;
    char const* const how = mode == EffectMode::Loop ? " loop" : " once";
    if (!length) {
        say("effect " + file_name(host_path) + how + " failed");
        return std::nullopt;
    }
    say("effect " + file_name(host_path) + how + " " + std::to_string(*length) + " ms");
    m_effect_playing = true;
    m_effect_loops = mode == EffectMode::Loop;
    m_effect_started = m_clock.now();
    m_effect_length = *length;
    return length;
}

std::optional<std::uint32_t> RecordingMediaPlayer::play_effect_image(std::span<const std::uint8_t> wave)
{
    m_effect_playing = false;
    auto const length = wave_length_ms(wave);
    say("effect image " + std::to_string(wave.size()) + " bytes" + (length ? "" : " failed"));
    if (!length)
        return std::nullopt;
    m_effect_playing = true;
    m_effect_loops = false;
    m_effect_started = m_clock.now();
    m_effect_length = *length;
    return length;
}

bool RecordingMediaPlayer::effect_playing()
{
    if (m_effect_playing && !m_effect_loops && m_clock.now() - m_effect_started >= m_effect_length)
        m_effect_playing = false;
    return m_effect_playing;
}

void RecordingMediaPlayer::stop_effect()
{
    say("stop effect");
    m_effect_playing = false;
}

void RecordingMediaPlayer::set_volumes(int music, int effects, int movie)
{
    // Nothing is heard here, so the levels change nothing but the log.
    say("volumes music " + std::to_string(std::clamp(music, 0, 100)) + " effects "
        + std::to_string(std::clamp(effects, 0, 100)) + " movie "
        + std::to_string(std::clamp(movie, 0, 100)));
}

void RecordingMediaPlayer::update()
{
    std::uint32_t const now = m_clock.now();
    for (auto& [id, medium] : m_media) {
        if (!medium.playing)
            continue;
        if (medium.kind == Kind::Movie) {
            if (medium.movie->update() == MoviePlayback::Progress::Ended) {
                medium.playing = false;
                medium.report.post(DeviceNotice::Successful);
            }
            continue;
        }
        if (now - medium.started >= medium.to - medium.from) {
            medium.playing = false;
            medium.stopped_at = medium.to;
            medium.report.post(DeviceNotice::Successful);
        }
    }
}

} // namespace advplay::platform
