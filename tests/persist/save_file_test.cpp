// Save files byte for byte, the checks that refuse damaged ones, and the write that never loses a
// good save.
#include "persist/save_file.h"

#include "support/faulty_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::persist {
namespace {

std::string complemented(std::string bytes, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        bytes[i] = static_cast<char>(~static_cast<std::uint8_t>(bytes[i]));
    return bytes;
}

ByteBuffer buffer_of(std::string_view bytes)
{
    ByteBuffer buffer;
    if (!bytes.empty()) {
        EXPECT_TRUE(buffer.assign(bytes.data(), bytes.size()));
    }
    return buffer;
}

TEST(SaveFile, ThirtyThreeByteExample)
{
    std::string const plain("SAV\0"
                            "\x0c\0\0\0" // integer section at 12
                            "\x18\0\0\0" // string section at 24
                            "a\0\x01\0\0\0" // a = 1
                            "b\0\xfe\xff\xff\xff" // b = -2
                            "s\0\x03\0\0\0xy\0", // s = "xy": length + 1, text, NUL
        33);
    ByteBuffer const bytes = build_save({ { "a", 1 }, { "b", -2 } }, { { "s", "xy" } });
    // Of the 29 bytes after the magic, 28 are complemented and the last stays plain.
    EXPECT_EQ(bytes.view(), complemented(plain, 4, 32));
    EXPECT_EQ(bytes.view()[32], '\0');

    auto const parsed = parse_save(buffer_of(bytes.view()));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(
        parsed->integers, (std::vector<std::pair<std::string, std::int32_t>> { { "a", 1 }, { "b", -2 } }));
    EXPECT_EQ(parsed->strings, (std::vector<std::pair<std::string, std::string>> { { "s", "xy" } }));
}

TEST(SaveFile, EmptyTableIsTwelveBytesWithBothOffsetsAt12)
{
    ByteBuffer const bytes = build_save({}, {});
    EXPECT_EQ(bytes.view(), complemented(std::string("SAV\0\x0c\0\0\0\x0c\0\0\0", 12), 4, 12));
    auto const parsed = parse_save(buffer_of(bytes.view()));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->integers.empty());
    EXPECT_TRUE(parsed->strings.empty());
}

TEST(SaveFile, NamesAreWrittenInUnsignedByteOrder)
{
    ByteBuffer const bytes = build_save({ { "\x82\xa0", 1 }, { "Z", 2 }, { "a", 3 } }, {});
    auto const parsed = parse_save(buffer_of(bytes.view()));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->integers.size(), 3u);
    EXPECT_EQ(parsed->integers[0].first, "Z");
    EXPECT_EQ(parsed->integers[1].first, "a");
    EXPECT_EQ(parsed->integers[2].first, "\x82\xa0");
}

TEST(SaveFile, DamagedFilesAreRefusedWithAReason)
{
    std::string const good(build_save({ { "a", 1 } }, { { "s", "xy" } }).view());
    auto refused = [](std::string bytes) {
        EXPECT_FALSE(parse_save(buffer_of(bytes)));
        return describe_save_problem(buffer_of(bytes));
    };
    auto with_int = [&good](std::size_t offset, std::uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<char>(~static_cast<std::uint8_t>(value >> (8 * i)));
        return bytes;
    };
    EXPECT_NE(refused("").find("SAV"), std::string::npos);
    EXPECT_NE(refused("SCN" + good.substr(3)).find("SAV"), std::string::npos);
    EXPECT_NE(refused(good.substr(0, 10)).find("header"), std::string::npos);
    EXPECT_NE(refused(with_int(8, 1000)).find("offsets"), std::string::npos);
    EXPECT_NE(refused(with_int(4, 8)).find("offsets"), std::string::npos);
    EXPECT_NE(refused(with_int(4, 19)).find("offsets"), std::string::npos);
    // The string section starts in the middle of the integer entry.
    EXPECT_NE(refused(with_int(8, 16)).find("integer entry"), std::string::npos);
    // The string's stored length runs past the end, or is 0.
    std::size_t const length_at = 18 + 2;
    EXPECT_NE(refused(with_int(length_at, 50)).find("\"s\""), std::string::npos);
    EXPECT_NE(refused(with_int(length_at, 0)).find("\"s\""), std::string::npos);
    EXPECT_NE(refused(with_int(length_at, 0x80000000u)).find("\"s\""), std::string::npos);
    // A cut file loses the end of its last entry.
    EXPECT_FALSE(refused(good.substr(0, good.size() - 2)).empty());
    EXPECT_TRUE(describe_save_problem(buffer_of(good)).empty());
}

TEST(SaveFile, WriteReplacesTheOldFileOnlyWhenTheNewOneIsComplete)
{
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles host(folder.path().string(), encoding);
    testing::FaultyFiles files(host);
    folder.write("save/game.sav", "old save");

    ByteBuffer const bytes = build_save({ { "a", 1 } }, {});
    files.fail_writes_after(5);
    EXPECT_FALSE(write_save(files, "save\\game.sav", bytes));
    EXPECT_EQ(folder.read("save/game.sav"), "old save");

    testing::FaultyFiles replace_fails(host);
    replace_fails.fail_replace();
    EXPECT_FALSE(write_save(replace_fails, "save\\game.sav", bytes));
    EXPECT_EQ(folder.read("save/game.sav"), "old save");
    // A save that cannot be made to reach the disk does not take the old one's place.
    testing::FaultyFiles sync_fails(host);
    sync_fails.fail_sync();
    EXPECT_FALSE(write_save(sync_fails, "save\\game.sav", bytes));
    EXPECT_EQ(folder.read("save/game.sav"), "old save");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "save"), {}), 1);

    EXPECT_TRUE(write_save(host, "SAVE\\GAME.SAV", bytes));
    EXPECT_EQ(folder.read("save/game.sav"), bytes.view());
}

// A save killed half-way leaves its temporary file; the next save to that name clears it away,
// and never writes through one that is a link to some other file.
TEST(SaveFile, ATemporaryFileLeftByAKilledSaveIsRemovedByTheNextSave)
{
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles host(folder.path().string(), encoding);
    folder.write("save/game.sav", "old save");
    folder.write("save/game.sav.advplay-new", "half a sa");
    folder.write("elsewhere.txt", "not a save");
    std::filesystem::create_symlink(
        folder.path() / "elsewhere.txt", folder.path() / "save/other.sav.advplay-new");

    ByteBuffer const bytes = build_save({ { "a", 1 } }, {});
    ASSERT_TRUE(write_save(host, "save\\game.sav", bytes));
    ASSERT_TRUE(write_save(host, "save\\other.sav", bytes));
    EXPECT_EQ(folder.read("save/game.sav"), bytes.view());
    EXPECT_EQ(folder.read("save/other.sav"), bytes.view());
    EXPECT_FALSE(std::filesystem::is_symlink(folder.path() / "save/other.sav"));
    EXPECT_EQ(folder.read("elsewhere.txt"), "not a save");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "save"), {}), 2);
}

TEST(SaveFile, ReadOnlySaveIsReplacedAfterItsMarkIsCleared)
{
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles host(folder.path().string(), encoding);
    testing::FaultyFiles files(host);
    folder.write("game.sav", "old");
    files.make_read_only("game.sav");
    ByteBuffer const bytes = build_save({}, { { "s", "new" } });
    ASSERT_TRUE(write_save(files, "game.sav", bytes));
    EXPECT_EQ(files.cleared(), 1);
    EXPECT_EQ(folder.read("game.sav"), bytes.view());
}

} // namespace
} // namespace advplay::persist
