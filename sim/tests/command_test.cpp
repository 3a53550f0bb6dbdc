// The commands a test script or a person types at the simulator, one per line.
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

TEST(SimCommands, ABurstsIdIsOneHexByteAndNothingElse)
{
    for (const char* line : {"burst 3 0x", "burst 3 0x4711", "burst 3 4711", "burst 3 47,", "burst 3 4g"}) {
        const ParsedCommand parsed = parseCommand(line);
        EXPECT_FALSE(parsed.command) << line;
        EXPECT_EQ(parsed.error, "burst: the message id is one hex byte, e.g. 02") << line;
    }
}

} // namespace
