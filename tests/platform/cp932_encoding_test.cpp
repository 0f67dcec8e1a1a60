// The built-in code page 932 tables against the host's iconv, which the native build converts with:
// every character both ways, and damaged text, must come out the same, byte for byte.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <optional>
#include <random>
#include <string>

namespace advplay::platform {
namespace {

// iconv as the native TextEncoding drives it, without its replacement: nothing when any sequence
// does not convert.
std::optional<std::string> iconv_exact(const char* to, const char* from, std::string_view text)
{
    iconv_t const handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(text.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* target = out.data();
    std::size_t out_left = out.size();
    std::size_t const result = iconv(handle, &in, &in_left, &target, &out_left);
    iconv_close(handle);
    if (result == static_cast<std::size_t>(-1) || in_left != 0)
        return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

// The conversion with replacement, step for step as posix/text_encoding.cpp makes it.
std::string iconv_replacing(std::string_view sjis)
{
    std::string out;
    while (!sjis.empty()) {
        auto const lead = static_cast<unsigned char>(sjis[0]);
        std::size_t const pair = ((lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0) && sjis.size() >= 2 ? 2 : 1;
        std::size_t const length
            = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? pair : 1;
        if (auto const converted = iconv_exact("UTF-8", "CP932", sjis.substr(0, length))) {
            out += *converted;
            sjis.remove_prefix(length);
        } else {
            out += "\xEF\xBF\xBD";
            sjis.remove_prefix(pair);
        }
    }
    return out;
}

class Cp932Tables : public ::testing::Test {
protected:
    TextEncoding m_tables;
};

TEST_F(Cp932Tables, EveryOneAndTwoByteSequenceDecodesAsIconvDecodesIt)
{
    int characters = 0;
    for (int first = 0; first < 256; ++first) {
        std::string const one(1, static_cast<char>(first));
        EXPECT_EQ(m_tables.to_utf8_exact(one), iconv_exact("UTF-8", "CP932", one)) << first;
        for (int second = 0; second < 256; ++second) {
            std::string const two { static_cast<char>(first), static_cast<char>(second) };
            auto const expected = iconv_exact("UTF-8", "CP932", two);
            ASSERT_EQ(m_tables.to_utf8_exact(two), expected) << std::hex << first << " " << second;
            characters += expected.has_value();
        }
    }
    // The NEC and IBM rows are there, not only JIS X 0208.
    EXPECT_GT(characters, 7900 + 190 * 190);
    EXPECT_EQ(m_tables.to_utf8("\x87\x40\xfa\x40"), "\xE2\x91\xA0\xE2\x85\xB0"); // "①ⅰ"
}

TEST_F(Cp932Tables, DamagedTextIsReplacedAsTheIconvVersionReplacesIt)
{
    std::mt19937 random(932);
    // Bytes near the edges of the lead and trail ranges, where a damaged text goes wrong.
    std::string const bytes
        = std::string("\x00\x40\x7f\x80\x81\x9f\xa0\xdf\xe0\xef\xf0\xfc\xfd\xfe\xff\x5c", 16)
        + "a\x82\xa0\x87\x40";
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        std::size_t const length = random() % 9;
        for (std::size_t i = 0; i < length; ++i)
            text += bytes[random() % bytes.size()];
        ASSERT_EQ(m_tables.to_utf8(text), iconv_replacing(text)) << ::testing::PrintToString(text);
    }
}

TEST_F(Cp932Tables, EveryCodePointEncodesAsIconvEncodesIt)
{
    for (std::uint32_t code = 1; code < 0x10000; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        std::string utf8;
        append_utf8(utf8, code);
        ASSERT_EQ(m_tables.to_sjis(utf8), iconv_exact("CP932", "UTF-8", utf8)) << std::hex << code;
    }
    // Beyond the tables, and not UTF-8 at all.
    EXPECT_EQ(m_tables.to_sjis("\xF0\x9F\x98\x80"), std::nullopt);
    EXPECT_EQ(m_tables.to_sjis("\xC0\xAF"), std::nullopt);
    EXPECT_EQ(m_tables.to_sjis("ゲーム"), "\x83Q\x81[\x83\x80");
}

} // namespace
} // namespace advplay::platform
