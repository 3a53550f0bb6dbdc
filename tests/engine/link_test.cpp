// The FBUS link: frames out one at a time with their acknowledgement wait, frames in
// checked byte by byte, and the traffic log of both.
#include <gtest/gtest.h>

#include "tests/support/engine_rig.h"

using namespace auxpad;

namespace {

struct Link : ::testing::Test {
    EngineRig b{std::nullopt}; // the test plays the board
    void send(const std::string& hex)
    {
        b.engine.sendMessage(hex, b.now);
        b.settle();
    }
    std::string sent()
    {
        const std::string out = hexOf(b.written);
        b.written.clear();
        return out;
    }
};

TEST_F(Link, RequestsLeaveOneAtATimeAndWaitTwoTicksForTheirAcknowledgement)
{
    send("47 02");
    EXPECT_EQ(sent(), "1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB ");
    EXPECT_EQ(b.traffic, "\n>1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB       _TEST_SELF_TEST_REQ");
    send("48");
    b.tick();
    EXPECT_EQ(sent(), "") << "the first still awaits its acknowledgement";
    b.traffic.clear();
    b.tick();
    EXPECT_EQ(b.traffic.substr(0, 20), "\nWait UI ACK timeout");
    EXPECT_EQ(sent(), "1E 28 00 00 00 06 42 D2 01 48 01 41 5C F5 ") << "the next one leaves at once";

    // Any acknowledgement ends the wait, and the next frame goes straight out.
    send("49");
    b.fromBoard(boardFrame(kAckType, {0x00, 0x05}));
    EXPECT_EQ(sent(), "1E 28 00 00 00 06 42 D2 02 49 01 42 5F F7 ");
    EXPECT_TRUE(b.engine.link().sender().awaitingAck());
}

TEST_F(Link, TheOperatorsHexIsReadLeniently)
{
    std::string fits; // the most a frame carries
    for (int i = 0; i < 187; ++i)
        fits += "01 ";
    const std::string over = fits + "01 ";
    struct Case {
        const char* typed;
        const char* payload; // "" for a message with no payload; nullptr for none sent
        bool dataError;
    };
    const Case cases[] = {
        {"47 02", "47 02 ", false},     {"47,2", "47 02 ", false},       {"47\r\n2", "47 02 ", false},
        {"  47  02  ", "47 02 ", false}, {"4702", "02 ", false},          {"ff FF", "FF FF ", false},
        {"47 0x02", "", true},          {"", "", false},
        {fits.c_str(), fits.c_str(), false}, // sent whole
        {over.c_str(), nullptr, true},       // not cut down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EngineRig fresh{std::nullopt};
        fresh.engine.sendMessage(c.typed, 0);
        fresh.settle();
        const Bytes& frame = fresh.written;
        EXPECT_EQ(fresh.caption() == "Data Error", c.dataError);
        if (!c.payload) {
            EXPECT_TRUE(frame.empty());
            continue;
        }
        ASSERT_GE(frame.size(), 14u);
        EXPECT_EQ(hexOf(Bytes(frame.begin() + 9, frame.begin() + 9 + (frame[5] - 5))), c.payload);
    }
}

TEST_F(Link, TheQueueHoldsNineteenFramesAndRefusesMore)
{
    b.closeBoxes = false;
    for (int i = 0; i < 21; ++i)
        send("2D");
    EXPECT_NE(b.traffic.find("\nFBUS send queue full: frame not sent"), std::string::npos);
    int frames = 0;
    for (int i = 0; i < 30; ++i) {
        frames += !b.written.empty();
        b.written.clear();
        b.fromBoard(boardFrame(kAckType, {0x00, 0x00}));
    }
    EXPECT_EQ(frames, 20) << "the one on the line and nineteen waiting";
}

TEST_F(Link, BoardFramesAreCheckedAsTheyComeAndLoggedByteByByte)
{
    // An acknowledgement, stray bytes (0x5E among them) each on their own line, the three
    // header errors, and a length that would not fit.
    b.fromBoard({0x1E, 0x00, 0x28, 0x7F, 0x00, 0x02, 0x00, 0x00, 0x36, 0x7D, 0x55, 0x5E, 0x1E, 0x01, 0x1E,
                 0x00, 0x01, 0x1E, 0x00, 0x28, 0x00, 0x01, 0x1E, 0x00, 0x28, 0x00, 0x00, 0xC1});
    EXPECT_EQ(b.traffic, "\n<1E 00 28 7F 00 02 00 00 36 7D             ACK MSG\n<55 \n<5E "
                         "\n<1E 01 \nFBUS receiver error!\n<1E 00 01 \nFBUS sender error!"
                         "\n<1E 00 28 00 01 \nFBUS length MSB error!\n<1E 00 28 00 00 C1 \nFBUS length error!");

    // A bad checksum leaves its bytes and no note; nothing is answered.
    b.traffic.clear();
    Bytes bad = boardMessage(0x02, {});
    bad.back() ^= 1;
    b.fromBoard(bad);
    EXPECT_EQ(b.traffic.find("      "), std::string::npos) << b.traffic;
    EXPECT_TRUE(b.written.empty());

    // An odd length carries a pad byte; a 1E inside the data does not restart the frame.
    b.fromBoard(boardMessage(0x02, {0x1E}));
    EXPECT_FALSE(b.written.empty()) << "acknowledged";

    // A frame that stops half-way is dropped at the second tick, silently.
    b.fromBoard({0x1E, 0x00, 0x28, 0x00, 0x00, 0x08});
    b.tick();
    EXPECT_FALSE(b.engine.link().receiver().idle());
    b.tick();
    EXPECT_TRUE(b.engine.link().receiver().idle());
}

TEST_F(Link, BoardMessagesAreAcknowledgedBeforeTheStationActsOnThem)
{
    b.fromBoard(boardMessage(0x06, {}, 0x43)); // a power-up indication
    EXPECT_EQ(sent(), "1E 28 00 7F 00 02 00 03 1E 56 ");
    EXPECT_EQ(b.traffic, "\n<1E 00 28 00 00 06 42 D2 00 06 01 43 75 91       _POWER_UP_IND"
                         "\n>1E 28 00 7F 00 02 00 03 1E 56              PN ACK");

    // An id outside the catalogue is still acknowledged; its note is six blanks.
    b.traffic.clear();
    b.fromBoard(boardMessage(0x07, {}, 0x60));
    EXPECT_EQ(sent(), "1E 28 00 7F 00 02 00 00 1E 55 ");
    EXPECT_NE(b.traffic.find("       \n>"), std::string::npos);

    // Frames of any other type are neither answered nor acted on.
    b.fromBoard(boardFrame(0x01, {0x01, 0x02}));
    EXPECT_EQ(sent(), "");
}

TEST_F(Link, RegistrationIsAnsweredThroughTheQueueAndRestartsTheSequence)
{
    send("47 02"); // awaits its acknowledgement, so the reply must wait its turn
    sent();
    b.fromBoard(boardFrame(kRegistrationType, {0x05, 0x01, 0x60}));
    EXPECT_EQ(sent(), "");
    EXPECT_NE(b.traffic.find("      UI_REGISTRATION"), std::string::npos);
    b.fromBoard(boardFrame(kAckType, {0x00, 0x00}));
    EXPECT_EQ(sent(), "1E 28 00 D0 00 03 05 01 41 00 5A FA ");
    EXPECT_EQ(b.engine.link().sender().nextSequence(), 0x42);
}

TEST_F(Link, TheBoardsTestInfoGoesToTheLogFieldByField)
{
    // The status, a byte, the result, the date, a byte and the number; the frame's own
    // last bytes follow, and are no part of the number.
    const std::string fields = std::string("\x01") + "x" + "PASS1" + "061226" + "-" + "042";
    for (const auto& [id, way] : {std::pair{0x6C, "read"}, {0x6D, "write"}}) {
        b.fromBoard(boardMessage(id, Bytes(fields.begin(), fields.end())));
        EXPECT_TRUE(b.traffic.ends_with(std::string("\nTest info ") + way + "\nResult: PASS1\nDate: 061226\nNo : 042")) << b.traffic;
        b.traffic.clear();
    }
    b.fromBoard(boardMessage(0x6D, {0x00}));
    EXPECT_TRUE(b.traffic.ends_with("\nTestInfo write FAILED")) << b.traffic;
}

} // namespace
