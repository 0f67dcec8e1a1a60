// CCDDA and the track files it plays.
#include "media/cd_audio.h"

#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "platform/files.h"
#include "platform/media_player.h"
#include "platform/window.h"

#include <algorithm>
#include <array>
#include <limits>

namespace advplay::media {

namespace {

constexpr std::array<std::string_view, 4> kTrackExtensions { ".ogg", ".mp3", ".flac", ".wav" };
constexpr std::string_view kTrackPrefix = "track";
// Besides the game folder itself.
constexpr std::string_view kTrackFolder = "cd";

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<int> track_number(std::string_view file_name)
{
    std::string const name = lower_ascii(file_name);
    std::string_view rest = name;
    auto const extension = std::find_if(kTrackExtensions.begin(), kTrackExtensions.end(),
        [&rest](std::string_view candidate) { return rest.ends_with(candidate); });
    if (extension == kTrackExtensions.end() || !rest.starts_with(kTrackPrefix))
        return std::nullopt;
    rest = rest.substr(kTrackPrefix.size(), rest.size() - kTrackPrefix.size() - extension->size());
    if (!rest.empty() && (rest.front() == '_' || rest.front() == ' '))
        rest.remove_prefix(1);
    if (rest.empty() || rest.size() > 2 || !std::all_of(rest.begin(), rest.end(), is_digit))
        return std::nullopt;
    int const number = rest.size() == 1 ? rest[0] - '0' : (rest[0] - '0') * 10 + (rest[1] - '0');
    if (number < 1)
        return std::nullopt;
    return number;
}

std::vector<TrackFile> find_track_files(platform::Files& files)
{
    std::vector<TrackFile> tracks;
    for (std::string_view const folder : { std::string_view(), kTrackFolder }) {
        auto const entries = files.list_folder(folder.empty() ? std::string_view(".") : folder);
        if (!entries)
            continue;
        for (auto const& entry : *entries) {
            auto const number = entry.is_folder ? std::nullopt : track_number(entry.name);
            if (!number)
                continue;
            bool const known = std::any_of(tracks.begin(), tracks.end(),
                [&number](const TrackFile& track) { return track.number == *number; });
            if (known)
                continue;
            std::string path = folder.empty() ? std::string() : std::string(folder) + "\\";
            path += entry.name;
            tracks.push_back({ *number, path });
        }
    }
    std::sort(tracks.begin(), tracks.end(),
        [](const TrackFile& a, const TrackFile& b) { return a.number < b.number; });
    return tracks;
}

bool CCDDA::open_disc()
{
    platform::MediaPlayer* player = m_link.player;
    if (!player)
        return false;
    std::vector<TrackFile> tracks;
    std::vector<std::string> host_paths;
    for (auto& track : find_track_files(m_link.files())) {
        if (auto host = m_link.host_path(track.path)) {
            tracks.push_back(std::move(track));
            host_paths.push_back(std::move(*host));
        }
    }
    if (tracks.empty())
        return false;
    std::vector<std::optional<std::uint32_t>> lengths;
    platform::MediaId const id = player->open_disc(host_paths, lengths);
    if (id == platform::kNoMedia)
        return false;
    // The tracks between the files (a data track nobody rips, a file that was lost) last no time.
    m_track_count = tracks.back().number;
    std::vector<std::uint32_t> track_lengths(static_cast<std::size_t>(m_track_count) + 1, 0);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        auto const length = i < lengths.size() ? lengths[i] : std::nullopt;
        if (!length)
            m_link.report(texts::kCdTrackLengthFailed.sjis);
        track_lengths[static_cast<std::size_t>(tracks[i].number)] = length.value_or(0);
    }
    m_starts.assign(static_cast<std::size_t>(m_track_count) + 2, 0);
    for (int track = 1; track <= m_track_count; ++track) {
        std::uint64_t const end = std::uint64_t { m_starts[static_cast<std::size_t>(track)] }
            + track_lengths[static_cast<std::size_t>(track)];
        m_starts[static_cast<std::size_t>(track) + 1] = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(end, std::numeric_limits<std::uint32_t>::max()));
    }
    m_device = id;
    m_open = true;
    return true;
}

int CCDDA::Open(std::string_view drive)
{
    m_drive = drive;
    bool const closed_first = m_open;
    if (m_open)
        (void)Close();
    bool opened = open_disc();
    if (!opened && !closed_first) {
        // Whatever device is still held goes, and the open is tried once more.
        if (m_device != kClosed && m_link.player)
            (void)m_link.player->close(m_device);
        m_device = kClosed;
        opened = open_disc();
    }
    if (!opened) {
        m_link.report(texts::kCdOpenFailed.sjis);
        return 1;
    }
    return 0;
}

int CCDDA::Play(int from, int to)
{
    if (!m_open && Open(m_drive) != 0) {
        m_link.report(texts::kCdPlayOpenFailed.sjis);
        return 1;
    }
    if (to > m_track_count) {
        m_link.report(texts::kCdTrackBeyondLast.sjis);
        return 2;
    }
    // Tracks are numbered from 1; the device refuses anything before the first.
    bool played = false;
    std::int64_t start = 0;
    std::int64_t end = -1;
    if (from >= 1 && to >= 1 && from <= m_track_count) {
        start = m_starts[static_cast<std::size_t>(from)];
        std::optional<std::uint32_t> to_ms;
        // A range that reaches the last track plays to the end of the disc.
        if (from < m_track_count && to < m_track_count) {
            end = m_starts[static_cast<std::size_t>(to) + 1];
            to_ms = static_cast<std::uint32_t>(end);
        }
        played = m_link.player->play_disc(m_device, static_cast<std::uint32_t>(start), to_ms, m_window);
    }
    if (!played) {
        m_link.report(texts::kCdPlayFailed.sjis);
        return 3;
    }
    m_range_start = start;
    m_range_end = end;
    m_playing = true;
    return 0;
}

int CCDDA::PlayDW(std::int64_t start, std::int64_t end, bool keep)
{
    if (!m_open) {
        m_link.report(texts::kCdPlayDwNotOpen.sjis);
        return 1;
    }
    if (start == end)
        return 0;
    if (!keep) {
        m_range_start = start;
        m_range_end = end;
    }
    constexpr std::int64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    bool played = false;
    if (start >= 0 && start <= kLargest && (end == -1 || (end >= 0 && end <= kLargest))) {
        std::optional<std::uint32_t> const to_ms
            = end == -1 ? std::nullopt : std::optional<std::uint32_t>(static_cast<std::uint32_t>(end));
        played = m_link.player->play_disc(m_device, static_cast<std::uint32_t>(start), to_ms, m_window);
    }
    if (!played) {
        m_link.report(texts::kCdPlayDwFailed.sjis);
        return 2;
    }
    m_playing = true;
    return 0;
}

int CCDDA::Stop()
{
    if (!m_open) {
        m_link.report(texts::kCdStopNotOpen.sjis);
        return 1;
    }
    if (!m_playing)
        return 2;
    m_playing = false;
    (void)m_link.player->stop(m_device, nullptr);
    return 0;
}

int CCDDA::Close()
{
    if (!m_open)
        return 0;
    if (m_playing)
        (void)Stop();
    if (m_device == kClosed)
        return 1;
    (void)m_link.player->close(m_device);
    m_device = kClosed;
    m_open = false;
    return 0;
}

int CCDDA::Notify(platform::DeviceNotice notice, int device)
{
    if (notice != platform::DeviceNotice::Successful || device != m_device || m_device == kClosed)
        return 1;
    if (m_loop)
        (void)PlayDW(m_range_start, m_range_end, false);
    else
        (void)Stop();
    return 0;
}

} // namespace advplay::media
