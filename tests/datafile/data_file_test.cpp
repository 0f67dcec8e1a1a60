// DataFile and PlainFile: the ".dpa" fallback, the magic, serving unpacked content, and the open modes.
#include "datafile/data_file.h"
#include "datafile/gplp.h"
#include "datafile/plain_file.h"

#include "platform/posix/host_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace advplay::datafile {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string text_of(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string packed(std::string_view content, std::string_view name)
{
    return text_of(gplp_pack(Bytes(content.begin(), content.end()), name));
}

class DataFileTest : public ::testing::Test {
protected:
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };

    // The whole content as the decoders read it: size, then one read from position 0.
    std::optional<std::string> read_all(DataFile& file)
    {
        Bytes bytes(static_cast<std::size_t>(file.size()));
        if (!bytes.empty() && file.read(bytes) == 0)
            return std::nullopt;
        return text_of(bytes);
    }
};

TEST_F(DataFileTest, APackedFileStandsInForAMissingOne)
{
    folder.write("data/bg.dpa", packed("picture picture picture", "BG.BMP"));
    DataFile file(files);
    ASSERT_TRUE(file.open("data\\bg.bmp", FileMode::ReadBinary));
    EXPECT_TRUE(file.is_packed());
    EXPECT_EQ(file.size(), 23);
    EXPECT_EQ(file.name(), "BG.BMP");
    EXPECT_EQ(read_all(file), "picture picture picture");
    std::array<std::uint8_t, 1> one {};
    EXPECT_EQ(file.read(one), 0) << "nothing is left";

    folder.write("data/a.dpa", packed("in a.dpa", "x"));
    ASSERT_TRUE(file.open("data\\a.b\\pic", FileMode::ReadBinary));
    EXPECT_EQ(read_all(file), "in a.dpa");
    EXPECT_FALSE(file.open("data\\missing.bmp", FileMode::ReadBinary));
    EXPECT_FALSE(file.is_open());
}

TEST_F(DataFileTest, OnlyExactlyGplpWithItsNulIsUnpacked)
{
    for (std::string const& content : { std::string("GPLQ\0\0\0\0", 8), std::string("GPLP\x01 plain", 10),
             std::string("GPLP"), std::string("GP") }) {
        folder.write("data/p.dpa", content);
        DataFile file(files);
        ASSERT_TRUE(file.open("data\\p.bmp", FileMode::ReadBinary));
        EXPECT_FALSE(file.is_packed());
        EXPECT_EQ(file.name(), "data\\p.bmp");
        EXPECT_EQ(read_all(file), content);
    }
    std::string corrupt = packed("abcabcabc", "c");
    corrupt.pop_back();
    folder.write("data/c.dpa", corrupt);
    DataFile file(files);
    EXPECT_FALSE(file.open("data\\c.dpa", FileMode::ReadBinary));
    EXPECT_FALSE(file.is_open());
}

TEST_F(DataFileTest, UnpackedContentSeeksReadsAndRefusesWrites)
{
    folder.write("song.dpa", packed("MThd\nline two\nend", "song.mid"));
    DataFile file(files);
    ASSERT_TRUE(file.open("song.mid", FileMode::ReadBinary));
    std::array<std::uint8_t, 4> four {};
    EXPECT_EQ(file.read(four), 4);
    EXPECT_EQ(text_of(Bytes(four.begin(), four.end())), "MThd");
    EXPECT_TRUE(file.seek(-3, SeekOrigin::End));
    EXPECT_EQ(file.read(four), 0) << "only three bytes remain";
    std::array<std::uint8_t, 3> three {};
    EXPECT_EQ(file.read(three), 3);
    EXPECT_TRUE(file.seek(-100, SeekOrigin::Current));
    EXPECT_EQ(file.read(three), 0) << "a position before the start reads nothing";
    EXPECT_TRUE(file.seek(5, SeekOrigin::Start));
    std::array<char, 6> line {};
    ASSERT_TRUE(file.read_line(line));
    EXPECT_STREQ(line.data(), "line ");
    ASSERT_TRUE(file.read_line(line));
    EXPECT_STREQ(line.data(), "two\n");
    EXPECT_EQ(file.write(three), 0);
}

TEST_F(DataFileTest, PlainFileModes)
{
    PlainFile file(files);
    EXPECT_FALSE(file.open("a.txt", static_cast<FileMode>(7)));
    EXPECT_FALSE(file.open("a.txt", FileMode::ReadBinary)) << "missing";
    EXPECT_EQ(file.tell(), 0);
    EXPECT_EQ(file.size(), 0);

    ASSERT_TRUE(file.open("a.txt", FileMode::WriteBinary));
    std::string const first = "first\n";
    EXPECT_EQ(file.write({ reinterpret_cast<const std::uint8_t*>(first.data()), first.size() }), 1);
    EXPECT_TRUE(file.close());
    EXPECT_EQ(folder.read("a.txt"), "first\n");

    // Appending: reading anywhere, writing always at the end, created when missing.
    for (std::string const path : { "a.txt", "new.txt" }) {
        ASSERT_TRUE(file.open(path, FileMode::ReadAppendBinary)) << path;
        ASSERT_TRUE(file.seek(0, SeekOrigin::Start));
        std::string const more = "more";
        EXPECT_EQ(file.write({ reinterpret_cast<const std::uint8_t*>(more.data()), more.size() }), 1);
        EXPECT_TRUE(file.close());
    }
    EXPECT_EQ(folder.read("a.txt"), "first\nmore");
    EXPECT_EQ(folder.read("new.txt"), "more");

    // An empty path: a temporary file in memory.
    ASSERT_TRUE(file.open("", FileMode::ReadAppendBinary));
    std::string const scratch = "abcdef";
    EXPECT_EQ(file.write({ reinterpret_cast<const std::uint8_t*>(scratch.data()), scratch.size() }), 1);
    ASSERT_TRUE(file.seek(-2, SeekOrigin::End));
    std::array<std::uint8_t, 2> two {};
    EXPECT_EQ(file.read(two), 1);
    EXPECT_EQ(two[0], 'e');
    EXPECT_FALSE(file.seek(-1, SeekOrigin::Start));
    std::array<char, 3> line {};
    ASSERT_TRUE(file.seek(0, SeekOrigin::Start));
    ASSERT_TRUE(file.read_line(line));
    EXPECT_STREQ(line.data(), "ab") << "fgets stops one short of the buffer";
}

} // namespace
} // namespace advplay::datafile
