// Paths of game data: resolve_data_path and normalise_folder.
#include "common/data_path.h"

#include <gtest/gtest.h>

namespace advplay {
namespace {

TEST(ResolveDataPath, JoinsFolderNameAndDefaultExtension)
{
    EXPECT_EQ(resolve_data_path("bg01", "data", ".bmp"), "data\\bg01.bmp");
    EXPECT_EQ(resolve_data_path("bg01.png", "data", ".bmp"), "data\\bg01.png");
    EXPECT_EQ(resolve_data_path("bg01", "data\\", ".bmp"), "data\\bg01.bmp");
    EXPECT_EQ(resolve_data_path("C:\\pics\\bg01", "data", ".bmp"), "C:\\pics\\bg01.bmp");
    EXPECT_EQ(resolve_data_path("save1", "", ".sav"), "save1.sav");
    // Only the part after the last backslash decides about the extension.
    EXPECT_EQ(resolve_data_path("v1.0\\bg01", "data", ".bmp"), "data\\v1.0\\bg01.bmp");
}

TEST(ResolveDataPath, ShiftJisBackslashesAreNotSeparators)
{
    // "表" ends in 0x5C: the folder still needs its separator, and the name has no folder part.
    EXPECT_EQ(resolve_data_path("a", "\x95\\", ".bmp"), "\x95\\\\a.bmp");
    EXPECT_EQ(resolve_data_path("x.y\x95\\", "data", ".bmp"), "data\\x.y\x95\\");
}

TEST(ResolveDataPath, RefusesPathsLongerThanTheEngineBuffer)
{
    std::string const name(259 - 9, 'n'); // "data\" + name + ".bmp" is 259 bytes
    EXPECT_TRUE(resolve_data_path(name, "data", ".bmp"));
    EXPECT_FALSE(resolve_data_path(name + "n", "data", ".bmp"));
}

TEST(NormaliseFolder, DropsOuterBackslashesButKeepsADriveRoot)
{
    EXPECT_EQ(normalise_folder("\\spi\\"), "spi");
    EXPECT_EQ(normalise_folder("spi"), "spi");
    EXPECT_EQ(normalise_folder("C:\\"), "C:\\");
    EXPECT_EQ(normalise_folder("C:\\spi\\"), "C:\\spi");
    EXPECT_EQ(normalise_folder(""), "");
    EXPECT_EQ(normalise_folder("\x95\\"), "\x95\\");
}

TEST(DrivePrefix, IsASingleByteCharacterAndAColon)
{
    EXPECT_TRUE(has_drive_prefix("C:"));
    EXPECT_TRUE(has_drive_prefix("\xB1:x"));
    EXPECT_FALSE(has_drive_prefix("\x82:"));
    EXPECT_FALSE(has_drive_prefix("C"));
    EXPECT_FALSE(has_drive_prefix(std::string_view("\0:", 2)));
}

} // namespace
} // namespace advplay
