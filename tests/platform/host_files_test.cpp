// HostFiles: engine paths found on a case-sensitive file system, in either name encoding.
#include "platform/posix/host_files.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay::platform {
namespace {

// The file's bytes, or `missing` when it cannot be opened.
std::string read_or(Files& files, std::string_view path, std::string_view missing)
{
    auto file = files.open_read(path);
    if (!file)
        return std::string(missing);
    std::string bytes(file->size(), '\0');
    file->read({ reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size() });
    return bytes;
}

class HostFilesTest : public ::testing::Test {
protected:
    HostFilesTest()
        : m_files(m_folder.path().string(), m_encoding)
    {
    }
    std::string read(std::string_view path) { return read_or(m_files, path, "<missing>"); }
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
    EXPECT_EQ(
        names("."), (Names { "A.txt", "aab.txt", "a_b.txt", "b.txt", "Sub/", testing::sjis("表") + ".txt" }));
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

// The author's tools take their paths from the author's own command line.
TEST_F(HostFilesTest, AbsolutePathsReachAnywhereForTheAuthorsTools)
{
    testing::TemporaryFolder other;
    other.write("Elsewhere.TXT", "far");
    HostFiles tools(m_folder.path().string(), m_encoding, HostFiles::Reach::Anywhere);
    EXPECT_EQ(read_or(tools, other.path().string() + "/elsewhere.txt", "<missing>"), "far");
    EXPECT_EQ(
        tools.host_path(other.path().string() + "/ELSEWHERE.txt"), (other.path() / "Elsewhere.TXT").string());
    EXPECT_EQ(read(other.path().string() + "/elsewhere.txt"), "<missing>") << "a game's files stay inside";
}

// A game folder "top/game" beside "top/outside", whose files no path of the game may touch.
class GameFolderReachTest : public ::testing::Test {
protected:
    GameFolderReachTest()
    {
        m_top.write("outside/secret.sav", "secret");
        m_top.write("outside/pic.bmp", "outside picture");
        m_top.write("game/data/bg.bmp", "inside picture");
        m_top.write("game/game.ini", "[Data]");
        m_files.on_refused([this](std::string_view path) { m_refused.emplace_back(path); });
    }
    std::filesystem::path outside() const { return m_top.path() / "outside"; }
    std::string read(std::string_view path) { return read_or(m_files, path, "<refused>"); }
    bool write(std::string_view path)
    {
        auto out = m_files.open_write(path);
        std::uint8_t const byte = 'x';
        return out && out->write({ &byte, 1 }) && out->close();
    }

    testing::TemporaryFolder m_top;
    TextEncoding m_encoding;
    HostFiles m_files { (m_top.path() / "game").string(), m_encoding };
    std::vector<std::string> m_refused;
};

TEST_F(GameFolderReachTest, PathsThatClimbOutAreRefusedWhateverTheirSpelling)
{
    // Enough ".." to reach "/" from anywhere, then the outside folder's absolute location.
    std::string deep = "data";
    for (int i = 0; i < 40; ++i)
        deep += "\\..";
    deep += '\\';
    std::string const absolute = outside().string() + "/secret.sav";
    for (std::string const& path :
        { std::string("..\\outside\\secret.sav"), std::string("../outside/secret.sav"),
            std::string("data\\..\\..\\OUTSIDE\\Secret.SAV"), std::string("data/./../..\\outside/secret.sav"),
            deep + outside().relative_path().string() + "/secret.sav", absolute }) {
        SCOPED_TRACE(path);
        EXPECT_EQ(read(path), "<refused>");
        EXPECT_EQ(m_files.kind(path), PathKind::Missing);
        EXPECT_FALSE(m_files.host_path(path));
        EXPECT_FALSE(m_files.reachable(path));
        EXPECT_FALSE(write(path));
        EXPECT_FALSE(m_files.remove(path));
        EXPECT_FALSE(m_files.clear_read_only(path));
        EXPECT_FALSE(m_files.replace("data\\bg.bmp", path));
    }
    EXPECT_FALSE(write("..\\escaped.sav"));
    EXPECT_FALSE(m_files.create_folders("..\\made"));
    EXPECT_FALSE(m_files.list_folder(".."));
    EXPECT_FALSE(m_files.list_folder("data\\..\\.."));
    EXPECT_EQ(m_top.read("outside/secret.sav"), "secret");
    EXPECT_FALSE(std::filesystem::exists(m_top.path() / "escaped.sav"));
    EXPECT_FALSE(std::filesystem::exists(m_top.path() / "made"));
    EXPECT_EQ(m_top.read("game/data/bg.bmp"), "inside picture") << "a refused replace moves nothing";
}

TEST_F(GameFolderReachTest, PathsThatClimbButStayInsideStillWork)
{
    EXPECT_EQ(read("data\\..\\data\\BG.bmp"), "inside picture");
    EXPECT_EQ(read("save\\..\\data/./bg.bmp"), "inside picture") << "a missing folder climbed out of";
    EXPECT_TRUE(write("data\\..\\game.ini"));
    EXPECT_EQ(m_top.read("game/game.ini"), "x");
    EXPECT_TRUE(m_files.create_folders("data\\..\\save"));
    EXPECT_TRUE(m_files.reachable("save\\not-yet\\x.sav"));
    EXPECT_TRUE(m_refused.empty());
}

TEST_F(GameFolderReachTest, LinksThatLeadOutAreNotFollowed)
{
    auto const game = m_top.path() / "game";
    std::filesystem::create_directory_symlink(outside(), game / "data" / "linked");
    std::filesystem::create_symlink(outside() / "secret.sav", game / "data" / "secret.sav");
    std::filesystem::create_symlink(outside() / "new.sav", game / "data" / "dangling.sav");
    std::filesystem::create_symlink(game / "data" / "bg.bmp", game / "data" / "alias.bmp");
    EXPECT_EQ(read("data\\linked\\pic.bmp"), "<refused>");
    EXPECT_EQ(read("data\\SECRET.sav"), "<refused>");
    EXPECT_FALSE(write("data\\secret.sav"));
    EXPECT_FALSE(write("data\\dangling.sav"));
    EXPECT_FALSE(write("data\\linked\\new.sav"));
    EXPECT_FALSE(m_files.list_folder("data\\linked"));
    EXPECT_EQ(m_top.read("outside/secret.sav"), "secret");
    EXPECT_FALSE(std::filesystem::exists(outside() / "new.sav"));
    EXPECT_EQ(read("data\\alias.bmp"), "inside picture") << "a link that stays inside is followed";
}

TEST_F(GameFolderReachTest, AnAllowedFolderIsReachableButNotBeyondIt)
{
    m_top.write("shared/pic.bmp", "shared picture");
    EXPECT_FALSE(m_files.reachable("..\\shared"));
    m_files.allow("..\\Shared");
    EXPECT_EQ(read("..\\shared\\PIC.bmp"), "shared picture");
    EXPECT_TRUE(write("..\\shared\\new.sav"));
    EXPECT_EQ(read("..\\shared\\..\\outside\\secret.sav"), "<refused>");
    EXPECT_EQ(read("..\\sharedness\\x"), "<refused>");
    EXPECT_EQ(read("data\\bg.bmp"), "inside picture");
}

TEST_F(GameFolderReachTest, EachRefusalIsToldOnceInARow)
{
    (void)read("..\\outside\\secret.sav");
    (void)m_files.kind("..\\outside\\secret.sav");
    (void)read("..\\outside\\pic.bmp");
    (void)read("data\\nothing.bmp");
    EXPECT_EQ(m_refused, (std::vector<std::string> { "..\\outside\\secret.sav", "..\\outside\\pic.bmp" }));
}

} // namespace
} // namespace advplay::platform
