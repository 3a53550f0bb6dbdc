// The line window on three simulated boards: "Flash all", one board failing as its line
// hangs up, that board swapped and its row flashed again alone while the others run,
// every run on record.
#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "base/pin.h"
#include "records/record_reader.h"
#include "runner/bench.h"
#include "runner/recipe.h"
#include "runner/slot.h"
#include "tests/e2e/sim_process.h"
#include "tests/support/files.h"
#include "tests/support/loop_clock.h"
#include "tests/support/recipe_bench.h"
#include "tests/widgets/live_windows.h"
#include "ui/bench_grid.h"
#include "ui/board_row.h"
#include "ui/board_status_model.h"
#include "ui/line_window.h"

using namespace auxpad::ui;

namespace {

QString resultOf(BoardRow* row) { return row->findChild<QLabel*>("result")->text(); }

// Saves a picture of `w` beside the build's other screenshots.
bool saveShot(QWidget& w, const char* name)
{
    return QDir().mkpath(AUXPAD_SCREENSHOT_DIR) && w.grab().save(QStringLiteral(AUXPAD_SCREENSHOT_DIR "/") + name);
}

TEST(BoardRow, ShowsWhatTheBoardSaysAsItIsWithoutReadingItAsMarkupAndGivesTheMessageItsSpareWidth)
{
    RecipeBench b(9, 1, "Bench S", "SN0006000-SN0006099");
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    BoardStatusModel model(*b.bench);
    BoardRow row(model, 0, b.bench->runner(0));
    const QString serial = "<i>SN01</i>";
    emit b.bench->runner(0).effect(auxpad::SerialKnown{serial.toStdString()});
    auto* shown = row.findChild<QLabel*>("serial");
    ASSERT_EQ(shown->text(), serial);
    // What a screen reader is given is what the label shows.
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(shown);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->text(QAccessible::Name), serial) << "the tags are shown, not obeyed";
    // A wide row gives all its spare width to the message, where a failure is read whole.
    row.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
    auto* message = row.findChild<QLabel*>("message");
    const int before = message->width();
    row.resize(row.width() + 400, row.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return message->width() == before + 400; })) << before << " to " << message->width();
}

TEST(LineWindow, FlashAllFlashesEveryBoardWhileARowThatFailedIsFlashedAgainAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("config"));
    auto file = [&](const QString& name, const std::string& text) { return writeFile(dir.filePath(name), text).toStdString(); };
    auxpad::Bytes image;
    const auxpad::FlashFiles files{file("disk.txt", downloadText(24, 32, &image, 1)),
                                   file("data.txt", downloadText(48, 32, &image, 2))};
    const std::string ini = file("flash.ini", "Format=\"20\"\r\n");
    std::vector<std::unique_ptr<SimProcess>> sims;
    auto imageOut = [&](int i) { return QStringList{"--quiet", "--image-out", dir.filePath(QString("image%1.bin").arg(i))}; };
    for (int i = 0; i < 3; ++i)
        sims.push_back(std::make_unique<SimProcess>(dir.filePath("config"), 51 + i,
                                                    imageOut(i) + (i == 2 ? QStringList{"--hangup-after-block", "2"} : QStringList{})));
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    auxpad::DiskFiles disk;
    auxpad::Bench bench(disk, ini);
    auxpad::BenchSession session(bench);
    auxpad::SessionPlan plan;
    plan.journalUrl = "sqlite:" + dir.filePath("records.sqlite");
    for (int i = 0; i < 3; ++i)
        plan.ports.push_back(auxpad::resolvePort(QString("COM%1").arg(51 + i).toStdString()));
    ASSERT_TRUE(session.setUp(plan));
    const auto busy = [&](int i) { return bench.busy(static_cast<std::size_t>(i)); };

    LineWindow window(session, files);
    EXPECT_EQ(window.windowTitle(), "Flash AUXPAD line");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto at = [&](const char* name) { return window.findChild<QWidget*>(name)->geometry(); };
    const QRect diskEdit = at("disk"), flashAll = at("flashAll"), stopAll = at("stopAll");
    EXPECT_FALSE(diskEdit.intersects(at("data")) || diskEdit.intersects(flashAll)) << "the files and Flash all each have their place";
    EXPECT_TRUE(flashAll.left() == stopAll.left() && flashAll.bottom() < stopAll.top() && flashAll.left() > diskEdit.right())
        << "Flash all stands over Stop all, right of the files";
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text() == "InitDisk file" || label->text() == "InitData file") {
            EXPECT_LT(label->geometry().right(), diskEdit.left()) << "each file's name stands left of it";
        }
    }
    EXPECT_TRUE(saveShot(window, "line_before.png"));

    // A file gone: said above the rows, and no board starts.
    auto* diskFile = window.findChild<QLineEdit*>("disk");
    diskFile->setText(dir.filePath("gone.txt"));
    QTest::mouseClick(window.findChild<QWidget*>("flashAll"), Qt::LeftButton);
    EXPECT_TRUE(window.findChild<QLabel*>("problem")->text().contains("gone.txt"));
    EXPECT_FALSE(busy(0) || busy(1) || busy(2));
    diskFile->setText(QString::fromStdString(files.initDisk));

    // The window answers throughout: a timer of the test's own, and its paints. The test's
    // own blocking steps (a screenshot, a simulator swapped) are the test's time, not the
    // window's, and are left out.
    const LoopClock clock;
    qint64 last = 0;
    EventGaps gaps;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        gaps.add(clock.elapsed() - last);
        last = clock.elapsed();
    });
    probe.start(10);
    const auto untimed = [&](const std::function<void()>& step) {
        gaps.add(clock.elapsed() - last);
        step();
        last = clock.elapsed();
    };

    QTest::mouseClick(window.findChild<QWidget*>("flashAll"), Qt::LeftButton);
    const auto rows = window.rows();
    ASSERT_TRUE(QTest::qWaitFor([&] { return resultOf(rows[2]) == "FAIL"; }, 15000));
    EXPECT_EQ(rows[2]->findChild<QLabel*>("message")->text(), "initdisk: line lost") << "where and why, in its row";
    EXPECT_TRUE(rows[2]->findChild<QLabel*>("message")->toolTip().startsWith("The serial port COM53 ")) << "and all of it";
    EXPECT_EQ(openBox(), nullptr) << "and in no box that would hold the others up";
    EXPECT_TRUE(busy(0));
    untimed([&] { EXPECT_TRUE(saveShot(window, "line_during.png")); });

    // The failed board, swapped, comes back on another device and is flashed alone from the
    // keyboard while the others run.
    untimed([&] {
        ASSERT_TRUE(sims[2]->waitForExit(5000));
        sims[2] = std::make_unique<SimProcess>(dir.filePath("config"), 53, imageOut(3));
    });
    if (HasFatalFailure())
        return;
    rows[0]->setFocus();
    QTest::keyClick(rows[0], Qt::Key_Down);
    QTest::keyClick(rows[1], Qt::Key_Down);
    ASSERT_TRUE(rows[2]->hasFocus());
    QTest::keyClick(rows[2], Qt::Key_Return);
    EXPECT_TRUE(busy(2));
    EXPECT_EQ(resultOf(rows[2]), "") << rows[2]->findChild<QLabel*>("message")->text().toStdString();
    EXPECT_EQ(rows[2]->findChild<QLabel*>("result")->palette(), rows[2]->palette()) << "no red box left of its FAIL";
    EXPECT_EQ(rows[2]->findChild<QLabel*>("elapsed")->text(), "00:00") << "nor the time of the run that failed";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !busy(0) && !busy(1) && !busy(2); }, 40000));
    EXPECT_TRUE(gaps.live()) << testing::PrintToString(gaps);
    for (BoardRow* row : rows)
        EXPECT_EQ(resultOf(row), "PASS") << row->objectName().toStdString();
    EXPECT_EQ(rows[0]->findChild<QLabel*>("percent")->text(), "100%");
    const auto* bar = rows[0]->findChild<QProgressBar*>("bar");
    EXPECT_EQ(bar->value(), 100);
    EXPECT_FALSE(bar->isTextVisible()) << "the percentage is said once, in its own cell";
    EXPECT_EQ(rows[0]->findChild<QLabel*>("serial")->text(), "SN0000001");
    const QByteArray sent = sha256Hex(QByteArrayView(image.data(), static_cast<qsizetype>(image.size())));
    for (int i : {0, 1, 3}) // each board received the whole image
        EXPECT_EQ(fileSha256(dir.filePath(QString("image%1.bin").arg(i))), sent) << "image" << i;
    for (const auto& sim : sims)
        EXPECT_EQ(sim->log().find("cannot write"), std::string::npos) << "a whole image is no failed write";
    EXPECT_TRUE(rows[0]->log().contains("_TEST_SELF_TEST_RESP")) << "each row keeps its traffic log";
    QTest::mouseDClick(rows[0], Qt::LeftButton);
    auto* log = rows[0]->findChild<QPlainTextEdit*>("log");
    ASSERT_TRUE(log && log->isVisible()) << "a double click opens it";
    EXPECT_GE(log->width(), 500) << "wide enough for a line of a frame's bytes";
    struct Raised : QObject {
        int times = 0;
        bool eventFilter(QObject*, QEvent* e) override { times += e->type() == QEvent::ZOrderChange; return false; }
    } raised;
    log->installEventFilter(&raised);
    QTest::mouseDClick(rows[0], Qt::LeftButton);
    EXPECT_GE(raised.times, 1) << "a log already open comes to the front again";
    EXPECT_TRUE(saveShot(window, "line_after.png"));
    // A taller window gives its height to the boards' list, whose rows stay as they are at its top.
    const auto* list = window.findChild<QStackedWidget*>();
    const int listHeight = list->height();
    const QRect lastRow = rows[2]->geometry();
    window.resize(window.width(), window.height() + 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->height() == listHeight + 200; })) << list->height();
    EXPECT_EQ(rows[2]->geometry(), lastRow);

    auxpad::RecordReader store;
    ASSERT_TRUE(store.open("sqlite:" + dir.filePath("records.sqlite")));
    const auto records = store.find({}).value();
    ASSERT_EQ(records.size(), 4u);
    std::map<QString, std::vector<QString>> results;
    for (const auto& r : records) {
        results[r.port].push_back(r.result);
        if (r.port == "COM53" && r.result == "passed") {
            EXPECT_EQ(r.device, sims[2]->devicePath()) << "the swapped board's record names the device it was on";
        }
    }
    EXPECT_EQ(results, (decltype(results){{"COM51", {"passed"}}, {"COM52", {"passed"}}, {"COM53", {"failed", "passed"}}}));
}

TEST(LineWindow, WithAutoEachSlotStartsItsBoardAndCountsTheBench)
{
    RecipeBench b(46, 3, "Bench C", "SN0004000-SN0004099", {1, true}, true);
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.follow();
    b.bench->startSlots();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto rows = window.rows();
    EXPECT_EQ(rows[0]->findChild<QLabel*>("phase")->text(), "waiting for a board");
    EXPECT_EQ(rows[1]->objectName(), "COM47") << "a slot's row keeps the name the port map gives it";

    b.plug(0);
    b.plug(1);
    ASSERT_TRUE(b.runUntil([&] { return resultOf(rows[0]) == "PASS" && resultOf(rows[1]) == "PASS"; }));
    EXPECT_EQ(rows[2]->findChild<QLabel*>("phase")->text(), "waiting for a board");
    b.plug(2);
    b.runUntil([] { return false; }, 4000); // the third board is under way: the bench at work
    EXPECT_GT(rows[2]->findChild<QProgressBar*>("bar")->value(), 0) << "its progress shows in its row";
    const QString counters = window.findChild<QLabel*>("counters")->text();
    EXPECT_TRUE(counters.startsWith("Passed 2    Failed 0    Yield 100.0 %    First pass 100.0 %    Boards per hour "))
        << counters.toStdString();
    EXPECT_GT(window.findChild<QLabel*>("counters")->y(), window.findChild<QLabel*>("recipe")->y())
        << "the counters stand under the recipe's name";
    EXPECT_TRUE(saveShot(window, "bench_auto.png"));
    EXPECT_EQ(resultOf(rows[0]), "PASS") << "the result stands while the board stays";
    const QString first = rows[0]->findChild<QLabel*>("serial")->text();
    b.adapters[0]->pull();
    EXPECT_TRUE(b.runUntil([&] { return rows[0]->findChild<QLabel*>("phase")->text() == "waiting for a board"; }, 5000));
    EXPECT_TRUE(resultOf(rows[0]).isEmpty());
    // The first board comes back to the other slot: it passed before, and is not flashed again.
    ASSERT_TRUE(b.runUntil([&] { return !resultOf(rows[2]).isEmpty(); }));
    b.adapters[1]->pull();
    ASSERT_TRUE(b.runUntil([&] { return resultOf(rows[1]).isEmpty(); }, 5000));
    b.plug(1, {"--prod-info", "0102,MCU02.00.01,DSP02.00.07," + first + ",0671234,061226"});
    ASSERT_TRUE(b.runUntil([&] { return !resultOf(rows[1]).isEmpty(); }, 15000));
    EXPECT_EQ(resultOf(rows[1]), "PASS");
    EXPECT_EQ(rows[1]->findChild<QLabel*>("phase")->text(), "already-passed");
    EXPECT_EQ(rows[1]->findChild<QLabel*>("serial")->text(), first);
    b.bench->stop();
    b.clock.settle();

    // The records' line: whether the line's database has every record, or how many wait.
    const auto recordsSaid = [&](int held) {
        window.showRecords("line-db", held, {});
        return window.findChild<QLabel*>("records")->text();
    };
    EXPECT_EQ(recordsSaid(0), "Records: every one is in line-db");
    EXPECT_TRUE(recordsSaid(1).startsWith("Records: 1 held for line-db")) << recordsSaid(1).toStdString();
}

TEST(LineWindow, WithAnOperatorRequiredNoBoardStartsBeforeABadgeIsScanned)
{
    RecipeBench b(58, 1, "Line D", "SN0005000-SN0005099");
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    b.plug(0);
    b.recipe->operatorRequired = true;
    LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    QObject::connect(&window, &LineWindow::signedIn, b.bench.get(), &auxpad::Bench::signIn);
    window.showAttribution({}, "WO-9");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.findChild<QLabel*>("order")->text(), "Order: WO-9");
    auto* flashAll = window.findChild<QWidget*>("flashAll");
    QTest::mouseClick(flashAll, Qt::LeftButton);
    EXPECT_TRUE(window.findChild<QLabel*>("problem")->text().contains("requires an operator"));
    b.runUntil([] { return false; }, 300);
    EXPECT_FALSE(b.bench->busy(0)) << "no board starts before someone signed in";

    auto* badge = window.findChild<QLineEdit*>("badge");
    QTest::keyClicks(badge, "4711");
    QTest::keyClick(badge, Qt::Key_Return); // a scanner ends a badge with Enter
    EXPECT_EQ(window.findChild<QLabel*>("operator")->text(), "Signed in: 4711");
    EXPECT_TRUE(badge->text().isEmpty()) << "ready for the next operator's badge";
    QTest::mouseClick(flashAll, Qt::LeftButton);
    const auto rows = window.rows();
    ASSERT_TRUE(b.runUntil([&] { return !resultOf(rows[0]).isEmpty(); }));
    EXPECT_EQ(resultOf(rows[0]), "PASS");
    auxpad::RecordReader journal;
    ASSERT_TRUE(journal.open("sqlite:" + b.dir.filePath("records.sqlite"), auxpad::RecordReader::Opening::MustExist));
    const auto records = journal.find({});
    ASSERT_TRUE(records && !records->empty());
    for (const auxpad::JobRecord& r : *records)
        EXPECT_EQ(r.operatorId, "4711") << r.job.toStdString();
}

// How tall the tile's big letters stand as drawn: the tallest run of pixel rows that hold
// anything but the tile's fill, away from its frame; within `area`, whose corner is
// fill, when one is given.
int drawnLetterHeight(BoardTile* tile, QRect area = {})
{
    const QImage image = tile->grab().toImage();
    const QColor fill = image.pixelColor(area.isNull() ? QPoint(13, image.height() / 2) : area.topLeft());
    if (area.isNull())
        area = image.rect().adjusted(16, 0, -16, 0);
    int tallest = 0, run = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        bool ink = false;
        for (int x = area.left(); x <= area.right() && !ink; ++x) {
            const QColor c = image.pixelColor(x, y);
            ink = std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) + std::abs(c.blue() - fill.blue()) > 120;
        }
        run = ink ? run + 1 : 0;
        tallest = std::max(tallest, run);
    }
    return tallest;
}

// A bench of 32 slots as tiles: all of them on a full-HD screen, read from a step away,
// heard by a screen reader, and moved through by the keys.
TEST(LineWindow, ThirtyTwoSlotsFitOneScreenAsTilesThatSayTheirStateInWords)
{
    RecipeBench b(60, 32, "Bench G", "SN0002000-SN0002999", {1, true}, true, "[label]\nprinter=q\nsize=50x25\n");
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    b.printer.refuse(0, 3600 * 1000); // out of labels
    LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.follow();
    window.followLabels();
    window.showGrid();
    window.resize(1920, 1040);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    b.bench->startSlots();
    b.plug(0);
    b.plug(1, {"--misstore-serial"});
    ASSERT_TRUE(b.runUntil([&] { return b.bench->status(0).ended() && b.bench->status(1).ended(); }));
    const auto& tiles = window.grid()->tiles();
    ASSERT_EQ(tiles.size(), 32u);
    EXPECT_EQ(window.grid()->columns(), 8) << "8 x 4";
    for (BoardTile* tile : tiles)
        EXPECT_TRUE(window.grid()->rect().contains(tile->geometry())) << tile->objectName().toStdString();
    EXPECT_GE(drawnLetterHeight(tiles[0]), 60) << "PASS reads from a step away";
    EXPECT_GE(drawnLetterHeight(tiles[1]), 60) << "and FAIL";
    EXPECT_EQ(tiles[1]->grab().toImage().pixelColor(13, tiles[1]->height() / 2), QColor(200, 30, 30)) << "red";
    EXPECT_EQ(tiles[0]->accessibleName(), "COM60 PASS " + QString::fromStdString(b.bench->status(0).serial));
    EXPECT_TRUE(tiles[1]->accessibleName().startsWith("COM61 FAIL")) << tiles[1]->accessibleName().toStdString();
    EXPECT_TRUE(tiles[1]->toolTip().startsWith("AUXPAD Product Info read back differs: Serial Number written"))
        << "the whole text of why, where the tile says it in a few words";
    EXPECT_EQ(tiles[2]->accessibleName(), "COM62 EMPTY");
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    tiles[2]->setFocus();
    const QImage ringed = tiles[2]->grab().toImage();
    EXPECT_EQ(ringed.pixelColor(5, ringed.height() / 2), QColor(255, 220, 0)) << "the keyboard's tile ringed in yellow";
    for (int edge = 0; edge < 12; ++edge) { // the same ring on every side
        EXPECT_EQ(ringed.pixelColor(edge, ringed.height() / 2), ringed.pixelColor(ringed.width() - 1 - edge, ringed.height() / 2))
            << edge << " from the left and the right";
        EXPECT_EQ(ringed.pixelColor(ringed.width() / 2, edge), ringed.pixelColor(ringed.width() / 2, ringed.height() - 1 - edge))
            << edge << " from the top and the bottom";
    }
    EXPECT_TRUE(window.findChild<QLabel*>("counters")->text().endsWith("    Labels held 1"))
        << window.findChild<QLabel*>("counters")->text().toStdString();
    for (std::size_t i : {2u, 3u, 4u, 9u}) // a few more boards under way, for the picture
        b.plug(i);
    ASSERT_TRUE(b.runUntil([&] { return b.bench->status(9).phase == "InitData" && b.bench->status(9).percent > 30; }));
    const QSize tile = tiles[9]->size(); // the percentage: under the bar, right of the serial
    const QRect percent(tile.width() * 3 / 4, tile.height() / 2 + 12, tile.width() / 4 - 16, tile.height() / 2 - 16);
    EXPECT_GE(drawnLetterHeight(tiles[9], percent), 24) << "the percentage reads from a step away";
    EXPECT_TRUE(saveShot(window, "bench_grid.png"));
    b.adapters[1]->pull();
    ASSERT_TRUE(b.runUntil([&] { return !b.bench->status(1).ended(); }, 10000));
    EXPECT_EQ(tiles[1]->accessibleName(), "COM61 EMPTY") << "red until its board is pulled";

    tiles[0]->setFocus();
    QTest::keyClick(tiles[0], Qt::Key_Right);
    EXPECT_TRUE(tiles[1]->hasFocus());
    QTest::keyClick(tiles[1], Qt::Key_Down);
    EXPECT_TRUE(tiles[9]->hasFocus()) << "a row down is eight tiles on";
    QTest::keyClick(tiles[9], Qt::Key_L);
    EXPECT_TRUE(window.rows()[9]->findChild<QPlainTextEdit*>("log")->isVisible()) << "its traffic log";

    window.resize(900, 1040);
    EXPECT_EQ(window.grid()->columns(), 4) << "a narrower window: fewer columns of larger tiles";
    b.bench->stop();
    b.clock.settle();
}

// A slot whose every board loses its line at the first try, as a worn contact does, fails
// more than its bench though each board passes at its second: its row and its tile are
// marked, a screen reader hears it, and the counters count each board once.
TEST(LineWindow, ASlotThatFailsMoreThanItsBenchIsMarkedAndSaid)
{
    RecipeBench b(70, 2, "Bench W", "SN0007000-SN0007999", {1, true}, true);
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.follow();
    b.bench->startSlots();
    auto* worn = b.adapters[1];
    const auto back = b.clock.timer(); // the contact closes again a second after it opened
    QObject::connect(back.get(), &auxpad::Timer::timeout, worn, [worn] { worn->back(worn->device()); });
    QObject::connect(worn, &auxpad::shift::SimAdapter::hungUp, worn, [&] {
        worn->leave("the contact opened");
        back->start(1000);
    });
    const auto done = [&](std::size_t i) { return b.bench->status(i).ended(); };
    for (int board = 0; board < 20; ++board) {
        b.plug(0);
        b.plug(1, {"--hangup-after-block", "2"});
        ASSERT_TRUE(b.runUntil([&] { return done(0) && done(1) && b.bench->status(1).passed(); })) << board;
        b.adapters[0]->pull();
        worn->pull();
        ASSERT_TRUE(b.runUntil([&] { return !done(0) && !done(1); }, 10000)) << board;
    }
    const QString counters = window.findChild<QLabel*>("counters")->text();
    EXPECT_TRUE(counters.startsWith("Passed 40    Failed 0    Yield 100.0 %    First pass 50.0 %")) << counters.toStdString();
    window.showGrid();
    const auto& tiles = window.grid()->tiles();
    EXPECT_TRUE(tiles[1]->accessibleName().endsWith("fails more than its bench: COM71: 20 of 20 failed, the bench 50 %"))
        << tiles[1]->accessibleName().toStdString();
    EXPECT_EQ(tiles[0]->accessibleName(), "COM70 EMPTY");
    EXPECT_TRUE(window.rows()[1]->accessibleName().contains("fails more than its bench")) << "the row says it too";
    EXPECT_FALSE(window.rows()[1]->findChild<QLabel*>("port")->toolTip().isEmpty());
    b.bench->stop();
    b.clock.settle();
}

TEST(LineWindow, SixtyFourSlotsStandAsEightByEightWithNoScrollBar)
{
    RecipeBench b(100, 64, "Bench H", "SN0003000-SN0003999");
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.showGrid();
    window.resize(1920, 1040);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.grid()->columns(), 8);
    for (BoardTile* tile : window.grid()->tiles())
        EXPECT_TRUE(window.grid()->rect().contains(tile->geometry())) << tile->objectName().toStdString();
    EXPECT_EQ(window.grid()->tiles().back()->y() / window.grid()->tiles().front()->height(), 7) << "the eighth row";
    for (QScrollBar* bar : window.findChildren<QScrollBar*>())
        EXPECT_FALSE(bar->isVisible());
}

// A locked bench: its passed board, its stop and its window wait for an engineer's badge
// and PIN, which open them for the recipe's minutes on the bench's clock, and no longer.
TEST(LineWindow, ALockedBenchKeepsAPassedBoardItsStopAndItsWindowForAnEngineerForSomeMinutes)
{
    RecipeBench b(62, 2, "Line L", "SN0008000-SN0008099", {}, false, "[access]\nlock=yes\nunlock_minutes=2\n");
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    auxpad::PeopleTable& people = b.bench->journal().people();
    for (const auto& [badge, name, role, pin] : {std::tuple{"E1", "Eve", auxpad::PersonRole::Engineer, "4711"},
                                                 std::tuple{"T1", "Tom", auxpad::PersonRole::Technician, "2580"}})
        ASSERT_TRUE(people.add({badge, name, role, QString::fromStdString(auxpad::hashPin(pin).value()), {}}));
    LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto rows = window.rows();
    auto* flash = rows[0]->findChild<QPushButton*>("flash");
    auto* stop = window.findChild<QPushButton*>("stopAll");
    auto* problem = window.findChild<QLabel*>("problem");
    b.plug(0);
    QTest::mouseClick(flash, Qt::LeftButton);
    ASSERT_TRUE(b.runUntil([&] { return resultOf(rows[0]) == "PASS"; }));
    const auto operatorMode = [&] {
        return !flash->isEnabled() && !stop->isEnabled() && rows[1]->findChild<QPushButton*>("flash")->isEnabled()
               && !window.findChild<QPushButton*>("diskChoose")->isEnabled();
    };
    EXPECT_TRUE(operatorMode()) << "a passed board, the stop and the files wait; another board does not";
    EXPECT_TRUE(window.findChild<QLabel*>("lock")->text().startsWith("Locked: "));
    EXPECT_TRUE(!window.close() && window.isVisible()) << "the window stays open";
    EXPECT_EQ(problem->text(), "Closing the window needs the badge and PIN of an engineer: unlock first.");

    const auto unlockAs = [&](const QString& badge, const QString& pin) {
        window.findChild<QLineEdit*>("unlockBadge")->setText(badge);
        window.findChild<QLineEdit*>("unlockPin")->setText(pin);
        QTest::mouseClick(window.findChild<QPushButton*>("unlock"), Qt::LeftButton);
        EXPECT_TRUE(window.findChild<QLineEdit*>("unlockPin")->text().isEmpty()) << "no PIN stays on the screen";
        return problem->text();
    };
    EXPECT_TRUE(unlockAs("T1", "2580").startsWith("Tom (badge T1) is a technician and may not sign the unlock"));
    EXPECT_TRUE(unlockAs("E1", "1111").startsWith("wrong PIN for badge E1"));
    EXPECT_TRUE(operatorMode());
    EXPECT_EQ(unlockAs("E1", "4711"), "");
    EXPECT_TRUE(flash->isEnabled() && stop->isEnabled()) << "open for the engineer";
    EXPECT_TRUE(window.findChild<QLabel*>("lock")->text().startsWith("Unlocked for Eve (engineer)"));
    const auto unlocks = b.bench->journal().access().between({});
    ASSERT_TRUE(unlocks && unlocks->size() == 1u);
    EXPECT_EQ(unlocks->front().meaning + " " + unlocks->front().badge, "unlock E1");
    b.plug(1);
    QTest::mouseClick(rows[1]->findChild<QPushButton*>("flash"), Qt::LeftButton);
    ASSERT_TRUE(b.bench->busy(1));
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_TRUE(b.runUntil([&] { return !b.bench->busy(1); }, 1000)) << "Stop all ends the board under way";
    QTest::mouseClick(window.findChild<QPushButton*>("lockNow"), Qt::LeftButton);
    EXPECT_TRUE(operatorMode()) << "Lock locks at once";
    EXPECT_EQ(unlockAs("E1", "4711"), "");

    b.runUntil([] { return false; }, 2 * 60 * 1000 - 1000);
    EXPECT_TRUE(flash->isEnabled()) << "still open a second before the two minutes are up";
    b.runUntil([] { return false; }, 2000);
    EXPECT_TRUE(operatorMode()) << "locked again by itself";
    window.findChild<QPushButton*>("flashAll")->click();
    EXPECT_FALSE(b.bench->busy(0)) << "Run all leaves a passed board alone while locked";
    EXPECT_TRUE(b.bench->busy(1));
    b.bench->stop();
    b.clock.settle();
}

} // namespace
