// What the sound and the movie decoders share of FFmpeg: opening a file at its best stream of a
// kind, its decoder, times in milliseconds, and FFmpeg's log kept quiet.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <string>

namespace advplay::platform {

// Packets in a row that a decoder refuses before the rest of the file counts as lost.
constexpr int kMaxRefusedPackets = 64;

inline std::int64_t to_ms(std::int64_t timestamp, AVRational time_base)
{
    return av_rescale_q(timestamp, time_base, AVRational { 1, 1000 });
}

// A file opened at its best stream of one kind. The caller closes `format`
// (avformat_close_input); all null when the file cannot be read or has no such stream that FFmpeg
// can decode.
struct MediaInput {
    AVFormatContext* format { nullptr };
    int stream { -1 };
    const AVCodec* codec { nullptr };
};
MediaInput open_media_input(const std::string& host_path, AVMediaType type);

// An opened decoder for the input's stream; nullptr when FFmpeg cannot open one.
AVCodecContext* open_stream_decoder(const MediaInput& input);

// What feeding a decoder the packets of one stream keeps from one packet to the next.
struct PacketFeed {
    // Every packet is sent and the decoder was told that no more come.
    bool input_done { false };
    // Packets in a row that the decoder refused.
    int refused_packets { 0 };
};

// Reads the file's next packet and sends it to `codec` when it belongs to `stream`. At the end of
// the file, or once more than kMaxRefusedPackets packets in a row were refused, tells the decoder
// that no more come and sets `feed.input_done`. Call it while the decoder asks for more input.
void feed_decoder(
    AVFormatContext* format, int stream, AVCodecContext* codec, AVPacket* packet, PacketFeed& feed);

// Keeps FFmpeg's own messages about damaged files off the standard error stream, unless
// ADVPLAY_FFMPEG_LOG=1 asks for them.
void quiet_ffmpeg_log();

} // namespace advplay::platform
