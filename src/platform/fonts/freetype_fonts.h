// FreeTypeFonts: fonts found by fontconfig and drawn by FreeType, in monochrome, with the cell
// height and advance widths the Windows fonts of the games' days gave.
#pragma once

#include "platform/font_rasterizer.h"
#include "platform/text_encoding.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace advplay::platform {

// Reads "Windows name = family" lines ("#" starts a comment); nothing when the text has a line of
// another form, with `error` naming it.
std::optional<FontMap> parse_font_map(std::string_view text, std::string& error);

// Its built-in table maps the Japanese system faces to the IPA fonts, which were drawn to the same
// metrics; the entries of `extra` come first.
class FreeTypeFonts final : public FontRasterizer {
public:
    FreeTypeFonts(const TextEncoding& encoding, FontMap extra = {});
    ~FreeTypeFonts() override;
    FreeTypeFonts(const FreeTypeFonts&) = delete;
    FreeTypeFonts& operator=(const FreeTypeFonts&) = delete;

    std::unique_ptr<Font> create(const FontRequest& request, std::string& substitution) override;

    // The font file a face name leads to (for tests and the curious).
    std::string file_for(std::string_view sjis_name);

private:
    struct Library;
    struct Location {
        std::string file;
        int index { 0 };
        bool exact { false };
        // Found through the map of Windows faces, or as the default for a name nothing matched.
        bool stand_in { false };
    };
    Location locate(std::string_view utf8_name);

    const TextEncoding& m_encoding;
    FontMap m_map;
    std::unique_ptr<Library> m_library;
    std::set<std::string> m_reported;
};

} // namespace advplay::platform
