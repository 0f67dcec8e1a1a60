// IniFile: the private-profile rules games' ini files were written for.
#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <optional>

namespace advplay::app {
namespace {

IniFile parse(std::string_view text)
{
    return IniFile::parse(text, [](const std::string& utf8) -> std::optional<std::string> {
        return utf8 == "\xE3\x81\x82" ? std::optional<std::string>("\x82\xa0") : std::nullopt;
    });
}

TEST(IniFile, SectionsAndKeysIgnoreLetterCaseAndValuesLoseBlanksAndQuotes)
{
    IniFile const ini = parse("; comment\r\n[scenario]\r\n  PATH =  scn\\main.scn  \r\nExtension=\".TXT\"\r\n"
                              "[Settings]\nStyle='FullScreen'\nEmpty=\n");
    EXPECT_EQ(ini.get("Scenario", "Path", "data"), "scn\\main.scn");
    EXPECT_EQ(ini.get("SCENARIO", "extension", ".txt"), ".TXT");
    EXPECT_EQ(ini.get("Settings", "Style", "Window"), "FullScreen");
    EXPECT_EQ(ini.get("Settings", "Empty", "x"), "");
    EXPECT_EQ(ini.get("Settings", "Missing", "fallback"), "fallback");
    EXPECT_EQ(ini.get("Nowhere", "Path", "data"), "data");
}

TEST(IniFile, FirstOfDuplicatesWinsAndKeysBeforeAnySectionAreIgnored)
{
    IniFile const ini = parse("Path=top\n[Data]\nPath=first\nPath=second\n[data]\nPath=third\n");
    EXPECT_EQ(ini.get("Data", "Path", "data"), "first");
}

TEST(IniFile, LongValuesAreCutToTheBuffer)
{
    IniFile const ini = parse("[SPI]\nPath=" + std::string(300, 'p') + "\n");
    EXPECT_EQ(ini.get("SPI", "Path", "", 256).size(), 255u);
    EXPECT_EQ(ini.get("SPI", "Path", "").size(), 259u);
    EXPECT_EQ(ini.get("SPI", "Other", std::string(300, 'd'), 10), std::string(9, 'd'));
}

TEST(IniFile, Utf8FilesWithAByteOrderMarkBecomeShiftJis)
{
    IniFile const ini = parse("\xEF\xBB\xBF[Dialog]\nText=\xE3\x81\x82\nCaption=\xF0\x9F\x98\x80\n");
    EXPECT_EQ(ini.get("Dialog", "Text", ""), "\x82\xa0");
    // Values without a Shift-JIS form stay as written.
    EXPECT_EQ(ini.get("Dialog", "Caption", ""), "\xF0\x9F\x98\x80");
    // Without the mark the bytes are taken as Shift-JIS already.
    EXPECT_EQ(parse("[Dialog]\nText=\x82\xa0\n").get("Dialog", "Text", ""), "\x82\xa0");
}

} // namespace
} // namespace advplay::app
