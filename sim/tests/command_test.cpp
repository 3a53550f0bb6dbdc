// The commands a test script or a person types at the simulator, one per line.
#include "core/prod_record.h"
#include "core/sim_command.h"

#include <gtest/gtest.h>

using namespace auxsim;

namespace {

TEST(SimCommands, BlanksAndTheLineEndAroundACommandAreNotPartOfIt)
{
    // Scripts pipe lines in; some end them with CR LF, some pad them.
    for (const char* line : {"detach", "  detach \t", "detach\r", "detach \r"}) {
        const ParsedCommand parsed = parseCommand(line);
        ASSERT_TRUE(parsed.command) << line << ": " << parsed.error;
        EXPECT_EQ(parsed.command->kind, SimCommand::Kind::Detach);
    }
    const ParsedCommand burst = parseCommand("burst 3 0x47 \r");
    ASSERT_TRUE(burst.command) << burst.error;
    EXPECT_EQ(burst.command->count, 3u);
    EXPECT_EQ(burst.command->id, 0x47);
    const ParsedCommand plain = parseCommand("burst 2");
    ASSERT_TRUE(plain.command) << plain.error;
    EXPECT_EQ(plain.command->id, 0x02) << "the id the help names";
    EXPECT_FALSE(parseCommand(" \r").command);
    EXPECT_TRUE(parseCommand(" \r").error.empty()) << "a blank line is no mistake";
    EXPECT_EQ(parseCommand("detach now").error, "detach: takes no arguments");
}

TEST(SimCommands, AnAttachedBoardComesWithTheProductRecordTypedOrTheOneItHad)
{
    const ParsedCommand bare = parseCommand("attach");
    ASSERT_TRUE(bare.command) << bare.error;
    EXPECT_EQ(bare.command->kind, SimCommand::Kind::Attach);
    EXPECT_TRUE(bare.command->bytes.empty()) << "no record typed: the board keeps its own";

    const char* typed = "0102,MCU01.02.03,DSP04.05.06,SN0000042,CODE001,150603";
    const ParsedCommand other = parseCommand(std::string("attach ") + typed);
    ASSERT_TRUE(other.command) << other.error;
    EXPECT_EQ(other.command->kind, SimCommand::Kind::Attach);
    const auto record = parseProdInfoText(typed, nullptr);
    ASSERT_TRUE(record);
    EXPECT_EQ(other.command->bytes, Bytes(record->begin(), record->end()));

    const ParsedCommand wrong = parseCommand("attach 0102,MCU01");
    EXPECT_FALSE(wrong.command);
    EXPECT_EQ(wrong.error.rfind("attach: ", 0), 0u) << wrong.error;
}

TEST(SimCommands, ABurstsIdIsOneHexByteAndNothingElse)
{
    for (const char* line : {"burst 3 0x", "burst 3 0x4711", "burst 3 4711", "burst 3 47,", "burst 3 4g"}) {
        const ParsedCommand parsed = parseCommand(line);
        EXPECT_FALSE(parsed.command) << line;
        EXPECT_EQ(parsed.error, "burst: the message id is one hex byte, e.g. 02") << line;
    }
}

} // namespace
