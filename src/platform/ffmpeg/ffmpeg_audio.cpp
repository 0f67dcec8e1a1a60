// Sound decoding with FFmpeg (libavformat, libavcodec, libswresample).
#include "platform/ffmpeg/ffmpeg_audio.h"

#include "platform/ffmpeg/ffmpeg_input.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace advplay::platform {

namespace {

// The highest sample rate of any sound a game could carry (studio masters go to 768 kHz). A damaged
// header can claim millions of samples a second, for which the resampler would spend minutes and
// gigabytes building its filter; such sound is not played.
constexpr int kMaxSampleRate = 768'000;

bool usable_rate(int rate)
{
    return rate > 0 && rate <= kMaxSampleRate;
}

// A layout the resampler accepts: files that only say how many channels they have get the usual
// layout for that number.
AVChannelLayout usable_layout(const AVChannelLayout& layout)
{
    AVChannelLayout result {};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&layout) == 0)
        av_channel_layout_default(&result, std::max(layout.nb_channels, 1));
    else
        av_channel_layout_copy(&result, &layout);
    return result;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// AudioDecoder
// ---------------------------------------------------------------------------------------------------

struct AudioDecoder::State {
    AVFormatContext* format { nullptr };
    AVCodecContext* codec { nullptr };
    SwrContext* resampler { nullptr };
    AVPacket* packet { nullptr };
    AVFrame* frame { nullptr };
    int stream { -1 };
    int rate { 0 };
    // What the resampler was set up for; a stream may change its format midway.
    int input_rate { 0 };
    int input_format { -1 };
    AVChannelLayout input_layout {};
    // Converted samples not yet read (interleaved left, right).
    std::vector<std::int16_t> pending;
    std::size_t pending_at { 0 };
    PacketFeed feed;
    bool finished { false };
    // After a seek: the samples before this time are decoded but dropped.
    std::optional<std::int64_t> discard_until_ms;

    ~State()
    {
        av_channel_layout_uninit(&input_layout);
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    std::int64_t start_ms() const
    {
        AVStream const* s = format->streams[stream];
        return s->start_time == AV_NOPTS_VALUE ? 0 : to_ms(s->start_time, s->time_base);
    }

    bool set_up_resampler(const AVFrame& input)
    {
        if (resampler && input.sample_rate == input_rate && input.format == input_format
            && av_channel_layout_compare(&input.ch_layout, &input_layout) == 0)
            return true;
        swr_free(&resampler);
        if (!usable_rate(input.sample_rate))
            return false;
        av_channel_layout_uninit(&input_layout);
        AVChannelLayout in = usable_layout(input.ch_layout);
        AVChannelLayout out {};
        av_channel_layout_default(&out, 2);
        int made = swr_alloc_set_opts2(&resampler, &out, AV_SAMPLE_FMT_S16, rate, &in,
            static_cast<AVSampleFormat>(input.format), input.sample_rate, 0, nullptr);
        // Mono sounds at full level from both sides, as it does from the sound effects' channel;
        // the resampler's own mix would lower it by 3 dB.
        if (made >= 0 && in.nb_channels == 1) {
            double const both[2] = { 1.0, 1.0 };
            made = swr_set_matrix(resampler, both, 1);
        }
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (made < 0 || swr_init(resampler) < 0) {
            swr_free(&resampler);
            return false;
        }
        input_rate = input.sample_rate;
        input_format = input.format;
        av_channel_layout_copy(&input_layout, &input.ch_layout);
        return true;
    }

    void append(const std::uint8_t** data, int samples)
    {
        int const room = swr_get_out_samples(resampler, samples);
        if (room <= 0)
            return;
        std::size_t const before = pending.size();
        pending.resize(before + static_cast<std::size_t>(room) * 2);
        auto* out = reinterpret_cast<std::uint8_t*>(pending.data() + before);
        int const made = swr_convert(resampler, &out, room, data, samples);
        pending.resize(before + static_cast<std::size_t>(std::max(made, 0)) * 2);
    }

    // Drops what lies before the seek target from the samples this frame has just added.
    void discard_before_target(std::size_t frame_begin)
    {
        if (!discard_until_ms)
            return;
        std::int64_t const timestamp = frame->best_effort_timestamp;
        if (timestamp == AV_NOPTS_VALUE) {
            discard_until_ms.reset();
            return;
        }
        std::int64_t const at = to_ms(timestamp, format->streams[stream]->time_base) - start_ms();
        std::size_t const produced = (pending.size() - frame_begin) / 2;
        std::int64_t const skip = (*discard_until_ms - at) * rate / 1000;
        if (skip <= 0) {
            discard_until_ms.reset();
            return;
        }
        std::size_t const drop = std::min<std::size_t>(static_cast<std::size_t>(skip), produced);
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(frame_begin),
            pending.begin() + static_cast<std::ptrdiff_t>(frame_begin + drop * 2));
        if (drop < produced)
            discard_until_ms.reset();
    }

    // Decodes until there are samples to read; false at the end of the sound.
    bool decode_more()
    {
        while (!finished) {
            int const received = avcodec_receive_frame(codec, frame);
            if (received == 0) {
                std::size_t const before = pending.size();
                if (set_up_resampler(*frame))
                    append(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
                discard_before_target(before);
                av_frame_unref(frame);
                if (pending.size() > pending_at)
                    return true;
                continue;
            }
            if (received != AVERROR(EAGAIN)) {
                // The end, or a decoder that cannot go on: what the resampler still holds comes last.
                finished = true;
                if (resampler)
                    append(nullptr, 0);
                return pending.size() > pending_at;
            }
            if (feed.input_done) {
                finished = true;
                return false;
            }
            feed_decoder(format, stream, codec, packet, feed);
        }
        return false;
    }
};

AudioDecoder::AudioDecoder() = default;
AudioDecoder::~AudioDecoder() = default;

bool AudioDecoder::open(const std::string& host_path, int rate)
{
    close();
    MediaInput sound = open_media_input(host_path, AVMEDIA_TYPE_AUDIO);
    if (!sound.format)
        return false;
    auto state = std::make_unique<State>();
    state->format = sound.format;
    state->stream = sound.stream;
    state->rate = rate;
    state->codec = open_stream_decoder(sound);
    state->packet = av_packet_alloc();
    state->frame = av_frame_alloc();
    if (!state->codec || !state->packet || !state->frame || rate <= 0)
        return false;
    // Other streams (a movie's pictures) are not read.
    for (unsigned i = 0; i < state->format->nb_streams; ++i) {
        if (static_cast<int>(i) != state->stream)
            state->format->streams[i]->discard = AVDISCARD_ALL;
    }
    m_state = std::move(state);
    return true;
}

void AudioDecoder::close()
{
    m_state.reset();
}

bool AudioDecoder::is_open() const
{
    return m_state != nullptr;
}

bool AudioDecoder::seek(std::uint32_t ms)
{
    if (!m_state)
        return false;
    State& state = *m_state;
    AVStream const* stream = state.format->streams[state.stream];
    std::int64_t target = av_rescale_q(ms, AVRational { 1, 1000 }, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE)
        target += stream->start_time;
    if (avformat_seek_file(state.format, state.stream, INT64_MIN, target, target, 0) < 0
        && av_seek_frame(state.format, state.stream, target, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(state.codec);
    swr_free(&state.resampler);
    state.pending.clear();
    state.pending_at = 0;
    state.feed = {};
    state.finished = false;
    state.discard_until_ms = ms;
    return true;
}

std::size_t AudioDecoder::read(std::int16_t* out, std::size_t frames)
{
    if (!m_state)
        return 0;
    State& state = *m_state;
    std::size_t done = 0;
    while (done < frames) {
        if (state.pending_at < state.pending.size()) {
            std::size_t const available = (state.pending.size() - state.pending_at) / 2;
            std::size_t const taken = std::min(available, frames - done);
            std::memcpy(
                out + done * 2, state.pending.data() + state.pending_at, taken * 2 * sizeof(std::int16_t));
            state.pending_at += taken * 2;
            done += taken;
            continue;
        }
        state.pending.clear();
        state.pending_at = 0;
        if (!state.decode_more())
            break;
    }
    return done;
}

// ---------------------------------------------------------------------------------------------------
// Lengths
// ---------------------------------------------------------------------------------------------------

namespace {

// For packets that do not say how long they last: what the decoder makes of them, counted at each
// frame's own rate, so no resampler is needed. Frames at a rate that is not played count nothing.
std::optional<std::uint32_t> decoded_length_ms(const std::string& host_path)
{
    MediaInput sound = open_media_input(host_path, AVMEDIA_TYPE_AUDIO);
    if (!sound.format)
        return std::nullopt;
    AVCodecContext* codec = open_stream_decoder(sound);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::optional<std::uint32_t> length;
    if (codec && packet && frame) {
        // Whole samples of each rate, so that rounding does not add up over many short frames.
        std::map<int, std::uint64_t> samples_at_rate;
        PacketFeed feed;
        for (;;) {
            int const received = avcodec_receive_frame(codec, frame);
            if (received == 0) {
                if (usable_rate(frame->sample_rate))
                    samples_at_rate[frame->sample_rate]
                        += static_cast<std::uint64_t>(std::max(frame->nb_samples, 0));
                av_frame_unref(frame);
                continue;
            }
            if (received != AVERROR(EAGAIN) || feed.input_done)
                break;
            feed_decoder(sound.format, sound.stream, codec, packet, feed);
        }
        std::uint64_t total_ms = 0;
        for (auto const& [rate, samples] : samples_at_rate)
            total_ms += samples * 1000 / static_cast<std::uint64_t>(rate);
        length = static_cast<std::uint32_t>(std::min<std::uint64_t>(total_ms, UINT32_MAX));
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&sound.format);
    return length;
}

} // namespace

std::optional<std::uint32_t> audio_length_ms(const std::string& host_path)
{
    MediaInput sound = open_media_input(host_path, AVMEDIA_TYPE_AUDIO);
    if (!sound.format)
        return std::nullopt;
    AVStream const* stream = sound.format->streams[sound.stream];
    AVPacket* packet = av_packet_alloc();
    std::int64_t total = 0;
    bool every_packet_timed = true;
    while (packet && av_read_frame(sound.format, packet) >= 0) {
        if (packet->stream_index == sound.stream) {
            if (packet->duration > 0)
                total += packet->duration;
            else
                every_packet_timed = false;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    std::optional<std::uint32_t> length;
    if (every_packet_timed) {
        length = static_cast<std::uint32_t>(
            std::clamp<std::int64_t>(to_ms(total, stream->time_base), 0, UINT32_MAX));
    } else {
        length = decoded_length_ms(host_path);
    }
    avformat_close_input(&sound.format);
    return length;
}

} // namespace advplay::platform
