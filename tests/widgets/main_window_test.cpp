#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "tests/widgets/live_windows.h"

namespace {

TEST(ProductBoxes, TypingStopsAtEachBoxsLengthButShorterTextsStayPossible)
{
    LiveWindows lw;
    auto* text1 = lw.mainCtl<QLineEdit>("Text1");
    text1->setFocus();
    text1->end(false);
    QTest::keyClicks(text1, "5");
    EXPECT_EQ(lw.main.text(1), "1234");

    text1->selectAll();
    QTest::keyClicks(text1, "abc");
    EXPECT_EQ(lw.main.text(1), "abc");
    QTest::keyClicks(text1, "de");
    EXPECT_EQ(lw.main.text(1), "abcd");

    const int lengths[6] = {4, 11, 11, 9, 7, 6};
    for (int box = 1; box <= 6; ++box) {
        auto* edit = lw.mainCtl<QLineEdit>(("Text" + std::to_string(box)).c_str());
        edit->selectAll();
        QTest::keyClicks(edit, "ABCDEFGHIJKLMNOP");
        EXPECT_EQ(lw.main.text(box), std::string("ABCDEFGHIJKLMNOP").substr(0, lengths[box - 1])) << box;
    }
}

TEST(ProductBoxes, DefaultSettingFillsAllSixBoxesFromFlashIni)
{
    LiveWindows lw;
    lw.files.files["/station/flash.ini"] = "COMport=\"1\"\r\nHardware=\"0102\"\r\nMCUSW=\"MCU 1.00.07\"\r\n"
                                           "DSPSW=\"DSP 2.10.00\"\r\nSerial=\" 12345678\"\r\nCode=\"0571234\"\r\n"
                                           "Manufacture=\"310299\"\r\n";
    QTest::mouseClick(lw.mainCtl("Command1"), Qt::LeftButton);
    const char* expected[6] = {"0102", "MCU 1.00.07", "DSP 2.10.00", " 12345678", "0571234", "310299"};
    for (int box = 1; box <= 6; ++box)
        EXPECT_EQ(lw.main.text(box), expected[box - 1]);
    EXPECT_TRUE(lw.dialogs.boxes.empty());
    EXPECT_EQ(lw.files.opened.back(), "/station/flash.ini");
}

TEST(ProductBoxes, AFlashIniThatHasGoneAwayIsReportedAsAFault)
{
    LiveWindows lw;
    lw.files.files.clear();
    QTest::mouseClick(lw.mainCtl("Command1"), Qt::LeftButton);
    EXPECT_EQ(lw.faults.size(), 1u);
    EXPECT_EQ(lw.main.text(1), "1234");
}

TEST(MainButtons, FlashWithoutFilesAsksForTheInitDiskFile)
{
    LiveWindows lw;
    QTest::mouseClick(lw.mainCtl("BOOTLOAD_DSP"), Qt::LeftButton);
    ASSERT_EQ(lw.dialogs.boxes.size(), 1u);
    EXPECT_EQ(lw.dialogs.boxes[0].text, "Please select an InitDisk file! ");
    EXPECT_EQ(lw.main.disp1(), "Please select an InitDisk file! ");
    EXPECT_TRUE(lw.faults.empty());
}

TEST(MainButtons, ClosingTheMainWindowTakesTheMessageWindowAlong)
{
    LiveWindows lw;
    lw.main.show();
    lw.msg.show();
    lw.main.close();
    EXPECT_FALSE(lw.msg.isVisible());
}

} // namespace

namespace {

TEST(PortCaption, TwoDigitPortsAreShownWholeBesideOpened)
{
    LiveWindows lw;
    auto* port = lw.mainCtl<QLabel>("ComPortNum");
    auto* opened = lw.mainCtl<QLabel>("Label13");
    lw.main.setComPortNum("3");
    EXPECT_EQ(port->width(), 9);
    EXPECT_EQ(opened->x(), 40);
    lw.main.setComPortNum("12");
    EXPECT_GE(port->width(), port->fontMetrics().horizontalAdvance("12"));
    EXPECT_GE(opened->x(), port->x() + port->width() - 1);
}

} // namespace
