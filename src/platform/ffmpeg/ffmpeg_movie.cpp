// Movie pictures with FFmpeg (libavformat, libavcodec, libswscale).
#include "platform/ffmpeg/ffmpeg_movie.h"

#include "platform/ffmpeg/ffmpeg_input.h"
#include "platform/image_codecs.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace advplay::platform {

namespace {

// A picture's duration when neither it nor the stream says.
constexpr std::int64_t kFallbackPictureMs = 100;

std::int64_t frame_duration(const AVFrame& frame)
{
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    return frame.duration;
#else
    return frame.pkt_duration;
#endif
}

} // namespace

struct MovieDecoder::State {
    AVFormatContext* format { nullptr };
    AVCodecContext* codec { nullptr };
    SwsContext* scaler { nullptr };
    AVPacket* packet { nullptr };
    // The next picture, decoded but not yet due, and the one shown now.
    AVFrame* next { nullptr };
    AVFrame* current { nullptr };
    int stream { -1 };
    std::int64_t start_ms { 0 };
    std::int64_t usual_duration_ms { kFallbackPictureMs };
    bool has_next { false };
    bool has_current { false };
    std::int64_t next_at { 0 };
    std::int64_t next_duration { 0 };
    std::int64_t current_at { 0 };
    std::int64_t current_duration { 0 };
    PacketFeed feed;
    // No picture follows the current one.
    bool decoding_done { false };
    std::vector<std::uint8_t> rgb;

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&current);
        av_frame_free(&next);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    // Decodes the picture after the last one into `next`; false when there is none.
    bool decode_next()
    {
        for (;;) {
            int const received = avcodec_receive_frame(codec, next);
            if (received == 0)
                return true;
            if (received != AVERROR(EAGAIN) || feed.input_done)
                return false;
            feed_decoder(format, stream, codec, packet, feed);
        }
    }

    // When `next` is shown and for how long, kept in order and within bounds whatever the file says.
    void time_next()
    {
        AVRational const time_base = format->streams[stream]->time_base;
        std::int64_t const previous_end = has_current ? current_at + current_duration : 0;
        std::int64_t at = previous_end;
        if (next->best_effort_timestamp != AV_NOPTS_VALUE)
            at = to_ms(next->best_effort_timestamp, time_base) - start_ms;
        std::int64_t const earliest = has_current ? current_at : 0;
        next_at = std::clamp<std::int64_t>(at, earliest, previous_end + kLongestPictureMs);
        std::int64_t duration = usual_duration_ms;
        if (frame_duration(*next) > 0)
            duration = to_ms(frame_duration(*next), time_base);
        next_duration = std::clamp<std::int64_t>(duration, 1, kLongestPictureMs);
    }

    void show_current(std::vector<std::uint16_t>& picture)
    {
        if (current->width <= 0 || current->height <= 0
            || !picture_size_allowed(current->width, current->height))
            return;
        scaler = sws_getCachedContext(scaler, current->width, current->height,
            static_cast<AVPixelFormat>(current->format), kWidth, kHeight, AV_PIX_FMT_RGB24, SWS_BICUBIC,
            nullptr, nullptr, nullptr);
        if (!scaler)
            return;
        std::uint8_t* planes[4] = { rgb.data(), nullptr, nullptr, nullptr };
        int strides[4] = { kWidth * 3, 0, 0, 0 };
        if (sws_scale(scaler, current->data, current->linesize, 0, current->height, planes, strides) <= 0)
            return;
        // Down to five bits a channel by dropping the low bits, as every picture the engine loads is.
        for (std::size_t i = 0; i < picture.size(); ++i) {
            std::uint8_t const* from = &rgb[i * 3];
            picture[i]
                = static_cast<std::uint16_t>((from[0] >> 3) << 10 | (from[1] >> 3) << 5 | from[2] >> 3);
        }
    }
};

MovieDecoder::MovieDecoder()
    : m_picture(static_cast<std::size_t>(kWidth) * kHeight, 0)
{
}

MovieDecoder::~MovieDecoder() = default;

bool MovieDecoder::open(const std::string& host_path)
{
    m_state.reset();
    m_path = host_path;
    auto state = std::make_unique<State>();
    MediaInput const input = open_media_input(host_path, AVMEDIA_TYPE_VIDEO);
    if (!input.format)
        return false;
    state->format = input.format;
    state->stream = input.stream;
    AVStream const* stream = state->format->streams[state->stream];
    AVCodecParameters const* parameters = stream->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0
        || !picture_size_allowed(parameters->width, parameters->height))
        return false;
    state->codec = open_stream_decoder(input);
    if (!state->codec)
        return false;
    state->packet = av_packet_alloc();
    state->next = av_frame_alloc();
    state->current = av_frame_alloc();
    if (!state->packet || !state->next || !state->current)
        return false;
    for (unsigned i = 0; i < state->format->nb_streams; ++i) {
        if (static_cast<int>(i) != state->stream)
            state->format->streams[i]->discard = AVDISCARD_ALL;
    }
    if (stream->start_time != AV_NOPTS_VALUE)
        state->start_ms = to_ms(stream->start_time, stream->time_base);
    AVRational const rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        state->usual_duration_ms
            = std::clamp<std::int64_t>(av_rescale(1000, rate.den, rate.num), 1, kLongestPictureMs);
    state->rgb.resize(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::fill(m_picture.begin(), m_picture.end(), 0);
    m_state = std::move(state);
    return true;
}

bool MovieDecoder::is_open() const
{
    return m_state != nullptr;
}

bool MovieDecoder::rewind()
{
    std::string const path = m_path;
    return open(path);
}

bool MovieDecoder::advance(std::uint32_t ms)
{
    if (!m_state)
        return false;
    State& state = *m_state;
    bool changed = false;
    for (;;) {
        if (!state.has_next && !state.decoding_done) {
            state.has_next = state.decode_next();
            if (state.has_next)
                state.time_next();
            else
                state.decoding_done = true;
        }
        if (!state.has_next || state.next_at > static_cast<std::int64_t>(ms))
            break;
        // Pictures already late are passed over without being scaled: only the last one due shows.
        av_frame_unref(state.current);
        av_frame_move_ref(state.current, state.next);
        state.current_at = state.next_at;
        state.current_duration = state.next_duration;
        state.has_current = true;
        state.has_next = false;
        changed = true;
    }
    if (changed)
        state.show_current(m_picture);
    return changed;
}

bool MovieDecoder::finished(std::uint32_t ms) const
{
    if (!m_state)
        return true;
    State const& state = *m_state;
    if (!state.decoding_done || state.has_next)
        return false;
    std::int64_t const end = state.has_current ? state.current_at + state.current_duration : 0;
    return static_cast<std::int64_t>(ms) >= end;
}

const std::vector<std::uint16_t>& MovieDecoder::picture() const
{
    return m_picture;
}

} // namespace advplay::platform
