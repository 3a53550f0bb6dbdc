// The real main window flashing the simulated board at the speed of a real cable: the
// window goes on handling its events throughout, and the operator's clicks meanwhile
// start nothing.
#include <QLabel>
#include <QListView>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "tests/support/loop_clock.h"
#include "tests/e2e/sim_process.h"
#include "tests/widgets/live_windows.h"
#include "tests/support/files.h"

using namespace auxpad::ui;

namespace {

// When each event of one kind reached a widget.
struct EventTimes : QObject {
    EventTimes(QObject* watched, QEvent::Type type) : type_(type) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == type_)
            times.push_back(clock.elapsed());
        return false;
    }
    // The stretches without such an event between `from` and `to` (ms).
    EventGaps gaps(qint64 from, qint64 to) const
    {
        EventGaps gaps;
        qint64 last = from;
        for (const qint64 t : times) {
            if (t < from || t > to)
                continue;
            gaps.add(t - last);
            last = t;
        }
        gaps.add(to - last);
        return gaps;
    }
    QEvent::Type type_;
    LoopClock clock;
    std::vector<qint64> times;
};

void pick(QListView* list, const QString& name)
{
    auto* model = list->model();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(list->rootIndex()) >= 2; }, 5000));
    for (int r = 0; r < model->rowCount(list->rootIndex()); ++r) {
        const QModelIndex index = model->index(r, 0, list->rootIndex());
        if (index.data().toString() == name)
            list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    }
}

TEST(LiveDownload, TheWindowStaysLiveAndIgnoresClicksWhileTheBoardIsFlashed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("config") && QDir(dir.path()).mkpath("station"));
    const QString station = dir.filePath("station");
    writeFile(station + "/flash.ini", "COMport=\"7\"\r\nFormat=\"20\"\r\n");
    for (const char* name : {"initdisk.txt", "initdata.txt"})
        writeFile(station + "/" + name, downloadText(600));
    SimProcess sim(dir.filePath("config"), 7, {"--quiet", "--baud-pace", "115200"}, false);
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());

    const QString startCwd = QDir::currentPath();
    QDir::setCurrent(station); // where the file lists start
    auxpad::DiskFiles files;
    auxpad::BoardRunner runner(auxpad::resolvePort("COM7"), files, (station + "/flash.ini").toStdString());
    ASSERT_TRUE(runner.open());
    StationWindow window;
    TrafficWindow traffic;
    window.attach(runner, traffic);
    QDir::setCurrent(startCwd);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    pick(window.findChild<QListView*>("File1"), "initdisk.txt");
    pick(window.findChild<QListView*>("File2"), "initdata.txt");

    auto* disp1 = window.findChild<QLabel*>("DISP1");
    QStringList captions;
    std::vector<auxpad::JobSummary> started;
    QObject::connect(&runner, &auxpad::BoardRunner::effect, [&](const auxpad::Effect& e) {
        if (const auto* c = std::get_if<auxpad::CaptionShown>(&e))
            captions << QString::fromStdString(c->text);
        if (const auto* s = std::get_if<auxpad::JobStarted>(&e))
            started.push_back(s->summary);
    });
    EventTimes paints(disp1, QEvent::Paint);
    QTimer probe; // a timer of the test's own, due every 10 ms
    EventTimes handled(&probe, QEvent::Timer);
    paints.clock.start();
    handled.clock = paints.clock;
    probe.start(10);

    QTest::mouseClick(window.findChild<QWidget*>("BOOTLOAD_DSP"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return runner.engine().downloading(); }, 15000)) << disp1->text().toStdString();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].initDisk->path, (station + "/initdisk.txt").toStdString());
    EXPECT_EQ(started[0].initData->path, (station + "/initdata.txt").toStdString());
    const qint64 begun = paints.clock.elapsed();
    const qsizetype captionsBefore = captions.size();
    std::vector<int> shown; // the percentage DISP1 showed, as the test saw it
    const QRegularExpression percent(QStringLiteral("^Downloading (\\d+)%"));
    bool clicked = false;
    while (runner.engine().downloading() && paints.clock.elapsed() - begun < 30000) {
        QTest::qWait(20);
        if (const auto m = percent.match(disp1->text()); m.hasMatch())
            shown.push_back(m.captured(1).toInt());
        if (!clicked && !shown.empty() && shown.back() >= 30) {
            QTest::mouseClick(window.findChild<QWidget*>("BOOTLOAD_DSP"), Qt::LeftButton);
            QTest::mouseClick(window.findChild<QWidget*>("Prod_info"), Qt::LeftButton);
            clicked = true;
        }
    }
    const qint64 ended = paints.clock.elapsed();
    ASSERT_FALSE(runner.engine().downloading());
    EXPECT_GT(ended - begun, 1000) << "paced, 600 lines take over a second and a half";
    EXPECT_TRUE(clicked);

#ifndef AUXPAD_SANITIZED
    // Under the sanitizers on a loaded machine the gaps reach a third of a second: nothing of the build that ships.
    const EventGaps timerGaps = handled.gaps(begun, ended), paintGaps = paints.gaps(begun, ended);
    EXPECT_TRUE(timerGaps.live()) << testing::PrintToString(timerGaps);
    EXPECT_TRUE(paintGaps.live()) << testing::PrintToString(paintGaps);
#endif
    ASSERT_GE(shown.size(), 10u);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_LE(shown.front(), 10);
    EXPECT_GE(shown.back(), 90);

    // The clicks did not restart the job or report it busy: the download ran on to its
    // end and the job went on to the format wait.
    const QStringList during = captions.mid(captionsBefore);
    EXPECT_FALSE(during.contains("Flash Starting...") || during.contains("AUXPAD is not ready!"));
    EXPECT_EQ(runner.engine().jobMode(), auxpad::JobMode::FlashFormatWait);
    EXPECT_TRUE(captions.contains("\nFormat AUXPAD in progress...\nPlease wait for AUXPAD getting ready!"));
    // The format wait's own ticks may have moved the caption on since.
    EXPECT_TRUE(QTest::qWaitFor([&] { return disp1->text() == captions.back(); }, 2 * kLongestEventGapMs))
        << "within the gap a live window is allowed";
    runner.close();
}

} // namespace
