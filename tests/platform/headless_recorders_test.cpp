// What the headless recorders keep: the newest entries, within a bound however long the run.
#include "common/engine_texts.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/recent_log.h"
#include "platform/headless/recording_media_player.h"
#include "platform/headless/recording_midi_out.h"
#include "platform/headless/virtual_clock.h"

#include <gtest/gtest.h>

namespace advplay::platform {
namespace {

TEST(HeadlessRecorders, AMessageBoxWritesItsTextAndWhenAskedItsEnglishReading)
{
    TextEncoding const encoding;
    StringOutput output;
    HeadlessMessageBox japanese(output, encoding, MessageBoxAnswer::Yes);
    EXPECT_EQ(
        japanese.show(texts::kFullScreenQuestion.sjis, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::Yes);
    EXPECT_EQ(output.text(), std::string(texts::kFullScreenQuestion.utf8) + "\n\n");
    output.clear();
    HeadlessMessageBox both(output, encoding, MessageBoxAnswer::No, true);
    std::string const box = "FILE : start\nLINE : 2\n\n" + std::string(texts::kSaveFailed.sjis);
    EXPECT_EQ(both.show(box, {}, MessageBoxButtons::Ok), MessageBoxAnswer::Ok);
    EXPECT_EQ(output.text(),
        "FILE : start\nLINE : 2\n\n" + std::string(texts::kSaveFailed.utf8) + "\n\n"
            + std::string(texts::kSaveFailed.english) + "\n\n");
    // What the engine showed, as it passed it.
    EXPECT_EQ(both.shown().back(), box);
}

// The player may switch the language while the game runs: the next box follows it.
TEST(HeadlessRecorders, AMessageBoxChangesItsLanguageForTheNextBox)
{
    TextEncoding const encoding;
    StringOutput output;
    HeadlessMessageBox box(output, encoding, MessageBoxAnswer::Yes);
    std::string const text(texts::kSaveFailed.sjis);
    box.set_english(true);
    box.show(text, {}, MessageBoxButtons::Ok);
    EXPECT_EQ(output.text(),
        std::string(texts::kSaveFailed.utf8) + "\n\n" + std::string(texts::kSaveFailed.english) + "\n\n");
    output.clear();
    box.set_english(false);
    box.show(text, {}, MessageBoxButtons::Ok);
    EXPECT_EQ(output.text(), std::string(texts::kSaveFailed.utf8) + "\n\n");
}

TEST(HeadlessRecorders, TheMediaPlayerWritesDownVolumesAsClamped)
{
    VirtualClock clock;
    RecordingMediaPlayer player(clock);
    player.set_volumes(50, 100, 0);
    player.set_volumes(-5, 250, 73);
    ASSERT_EQ(player.log().size(), 2u);
    EXPECT_EQ(player.log()[0], "volumes music 50 effects 100 movie 0");
    EXPECT_EQ(player.log()[1], "volumes music 0 effects 100 movie 73");
}

TEST(HeadlessRecorders, TheMidiOutputWritesDownItsVolumeWithTheTime)
{
    VirtualClock clock;
    RecordingMidiOut out(clock);
    ASSERT_TRUE(out.open());
    clock.sleep(250);
    out.set_volume(40);
    out.set_volume(1000);
    ASSERT_EQ(out.records().size(), 3u);
    EXPECT_EQ(out.records()[1].kind, MidiRecord::Kind::Volume);
    EXPECT_EQ(out.records()[1].message, 40u);
    EXPECT_EQ(out.text(), "0 open\n250 volume 40\n250 volume 100\n");
}

TEST(HeadlessRecorders, TheWindowKeepsTheFilterAskedFor)
{
    HeadlessWindow window;
    EXPECT_FALSE(window.linear_filter());
    window.set_linear_filter(true);
    EXPECT_TRUE(window.linear_filter());
    window.set_linear_filter(false);
    EXPECT_FALSE(window.linear_filter());
}

TEST(HeadlessRecorders, ARecentLogKeepsTheNewestEntriesWithinItsCapacity)
{
    RecentLog<int> log(10);
    for (int i = 0; i < 1000; ++i) {
        log.push(i);
        ASSERT_LE(log.entries().size(), 10u);
        ASSERT_GE(log.entries().size(), std::min(i + 1, 5));
        ASSERT_EQ(log.entries().back(), i);
        ASSERT_EQ(log.dropped() + log.entries().size(), static_cast<std::size_t>(i + 1));
    }
    // In order, without gaps.
    for (std::size_t i = 1; i < log.entries().size(); ++i)
        EXPECT_EQ(log.entries()[i], log.entries()[i - 1] + 1);
    log.clear();
    EXPECT_TRUE(log.entries().empty());
    EXPECT_EQ(log.dropped(), 1000u);
}

TEST(HeadlessRecorders, TheMidiOutputOfAnEndlessSongStaysBounded)
{
    VirtualClock clock;
    RecordingMidiOut out(clock, 64);
    ASSERT_TRUE(out.open());
    for (std::uint32_t i = 0; i < 100'000; ++i) {
        clock.sleep(1);
        out.send_short(0x90 | (i & 0x7F) << 8);
    }
    EXPECT_LE(out.records().size(), 64u);
    EXPECT_GE(out.records().size(), 32u);
    EXPECT_EQ(out.records().back().time, clock.now());
    EXPECT_EQ(out.records().back().message, 0x90u | (99'999u & 0x7F) << 8);
    EXPECT_EQ(out.dropped() + out.records().size(), 100'001u) << "the open and every message";
}

} // namespace
} // namespace advplay::platform
