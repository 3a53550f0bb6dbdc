#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "tests/widgets/live_windows.h"

using namespace auxpad::ui;

namespace {

// How long each field may be is the layout's (maxLength); what is typed is what a write
// sends, however short.
TEST(ProductFields, ShorterTextsThanTheFieldsLengthStayPossibleAndAreWhatAWriteSends)
{
    LiveWindows lw;
    auto* text1 = lw.mainCtl<QLineEdit>("Text1");
    text1->selectAll();
    QTest::keyClicks(text1, "abc");
    EXPECT_EQ(text1->text(), "abc");
    EXPECT_EQ(lw.runner.engine().productFields()[0], "abc");
}

TEST(ProductFields, AFlashIniThatHasGoneAwayStopsTheStation)
{
    LiveWindows lw;
    lw.files.files.clear();
    QTest::mouseClick(lw.mainCtl("Command1"), Qt::LeftButton);
    ASSERT_EQ(lw.stops.size(), 1);
    EXPECT_TRUE(lw.stops[0].startsWith("Cannot read /station/flash.ini"));
    EXPECT_EQ(lw.mainCtl<QLineEdit>("Text1")->text(), "1234");
}

TEST(MainButtons, FlashWithoutFilesAsksForTheInitDiskFileInABoxThatHoldsTheStation)
{
    LiveWindows lw;
    lw.main.show();
    QTest::mouseClick(lw.mainCtl("BOOTLOAD_DSP"), Qt::LeftButton);
    ASSERT_NE(openBox(), nullptr);
    EXPECT_EQ(std::pair(openBox()->windowTitle(), openBox()->icon()), std::pair(QString("Flash AUXPAD"), QMessageBox::Critical));
    EXPECT_FALSE(lw.runner.engine().acceptsInput()) << "the station waits for the box";
    EXPECT_EQ(closeBox(), "Please select an InitDisk file! ");
    EXPECT_EQ(lw.mainCtl<QLabel>("DISP1")->text(), "Please select an InitDisk file! ");
    EXPECT_TRUE(lw.runner.engine().acceptsInput());
}

TEST(MainButtons, StepThreeStartsTheProductJobWithTheSelfTest)
{
    LiveWindows lw;
    lw.main.show();
    QTest::mouseClick(lw.mainCtl("Prod_info"), Qt::LeftButton);
    EXPECT_EQ(lw.runner.engine().jobMode(), auxpad::JobMode::ProductSelfTest);
    EXPECT_EQ(lw.mainCtl<QLabel>("DISP1")->text(), "Testing AUXPAD board...");
}

TEST(MainButtons, ClosingTheMainWindowTakesTheMessageWindowAlong)
{
    LiveWindows lw;
    lw.main.show();
    lw.msg.show();
    lw.main.close();
    EXPECT_FALSE(lw.msg.isVisible());
}

TEST(PortCaption, TwoDigitPortsAreShownWholeBesideOpened)
{
    LiveWindows lw;
    auto* port = lw.mainCtl<QLabel>("ComPortNum");
    auto* opened = lw.mainCtl<QLabel>("Label13");
    lw.main.showPortOpened("3");
    EXPECT_EQ(port->width(), 9);
    EXPECT_EQ(opened->x(), 40);
    EXPECT_EQ(opened->text(), "Opened");
    lw.main.showPortOpened("12");
    EXPECT_GE(port->width(), port->fontMetrics().horizontalAdvance("12"));
    EXPECT_GE(opened->x(), port->x() + port->width() - 1);
}

} // namespace
