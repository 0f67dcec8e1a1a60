// The backends built in, and the headless one's services: complete, confined to the game folder,
// and refusing a date it cannot read.
#include "platform/backend.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/headless/headless_window.h"
#include "platform/text_output.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace advplay::platform {
namespace {

// Keeps what is written to it.
class StringOutput final : public TextOutput {
public:
    void write(std::string_view text) override { written += text; }
    std::string written;
};

TEST(Backends, AreFoundByTheirOwnNamesAndTheDefaultHasAPlayer)
{
    std::set<std::string_view> names;
    for (auto const& entry : backends()) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_EQ(find_backend(entry.name), &entry);
        EXPECT_NE(entry.make, nullptr);
    }
    auto const* headless = find_backend("headless");
    ASSERT_NE(headless, nullptr);
    EXPECT_TRUE(headless->unattended);
    EXPECT_EQ(find_backend("Headless"), nullptr);
    EXPECT_EQ(find_backend(""), nullptr);
    if (auto const* chosen = default_backend()) {
        EXPECT_FALSE(chosen->unattended);
    }
}

class HeadlessBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::filesystem::temp_directory_path()
            / ("advplay_backend_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_root / "game");
        std::ofstream(m_root / "game" / "start.txt") << "inside";
        std::ofstream(m_root / "outside.txt") << "outside";
        options.game_folder = (m_root / "game").string();
        options.error_output = &output;
        options.say = [this](const std::string& text) { said.push_back(text); };
        options.on_refused_path = [this](std::string_view path) { refused.emplace_back(path); };
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    std::optional<Services> make() { return find_backend("headless")->make(options); }

    BackendOptions options;
    StringOutput output;
    std::vector<std::string> said;
    std::vector<std::string> refused;

private:
    std::filesystem::path m_root;
};

TEST_F(HeadlessBackend, BuildsEveryServiceButTheSingleInstance)
{
    auto services = make();
    ASSERT_TRUE(services);
    EXPECT_TRUE(services->encoding && services->files && services->fonts && services->images);
    EXPECT_TRUE(services->clock && services->window && services->message_box && services->audio);
    EXPECT_TRUE(services->media && services->midi_timer && services->midi_out);
    // Tests and batch runs may run side by side.
    EXPECT_EQ(services->single_instance, nullptr);
    EXPECT_EQ(services->clock->now(), 0u);
    EXPECT_TRUE(said.empty());

    // The window keeps what it shows, so screenshots need no display.
    PictureArea const shown = services->window->shown_picture();
    ASSERT_NE(shown.pixels, nullptr);
    EXPECT_EQ(shown.w, 640);
    EXPECT_EQ(shown.h, 480);
    EXPECT_GE(shown.pitch, 640);

    // A message box with nobody to click is written out.
    services->message_box->show("box", std::nullopt, MessageBoxButtons::Ok);
    EXPECT_NE(output.written.find("box"), std::string::npos);
}

// The smoothing asked for on the command line is where a later change of it starts from.
TEST_F(HeadlessBackend, TheWindowStartsWithTheFilterAskedFor)
{
    options.linear_filter = true;
    auto services = make();
    ASSERT_TRUE(services);
    auto const* window = dynamic_cast<HeadlessWindow*>(services->window.get());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->linear_filter());
}

TEST_F(HeadlessBackend, FilesStayInTheGameFolderAndTellWhatTheyRefused)
{
    auto services = make();
    ASSERT_TRUE(services);
    EXPECT_EQ(services->files->kind("start.txt"), PathKind::File);
    EXPECT_EQ(services->files->kind("../outside.txt"), PathKind::Missing);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused.front().find("outside.txt"), std::string::npos);
}

TEST_F(HeadlessBackend, StartsTheCalendarAtTheDateGivenAndRefusesOneItCannotRead)
{
    options.date = "2026-12-09 10:30:05";
    auto services = make();
    ASSERT_TRUE(services);
    LocalTime const time = services->clock->local_time();
    EXPECT_EQ(time.year, 2026);
    EXPECT_EQ(time.month, 12);
    EXPECT_EQ(time.day, 9);
    EXPECT_EQ(time.hour, 10);
    EXPECT_EQ(time.second, 5);

    options.date = "2026-02-30 10:00:00";
    EXPECT_FALSE(make());
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said.front().find("2026-02-30"), std::string::npos);
}

} // namespace
} // namespace advplay::platform
