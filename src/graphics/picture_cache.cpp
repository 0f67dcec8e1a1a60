// PictureCache: lookup, move to front, eviction.
#include "graphics/picture_cache.h"

#include <algorithm>
#include <new>

namespace advplay::graphics {

void PictureCache::resize(int n)
{
    m_entries.resize(static_cast<std::size_t>(std::max(n, 0)));
}

Surface* PictureCache::get(const PictureSources& sources, std::string_view path)
{
    if (path.empty() || m_entries.empty())
        return nullptr;
    for (std::size_t i = 0; i < m_entries.size() && m_entries[i].surface; ++i) {
        if (m_entries[i].path != path)
            continue;
        // Entries 0 .. i - 1 move back by one and the hit takes the front.
        std::rotate(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(i),
            m_entries.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        return m_entries.front().surface.get();
    }

    std::unique_ptr<Surface> surface(new (std::nothrow) Surface);
    if (!surface)
        return nullptr;
    ++m_decode_count;
    if (!load_picture(*surface, sources, path))
        return nullptr;
    // The last entry's picture goes; all others move back by one.
    std::rotate(m_entries.begin(), m_entries.end() - 1, m_entries.end());
    // The path keeps its full length: a longer one than the original's 260-byte buffers held is
    // compared whole, never cut to match another.
    m_entries.front() = Entry { std::string(path), std::move(surface) };
    return m_entries.front().surface.get();
}

std::string_view PictureCache::path(int index) const
{
    if (index < 0 || index >= size() || !m_entries[static_cast<std::size_t>(index)].surface)
        return {};
    return m_entries[static_cast<std::size_t>(index)].path;
}

} // namespace advplay::graphics
