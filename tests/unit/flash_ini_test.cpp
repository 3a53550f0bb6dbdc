#include <gtest/gtest.h>

#include "app/flash_ini.h"
#include "tests/fakes/fakes.h"

using namespace auxpad;
using platform::Icon;

namespace {

struct FlashIni : ::testing::Test {
    fakes::Bench b;
    void ini(const std::string& content) { b.files.files["/station/flash.ini"] = content; }
    std::vector<std::string> boxes() const { return {std::begin(b.main.texts), std::end(b.main.texts)}; }
    std::vector<std::string> placeholders() const
    {
        return {"1234", "123456789ab", "123456789ab", "123456789", "1234567", "123456"};
    }
};

const char* kGood = "COMport=\"1\"\r\n"
                    "Hardware=\"0102\"\r\n"
                    "MCUSW=\"MCU01.02.03\"\r\n"
                    "DSPSW=\"DSP04.05.06\"\r\n"
                    "Serial=\" 12345678\"\r\n"
                    "Code=\"CODE001\"\r\n"
                    "Manufacture=\"310299\"\r\n";

TEST_F(FlashIni, DefaultSettingFillsAllSixBoxesSilently)
{
    ini(kGood);
    Command1_Click(b.st);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"0102", "MCU01.02.03", "DSP04.05.06", " 12345678", "CODE001", "310299"}));
    EXPECT_TRUE(b.dialogs.boxes.empty());
    EXPECT_EQ(b.files.openNow, 0) << "the file is closed again";
}

TEST_F(FlashIni, EachWrongLengthHasItsMessageWithoutIcon)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Hardware=\"102\"", "ERROR08: Hardware Version error in flash.ini! "},
        {"MCUSW=\"1234567890\"", "ERROR09: MCUSW Version error in flash.ini! "},
        {"DSPSW=\"123456789012\"", "ERROR10: DSPSW Version error in flash.ini! "},
        {"Serial=\"12345678\"", "ERROR11: Serial Number error in flash.ini! "},
        {"Code=1234567", "ERROR12: Code error in flash.ini! "},
        {"Manufacture=\"0102\"", "ERROR13: Manufacture DDMMYY error in flash.ini! "},
        {"Manufacture=\"320199\"", "ERROR14: Invalid Manufacture DDMMYY in flash.ini! "},
        {"Manufacture=\"011399\"", "ERROR14: Invalid Manufacture DDMMYY in flash.ini! "},
        {"Manufacture=\"000199\"", "ERROR14: Invalid Manufacture DDMMYY in flash.ini! "},
        {"Note: see the Code sheet", "ERROR12: Code error in flash.ini! "},
        {"Hardware=\"1234", "ERROR08: Hardware Version error in flash.ini! "},
    };
    for (const auto& [line, message] : cases) {
        b.dialogs.boxes.clear();
        ini(std::string(line) + "\r\n");
        LOAD_PROD_DEFAULTS(b.st);
        ASSERT_EQ(b.dialogs.boxes.size(), 1u) << line;
        EXPECT_EQ(b.dialogs.boxes[0], (fakes::Box{message, Icon::None})) << line;
    }
}

TEST_F(FlashIni, ReadingStopsAtTheFirstFaultyEntryKeepingWhatWasFilled)
{
    ini("Hardware=\"0102\"\r\nMCUSW=\"short\"\r\nCode=\"CODE001\"\r\n");
    LOAD_PROD_DEFAULTS(b.st);
    EXPECT_EQ(b.main.texts[0], "0102");
    EXPECT_EQ(b.main.texts[1], "123456789ab");
    EXPECT_EQ(b.main.texts[4], "1234567") << "Code comes after the fault and is not applied";
    EXPECT_EQ(b.dialogs.boxes.size(), 1u);
}

TEST_F(FlashIni, InvalidDateStaysInTheBoxAfterItsMessage)
{
    ini("Manufacture=\"320199\"\r\nHardware=\"0102\"\r\n");
    LOAD_PROD_DEFAULTS(b.st);
    EXPECT_EQ(b.main.texts[5], "320199");
    EXPECT_EQ(b.main.texts[0], "1234");
}

TEST_F(FlashIni, KeysAreCaseSensitiveSubstringsTestedInFixedOrder)
{
    ini("hardware=\"9999\"\r\n"                 // other case: not a key
        "Hardware and Code=\"0102\"\r\n"        // hardware only
        "Code=\"CODE001\"\r\nCode=\"CODE002\"\r\n" // later wins
        "x Serial y \"ABCDEFGHI\" z \"q\"\r\n");
    LOAD_PROD_DEFAULTS(b.st);
    EXPECT_TRUE(b.dialogs.boxes.empty());
    EXPECT_EQ(b.main.texts[0], "0102");
    EXPECT_EQ(b.main.texts[4], "CODE002");
    EXPECT_EQ(b.main.texts[3], "ABCDEFGHI");
}

TEST_F(FlashIni, EightBitValuesCountOneCharacterPerByte)
{
    ini("Code=\"C\xE9" "DE001\"\r\n");
    LOAD_PROD_DEFAULTS(b.st);
    EXPECT_EQ(b.main.texts[4], "C\xC3\xA9" "DE001");
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

TEST_F(FlashIni, FormatTimeAcceptsTwentyUpToSixty)
{
    const std::pair<const char*, double> cases[] = {
        {"Format=\"20\"", 20}, {"Format=\"59.5\"", 59.5}, {"Format=\"60\"", 30}, {"Format=\"19\"", 30},
        {"Format=45", 30},     {"Format=\"45", 30},       {"", 30},              {"Format=\" 25s\"", 25},
    };
    for (const auto& [line, seconds] : cases) {
        ini(std::string("COMport=\"1\"\r\n") + line + "\r\nFormat=\"40\"\r\n");
        if (std::string(line).empty())
            ini("COMport=\"1\"\r\n");
        EXPECT_DOUBLE_EQ(READ_FORMAT_TIME(b.st), seconds) << line;
    }
}

TEST_F(FlashIni, ManufactureDateRule)
{
    const std::pair<const char*, bool> cases[] = {
        {"310299", true}, {"010100", true}, {"311299", true}, {"000199", false}, {"320199", false},
        {"011399", false}, {"010099", false}, {"12345", false}, {"1a0199", true}, {"ab0199", false},
    };
    for (const auto& [date, valid] : cases) {
        b.main.texts[5] = date;
        EXPECT_EQ(CHECK_MANUFACTURE_DATE(b.st), valid) << date;
    }
}

TEST_F(FlashIni, ReadFromStartDirWhateverTheWorkingFolder)
{
    b.st.START_DIR = "/";
    b.files.files["/flash.ini"] = "Hardware=\"4321\"\r\n";
    LOAD_PROD_DEFAULTS(b.st);
    EXPECT_EQ(b.files.opened.back(), "/flash.ini");
    EXPECT_EQ(b.main.texts[0], "4321");
}

TEST_F(FlashIni, FileGoneAfterStartUpIsAFault)
{
    b.files.files.clear();
    EXPECT_THROW(LOAD_PROD_DEFAULTS(b.st), platform::RuntimeFault);
    EXPECT_THROW(READ_FORMAT_TIME(b.st), platform::RuntimeFault);
    EXPECT_EQ(boxes(), placeholders());
}

} // namespace
