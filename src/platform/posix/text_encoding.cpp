// Text encoding with iconv's CP932 tables.
#include "platform/text_encoding.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace advplay::platform {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

iconv_t open_or_null(const char* to, const char* from)
{
    iconv_t handle = iconv_open(to, from);
    return handle == reinterpret_cast<iconv_t>(-1) ? nullptr : handle;
}

} // namespace

struct TextEncoding::Converters {
    iconv_t to_utf8 { nullptr };
    iconv_t to_sjis { nullptr };
    ~Converters()
    {
        if (to_utf8)
            iconv_close(to_utf8);
        if (to_sjis)
            iconv_close(to_sjis);
    }
};

TextEncoding::TextEncoding()
    : m_converters(std::make_unique<Converters>())
{
    m_converters->to_utf8 = open_or_null("UTF-8", "CP932");
    m_converters->to_sjis = open_or_null("CP932", "UTF-8");
}

TextEncoding::~TextEncoding() = default;

std::string TextEncoding::to_utf8(std::string_view sjis) const
{
    std::string out;
    iconv_t const handle = m_converters->to_utf8;
    if (!handle) {
        // Without the tables, keep what ASCII there is.
        for (char c : sjis)
            out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string(kReplacement);
        return out;
    }
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    out.reserve(sjis.size() * 3 / 2 + 4);
    char* in = const_cast<char*>(sjis.data());
    std::size_t in_left = sjis.size();
    char buffer[256];
    while (in_left > 0) {
        char* to = buffer;
        std::size_t to_left = sizeof buffer;
        std::size_t const result = iconv(handle, &in, &in_left, &to, &to_left);
        out.append(buffer, to - buffer);
        if (result != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An invalid or incomplete character: replace one character's worth of bytes and go on.
        auto const lead = static_cast<unsigned char>(*in);
        std::size_t const skip = ((lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0) && in_left >= 2 ? 2 : 1;
        out += kReplacement;
        in += skip;
        in_left -= skip;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::optional<std::string> TextEncoding::to_utf8_exact(std::string_view sjis) const
{
    return convert_exact(m_converters->to_utf8, sjis);
}

std::optional<std::string> TextEncoding::to_sjis(std::string_view utf8) const
{
    if (!is_valid_utf8(utf8))
        return std::nullopt;
    return convert_exact(m_converters->to_sjis, utf8);
}

std::optional<std::string> TextEncoding::convert_exact(void* converter, std::string_view text)
{
    auto const handle = static_cast<iconv_t>(converter);
    if (!handle)
        return std::nullopt;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char buffer[256];
    while (in_left > 0) {
        char* to = buffer;
        std::size_t to_left = sizeof buffer;
        std::size_t const result = iconv(handle, &in, &in_left, &to, &to_left);
        out.append(buffer, to - buffer);
        if (result != static_cast<std::size_t>(-1))
            break;
        if (errno != E2BIG)
            return std::nullopt;
    }
    return out;
}

} // namespace advplay::platform
