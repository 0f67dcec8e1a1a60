// DataFile: the ".dpa" fallback and serving unpacked content.
#include "datafile/data_file.h"

#include "datafile/gplp.h"

#include <algorithm>
#include <cstring>

namespace advplay::datafile {

DataFile::DataFile(platform::Files& files)
    : m_plain(files)
{
}

bool DataFile::open(std::string_view path, FileMode mode)
{
    close();
    if (!m_plain.open(path, mode) && !m_plain.open(packed_path(path), mode))
        return false;
    m_name = path;

    std::uint8_t head[kGplpHeaderSize] {};
    std::int64_t const head_length = std::min<std::int64_t>(m_plain.size(), sizeof head);
    // A short file reads partly; the bytes that are there are what the magic is compared with.
    (void)m_plain.read({ head, static_cast<std::size_t>(head_length) });
    if (!m_plain.seek(0, SeekOrigin::Start)
        || !has_gplp_magic({ head, static_cast<std::size_t>(head_length) }))
        return true;

    std::vector<std::uint8_t> file(static_cast<std::size_t>(m_plain.size()));
    GplpContent content;
    if (m_plain.read(file) != 1 || !gplp_unpack(file, content)) {
        close();
        return false;
    }
    m_plain.close();
    m_content = std::move(content.bytes);
    m_name = std::move(content.name);
    m_packed = true;
    m_position = 0;
    return true;
}

void DataFile::close()
{
    (void)m_plain.close();
    m_packed = false;
    m_position = 0;
    m_name.clear();
    m_content.clear();
    m_content.shrink_to_fit();
}

std::int32_t DataFile::size() const
{
    if (m_packed)
        return static_cast<std::int32_t>(m_content.size());
    return static_cast<std::int32_t>(m_plain.size());
}

std::span<const std::uint8_t> DataFile::content() const
{
    if (m_packed)
        return m_content;
    return m_plain.content();
}

std::int32_t DataFile::read(std::span<std::uint8_t> into)
{
    if (!m_packed)
        return m_plain.read(into);
    auto const length = static_cast<std::int64_t>(m_content.size());
    if (into.empty() || m_position < 0 || m_position > length
        || static_cast<std::int64_t>(into.size()) > length - m_position)
        return 0;
    std::memcpy(into.data(), m_content.data() + m_position, into.size());
    m_position += static_cast<std::int64_t>(into.size());
    return static_cast<std::int32_t>(into.size());
}

bool DataFile::read_line(std::span<char> buffer)
{
    if (!m_packed)
        return m_plain.read_line(buffer);
    return read_line_from(m_content, m_position, buffer);
}

// QUIRK: true whatever happens; the loaders never look, and a bad position shows at the next read.
bool DataFile::seek(std::int32_t offset, SeekOrigin origin)
{
    if (!m_packed) {
        // The plain file keeps its own position; a refused move leaves it where it was.
        (void)m_plain.seek(offset, origin);
        return true;
    }
    switch (origin) {
    case SeekOrigin::Start:
        m_position = offset;
        break;
    case SeekOrigin::Current:
        m_position += offset;
        break;
    case SeekOrigin::End:
        m_position = static_cast<std::int64_t>(m_content.size()) + offset;
        break;
    }
    return true;
}

std::int32_t DataFile::write(std::span<const std::uint8_t> bytes)
{
    if (m_packed)
        return 0;
    return m_plain.write(bytes);
}

} // namespace advplay::datafile
