// The image plug-in decoder.
#include "graphics/picture_plugins.h"

#include "graphics/dib.h"
#include "graphics/picture_plugin_abi.h"
#include "platform/files.h"
#include "platform/image_codecs.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace advplay::graphics {

namespace {

// Plug-ins are asked with at least this much of the file, as the interface promises them.
constexpr std::size_t kHeadSize = 2048;

std::uint32_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t le32(const std::uint8_t* p)
{
    return le16(p) | le16(p + 2) << 16;
}

bool is_plugin_name(std::string_view name)
{
    if (name.size() < 4)
        return false;
    std::string_view const extension = name.substr(name.size() - 4);
    auto const lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return extension[0] == '.' && lower(extension[1]) == 's' && lower(extension[2]) == 'p'
        && lower(extension[3]) == 'i';
}

// Memory a plug-in handed over; it came from malloc, so free releases it, also after the plug-in is
// gone.
struct FreeWithFree {
    void operator()(void* block) const { std::free(block); }
};
using PluginMemory = std::unique_ptr<void, FreeWithFree>;

template<typename Function> Function exported(platform::PluginLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(library.function(name));
}

// The plug-in's output onto the surface. The blocks' lengths are what their headers say they are,
// as the interface requires of every plug-in.
bool convert_output(Surface& surface, const std::uint8_t* info, const std::uint8_t* bits)
{
    std::uint32_t const header_size = le32(info);
    if (header_size != 12 && header_size < 16)
        return false;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bit_count = 0;
    if (header_size == 12) {
        width = static_cast<std::int32_t>(le16(info + 4));
        height = static_cast<std::int32_t>(le16(info + 6));
        bit_count = le16(info + 10);
    } else {
        width = static_cast<std::int32_t>(le32(info + 4));
        height = static_cast<std::int32_t>(le32(info + 8));
        bit_count = le16(info + 14);
    }
    if (bit_count == 32) {
        std::int64_t const lines = height < 0 ? -std::int64_t { height } : height;
        if (width <= 0 || !platform::picture_size_allowed(width, lines))
            return false;
        std::size_t const length = static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(lines);
        return draw_bgra(surface, width, height, { bits, length });
    }
    auto const header = read_dib_header({ info, header_size });
    if (!header)
        return false;
    std::optional<std::size_t> length;
    if (header->compression == DibCompression::Rle8 || header->compression == DibCompression::Rle4)
        length = le32(info + 20);
    else
        length = dib_bits_size(*header);
    if (!length)
        return false;
    return draw_dib(surface, { info, dib_info_size(*header) }, { bits, *length });
}

} // namespace

bool decode_with_plugins(Surface& surface, std::span<const std::uint8_t> file, std::string_view path,
    const PictureSources& sources)
{
    // With no folder named, the original searched the root of the current drive, where no game keeps
    // its plug-ins; here no folder means no plug-ins.
    if (!sources.codecs || sources.plugin_folder.empty())
        return false;
    auto const entries = sources.files.list_folder(sources.plugin_folder);
    if (!entries)
        return false;

    std::size_t const block_size = file.size() >= kHeadSize ? file.size() : file.size() + kHeadSize;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[block_size]());
    if (!block)
        return false;
    if (!file.empty())
        std::memcpy(block.get(), file.data(), file.size());
    std::string const path_text(path);
    auto const length = static_cast<std::int32_t>(file.size());

    std::unique_ptr<platform::PluginLibrary> chosen;
    for (auto const& entry : *entries) {
        if (entry.is_folder || !is_plugin_name(entry.name))
            continue;
        std::string const engine_path = std::string(sources.plugin_folder) + '\\' + entry.name;
        auto const host_path = sources.files.host_path(engine_path);
        if (!host_path)
            continue;
        auto library = sources.codecs->open_plugin(*host_path);
        if (!library)
            continue;
        auto const is_supported = exported<IsSupportedFunction>(*library, "IsSupported");
        if (is_supported && is_supported(path_text.c_str(), block.get()) != 0) {
            chosen = std::move(library);
            break;
        }
    }
    if (!chosen)
        return false;
    auto const get_info = exported<GetPictureInfoFunction>(*chosen, "GetPictureInfo");
    auto const get_picture = exported<GetPictureFunction>(*chosen, "GetPicture");
    if (!get_info || !get_picture)
        return false;

    PictureInfo info {};
    (void)get_info(block.get(), length, 1, &info);
    PluginMemory const info_text(info.info_text);
    if (!platform::picture_fits_file(info.width, info.height, length)
        || !surface.create(info.width, info.height))
        return false;
    void* bitmap_info = nullptr;
    void* bits = nullptr;
    int const result = get_picture(block.get(), length, 1, &bitmap_info, &bits, nullptr, 0);
    PluginMemory const owned_info(bitmap_info);
    PluginMemory const owned_bits(bits);
    chosen.reset();
    block.reset();
    if (result != 0 || !bitmap_info || !bits)
        return false;
    return convert_output(
        surface, static_cast<const std::uint8_t*>(bitmap_info), static_cast<const std::uint8_t*>(bits));
}

} // namespace advplay::graphics
