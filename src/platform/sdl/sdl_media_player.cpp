// SdlMediaPlayer.
#include "platform/sdl/sdl_media_player.h"

#include "platform/clock.h"
#include "platform/riff_chunks.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace advplay::platform {

namespace {

constexpr int kChannels = SdlMixer::kChannels;
// The channel that sound effects play on; the mixer hands out no other.
constexpr int kEffectChannel = 0;

Mix_Music* as_music(void* music)
{
    return static_cast<Mix_Music*>(music);
}
Mix_Chunk* as_chunk(void* chunk)
{
    return static_cast<Mix_Chunk*>(chunk);
}

// The mixer's level for `percent` of full volume: 100 is MIX_MAX_VOLUME, which leaves the samples as
// they are.
int mixer_volume(int percent)
{
    return percent * MIX_MAX_VOLUME / 100;
}

// Scales decoded samples to `percent` of their level; at 100 they are left alone, not multiplied.
void scale_samples(std::int16_t* samples, std::size_t count, int percent)
{
    if (percent >= 100)
        return;
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(samples[i] * percent / 100);
}

std::uint32_t chunk_length_ms(const Mix_Chunk& chunk, int rate)
{
    std::uint64_t const frames = chunk.alen / (kChannels * sizeof(std::int16_t));
    return static_cast<std::uint32_t>(frames * 1000 / static_cast<std::uint64_t>(rate));
}

} // namespace

SdlMediaPlayer::SdlMediaPlayer(Clock& clock, SdlMixer& mixer)
    : m_clock(clock)
    , m_mixer(mixer)
{
    if (!m_mixer.is_open())
        return;
    m_sound = true;
    m_rate = SdlMixer::kRate;
    Mix_AllocateChannels(1);
    Mix_ReserveChannels(1);
    m_scratch.resize(static_cast<std::size_t>(SdlMixer::kRoundFrames) * kChannels);
    m_mixer.attach(*this);
}

SdlMediaPlayer::~SdlMediaPlayer()
{
    if (!m_sound)
        return;
    // From here on the audio thread no longer calls back.
    m_mixer.detach(*this);
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    free_effect();
    for (auto& [id, music] : m_musics)
        Mix_FreeMusic(as_music(music.music));
}

// ---------------------------------------------------------------------------------------------------
// The audio thread
// ---------------------------------------------------------------------------------------------------

void SdlMediaPlayer::mix_into(std::int16_t* out, std::size_t frames)
{
    std::lock_guard const lock(m_mutex);
    // The mixer's lock is held here already, so asking it is safe; its music ends by itself.
    if (m_music_playing != kNoMedia && !Mix_PlayingMusic()) {
        m_music_playing = kNoMedia;
        m_music_report.post(DeviceNotice::Successful);
    }
    for (auto& [id, stream] : m_streams) {
        if (stream->playing)
            mix_stream(*stream, out, frames);
    }
}

bool SdlMediaPlayer::enter_part(Stream& stream, std::uint32_t ms)
{
    for (std::size_t part = 0; part < stream.paths.size(); ++part) {
        std::uint32_t const start = stream.starts[part];
        if (stream.lengths[part] == 0 || ms >= start + stream.lengths[part])
            continue;
        stream.part = part;
        stream.position = to_frames(std::max(ms, start));
        if (!stream.decoder.open(stream.paths[part], m_rate))
            continue;
        if (ms > start)
            stream.decoder.seek(ms - start);
        return true;
    }
    stream.decoder.close();
    return false;
}

void SdlMediaPlayer::mix_stream(Stream& stream, std::int16_t* out, std::size_t frames)
{
    std::size_t done = 0;
    while (done < frames) {
        std::size_t wanted = frames - done;
        if (stream.end)
            wanted = static_cast<std::size_t>(
                std::min<std::uint64_t>(wanted, *stream.end - std::min(*stream.end, stream.position)));
        std::size_t got = 0;
        if (wanted > 0) {
            wanted = std::min(wanted, m_scratch.size() / kChannels);
            got = stream.decoder.read(m_scratch.data(), wanted);
            scale_samples(m_scratch.data(), got * kChannels, stream.movie ? m_movie_volume : m_disc_volume);
            add_samples(out + (done * kChannels), m_scratch.data(), got * kChannels);
            stream.position += got;
            done += got;
        }
        if (got > 0 && got == wanted)
            continue;
        // The range is played, or the file ran out: on to the next track, if the range goes on.
        bool const range_over = wanted == 0;
        std::size_t const next = stream.part + 1;
        if (range_over || next >= stream.paths.size() || !enter_part(stream, stream.starts[next])) {
            stream.playing = false;
            stream.decoder.close();
            stream.report.post(DeviceNotice::Successful);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Streams
// ---------------------------------------------------------------------------------------------------

MediaId SdlMediaPlayer::open_music(const std::string& host_path)
{
    if (!m_sound)
        return kNoMedia;
    // The mixer's WAV and AIFF readers divide by what the format chunk says.
    if (!sound_file_plausible(host_path))
        return kNoMedia;
    Mix_Music* music = Mix_LoadMUS(host_path.c_str());
    if (!music)
        return kNoMedia;
    // A file the decoder takes but finds no sound in would end the moment it starts, again and again
    // when it loops.
    if (Mix_MusicDuration(music) <= 0) {
        Mix_FreeMusic(music);
        return kNoMedia;
    }
    MediaId const id = m_next_id++;
    m_musics[id].music = music;
    return id;
}

MediaId SdlMediaPlayer::open_disc(
    std::span<const std::string> host_paths, std::vector<std::optional<std::uint32_t>>& lengths)
{
    lengths.clear();
    if (!m_sound || host_paths.empty())
        return kNoMedia;
    auto stream = std::make_unique<Stream>();
    for (auto const& path : host_paths) {
        lengths.push_back(audio_length_ms(path));
        stream->paths.push_back(path);
        stream->starts.push_back(stream->total);
        stream->lengths.push_back(lengths.back().value_or(0));
        stream->total += stream->lengths.back();
    }
    MediaId const id = m_next_id++;
    std::lock_guard const lock(m_mutex);
    m_streams.emplace(id, std::move(stream));
    return id;
}

void SdlMediaPlayer::halt_music()
{
    {
        std::lock_guard const lock(m_mutex);
        if (m_music_playing == kNoMedia)
            return;
        m_music_playing = kNoMedia;
        m_music_report.post(DeviceNotice::Aborted);
    }
    Mix_HaltMusic();
}

bool SdlMediaPlayer::play_music(MediaId id, Window* notify)
{
    auto const found = m_musics.find(id);
    if (found == m_musics.end())
        return false;
    halt_music();
    if (Mix_PlayMusic(as_music(found->second.music), 0) != 0)
        return false;
    found->second.started = m_clock.now();
    // Music that ended before this point is caught by the next mixing round all the same.
    std::lock_guard const lock(m_mutex);
    m_music_playing = id;
    m_music_report.replace(notify, id);
    return true;
}

bool SdlMediaPlayer::play_disc(
    MediaId id, std::uint32_t from_ms, std::optional<std::uint32_t> to_ms, Window* notify)
{
    std::unique_lock lock(m_mutex);
    auto const found = m_streams.find(id);
    if (found == m_streams.end())
        return false;
    Stream& stream = *found->second;
    bool const empty = to_ms && *to_ms == from_ms;
    if ((to_ms && *to_ms < from_ms) || (!empty && from_ms >= stream.total))
        return false;
    stream.report.replace(notify, id);
    stream.playing = false;
    if (empty || !enter_part(stream, from_ms)) {
        // Nothing to play: the play is over as soon as it began.
        stream.report.post(DeviceNotice::Successful);
        return true;
    }
    if (to_ms && *to_ms < stream.total)
        stream.end = to_frames(*to_ms);
    else
        stream.end.reset();
    stream.playing = true;
    return true;
}

std::optional<std::uint32_t> SdlMediaPlayer::position(MediaId id)
{
    if (auto const music = m_musics.find(id); music != m_musics.end()) {
        double const seconds = Mix_GetMusicPosition(as_music(music->second.music));
        if (seconds >= 0)
            return static_cast<std::uint32_t>(seconds * 1000);
        // A decoder that cannot tell: the time since the play began.
        return m_clock.now() - music->second.started;
    }
    std::lock_guard const lock(m_mutex);
    auto const found = m_streams.find(id);
    if (found == m_streams.end())
        return std::nullopt;
    return static_cast<std::uint32_t>(found->second->position * 1000 / static_cast<std::uint64_t>(m_rate));
}

// ---------------------------------------------------------------------------------------------------
// Movies
// ---------------------------------------------------------------------------------------------------

MediaId SdlMediaPlayer::open_movie(const std::string& host_path)
{
    auto playback = std::make_unique<MoviePlayback>(m_clock);
    if (!playback->open(host_path))
        return kNoMedia;
    MediaId const id = m_next_id++;
    Movie& movie = m_movies[id];
    movie.playback = std::move(playback);
    if (!m_sound)
        return id;
    std::vector<std::optional<std::uint32_t>> lengths;
    auto stream = std::make_unique<Stream>();
    stream->paths.push_back(host_path);
    stream->starts.push_back(0);
    // Its own length does not matter: the pictures decide when the movie ends.
    stream->lengths.push_back(std::numeric_limits<std::uint32_t>::max());
    stream->total = std::numeric_limits<std::uint32_t>::max();
    stream->movie = true;
    if (!stream->decoder.open(host_path, m_rate))
        return id;
    stream->decoder.close();
    movie.sound = m_next_id++;
    std::lock_guard const lock(m_mutex);
    m_streams.emplace(movie.sound, std::move(stream));
    return id;
}

bool SdlMediaPlayer::set_movie_window(MediaId id, Window* window)
{
    auto const found = m_movies.find(id);
    if (found == m_movies.end() || !window)
        return false;
    found->second.playback->set_window(window);
    return true;
}

bool SdlMediaPlayer::fill_movie_window(MediaId id)
{
    // Pictures are always scaled to the whole window; this only checks that there is one.
    auto const found = m_movies.find(id);
    return found != m_movies.end() && found->second.playback->window();
}

bool SdlMediaPlayer::play_movie(MediaId id, bool repeat, Window* notify)
{
    auto const found = m_movies.find(id);
    if (found == m_movies.end())
        return false;
    Movie& movie = found->second;
    movie.report.replace(notify, id);
    movie.playback->play(repeat);
    if (movie.sound != kNoMedia)
        play_disc(movie.sound, 0, std::nullopt, nullptr);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Any medium
// ---------------------------------------------------------------------------------------------------

bool SdlMediaPlayer::stop(MediaId id, Window* notify)
{
    if (m_musics.count(id)) {
        bool playing = false;
        {
            std::lock_guard const lock(m_mutex);
            playing = m_music_playing == id;
        }
        if (playing)
            halt_music();
    } else if (auto const movie = m_movies.find(id); movie != m_movies.end()) {
        movie->second.playback->stop();
        movie->second.report.post(DeviceNotice::Aborted);
        if (movie->second.sound != kNoMedia)
            stop(movie->second.sound, nullptr);
    } else {
        std::lock_guard const lock(m_mutex);
        auto const found = m_streams.find(id);
        if (found == m_streams.end())
            return false;
        found->second->playing = false;
        found->second->decoder.close();
        found->second->report.post(DeviceNotice::Aborted);
    }
    if (notify)
        MediaReport::send(*notify, id, DeviceNotice::Successful);
    return true;
}

bool SdlMediaPlayer::close(MediaId id)
{
    if (auto const music = m_musics.find(id); music != m_musics.end()) {
        stop(id, nullptr);
        Mix_FreeMusic(as_music(music->second.music));
        m_musics.erase(music);
        return true;
    }
    if (auto const movie = m_movies.find(id); movie != m_movies.end()) {
        stop(id, nullptr);
        MediaId const sound = movie->second.sound;
        m_movies.erase(movie);
        if (sound != kNoMedia)
            close(sound);
        return true;
    }
    std::unique_ptr<Stream> closing;
    {
        std::lock_guard const lock(m_mutex);
        auto const found = m_streams.find(id);
        if (found == m_streams.end())
            return false;
        found->second->report.post(DeviceNotice::Aborted);
        closing = std::move(found->second);
        m_streams.erase(found);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Sound effects
// ---------------------------------------------------------------------------------------------------

void SdlMediaPlayer::free_effect()
{
    if (!m_effect)
        return;
    Mix_HaltChannel(kEffectChannel);
    Mix_FreeChunk(as_chunk(m_effect));
    m_effect = nullptr;
}

std::optional<std::uint32_t> SdlMediaPlayer::play_effect(const std::string& host_path, EffectMode mode)
{
    if (!m_sound)
        return std::nullopt;
    free_effect();
    // The mixer reads the whole sound into memory in any case; read here first, its chunks can be
    // made to fit the file.
    auto sound = read_sound_file(host_path);
    if (!sound)
        return std::nullopt;
    return play_effect_bytes(std::move(*sound), mode);
}

std::optional<std::uint32_t> SdlMediaPlayer::play_effect_image(std::span<const std::uint8_t> wave)
{
    if (!m_sound)
        return std::nullopt;
    free_effect();
    return play_effect_bytes(std::vector<std::uint8_t>(wave.begin(), wave.end()), EffectMode::Once);
}

std::optional<std::uint32_t> SdlMediaPlayer::play_effect_bytes(
    std::vector<std::uint8_t> sound, EffectMode mode)
{
    // Only WAV files, as the system's sound call played. Anything else the mixer would decode as
    // music, whole, before it plays: a tracker module that loops for ever filled memory without end.
    if (sound.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) || !is_wave_file(sound)
        || !sound_format_plausible(sound))
        return std::nullopt;
    // SDL's WAV reader allocates the length a chunk claims before it finds the file short.
    fit_riff_chunks(sound);
    SDL_RWops* bytes = SDL_RWFromConstMem(sound.data(), static_cast<int>(sound.size()));
    if (!bytes)
        return std::nullopt;
    // Closed here, not by the mixer: on a file too short to tell its format it returns without
    // closing what it was told to.
    Mix_Chunk* chunk = Mix_LoadWAV_RW(bytes, 0);
    SDL_RWclose(bytes);
    if (!chunk)
        return std::nullopt;
    m_effect = chunk;
    if (Mix_PlayChannel(kEffectChannel, chunk, mode == EffectMode::Loop ? -1 : 0) < 0) {
        free_effect();
        return std::nullopt;
    }
    return chunk_length_ms(*chunk, m_rate);
}

bool SdlMediaPlayer::effect_playing()
{
    return m_sound && Mix_Playing(kEffectChannel) != 0;
}

void SdlMediaPlayer::stop_effect()
{
    if (m_sound)
        Mix_HaltChannel(kEffectChannel);
}

// ---------------------------------------------------------------------------------------------------
// Volumes
// ---------------------------------------------------------------------------------------------------

void SdlMediaPlayer::set_volumes(int music, int effects, int movie)
{
    music = std::clamp(music, 0, 100);
    effects = std::clamp(effects, 0, 100);
    movie = std::clamp(movie, 0, 100);
    {
        std::lock_guard const lock(m_mutex);
        m_disc_volume = music;
        m_movie_volume = movie;
    }
    if (!m_sound)
        return;
    // Both are kept by the mixer for whatever plays later: the music's level for every piece of
    // music, the channel's for every chunk played on it.
    Mix_VolumeMusic(mixer_volume(music));
    Mix_Volume(kEffectChannel, mixer_volume(effects));
}

// ---------------------------------------------------------------------------------------------------
// The main thread's share
// ---------------------------------------------------------------------------------------------------

void SdlMediaPlayer::update()
{
    for (auto& [id, movie] : m_movies) {
        switch (movie.playback->update()) {
        case MoviePlayback::Progress::Going:
            break;
        case MoviePlayback::Progress::Restarted:
            if (movie.sound != kNoMedia)
                play_disc(movie.sound, 0, std::nullopt, nullptr);
            break;
        case MoviePlayback::Progress::Ended:
            if (movie.sound != kNoMedia)
                stop(movie.sound, nullptr);
            movie.report.post(DeviceNotice::Successful);
            break;
        }
    }
}

} // namespace advplay::platform
