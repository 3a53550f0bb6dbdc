// The line's page as its lead sees it: `auxpad-flash serve` under a SELECT-only role of a
// real PostgreSQL server, the page in headless Chromium, records delivered through the
// stations' own delivery while it is open, and the database stopped and started again.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

#include "records/delivery.h"
#include "records/line_database.h"
#include "tests/records/pg_server.h"
#include "tests/support/programs.h"
#include "tests/web/devtools.h"

namespace {

const QString kScript = "<script>document.title='taken'</script>";

auxpad::JobRecord record(const QString& station, const QString& result, qint64 secondsAgo, const QString& caption = {},
                         const QString& serial = "SN0000001")
{
    auxpad::JobRecord r;
    r.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.started = QDateTime::currentDateTimeUtc().addSecs(-secondsAgo).toString(Qt::ISODateWithMs);
    if (result != "running")
        r.finished = r.started;
    r.station = station;
    r.port = "COM" + QString::number(secondsAgo % 7 + 1);
    r.device = "/dev/ttyS0";
    r.job = "flash";
    r.result = result;
    r.caption = caption;
    r.serial = serial;
    r.board = r.uuid; // each a board of its own, its first try itself
    r.firstTry = result;
    if (result == "failed") { // each text a cause of its own, as the page lists them
        r.step = "initdisk";
        r.cause = caption == kScript ? "refused" : caption.startsWith("ERROR01") ? "no-answer" : "board-failed";
    }
    r.toolVersion = "2.0";
    return r;
}

// The page's tile of a station, as numbers: passed and failed this hour and since the day began.
QString tileCounts(const QString& station)
{
    return QString("(() => { const t = document.querySelector('[data-station=\"%1\"]'); if (!t) return '';"
                   "return ['hour-passed', 'hour-failed', 'since-passed', 'since-failed']"
                   ".map(k => t.querySelector('[data-count=\"' + k + '\"]').textContent).join(' '); })()")
        .arg(station);
}

class LinePage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(pgServer().problem(), "");
        owner_ = pgServer().newDatabase("line");
        auxpad::LineDatabase line;
        ASSERT_TRUE(line.open(owner_));
        ASSERT_TRUE(line.records().saveAll({record("st-a", "passed", 5), record("st-a", "passed", 6), record("st-a", "passed", 7),
                                  record("st-a", "failed", 8, "ERROR01: no answer"), record("st-a", "running", 3),
                                  record("st-a", "passed", 26 * 3600), record("st-b", "passed", 9),
                                  record("st-b", "failed", 10, "<b>bold</b>"),
                                  record("st-b", "failed", 11, "<b>bold</b>")}));
        // The page's login reads and can do nothing else: a viewer.
        const auto granted = failureOf({AUXPAD_FLASH_EXE, "records", "grant", "lead", "--role", "viewer", "--db", owner_}, 30000);
        ASSERT_FALSE(granted) << granted->toStdString();
        serve_ = new QProcess;
        serve_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startProgram(*serve_, AUXPAD_FLASH_EXE, {"serve", "--listen", "127.0.0.1:0"},
                     {"AUXPAD_FLASH_DB=" + QString(owner_).replace("auxpad@", "lead@")});
        ASSERT_TRUE(serve_->waitForReadyRead(10000));
        const QString said = QString::fromUtf8(serve_->readAllStandardOutput());
        const auto found = QRegularExpression("(http://\\S+/)").match(said);
        ASSERT_TRUE(found.hasMatch());
        page_ = found.captured(1);
    }
    static void TearDownTestSuite()
    {
        serve_->terminate();
        serve_->waitForFinished(5000);
        delete serve_;
    }

    // A batch delivered to the line database the way a station's courier delivers it, with
    // what was signed there.
    static void deliver(std::vector<auxpad::JobRecord> records, const std::vector<auxpad::AccessEvent>& signedEvents = {})
    {
        QTemporaryDir dir;
        auxpad::Journal journal;
        auxpad::LineDatabase line;
        ASSERT_TRUE(journal.open("sqlite:" + dir.filePath("journal.sqlite")));
        for (const auto& e : signedEvents)
            ASSERT_TRUE(journal.access().add(e));
        for (auto& r : records)
            r.lineDb = auxpad::StoreUrls::shownUrl(owner_);
        ASSERT_TRUE(journal.records().saveAll(records));
        const auto delivered = auxpad::deliverHeld(journal, line, owner_);
        ASSERT_TRUE(delivered) << delivered.error().toStdString();
        ASSERT_EQ(delivered->delivered, static_cast<int>(records.size()));
    }

    static inline QString owner_;
    static inline QString page_;
    static inline QProcess* serve_ = nullptr;
};

TEST_F(LinePage, ShowsEachStationsTileAndTakesNewRecordsLiveAsText)
{
    Browser browser(page_);
    ASSERT_EQ(browser.problem(), "");
    const QString hour = QDateTime::currentDateTimeUtc().addSecs(-11).toString(Qt::ISODate).left(13);
    ASSERT_GE(browser.waitFor(tileCounts("st-b") + " !== ''", 10000), 0);
    if (hour == QDateTime::currentDateTimeUtc().toString(Qt::ISODate).left(13)) {
        EXPECT_EQ(browser.eval(tileCounts("st-a")).toString(), "3 1 3 1"); // yesterday's is not today's
        EXPECT_EQ(browser.eval(tileCounts("st-b")).toString(), "1 2 1 2");
    }
    const QString board =
        browser.eval("document.querySelector('[data-station=\"st-a\"] .board').textContent").toString();
    EXPECT_TRUE(board.startsWith("COM4 SN0000001 flash 0:")) << board.toStdString();
    EXPECT_EQ(browser.eval("document.querySelector('#failures .caption').textContent").toString(), "<b>bold</b>");
    EXPECT_EQ(browser.eval("document.querySelector('#failures .cause').textContent").toString(), "initdisk: board-failed");

    auxpad::AccessEvent reprint;
    reprint.station = "st-b";
    reprint.meaning = "reprint";
    reprint.badge = "T1";
    reprint.name = "<i>Tom</i>";
    reprint.serial = "SN0000042";
    reprint.reason = kScript;
    deliver({record("st-b", "failed", 0, kScript), record("st-b", "running", 0, {}, "<b>SN0000099</b>")}, {reprint});
    const int took = browser.waitFor(tileCounts("st-b") + ".endsWith('1 3')", 5000);
    ASSERT_GE(took, 0) << "the new record never showed";
    EXPECT_LT(took, 2000);
    EXPECT_EQ(browser.eval("document.querySelector('[data-station=\"st-b\"] .serial').textContent").toString(),
              "<b>SN0000099</b>");
    const QString captions = "[...document.querySelectorAll('#failures .caption')].some(c => c.textContent === \"%1\")";
    EXPECT_TRUE(browser.eval(captions.arg(kScript)).toBool());
    // What was signed at the station today is on its tile, as text.
    const QString signedText =
        browser.eval("document.querySelector('[data-station=\"st-b\"] .override[data-meaning=reprint]').textContent")
            .toString();
    EXPECT_TRUE(signedText.endsWith(" reprint by <i>Tom</i> (T1) SN0000042: " + kScript)) << signedText.toStdString();
    EXPECT_TRUE(browser.eval("document.querySelector('main b, main i, main script') === null").toBool());
    EXPECT_NE(browser.eval("document.title").toString(), "taken");
    QDir().mkpath(AUXPAD_SCREENSHOT_DIR);
    QFile shot(AUXPAD_SCREENSHOT_DIR "/line-page.png");
    EXPECT_TRUE(shot.open(QIODevice::WriteOnly) && shot.write(browser.screenshot()) > 0);
}

TEST_F(LinePage, RefusesBadParametersInOneLineAndSendsItsPolicy)
{
    for (const char* call : {"api/line?since=yesterday", "api/hours?since=2026-13-01", "api/failures?colour=blue"}) {
        const Got got = httpGet(page_ + QString(call));
        EXPECT_EQ(got.status, 400) << call;
        EXPECT_EQ(got.body.count('\n'), 1) << got.body.constData();
    }
    EXPECT_EQ(httpGet(page_ + "api/line?since=yesterday").body,
              "since yesterday is not a date: give YYYY-MM-DD or an ISO 8601 time in UTC\n");
    const Got station = httpGet(page_ + "api/line?station=st-a&since=2000-01-01");
    ASSERT_EQ(station.status, 200);
    EXPECT_TRUE(station.body.contains("\"passed\":4")) << station.body.constData();
    EXPECT_FALSE(station.body.contains("st-b"));
    const Got page = httpGet(page_);
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.headers["content-security-policy"].contains("script-src 'self'"));
    EXPECT_EQ(page.headers["x-content-type-options"], "nosniff");
}

TEST_F(LinePage, SaysTheDatabaseIsAwayAndRecoversByItself)
{
    Browser browser(page_);
    ASSERT_EQ(browser.problem(), "");
    ASSERT_GE(browser.waitFor(tileCounts("st-a") + " !== ''", 10000), 0);
    ASSERT_TRUE(pgServer().stop());
    const QString notice = "(document.getElementById('notice').hidden ? '' "
                           ": document.getElementById('notice').textContent)";
    EXPECT_GE(browser.waitFor(notice + " === 'line database away'", 5000), 0);
    const Got away = httpGet(page_ + "api/line");
    EXPECT_EQ(away.status, 503);
    EXPECT_TRUE(away.body.startsWith("the line database is away: ")) << away.body.constData();
    ASSERT_TRUE(pgServer().start());
    EXPECT_GE(browser.waitFor(notice + " === ''", 10000), 0) << browser.eval(notice).toString().toStdString();
    // Listening again: a delivery after the restart still reaches the page.
    deliver({record("st-a", "passed", 0)});
    EXPECT_GE(browser.waitFor(tileCounts("st-a") + ".endsWith('4 1')", 2000), 0);
}

} // namespace
