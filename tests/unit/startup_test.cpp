#include <gtest/gtest.h>

#include "app/flash_ini.h"
#include "app/ini_text.h"
#include "app/main_loop.h"
#include "app/startup.h"
#include "app/timer_tick.h"
#include "fbus/sender.h"
#include "tests/fakes/fakes.h"

using namespace auxpad;
using fakes::hex;

namespace {

struct StartUp : ::testing::Test {
    fakes::Bench b;
    void ini(const std::string& content)
    {
        b.files.files["flash.ini"] = content;
        b.files.files["/station/flash.ini"] = content;
    }
    std::string faultOf()
    {
        try {
            Form_Load(b.st);
        } catch (const platform::RuntimeFault& fault) {
            return fault.what();
        }
        return "";
    }
};

TEST_F(StartUp, OpensThePortNamedByTheFirstComPortLine)
{
    ini("Show=\"No\"\r\nMy COMport is \"3\"\r\nCOMport=\"5\"\r\n");
    b.port.number = 0;
    b.files.opened.clear();
    Form_Load(b.st);
    EXPECT_EQ(b.port.number, 3);
    EXPECT_TRUE(b.port.opened);
    EXPECT_EQ(b.main.comPortNum, "3");
    EXPECT_EQ(b.main.label13, "Opened");
    EXPECT_EQ(b.st.START_DIR, "/station");
    EXPECT_EQ(b.files.opened.front(), "flash.ini") << "the first reading uses the bare name";
}

TEST_F(StartUp, PortValueIsReadLenientlyButShownAsWritten)
{
    ini("COMport=\" 2\"\r\n");
    Form_Load(b.st);
    EXPECT_EQ(b.port.number, 2);
    EXPECT_EQ(b.main.comPortNum, " 2");
    ini("COMport=\"2.5\"\r\n");
    Form_Load(b.st);
    EXPECT_EQ(b.port.number, 2) << "halves go to even";
    ini("COMport=\"3.5x\"\r\n");
    Form_Load(b.st);
    EXPECT_EQ(b.port.number, 4);
}

TEST_F(StartUp, EachFaultNamesItselfAndTheFolder)
{
    b.files.files.erase("flash.ini");
    EXPECT_NE(faultOf().find("Cannot open flash.ini in /station"), std::string::npos);

    ini("COMport=\"3\r\n");
    EXPECT_NE(faultOf().find("two double quotes"), std::string::npos);
    ini("COMport=3\r\n");
    EXPECT_NE(faultOf().find("two double quotes"), std::string::npos);

    ini("comport=\"3\"\r\nShow=\"Yes\"\r\n");
    EXPECT_NE(faultOf().find("has no COMport line"), std::string::npos);

    ini("COMport=\"9\"\r\n");
    b.port.openFault = "COM9 (/dev/ttyS8) is not a serial port of this machine.";
    EXPECT_EQ(faultOf(), b.port.openFault);
    EXPECT_EQ(b.main.label13, "Opening...");
}

TEST_F(StartUp, InitGlobalsSetsStartingValuesAndShowsTheMessageWindowOnRequest)
{
    b.msg.visible = false;
    ini("COMport=\"1\"\r\nShow=\"yES\"\r\nShow the window: Yes please\r\n");
    b.st.FBUS_SEQ = 0x44;
    b.st.JOB_MODE = 5;
    b.st.FORMAT_WAIT_TIME = 1;
    Form_Load(b.st);
    EXPECT_EQ(b.st.FBUS_SEQ, 0x60);
    EXPECT_EQ(b.st.JOB_MODE, 0);
    EXPECT_EQ(b.st.FORMAT_WAIT_TIME, 20000);
    EXPECT_TRUE(b.msg.visible) << "a later Show line with a yes still counts";

    b.msg.visible = false;
    ini("COMport=\"1\"\r\nShow=\"yES\"\r\n");
    Form_Load(b.st);
    EXPECT_FALSE(b.msg.visible);
}

TEST(IniText, QuotesNumbersAndRounding)
{
    EXPECT_EQ(quotedValue("Hardware=\"0102\" # \"x\""), "0102");
    EXPECT_EQ(quotedValue("a\"\""), "");
    EXPECT_FALSE(quotedValue("a\"b"));
    EXPECT_DOUBLE_EQ(lenientNumber("  -12.5kg"), -12.5);
    EXPECT_DOUBLE_EQ(lenientNumber("59.5\""), 59.5);
    EXPECT_DOUBLE_EQ(lenientNumber("x12"), 0);
    EXPECT_DOUBLE_EQ(lenientNumber("1.2.3"), 1.2);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(1e12), 2147483647);
}

TEST(IniText, PathNeverDoublesTheSeparator)
{
    fakes::Bench b;
    b.st.START_DIR = "/station/line 3";
    EXPECT_EQ(iniPath(b.st), "/station/line 3/flash.ini");
    b.st.START_DIR = "/";
    EXPECT_EQ(iniPath(b.st), "/flash.ini");
}

TEST(IniText, IniGoneAfterStartUpIsARuntimeFault)
{
    fakes::Bench b;
    b.files.files.erase("/station/flash.ini");
    EXPECT_THROW(READ_SHOW_OPTION(b.st), platform::RuntimeFault);
}

// Event pump whose events are a test's callbacks.
struct ScriptedEvents final : platform::EventPump {
    std::vector<std::function<void()>> passes;
    std::vector<bool> waits;
    std::size_t pass = 0;
    int processEvents(bool waitForMore) override
    {
        waits.push_back(waitForMore);
        if (pass >= passes.size())
            return 0;
        passes[pass++]();
        return 1;
    }
};

TEST(MainLoop, EachPassPumpsTheSenderThenHandsEveryWaitingByteOnInOrder)
{
    fakes::Bench b;
    ScriptedEvents events;
    std::vector<std::uint8_t> orderSeen;
    events.passes.push_back([&] {
        b.st.FBUS_TX[0] = 0x48;
        b.st.FBUS_TX_LEN = 1;
        FBUS_REQUEST(b.st);
        b.port.arrive(hex("1E 00 28 7F 00"));
    });
    events.passes.push_back([&] { b.port.arrive(hex("02 00 00 36 7D")); });
    events.passes.push_back([] {});
    MAIN_LOOP(b.st, events);
    // The request left in the first pass, before the bytes of that pass were read.
    EXPECT_EQ(b.msg.log.substr(0, 3), "\n>1");
    EXPECT_NE(b.msg.log.find("\n<1E 00 28 7F 00 02 00 00 36 7D             ACK MSG"), std::string::npos);
    EXPECT_EQ(b.st.ACK_WAIT, 0);
    EXPECT_EQ(events.waits, (std::vector<bool>{false, false, false, true}))
        << "only a pass that found nothing to read lets the next one sleep";
}

TEST(TimerTick, TicksAreHeldBackWhileAMessageBoxIsOpen)
{
    fakes::Bench b;
    b.receive(hex("1E 00 28"));
    b.dialogs.whileOpen = [&] { b.tick(4); };
    MSG_BOX(b.st, "ERROR01: x", platform::Icon::Critical);
    EXPECT_EQ(b.st.FBUS_RX_STATE, 3) << "no tick reached the receiver";
    EXPECT_EQ(b.st.modalBoxes, 0);
    b.tick(2);
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);
}

TEST(Shutdown, ClosingTheMainWindowUnloadsTheMessageWindow)
{
    fakes::Bench b;
    Form_QueryUnload(b.st);
    EXPECT_FALSE(b.msg.visible);
}

} // namespace
