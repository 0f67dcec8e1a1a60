// PlainFile over platform::Files.
#include "datafile/plain_file.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace advplay::datafile {

namespace {

// The engine's file positions and sizes are 32-bit; a larger file is refused rather than misread.
constexpr std::uint64_t kLargestFile = std::numeric_limits<std::int32_t>::max();

bool load(platform::Files& files, std::string_view path, std::vector<std::uint8_t>& content)
{
    auto file = files.open_read(path);
    if (!file)
        return false;
    std::uint64_t const size = file->size();
    if (size > kLargestFile)
        return false;
    content.assign(static_cast<std::size_t>(size), 0);
    std::size_t done = 0;
    while (done < content.size()) {
        std::size_t const got = file->read({ content.data() + done, content.size() - done });
        if (got == 0)
            return false;
        done += got;
    }
    return true;
}

} // namespace

bool read_line_from(std::span<const std::uint8_t> content, std::int64_t& position, std::span<char> buffer)
{
    if (buffer.empty() || position < 0 || position >= static_cast<std::int64_t>(content.size()))
        return false;
    auto const rest = content.subspan(static_cast<std::size_t>(position));
    std::size_t const room = std::min(buffer.size() - 1, rest.size());
    auto const line_end = std::find(rest.begin(), rest.begin() + room, '\n');
    std::size_t const length = line_end == rest.begin() + room ? room : line_end - rest.begin() + 1;
    std::memcpy(buffer.data(), rest.data(), length);
    buffer[length] = '\0';
    position += static_cast<std::int64_t>(length);
    return true;
}

PlainFile::PlainFile(platform::Files& files)
    : m_files(files)
{
}

PlainFile::~PlainFile()
{
    close();
}

bool PlainFile::open(std::string_view path, FileMode mode)
{
    close();
    bool readable = false, append = false, stream = false;
    switch (mode) {
    case FileMode::Read:
    case FileMode::ReadBinary:
        readable = true;
        break;
    case FileMode::Write:
    case FileMode::WriteBinary:
        stream = true;
        break;
    case FileMode::ReadAppend:
    case FileMode::ReadAppendBinary:
        readable = append = true;
        break;
    default:
        return false;
    }
    if (path.empty()) {
        // The anonymous temporary file: read and written in place, never stored.
        m_open = m_readable = true;
        return true;
    }
    if (stream) {
        m_stream = m_files.open_write(path);
        if (!m_stream)
            return false;
    } else if (append && m_files.kind(path) == platform::PathKind::Missing) {
        // "a+" creates a missing file at once.
        auto created = m_files.open_write(path);
        if (!created || !created->close())
            return false;
    } else if (!load(m_files, path, m_content)) {
        m_content.clear();
        return false;
    }
    m_open = true;
    m_readable = readable;
    m_append = append;
    m_path = path;
    return true;
}

bool PlainFile::close()
{
    bool ok = true;
    if (m_stream)
        ok = !m_stream_failed && m_stream->close();
    if (m_write_back) {
        auto file = m_files.open_write(m_path);
        ok = file && file->write(m_content) && file->close() && ok;
    }
    m_open = m_readable = m_append = m_write_back = m_stream_failed = false;
    m_stream.reset();
    m_path.clear();
    m_content.clear();
    m_position = 0;
    return ok;
}

bool PlainFile::read_line(std::span<char> buffer)
{
    return m_readable && read_line_from(m_content, m_position, buffer);
}

std::int32_t PlainFile::read(std::span<std::uint8_t> into)
{
    if (!m_readable)
        return 0;
    auto const size = static_cast<std::int64_t>(m_content.size());
    std::size_t const available = m_position < size ? static_cast<std::size_t>(size - m_position) : 0;
    std::size_t const count = std::min(into.size(), available);
    if (count > 0)
        std::memcpy(into.data(), m_content.data() + m_position, count);
    m_position += static_cast<std::int64_t>(count);
    return !into.empty() && count == into.size() ? 1 : 0;
}

std::int32_t PlainFile::write(std::span<const std::uint8_t> bytes)
{
    if (!m_open || bytes.empty())
        return 0;
    if (m_stream) {
        if (!m_stream->write(bytes)) {
            m_stream_failed = true;
            return 0;
        }
        m_position += static_cast<std::int64_t>(bytes.size());
        return 1;
    }
    if (!m_readable)
        return 0;
    if (m_append)
        m_position = static_cast<std::int64_t>(m_content.size());
    auto const end = static_cast<std::uint64_t>(m_position) + bytes.size();
    if (end > kLargestFile)
        return 0;
    if (end > m_content.size())
        m_content.resize(static_cast<std::size_t>(end));
    std::memcpy(m_content.data() + m_position, bytes.data(), bytes.size());
    m_position = static_cast<std::int64_t>(end);
    m_write_back = m_append;
    return 1;
}

bool PlainFile::seek(std::int64_t offset, SeekOrigin origin)
{
    if (!m_open)
        return false;
    std::int64_t base = 0;
    switch (origin) {
    case SeekOrigin::Start:
        break;
    case SeekOrigin::Current:
        base = m_position;
        break;
    case SeekOrigin::End:
        base = size();
        break;
    default:
        return false;
    }
    if (offset > static_cast<std::int64_t>(kLargestFile) || offset < -static_cast<std::int64_t>(kLargestFile))
        return false;
    std::int64_t const target = base + offset;
    if (target < 0 || target > static_cast<std::int64_t>(kLargestFile))
        return false;
    if (m_stream && target != m_position)
        return false;
    m_position = target;
    return true;
}

std::int64_t PlainFile::tell() const
{
    return m_open ? m_position : 0;
}

std::span<const std::uint8_t> PlainFile::content() const
{
    if (!m_readable)
        return {};
    return m_content;
}

std::int64_t PlainFile::size() const
{
    if (!m_open)
        return 0;
    return m_stream ? m_position : static_cast<std::int64_t>(m_content.size());
}

} // namespace advplay::datafile
