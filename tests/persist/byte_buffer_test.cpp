// ByteBuffer: growth, little-endian integers and the complement of whole groups of four.
#include "persist/byte_buffer.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay::persist {
namespace {

std::string bytes_of(const ByteBuffer& buffer) { return std::string(buffer.view()); }

TEST(ByteBuffer, AppendsGrowFrom1024BytesByDoubling)
{
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.append_byte(1));
    EXPECT_EQ(buffer.capacity(), 1024u);
    std::string const block(1500, 'x');
    ASSERT_TRUE(buffer.append(block.data(), block.size()));
    EXPECT_EQ(buffer.capacity(), 2048u);
    EXPECT_EQ(buffer.size(), 1501u);
    buffer.shrink();
    EXPECT_EQ(buffer.capacity(), 1501u);
    EXPECT_FALSE(buffer.append("", 0));
}

TEST(ByteBuffer, AssignTakesExactlyWhatItNeedsAndRefusesNothing)
{
    ByteBuffer buffer;
    EXPECT_FALSE(buffer.assign("", 0));
    ASSERT_TRUE(buffer.assign("abcdef", 6));
    EXPECT_EQ(buffer.capacity(), 6u);
    ASSERT_TRUE(buffer.assign("xy", 2));
    EXPECT_EQ(buffer.capacity(), 6u);
    EXPECT_EQ(bytes_of(buffer), "xy");
}

TEST(ByteBuffer, Int32IsLittleEndian)
{
    ByteBuffer buffer;
    buffer.append_int32(-2);
    buffer.append_int32(0x01020304);
    EXPECT_EQ(bytes_of(buffer), std::string("\xfe\xff\xff\xff\x04\x03\x02\x01", 8));
    EXPECT_EQ(buffer.int32_at(0), -2);
    buffer.put_int32(4, 24);
    EXPECT_EQ(buffer.int32_at(4), 24);
}

TEST(ByteBuffer, InvertRangeComplementsWholeGroupsOfFourOnly)
{
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.assign("\x00\x01\x02\x03\x04\x05\x06\x07\x08", 9));
    // From offset 4: five bytes remain, four are complemented, the last stays plain.
    ASSERT_TRUE(buffer.invert_range(4, 0));
    EXPECT_EQ(bytes_of(buffer), std::string("\x00\x01\x02\x03\xfb\xfa\xf9\xf8\x08", 9));
    // A length past the end means the rest; three bytes round down to nothing.
    EXPECT_FALSE(buffer.invert_range(6, 100));
    EXPECT_FALSE(buffer.invert_range(9, 0));
    EXPECT_FALSE(buffer.invert_range(0, 3));
    ASSERT_TRUE(buffer.invert_range(0, 7));
    EXPECT_EQ(bytes_of(buffer), std::string("\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8\x08", 9));
}

TEST(ByteBuffer, LoadFileRefusesMissingAndEmptyFiles)
{
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles files(folder.path().string(), encoding);
    folder.write("empty.bin", "");
    folder.write("full.bin", std::string("\x00\x07z", 3));
    ByteBuffer buffer;
    EXPECT_FALSE(buffer.load_file(files, "missing.bin"));
    EXPECT_FALSE(buffer.load_file(files, "empty.bin"));
    EXPECT_FALSE(buffer.load_file(files, "."));
    ASSERT_TRUE(buffer.load_file(files, "FULL.BIN"));
    EXPECT_EQ(bytes_of(buffer), std::string("\x00\x07z", 3));
}

} // namespace
} // namespace advplay::persist
