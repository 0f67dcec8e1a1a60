// The scenario pack: export, load, validation of hostile packs, and unpacking back to scripts.
#include "persist/scenario_store.h"
#include "persist/scenario_unpack.h"

#include "support/faulty_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay::persist {
namespace {

using testing::TemporaryFolder;

class ScenarioPackTest : public ::testing::Test {
protected:
    ScenarioPackTest()
        : m_files(m_folder.path().string(), m_encoding)
    {
        m_folder.write("data/start.txt", "# demo\r\n:top\r\n.wat 10\r\n\x95\\\x8e\xa6\r\n.jmp :top\r\n");
        m_folder.write("data/ev/a01.txt", "one\n\n:x\ntwo");
        EXPECT_TRUE(m_source.load_folder(m_files, "data", ".txt"));
    }
    std::string pack_bytes(const ScenarioStore& store) const { return std::string(store.build_pack().view()); }
    void write_pack(const std::string& bytes) { m_folder.write("game.scn", bytes); }
    static std::uint32_t plain_int(const std::string& pack, std::size_t offset)
    {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(~static_cast<std::uint8_t>(pack[offset + i]));
        return value;
    }
    static void put_plain_int(std::string& pack, std::size_t offset, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            pack[offset + i] = static_cast<char>(~static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void expect_refused(const std::string& bytes)
    {
        write_pack(bytes);
        EXPECT_FALSE(m_loaded.load_pack(m_files, "game.scn"));
        EXPECT_EQ(pack_bytes(m_loaded), m_loaded_before);
        EXPECT_FALSE(m_loaded.last_error().empty());
    }

    TemporaryFolder m_folder;
    platform::TextEncoding m_encoding;
    platform::HostFiles m_files;
    ScenarioStore m_source;
    ScenarioStore m_loaded;
    std::string m_loaded_before = pack_bytes(m_loaded);
};

TEST_F(ScenarioPackTest, HeaderHoldsTheMagicAndInvertedOffsets)
{
    std::string const pack = pack_bytes(m_source);
    EXPECT_EQ(pack.substr(0, 4), std::string("SCN\0", 4));
    EXPECT_EQ(plain_int(pack, 4), 12u);
    std::size_t index_size = 0;
    for (auto const& [key, entry] : m_source.index())
        index_size += key.size() + 9;
    EXPECT_EQ(plain_int(pack, 8), 12 + index_size);
    EXPECT_EQ(pack.size(), 12 + index_size + m_source.text().size());
}

TEST_F(ScenarioPackTest, LoadingAnExportGivesTheSameStoreAndTheSameFile)
{
    ASSERT_TRUE(m_source.export_pack(m_files, "game.scn"));
    ASSERT_TRUE(m_loaded.load_pack(m_files, "game.scn"));
    EXPECT_EQ(m_loaded.index(), m_source.index());
    EXPECT_EQ(m_loaded.text().view(), m_source.text().view());
    EXPECT_TRUE(m_loaded.folder().empty());
    ASSERT_TRUE(m_loaded.export_pack(m_files, "again.scn"));
    EXPECT_EQ(m_folder.read("again.scn"), m_folder.read("game.scn"));
    ASSERT_TRUE(m_loaded.export_pack(m_files, "again.scn"));
    EXPECT_EQ(m_folder.read("again.scn"), m_folder.read("game.scn"));
    ASSERT_TRUE(m_loaded.goto_name("start:top"));
    EXPECT_EQ(m_loaded.read_next_line(), ".wat 10\n");
    EXPECT_EQ(m_loaded.position().line_index, 3);
}

TEST_F(ScenarioPackTest, BytesAfterTheLastWholeGroupOfFourStayPlain)
{
    // Text sizes that leave 1, 2 and 3 bytes after the inverted groups.
    for (std::string const line : { "a", "ab", "abc", "abcd" }) {
        TemporaryFolder folder;
        platform::HostFiles files(folder.path().string(), m_encoding);
        folder.write("s/x.txt", line);
        ScenarioStore store;
        ASSERT_TRUE(store.load_folder(files, "s", ".txt"));
        std::string const pack = pack_bytes(store);
        std::size_t const plain = (pack.size() - 4) % 4;
        std::string const text(store.text().view());
        for (std::size_t i = 0; i < plain; ++i)
            EXPECT_EQ(pack[pack.size() - plain + i], text[text.size() - plain + i]) << line;
        std::size_t const inverted_end = pack.size() - plain;
        EXPECT_EQ(static_cast<std::uint8_t>(pack[inverted_end - 1]),
            static_cast<std::uint8_t>(~static_cast<std::uint8_t>(text[text.size() - plain - 1])))
            << line;
    }
}

TEST_F(ScenarioPackTest, PacksThatDoNotFitTheirFileAreRefusedWithoutTouchingTheStore)
{
    ASSERT_TRUE(m_loaded.load_pack(m_files, "missing.scn") == false);
    write_pack(pack_bytes(m_source));
    ASSERT_TRUE(m_loaded.load_pack(m_files, "game.scn"));
    m_loaded_before = pack_bytes(m_loaded);

    std::string const good = pack_bytes(m_source);
    std::uint32_t const text_start = plain_int(good, 8);

    std::string wrong_magic = good;
    wrong_magic[0] = 'X';
    expect_refused(wrong_magic);
    expect_refused(std::string("SCN\0", 4));
    expect_refused(good.substr(0, 11));

    std::string text_beyond = good;
    put_plain_int(text_beyond, 8, static_cast<std::uint32_t>(good.size() + 1));
    expect_refused(text_beyond);

    std::string index_before_header = good;
    put_plain_int(index_before_header, 4, 4);
    expect_refused(index_before_header);

    std::string index_after_text = good;
    put_plain_int(index_after_text, 4, text_start + 1);
    expect_refused(index_after_text);

    // The first entry's offset field sits after its key and line index.
    std::size_t const first_key = m_source.index().begin()->first.size();
    std::string offset_outside = good;
    put_plain_int(offset_outside, 12 + first_key + 5, static_cast<std::uint32_t>(m_source.text().size() + 1));
    expect_refused(offset_outside);
    put_plain_int(offset_outside, 12 + first_key + 5, 0xFFFFFFF0u);
    expect_refused(offset_outside);

    // An entry cut in the middle of its numbers by the text start.
    std::string entry_cut = good;
    put_plain_int(entry_cut, 8, static_cast<std::uint32_t>(12 + first_key + 4));
    expect_refused(entry_cut);
}

TEST_F(ScenarioPackTest, PackWithoutEndMarkReadsToTheEndOfItsText)
{
    ByteBuffer pack;
    ASSERT_TRUE(pack.append("SCN\0", 4));
    pack.append_int32(12);
    pack.append_int32(12 + 14);
    ASSERT_TRUE(pack.append("start\0", 6)); // key, NUL
    pack.append_int32(0); // line index
    pack.append_int32(0); // offset
    ASSERT_TRUE(pack.append("abc", 3)); // one unterminated entry and no end mark
    pack.invert_range(4, 0);
    write_pack(std::string(pack.view()));

    ScenarioStore store;
    ASSERT_TRUE(store.load_pack(m_files, "game.scn"));
    ASSERT_TRUE(store.goto_name("start"));
    EXPECT_EQ(store.read_next_line(), "abc");
    EXPECT_FALSE(store.read_next_line());
    EXPECT_FALSE(store.goto_line("start", 1));
}

TEST_F(ScenarioPackTest, LabelAtTheLargestLineIndexCountsOnByWrappingAround)
{
    // Found by fuzzing: a pack may place a label at any line index, and reading on from the largest
    // one must not overflow.
    ByteBuffer pack;
    ASSERT_TRUE(pack.append("SCN\0", 4));
    pack.append_int32(12);
    pack.append_int32(12 + 12);
    ASSERT_TRUE(pack.append("s:x\0", 4)); // label key, NUL
    pack.append_int32(2147483647); // line index
    pack.append_int32(0); // offset
    ASSERT_TRUE(pack.append(std::string_view("\0a\n\0\x07", 5)));
    pack.invert_range(4, 0);
    write_pack(std::string(pack.view()));

    ScenarioStore store;
    ASSERT_TRUE(store.load_pack(m_files, "game.scn"));
    ASSERT_TRUE(store.goto_name("s:x"));
    EXPECT_EQ(store.read_next_line(), "a\n");
    EXPECT_EQ(store.position().line_index, -2147483647);
}

TEST_F(ScenarioPackTest, ExportRetriesOnceAfterClearingAReadOnlyMark)
{
    m_folder.write("game.scn", "an older pack, marked read-only");
    testing::FaultyFiles files(m_files);
    files.make_read_only("game.scn");
    ASSERT_TRUE(m_source.export_pack(files, "game.scn"));
    EXPECT_EQ(files.cleared(), 1);
    EXPECT_EQ(m_folder.read("game.scn"), pack_bytes(m_source));
}

TEST_F(ScenarioPackTest, UnpackedScriptsRestoreLabelsAndKeepLineNumbers)
{
    std::vector<std::string> warnings;
    auto const scripts = unpack_scripts(m_source, warnings);
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_EQ(scripts[0].name, "ev\\a01");
    EXPECT_EQ(scripts[0].text, "one\n\n:x\ntwo");
    EXPECT_EQ(scripts[1].name, "start");
    EXPECT_EQ(scripts[1].text, "\n:top\n.wat 10\n\x95\\\x8e\xa6\n.jmp :top\n");
    EXPECT_TRUE(warnings.empty());

    // Loading the unpacked files gives the same pack again.
    TemporaryFolder out;
    for (auto const& script : scripts) {
        std::string name = script.name;
        for (auto& c : name)
            c = c == '\\' ? '/' : c;
        out.write("data/" + name + ".txt", script.text);
    }
    platform::HostFiles files(out.path().string(), m_encoding);
    ScenarioStore again;
    ASSERT_TRUE(again.load_folder(files, "data", ".txt"));
    EXPECT_EQ(pack_bytes(again), pack_bytes(m_source));
}

} // namespace
} // namespace advplay::persist
