// PlainFile: a whole file of the game folder opened by mode number, with the standard C library's
// reading, writing and seeking rules, over platform::Files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {
class Files;
class WritableFile;
} // namespace advplay::platform

namespace advplay::datafile {

// The open modes callers pass, by number, with the C library mode each stands for. Text and binary
// modes behave alike: the hosts this runs on translate no line ends.
enum class FileMode : std::int32_t {
    Read = 2, // "r"
    ReadBinary = 3, // "rb", what every data file is opened with
    Write = 4, // "w"
    WriteBinary = 5, // "wb"
    ReadAppend = 8, // "a+"
    ReadAppendBinary = 9, // "a+b"
};

// fgets over bytes held in memory: up to buffer.size() - 1 bytes from `position`, through the first
// line feed, then a NUL; `position` moves past them. False, with the buffer untouched, when the
// buffer is empty or the position is not inside the content.
[[nodiscard]] bool read_line_from(
    std::span<const std::uint8_t> content, std::int64_t& position, std::span<char> buffer);

enum class SeekOrigin : std::int32_t {
    Start = 0,
    Current = 1,
    End = 2,
};

// A file opened for reading is read whole at open and served from memory; one opened for writing
// streams to the host file. In the append modes the old content is read at open, every write goes to
// the end, and the whole file is written back at close. An empty path opens an anonymous temporary
// file that lives in memory and vanishes at close.
class PlainFile {
public:
    explicit PlainFile(platform::Files& files);
    ~PlainFile();
    PlainFile(const PlainFile&) = delete;
    PlainFile& operator=(const PlainFile&) = delete;

    // Closes what was open first. False for a mode number outside the table, a file that cannot be
    // opened that way, or a file too large to hold.
    [[nodiscard]] bool open(std::string_view path, FileMode mode);
    // False when written data may not have reached the file. Closed afterwards in any case.
    bool close();
    bool is_open() const { return m_open; }

    // fgets: up to buffer.size() - 1 bytes, through the first line feed, then a NUL. False, with the
    // buffer untouched, at the end of the file or when it is not open for reading.
    [[nodiscard]] bool read_line(std::span<char> buffer);
    // One item of into.size() bytes: 1 when all of them were read, else 0 (what could be read is
    // read and passed over, as fread does).
    std::int32_t read(std::span<std::uint8_t> into);
    // One item of bytes.size() bytes: 1 when all of them were written, else 0.
    std::int32_t write(std::span<const std::uint8_t> bytes);
    // False for a position before the start, or a move of a write-only file (which only streams).
    [[nodiscard]] bool seek(std::int64_t offset, SeekOrigin origin);
    // The position; 0 when closed.
    std::int64_t tell() const;
    // The length of the content; 0 when closed.
    std::int64_t size() const;
    // The whole content of a file open for reading, without a copy; empty otherwise. Valid until the
    // file is closed or written.
    std::span<const std::uint8_t> content() const;

    void set_name(std::string_view name) { m_name = name; }
    const std::string& name() const { return m_name; }

private:
    platform::Files& m_files;
    bool m_open { false };
    bool m_readable { false };
    bool m_append { false };
    // Content to write back to m_path at close (append modes, after a write).
    bool m_write_back { false };
    std::string m_path;
    std::string m_name;
    std::vector<std::uint8_t> m_content;
    std::int64_t m_position { 0 };
    // Set while the file is open in a write-only mode.
    std::unique_ptr<platform::WritableFile> m_stream;
    bool m_stream_failed { false };
};

} // namespace advplay::datafile
