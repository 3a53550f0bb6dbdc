// flash.ini as the station reads it, and the line rule every text file is read by.
#include <gtest/gtest.h>

#include "board/flash_ini.h"
#include "tests/support/engine_rig.h"

using namespace auxpad;

namespace {

struct Ini : ::testing::Test {
    MemoryFiles files;
    FlashIni ini{files, "/st/flash.ini"};
    void set(const std::string& text) { files.files["/st/flash.ini"] = text; }
};

TEST_F(Ini, ComPortIsTheFirstComPortLinesQuotedTextAndEveryFaultIsNamed)
{
    set("Show=\"Yes\"\r\nCOMport=\" 2\"\r\nCOMport=\"3\"\r\n");
    EXPECT_EQ(ini.comPort("/st").value(), " 2");
    set("comport=\"3\"\r\n");
    EXPECT_EQ(ini.comPort("/st").error(),
              "flash.ini in /st has no COMport line, so the tool does not know which serial port leads to the board.");
    set("COMport=\"3\r\n");
    EXPECT_EQ(ini.comPort("/st").error(), "The COMport line of flash.ini in /st needs the port number between two double "
                                        "quotes, for example COMport=\"1\".");
    files.files.clear();
    EXPECT_EQ(ini.comPort("/st").error(), "Cannot open flash.ini in /st: No such file or directory\n\nThe tool reads "
                                        "its COM port from this file.");
}

TEST_F(Ini, ShowAndFormatAreFoundAnywhereInTheirLines)
{
    for (const auto& [text, shown] : {std::pair{"Show=\"YES\"", true}, {"x Show it: Yes please", true},
                                      {"Show=\"yES\"", false}, {"Show=\"No\"\r\nShow=\"yes\"", true}, {"", false}}) {
        set(text);
        EXPECT_EQ(ini.showTrafficWindow().value(), shown) << text;
    }
    for (const auto& [text, seconds] : {std::pair{"Format=\"20\"", 20.0}, {"Format=\"59.5\"", 59.5}, {"Format=\"60\"", 30.0},
                                        {"Format=\"19\"", 30.0}, {"Format=45", 30.0}, {"", 30.0},
                                        {"Format=\"25\"\r\nFormat=\"40\"", 25.0}}) {
        set(text);
        EXPECT_EQ(ini.formatSeconds().value(), seconds) << text;
    }
}

TEST(ManufactureDate, IsDayMonthYearWithoutCheckingTheDaysOfAMonth)
{
    for (const char* date : {"310299", "010100"})
        EXPECT_TRUE(isManufactureDate(date)) << date;
    for (const char* date : {"320199", "001299", "011399", "123456"})
        EXPECT_FALSE(isManufactureDate(date)) << date;
}

TEST(IniPath, NeverDoublesTheSeparator)
{
    EXPECT_EQ(iniPathIn("/station"), "/station/flash.ini");
    EXPECT_EQ(iniPathIn("/"), "/flash.ini");
}

TEST(Lines, EndAtCrOrCrLfWhileALoneLfStaysInTheLineAndTheWholeFileIsHashed)
{
    MemoryFiles files;
    std::string big(70000, 'a'); // the CR LF straddles the reader's 64 KiB chunks
    big[65535] = '\r';
    big[65536] = '\n';
    files.files["f"] = "a\r\nb\rc\nd\r\r\nlast";
    files.files["big"] = big;
    auto lines = [&](const char* name) {
        std::string line;
        std::vector<std::string> out;
        for (auto file = std::move(*files.open(name)); file->readLine(line);)
            out.push_back(line);
        return out;
    };
    EXPECT_EQ(lines("f"), (std::vector<std::string>{"a", "b", "c\nd", "", "last"}));
    const auto parts = lines("big");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].size(), 65535u);
    EXPECT_EQ(parts[1].size(), 70000u - 65537u);

    files.files["abc"] = "abc";
    const auto abc = examineFile(files, "abc");
    ASSERT_TRUE(abc);
    EXPECT_EQ(abc->lines, 1);
    EXPECT_EQ(abc->digest.size, 3);
    EXPECT_EQ(abc->digest.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const auto whole = examineFile(files, "big");
    EXPECT_EQ(whole->digest.size, 70000) << "every chunk counts";
    EXPECT_EQ(examineFile(files, "none").error(), "No such file or directory");
}

} // namespace
