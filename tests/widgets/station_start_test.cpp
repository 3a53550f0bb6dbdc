// What a station shows when it starts: its main window, the traffic window when flash.ini
// says so, the badge window only when asked for, and which of them has the focus.
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "records/record_reader.h"
#include "tests/e2e/sim_process.h"
#include "tests/support/files.h"
#include "tests/widgets/live_windows.h"
#include "ui/station_start.h"

namespace {

struct Shown {
    QStringList windows; // every visible top-level window, by objectName, sorted
    QString active;
};

class StationStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath("station") && QDir(dir_.path()).mkpath("config"));
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir_.filePath("data").toLocal8Bit());
        board_ = std::make_unique<SimProcess>(dir_.filePath("config"), 41, QStringList{"--quiet"});
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.filePath("station"));
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    // Starts the station with flash.ini's `show`, waits for a window to have the focus,
    // does `meanwhile`, and reads what is shown then; closing every window ends it, with
    // `status`.
    Shown start(const char* show, const StationOptions& options, const std::function<void()>& meanwhile = {},
                int status = 0)
    {
        writeFile(dir_.filePath("station/flash.ini"), std::string("COMport=\"41\"\r\nShow=\"") + show + "\"\r\n");
        Shown shown;
        QTimer look;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (!QApplication::activeWindow() && waited.elapsed() < 10000)
                return;
            look.stop();
            if (meanwhile)
                meanwhile();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    shown.windows << (w->objectName().isEmpty() ? w->windowTitle() : w->objectName());
            shown.windows.sort();
            if (QWidget* active = QApplication::activeWindow())
                shown.active = active->objectName();
            QApplication::closeAllWindows();
        });
        look.start(5);
        EXPECT_EQ(runStation(options), status);
        return shown;
    }

    QTemporaryDir dir_;
    std::unique_ptr<SimProcess> board_;
    QString previous_;
};

TEST_F(StationStart, OpensItsMainWindowWithTheFocusAndTheTrafficWindowOnlyWhenFlashIniSaysSo)
{
    Shown alone = start("No", {{}, {}, {}, false});
    EXPECT_EQ(alone.windows, QStringList{"FLASH_MAIN"});
    EXPECT_EQ(alone.active, "FLASH_MAIN");
    Shown both = start("Yes", {{}, {}, "4711", false});
    EXPECT_EQ(both.windows, (QStringList{"FLASH_MAIN", "MSG_WIN"})) << "an operator signs in with no window";
    EXPECT_EQ(both.active, "FLASH_MAIN");
}

TEST_F(StationStart, ABadgeWindowOpensOnlyWhenAskedForAndGivesTheFocusBackOnceSignedIn)
{
    Shown asked = start("Yes", {{}, {}, {}, true});
    EXPECT_EQ(asked.windows, (QStringList{"FLASH_MAIN", "MSG_WIN", "operator_window"}));
    EXPECT_EQ(asked.active, "operator_window") << "the first scan signs in";
    Shown scanned = start("No", {{}, {}, {}, true}, [] {
        auto* badge = QApplication::activeWindow()->findChild<QLineEdit*>("badge");
        ASSERT_NE(badge, nullptr);
        QTest::keyClicks(badge, "4711");
        QTest::keyClick(badge, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activeWindow()->objectName() == "FLASH_MAIN"; }));
    });
    EXPECT_EQ(scanned.windows, (QStringList{"FLASH_MAIN", "operator_window"}));
    EXPECT_EQ(scanned.active, "FLASH_MAIN");
}

// A fault of the station's own (its flash.ini gone) is said in a box, and the station
// ends with status 1 once the box is closed.
TEST_F(StationStart, AFaultOfTheStationsOwnEndsItWithStatusOne)
{
    const Shown faulted = start("No", {{}, {}, {}, false}, [&] {
        QFile::remove(dir_.filePath("station/flash.ini"));
        QTest::mouseClick(QApplication::activeWindow()->findChild<QWidget*>("Command1"), Qt::LeftButton);
    }, 1);
    EXPECT_EQ(faulted.windows, (QStringList{"FLASH_MAIN", "Flash AUXPAD"})) << "the box says it";
}

// The jobs run from the window go on record under the station's name and its operator.
TEST_F(StationStart, ItsRecordsNameTheStationAndTheOperatorItWasStartedFor)
{
    std::vector<auxpad::JobRecord> records;
    start("No", {{}, "bench 7", "4711", false}, [&] {
        writeFile(dir_.filePath("station/flash.ini"),
                  "COMport=\"41\"\r\nShow=\"No\"\r\nHardware=\"0102\"\r\nMCUSW=\"MCU02.00.01\"\r\nDSPSW=\"DSP02.00.07\"\r\n"
                  "Serial=\"SN0000042\"\r\nCode=\"0671234\"\r\nManufacture=\"061226\"\r\n");
        QWidget* main = QApplication::activeWindow();
        QTest::mouseClick(main->findChild<QWidget*>("Command1"), Qt::LeftButton);
        QTest::mouseClick(main->findChild<QWidget*>("Prod_info"), Qt::LeftButton);
        auxpad::RecordReader reader;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            closeBox();
            if (!reader.isOpen() && !reader.open("sqlite:" + dir_.filePath("data/auxpad-flash/records.sqlite")))
                return false;
            records = reader.find({}).value_or(std::vector<auxpad::JobRecord>{});
            return !records.empty() && records.back().result != "running";
        }, 30000));
    });
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().station + " " + records.back().operatorId, "bench 7 4711");
}

} // namespace
