// Sound decoding with FFmpeg: the sound of any file FFmpeg reads (MP3, Ogg, FLAC, WAV, a movie's
// sound track) as 16-bit stereo at one rate, and the length of a file's sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace advplay::platform {

class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Opens the best sound stream of the file, converted to `rate` samples a second. False when
    // there is none that FFmpeg can decode; the decoder is closed then.
    [[nodiscard]] bool open(const std::string& host_path, int rate);
    void close();
    bool is_open() const;

    // The next samples read are those `ms` after the start of the sound. False when the file cannot
    // go there; it then reads on from where it was.
    bool seek(std::uint32_t ms);
    // Reads up to `frames` stereo frames (left, right) into `out`. Fewer only at the end of the sound,
    // or where damage stops the decoding, which counts as the end.
    std::size_t read(std::int16_t* out, std::size_t frames);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The length of the best sound stream of a file in milliseconds: the sum of its packets' durations,
// so a file cut short has the length of what is there. Nothing when the file has no sound stream
// FFmpeg can decode.
std::optional<std::uint32_t> audio_length_ms(const std::string& host_path);

} // namespace advplay::platform
