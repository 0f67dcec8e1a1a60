// GPLP: unpacking literals and overlapping references, refusing corrupt files, and the packer's
// round trip, window and size.
#include "datafile/gplp.h"

#include "platform/posix/host_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace advplay::datafile {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

void put32(Bytes& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t get32(const Bytes& in, std::size_t at)
{
    return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | static_cast<std::uint32_t>(in[at + 3]) << 24;
}

// A packed file with the stated lengths taken from its parts unless overridden.
struct Packed {
    std::string name { "bg.bmp" };
    Bytes flags;
    Bytes tokens;
    std::uint32_t unpacked { 0 };
    std::optional<std::uint32_t> info_size, name_length, flag_length, token_length;

    Bytes bytes() const
    {
        Bytes out = bytes_of(std::string_view("GPLP\0\0\0\0\0\0\0\0", 12)); // magic, NUL, 7 spare bytes
        put32(out, info_size.value_or(20));
        put32(out, 0); // not interpreted
        put32(out, name_length.value_or(static_cast<std::uint32_t>(name.size() + 1)));
        put32(out, flag_length.value_or(static_cast<std::uint32_t>(flags.size())));
        put32(out, token_length.value_or(static_cast<std::uint32_t>(tokens.size())));
        put32(out, unpacked);
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        out.insert(out.end(), flags.begin(), flags.end());
        out.insert(out.end(), tokens.begin(), tokens.end());
        return out;
    }
};

Packed packed(Bytes flags, Bytes tokens, std::uint32_t unpacked)
{
    Packed result;
    result.flags = std::move(flags);
    result.tokens = std::move(tokens);
    result.unpacked = unpacked;
    return result;
}

std::optional<Bytes> unpacked(const Bytes& file)
{
    GplpContent content;
    if (!gplp_unpack(file, content))
        return std::nullopt;
    return content.bytes;
}

TEST(Gplp, LiteralsAndReferencesThatOverlapTheirOwnOutput)
{
    // Three literals, then 0x0000: length 3 at distance 3.
    Packed abc = packed({ 0x07 }, { 'A', 'B', 'C', 0x00, 0x00 }, 6);
    GplpContent content;
    ASSERT_TRUE(gplp_unpack(abc.bytes(), content));
    EXPECT_EQ(content.bytes, bytes_of("ABCABC"));
    EXPECT_EQ(content.name, "bg.bmp");
    // 0x000F: length 18 at distance 3, repeating what it writes.
    Packed xyz = packed({ 0x07 }, { 'x', 'y', 'z', 0x0F, 0x00 }, 21);
    EXPECT_EQ(unpacked(xyz.bytes()), bytes_of("xyzxyzxyzxyzxyzxyzxyz"));
    // 0x0013: distance 4, length 6; the ninth token's flag sits in the second flag byte.
    Packed second_byte = packed({ 0xFF, 0x00 }, { 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x13, 0x00 }, 14);
    EXPECT_EQ(unpacked(second_byte.bytes()), bytes_of("abcdefghefghef"));
}

TEST(Gplp, CorruptFilesAreRefusedWithoutReadingOutside)
{
    Packed const good = packed({ 0x07 }, { 'A', 'B', 'C', 0x00, 0x00 }, 6);
    ASSERT_TRUE(unpacked(good.bytes()));
    std::vector<std::pair<const char*, Packed>> cases;
    auto with = [&](const char* what, auto change) {
        Packed p = good;
        change(p);
        cases.emplace_back(what, p);
    };
    with("info block under 20 bytes", [](Packed& p) { p.info_size = 16; });
    with("info block beyond the file", [](Packed& p) { p.info_size = 4000; });
    with("name beyond the file", [](Packed& p) { p.name_length = 100; });
    with("flags beyond the file", [](Packed& p) { p.flag_length = 100; });
    with("tokens beyond the file", [](Packed& p) { p.token_length = 6; });
    with("huge lengths", [](Packed& p) { p.name_length = p.flag_length = p.token_length = 0xFFFFFFFF; });
    with("output beyond U", [](Packed& p) { p.unpacked = 5; });
    with("output short of U", [](Packed& p) { p.unpacked = 7; });
    with("more output than tokens can make", [](Packed& p) { p.unpacked = 0x7FFFFFFF; });
    with("reference before the start", [](Packed& p) { p.flags = { 0x03 }, p.unpacked = 5; });
    with("reference one byte before the start", [](Packed& p) { p.tokens[3] = 0x10; });
    with("reference cut off", [](Packed& p) { p.tokens.pop_back(), p.unpacked = 3; });
    with("literal beyond the flags", [](Packed& p) {
        p.flags = {}, p.unpacked = 3, p.tokens = { 'A', 'B', 'C' };
    });
    with("ninth token without a flag byte",
        [](Packed& p) { p.flags = { 0xFF }, p.tokens = bytes_of("123456789"), p.unpacked = 9; });
    for (auto const& [what, packed] : cases) {
        // An exact copy, so that a sanitizer would see a read past the end.
        Bytes const file = packed.bytes();
        EXPECT_FALSE(unpacked(file)) << what;
    }
    Bytes const whole = good.bytes();
    for (std::size_t length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(unpacked(Bytes(whole.begin(), whole.begin() + length))) << length;
    Bytes wrong_magic = whole;
    wrong_magic[4] = 1;
    EXPECT_FALSE(unpacked(wrong_magic));
}

struct Token {
    bool literal;
    std::size_t length, distance;
};

// The tokens of a packed file, checking on the way that it holds exactly what they need.
std::vector<Token> tokens_of(const Bytes& file)
{
    std::uint32_t const n = get32(file, 20), f = get32(file, 24), t = get32(file, 28);
    EXPECT_EQ(file.size(), 36 + n + f + t);
    std::vector<Token> tokens;
    for (std::size_t k = 36 + n + f, i = 0; k < file.size(); ++i) {
        bool const literal = (file[36 + n + i / 8] >> (i % 8)) & 1;
        unsigned const word = literal ? 0 : file[k] | file[k + 1] << 8;
        tokens.push_back(literal ? Token { true, 1, 0 } : Token { false, (word & 15) + 3, (word >> 4) + 3u });
        k += literal ? 1 : 2;
    }
    EXPECT_EQ(f, (tokens.size() + 7) / 8);
    return tokens;
}

TEST(Gplp, PackedFilesUnpackToTheSameBytesAndNoLarger)
{
    std::mt19937 random(7);
    Bytes noise(20000);
    for (auto& byte : noise)
        byte = static_cast<std::uint8_t>(random());
    Bytes text;
    for (int i = 0; i < 500; ++i)
        text.insert(text.end(), { 'l', 'i', 'n', 'e', ' ', static_cast<std::uint8_t>('0' + i % 10), '\n' });
    for (Bytes const& input : { Bytes {}, bytes_of("a"), bytes_of("aaaa"), Bytes(10000, 0), noise, text }) {
        Bytes const file = gplp_pack(input, "pic.bmp");
        GplpContent content;
        ASSERT_TRUE(gplp_unpack(file, content)) << input.size();
        EXPECT_EQ(content.bytes, input);
        EXPECT_EQ(content.name, "pic.bmp");
        (void)tokens_of(file);
    }
    // The shortest distance is 3: a run starts with three literals, then 18 bytes per reference.
    auto const run = tokens_of(gplp_pack(Bytes(3 + 18 * 4, 'a'), "run"));
    ASSERT_EQ(run.size(), 7u);
    EXPECT_TRUE(run[2].literal);
    EXPECT_EQ(run[3].distance, 3u);
    EXPECT_EQ(run[3].length, 18u);
    EXPECT_LT(gplp_pack(Bytes(10000, 0), "zeros").size(), 1300u);
}

TEST(Gplp, ThePackerReachesBackExactly4098Bytes)
{
    for (std::size_t gap : { 4098u, 4099u }) {
        std::mt19937 random(11);
        // No three bytes repeat, so the only match is the copied block.
        Bytes input(gap + 18);
        std::set<std::uint32_t> seen;
        for (std::size_t i = 0; i < gap; ++i) {
            do
                input[i] = static_cast<std::uint8_t>(random());
            while (i >= 2 && !seen.insert(input[i - 2] << 16 | input[i - 1] << 8 | input[i]).second);
        }
        std::copy(input.begin(), input.begin() + 18, input.begin() + gap);
        Bytes const file = gplp_pack(input, "w");
        EXPECT_EQ(unpacked(file), input);
        bool far_reference = false;
        for (auto const& token : tokens_of(file))
            far_reference |= !token.literal && token.distance == 4098;
        EXPECT_EQ(far_reference, gap == 4098) << gap;
    }
}

TEST(Gplp, PackedPathCutsAtTheLastDotOfTheWholePath)
{
    EXPECT_EQ(packed_path("data\\bg.bmp"), "data\\bg.dpa");
    EXPECT_EQ(packed_path("data\\a.b\\pic"), "data\\a.dpa");
    EXPECT_EQ(packed_path("data\\pic"), "data\\pic.dpa");
    EXPECT_TRUE(has_gplp_magic(bytes_of(std::string_view("GPLP\0", 5))));
    EXPECT_FALSE(has_gplp_magic(bytes_of("GPLP")));
    EXPECT_FALSE(has_gplp_magic(bytes_of("GPLQ\0")));
}

TEST(Gplp, AuthorToolsPackAndUnpackFiles)
{
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles files(folder.path().string(), encoding);
    std::string const picture(3000, 'p');
    folder.write("data/bg.bmp", picture);
    ASSERT_EQ(pack_file(files, "data\\bg.bmp", "data\\bg.dpa"), GplpToolResult::Done);
    std::string const packed = folder.read("data/bg.dpa");
    EXPECT_LT(packed.size(), 420u);
    GplpContent content;
    ASSERT_TRUE(gplp_unpack(bytes_of(packed), content));
    EXPECT_EQ(content.name, "bg.bmp");
    ASSERT_EQ(unpack_file(files, "data\\bg.dpa", "out.bmp"), GplpToolResult::Done);
    EXPECT_EQ(folder.read("out.bmp"), picture);
    EXPECT_EQ(unpack_file(files, "data\\bg.bmp", "out.bmp"), GplpToolResult::NotPacked);
    EXPECT_EQ(unpack_file(files, "missing.dpa", "out.bmp"), GplpToolResult::CannotRead);
    EXPECT_EQ(pack_file(files, "missing.bmp", "x.dpa"), GplpToolResult::CannotRead);
}

} // namespace
} // namespace advplay::datafile
