// HostFiles: engine paths found on a case-sensitive file system, in either name encoding.
#include "platform/posix/host_files.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay::platform {
namespace {

class HostFilesTest : public ::testing::Test {
protected:
    HostFilesTest()
        : m_files(m_folder.path().string(), m_encoding)
    {
    }
    std::string read(std::string_view path)
    {
        auto file = m_files.open_read(path);
        if (!file)
            return "<missing>";
        std::string bytes(file->size(), '\0');
        file->read({ reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size() });
        return bytes;
    }
    std::vector<std::string> names(std::string_view path)
    {
        std::vector<std::string> result;
        if (auto entries = m_files.list_folder(path)) {
            for (auto const& entry : *entries)
                result.push_back(entry.name + (entry.is_folder ? "/" : ""));
        }
        return result;
    }

    testing::TemporaryFolder m_folder;
    TextEncoding m_encoding;
    HostFiles m_files;
};

using Names = std::vector<std::string>;

TEST_F(HostFilesTest, EveryComponentIsFoundWhateverItsLetterCase)
{
    m_folder.write("EV/a01.txt", "ev");
    EXPECT_EQ(read("ev\\A01.TXT"), "ev");
    EXPECT_EQ(read("Ev/a01.txt"), "ev");
    EXPECT_EQ(read("ev\\\\a01.txt"), "ev");
    EXPECT_EQ(m_files.kind("ev"), PathKind::Folder);
    EXPECT_EQ(m_files.kind("EV\\A01.txt"), PathKind::File);
    EXPECT_EQ(m_files.kind("ev\\a02.txt"), PathKind::Missing);
    EXPECT_EQ(read("ev"), "<missing>");
}

TEST_F(HostFilesTest, BackslashAsSecondByteIsPartOfTheName)
{
    // "表" is 0x95 0x5C: its second byte is not a separator, on disk in either encoding.
    std::string const hyou = testing::sjis("表");
    m_folder.write(hyou + "1.bmp", "sjis");
    m_folder.write("表2.bmp", "utf8");
    m_folder.write("表/中.txt", "nested");
    EXPECT_EQ(read(hyou + "1.BMP"), "sjis");
    EXPECT_EQ(read(hyou + "2.bmp"), "utf8");
    EXPECT_EQ(read(hyou + "\\" + testing::sjis("中") + ".TXT"), "nested");
}

TEST_F(HostFilesTest, FolderListingsComeInAFixedCaseFoldedOrder)
{
    m_folder.write("b.txt", "");
    m_folder.write("A.txt", "");
    m_folder.write("a_b.txt", "");
    m_folder.write("aab.txt", "");
    m_folder.write("Sub/x.txt", "");
    m_folder.write("表.txt", "");
    // Folded to capitals, "_" (0x5F) sorts after the letters, and Shift-JIS after ASCII.
    EXPECT_EQ(names("."), (Names { "A.txt", "aab.txt", "a_b.txt", "b.txt", "Sub/", testing::sjis("表") + ".txt" }));
    EXPECT_EQ(names("sub"), (Names { "x.txt" }));
    EXPECT_FALSE(m_files.list_folder("nowhere"));
}

TEST_F(HostFilesTest, NewFilesAreCreatedUnderTheirUtf8SpellingInExistingFolders)
{
    m_folder.write("Save/keep.txt", "");
    std::string const name = testing::sjis("記録") + ".sav";
    {
        auto out = m_files.open_write("save\\" + name);
        ASSERT_TRUE(out);
        std::string const data = "data";
        ASSERT_TRUE(out->write({ reinterpret_cast<const std::uint8_t*>(data.data()), data.size() }));
        ASSERT_TRUE(out->close());
    }
    EXPECT_EQ(m_folder.read("Save/記録.sav"), "data");
    EXPECT_FALSE(m_files.open_write("nowhere\\x.sav"));
    ASSERT_TRUE(m_files.create_folders("out\\" + testing::sjis("章") + "\\deep"));
    EXPECT_EQ(m_files.kind("OUT\\" + testing::sjis("章") + "\\Deep"), PathKind::Folder);
    EXPECT_TRUE(std::filesystem::is_directory(m_folder.path() / "out" / "章" / "deep"));
}

TEST_F(HostFilesTest, AbsolutePathsLeaveTheGameFolder)
{
    testing::TemporaryFolder other;
    other.write("Elsewhere.TXT", "far");
    EXPECT_EQ(read(other.path().string() + "/elsewhere.txt"), "far");
    EXPECT_EQ(m_files.host_path(other.path().string() + "/ELSEWHERE.txt"), (other.path() / "Elsewhere.TXT").string());
}

} // namespace
} // namespace advplay::platform
