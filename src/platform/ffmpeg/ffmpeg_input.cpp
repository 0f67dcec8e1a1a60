// Opening media files with FFmpeg.
#include "platform/ffmpeg/ffmpeg_input.h"

#include <cstdlib>
#include <string_view>

namespace advplay::platform {

void quiet_ffmpeg_log()
{
    char const* wanted = std::getenv("ADVPLAY_FFMPEG_LOG");
    if (!wanted || std::string_view(wanted) != "1")
        av_log_set_level(AV_LOG_QUIET);
}

MediaInput open_media_input(const std::string& host_path, AVMediaType type)
{
    quiet_ffmpeg_log();
    MediaInput input;
    if (avformat_open_input(&input.format, host_path.c_str(), nullptr, nullptr) < 0)
        return {};
    if (avformat_find_stream_info(input.format, nullptr) < 0) {
        avformat_close_input(&input.format);
        return {};
    }
    input.stream = av_find_best_stream(input.format, type, -1, -1, &input.codec, 0);
    if (input.stream < 0 || !input.codec) {
        avformat_close_input(&input.format);
        return {};
    }
    return input;
}

AVCodecContext* open_stream_decoder(const MediaInput& input)
{
    AVCodecContext* codec = avcodec_alloc_context3(input.codec);
    if (!codec)
        return nullptr;
    if (avcodec_parameters_to_context(codec, input.format->streams[input.stream]->codecpar) < 0
        || avcodec_open2(codec, input.codec, nullptr) < 0) {
        avcodec_free_context(&codec);
        return nullptr;
    }
    return codec;
}

void feed_decoder(
    AVFormatContext* format, int stream, AVCodecContext* codec, AVPacket* packet, PacketFeed& feed)
{
    if (av_read_frame(format, packet) < 0) {
        feed.input_done = true;
        avcodec_send_packet(codec, nullptr);
        return;
    }
    if (packet->stream_index == stream) {
        int const sent = avcodec_send_packet(codec, packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            if (++feed.refused_packets > kMaxRefusedPackets) {
                feed.input_done = true;
                avcodec_send_packet(codec, nullptr);
            }
        } else {
            feed.refused_packets = 0;
        }
    }
    av_packet_unref(packet);
}

} // namespace advplay::platform
