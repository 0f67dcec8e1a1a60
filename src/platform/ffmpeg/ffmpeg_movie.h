// Movie pictures with FFmpeg: the video stream of a file decoded in time order and scaled to the
// 640 x 480 RGB555 picture of the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace advplay::platform {

class MovieDecoder {
public:
    static constexpr std::int32_t kWidth = 640;
    static constexpr std::int32_t kHeight = 480;
    // The longest any one picture stays: a damaged time stamp cannot hold the game for hours.
    static constexpr std::uint32_t kLongestPictureMs = 10'000;

    MovieDecoder();
    ~MovieDecoder();
    MovieDecoder(const MovieDecoder&) = delete;
    MovieDecoder& operator=(const MovieDecoder&) = delete;

    // Opens the best video stream of the file. False when there is none that FFmpeg can decode, or
    // its pictures are larger than any picture the engine accepts.
    [[nodiscard]] bool open(const std::string& host_path);
    bool is_open() const;
    // Back to the first picture (the file is read again from its start). False when it cannot.
    [[nodiscard]] bool rewind();

    // Decodes up to the picture that is shown `ms` after the start; true when that picture differs
    // from the one picture() held before.
    bool advance(std::uint32_t ms);
    // Whether the movie is over at `ms`: the last picture has been shown for its whole duration, or
    // nothing at all could be decoded.
    bool finished(std::uint32_t ms) const;
    // The current picture, 640 x 480 RGB555 pixels, top row first; black before the first.
    const std::vector<std::uint16_t>& picture() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_path;
    std::vector<std::uint16_t> m_picture;
};

} // namespace advplay::platform
