// PictureCache: the pictures the picture commands used last, kept decoded, most recent first.
#pragma once

#include "graphics/picture_decoders.h"
#include "graphics/surface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::graphics {

// A fixed number of entries {path, surface} in most-recently-used order; entry 0 is the latest. The
// used entries come first; the first entry without a surface ends them.
class PictureCache {
public:
    // Sets the number of entries; n < 1 counts as 0. Growing adds empty entries at the end; shrinking
    // destroys the pictures of the entries dropped from the end.
    void resize(int n);
    int size() const { return static_cast<int>(m_entries.size()); }

    // The picture at `path`, decoded by load_picture when the cache does not hold it. Paths are
    // compared byte for byte, letter case included. A hit moves its entry to the front; a miss that
    // loads puts the new picture at the front and destroys the last entry's. Null for an empty path,
    // a cache of no entries, or a picture that does not load (the cache is then unchanged). The
    // surface belongs to the cache and stays valid until its entry is evicted.
    Surface* get(const PictureSources& sources, std::string_view path);

    // The path of entry `index` (0 = used last); empty for an unused entry or an index out of range.
    std::string_view path(int index) const;
    // How many times the cache has decoded (or tried to decode) a picture since it was made.
    std::uint64_t decode_count() const { return m_decode_count; }

private:
    struct Entry {
        std::string path;
        // Held apart from the entry so that moving entries about never moves a picture that a
        // caller holds.
        std::unique_ptr<Surface> surface;
    };
    std::vector<Entry> m_entries;
    std::uint64_t m_decode_count { 0 };
};

} // namespace advplay::graphics
