// DataFile: the whole-file reader of pictures and songs, which finds a packed ".dpa" file in place of a
// missing one and serves a packed file's unpacked content as if it were the file.
#pragma once

#include "datafile/plain_file.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {
class Files;
}

namespace advplay::datafile {

class DataFile {
public:
    explicit DataFile(platform::Files& files);
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Opens `path`, or when that fails packed_path(path). A file that begins with the GPLP magic is
    // unpacked whole at once; any other is served as it is. False, with the reader closed, when
    // neither file opens or the packed file is corrupt.
    [[nodiscard]] bool open(std::string_view path, FileMode mode);
    void close();
    bool is_open() const { return m_plain.is_open() || m_packed; }
    // True while serving unpacked content.
    bool is_packed() const { return m_packed; }

    // The length of the content: the file's, or the unpacked length of a packed file.
    std::int32_t size() const;
    // The whole content (the file's, or the unpacked content of a packed file) without a copy, for
    // readers that take it all at once; it stays valid until the reader is closed. Empty when closed.
    std::span<const std::uint8_t> content() const;
    // Fills `into` from the read position and moves past it. Nonzero when all of it was filled: 1
    // from a plain file, into.size() from unpacked content; 0 otherwise (unpacked content then stays
    // untouched at its position, never read beyond its end).
    std::int32_t read(std::span<std::uint8_t> into);
    // fgets over the content; false at its end.
    [[nodiscard]] bool read_line(std::span<char> buffer);
    // Moves the read position (from the end: size() + offset). Always true, as callers rely on; a
    // position outside the content makes the next read fail.
    bool seek(std::int32_t offset, SeekOrigin origin);
    // Writes through to a plain file; unpacked content takes nothing and returns 0.
    std::int32_t write(std::span<const std::uint8_t> bytes);

    // The path it was opened by, or a packed file's stored name.
    const std::string& name() const { return m_name; }

private:
    PlainFile m_plain;
    bool m_packed { false };
    std::int64_t m_position { 0 };
    std::string m_name;
    std::vector<std::uint8_t> m_content;
};

} // namespace advplay::datafile
