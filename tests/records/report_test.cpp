// The report a line lead reads: its filters, its summary and its chart, on a known set
// of records in a SQLite file and in a PostgreSQL database alike.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>

#include <map>
#include <ostream>
#include <span>

#include "records/journal.h"
#include "records/record_query.h"
#include "tests/records/records_fixture.h"

// Lists of records' starts read as text where they differ.
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString kFlashFail = "Flash AUXPAD Fail!\nPlease Reset the phone and Flash again!";
const QString kSelfTestFail = "SelfTest Result: ERROR02: AUXPAD SelfTest Failed!";

struct Job {
    const char* started;
    const char* station;
    const char* job;
    const char* result;
    const char* port;
    const char* serial;
    QString caption;
    const char* step = "";
    const char* cause = "";
};

// Sunday 2026-11-29 ends a week; Monday 2026-11-30 and Monday 2026-12-07 start one.
const Job kJobs[] = {
    {"2026-11-29T22:15:00.000Z", "bench1", "flash", "passed", "COM1", "SN0000001", {}},                //  1
    {"2026-11-29T23:59:59.999Z", "bench2", "flash", "failed", "COM2", "SN0000002", kFlashFail, "initdata", "no-ack"}, //  2
    {"2026-11-30T00:00:00.000Z", "bench1", "prodinfo", "passed", "COM1", "SN0000001", {}},             //  3
    {"2026-11-30T08:10:00.000Z", "bench1", "flash", "failed", "COM2", "SN0000003", kFlashFail, "initdata", "no-ack"}, //  4
    {"2026-11-30T08:40:00.000Z", "bench1", "flash", "passed", "COM2", "SN0000003", {}},                //  5
    {"2026-11-30T08:50:00.000Z", "bench2", "selftest", "failed", "COM1", "SN0000004", kSelfTestFail, "self-test",
     "board-failed"},                                                                                 //  6
    {"2026-11-30T09:05:00.000Z", "bench2", "flash", "interrupted", "COM1", "SN0000004", {}},           //  7
    {"2026-12-01T10:00:00.000Z", "bench1", "flash", "passed", "COM1", "SN0000005", {}},                //  8
    {"2026-12-01T10:00:00.000Z", "bench3", "flash", "failed", "COM1", "SN0000006", kFlashFail, "initdata", "no-ack"}, //  9
    {"2026-12-01T13:30:00.000Z", "bench3", "selftest", "running", "COM2", "SN0000006", {}},            // 10
    {"2026-12-07T00:00:00.000Z", "bench1", "flash", "passed", "COM1", "SN0000007", {}},                // 11
    {"2026-12-06T23:00:00.000Z", "bench2", "flash", "passed", "COM1", "SN0000008", {}},                // 12
};

// `jobs` on record in the store at `url`, each first running and then as it ended.
void keep(const QString& url, std::span<const Job> jobs)
{
    auxpad::Journal store;
    ASSERT_TRUE(store.open(url));
    for (const Job& j : jobs) {
        auxpad::JobRecord r;
        r.started = j.started;
        r.station = j.station;
        r.port = j.port;
        r.device = "/dev/ttyS0";
        r.job = j.job;
        r.result = "running";
        r.serial = j.serial;
        r.toolVersion = "2.0";
        r.pid = 1; // never this process: a left-over is closed only when its process is gone
        r.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        ASSERT_TRUE(store.records().save(r));
        if (QString(j.result) == "running")
            continue;
        r.result = j.result;
        r.finished = r.started;
        r.caption = j.caption.isNull() ? QString("done") : j.caption;
        r.step = j.step;
        r.cause = j.cause;
        r.revision = 2;
        ASSERT_TRUE(store.records().save(r));
    }
}

// The records of kJobs in both stores, and the built tool with neither a display nor a
// platform of Qt's chosen for it.
class Report : public Records {
protected:
    void SetUp() override
    {
        Records::SetUp();
        env_ = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
        for (const QString& url : stores_)
            keep(url, kJobs);
    }
    // The records a report's CSV lists, as their starts.
    QStringList started(const QString& store, const QStringList& filter)
    {
        QStringList out;
        for (const auto& row : report(store, filter))
            out << row.at("started");
        return out;
    }
    QJsonObject summary(const QString& store, const QStringList& arguments)
    {
        const Ran ran = run(QStringList{"report", "--summary", "--per", "job", "--json", "--db", store} + arguments);
        EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
        return QJsonDocument::fromJson(ran.out).object();
    }
    // A summary's yield rows, each as "station period jobs passed failed yield".
    static QStringList rows(const QJsonObject& summary)
    {
        QStringList out;
        for (const QJsonValue& v : summary["yield"].toArray()) {
            const QJsonObject r = v.toObject();
            out << QString("%1 %2 %3 %4 %5 %6")
                       .arg(r["station"].toString(), r["period"].toString())
                       .arg(r["jobs"].toInt())
                       .arg(r["passed"].toInt())
                       .arg(r["failed"].toInt())
                       .arg(r["yield"].toDouble(), 0, 'f', 1);
        }
        return out;
    }
};

QStringList startsOf(std::initializer_list<int> numbers)
{
    QStringList out;
    for (const int n : numbers)
        out << kJobs[n - 1].started;
    return out;
}

TEST_F(Report, FiltersCombineAndCountExactlyOnBothDatabases)
{
    for (const QString& store : stores_) {
        SCOPED_TRACE(store.toStdString());
        // Each alone; the records come oldest first, whatever order they were written in.
        EXPECT_EQ(started(store, {}), startsOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11}));
        EXPECT_EQ(started(store, {"--since", "2026-11-30"}).size(), 10);
        // Until is the first moment left out: a week is --since Monday --until Monday.
        EXPECT_EQ(started(store, {"--until", "2026-11-30"}), startsOf({1, 2}));
        EXPECT_EQ(started(store, {"--station", "bench1"}), startsOf({1, 3, 4, 5, 8, 11}));
        EXPECT_EQ(started(store, {"--job", "flash"}).size(), 9);
        EXPECT_EQ(started(store, {"--result", "failed"}), startsOf({2, 4, 6, 9}));
        EXPECT_EQ(started(store, {"--port", "COM2"}), startsOf({2, 4, 5, 10}));
        EXPECT_EQ(started(store, {"--serial", "SN0000004"}), startsOf({6, 7}));
        EXPECT_EQ(started(store, {"--job", "run"}), QStringList());

        // Times are compared as times: one without milliseconds takes the record that
        // started on it, and one with an offset is taken in UTC.
        EXPECT_EQ(started(store, {"--since", "2026-11-30T08:40:00Z", "--until", "2026-12-01T10:00:00Z"}),
                  startsOf({5, 6, 7}));
        EXPECT_EQ(started(store, {"--since", "2026-11-30T10:00:00+02:00", "--until", "2026-11-30T09:00"}),
                  startsOf({4, 5, 6}));

        // All of them at once.
        const QStringList some = {"--station", "bench1", "--job", "flash", "--result", "passed", "--port", "COM1"};
        EXPECT_EQ(started(store, some), startsOf({1, 8, 11}));
        EXPECT_EQ(started(store, some + QStringList{"--since", "2026-12-01", "--until", "2026-12-07"}), startsOf({8}));
    }
}

// `--per job`: every job of each station, as the summary counted before it counted boards.
TEST_F(Report, SummaryCountsEachStationAndPeriodOnBothDatabases)
{
    for (const QString& store : stores_) {
        SCOPED_TRACE(store.toStdString());
        // The days as CSV, in full: the yield table, an empty line, and the failures.
        const Ran days = run({"report", "--summary", "--per", "job", "--csv", "--db", store});
        EXPECT_EQ(days.status, 0) << days.err.toStdString();
        EXPECT_EQ(days.out.toStdString(),
                  "station,period,jobs,passed,failed,yield_percent,first_pass,first_pass_yield_percent\r\n"
                  "bench1,2026-11-29,1,1,0,100.0,1,100.0\r\n"
                  "bench2,2026-11-29,1,0,1,0.0,0,0.0\r\n"
                  "bench1,2026-11-30,3,2,1,66.7,2,66.7\r\n"
                  "bench2,2026-11-30,2,0,1,0.0,0,0.0\r\n"
                  "bench1,2026-12-01,1,1,0,100.0,1,100.0\r\n"
                  "bench3,2026-12-01,2,0,1,0.0,0,0.0\r\n"
                  "bench2,2026-12-06,1,1,0,100.0,1,100.0\r\n"
                  "bench1,2026-12-07,1,1,0,100.0,1,100.0\r\n"
                  "\r\n"
                  "step,cause,count,share_percent,example\r\n"
                  "initdata,no-ack,3,75.0,Flash AUXPAD Fail! / Please Reset the phone and Flash again!\r\n"
                  "self-test,board-failed,1,25.0,SelfTest Result: ERROR02: AUXPAD SelfTest Failed!\r\n");

        // Weeks start on Monday: the Sunday before belongs to the week before.
        const QJsonObject weeks = summary(store, {"--by", "week"});
        EXPECT_EQ(weeks["by"].toString(), "week");
        EXPECT_EQ(rows(weeks), QStringList({"bench1 2026-11-23 1 1 0 100.0", "bench2 2026-11-23 1 0 1 0.0",
                                            "bench1 2026-11-30 4 3 1 75.0", "bench2 2026-11-30 3 1 1 33.3",
                                            "bench3 2026-11-30 2 0 1 0.0", "bench1 2026-12-07 1 1 0 100.0"}));

        // Hours, of what the filters let through; the failures only of those.
        const QJsonObject hours =
            summary(store, {"--by", "hour", "--since", "2026-11-30T08:00Z", "--until", "2026-11-30T10:00Z"});
        EXPECT_EQ(rows(hours), QStringList({"bench1 2026-11-30T08:00 2 1 1 50.0", "bench2 2026-11-30T08:00 1 0 1 0.0",
                                            "bench2 2026-11-30T09:00 1 0 0 0.0"}));
        EXPECT_EQ(hours["filters"].toObject()["since"].toString(), "2026-11-30T08:00:00.000Z");
        const QJsonArray failures = hours["failures"].toArray();
        ASSERT_EQ(failures.size(), 2);
        EXPECT_EQ(failures[0].toObject()["step"].toString(), "initdata");
        EXPECT_EQ(failures[0].toObject()["cause"].toString(), "no-ack");
        EXPECT_EQ(failures[0].toObject()["count"].toInt(), 1);
        EXPECT_EQ(failures[0].toObject()["share"].toDouble(), 50.0);
        EXPECT_EQ(failures[1].toObject()["example"].toString(), kSelfTestFail);

        // The table: a line a station and period, and each failure's example on one line.
        const Ran table = run({"report", "--summary", "--per", "job", "--station", "bench3", "--db", store});
        EXPECT_EQ(table.out.toStdString(),
                  "station  period      jobs  passed  failed  yield %  first_pass  first_pass_yield %\n"
                  "bench3   2026-12-01     2       0       1      0.0           0                 0.0\n"
                  "\n"
                  "step      cause   failed  share %  example\n"
                  "initdata  no-ack       1    100.0  Flash AUXPAD Fail! / Please Reset the phone and Flash again!\n");
    }
}

// What a lead reads of the failures: one row a step and cause whatever texts its boards
// showed (a lost line in the middle of a download shows a new percentage each time), with
// their share and, as its example, what most of them said that says why.
TEST(Failures, OneCauseIsOneRowAndItsExampleSaysWhyOnOneLine)
{
    const std::vector<auxpad::FailureText> texts = {
        {"initdisk", "line-lost", "Downloading 28%\ninitdisk.txt\nElapsed Time: 00Min00Sec", 5},
        {"initdisk", "line-lost", "Downloading 31%\ninitdisk.txt\nElapsed Time: 00Min01Sec", 4},
        {"initdisk", "line-lost", "The serial port is gone: the adapter was reset", 2},
        {"read-back", "mismatch", "AUXPAD Product Info read back differs: Serial Number written 1, read 2", 3},
        {"self-test", "no-answer", "ERROR01: Fail to communicate\nReset the phone! ", 1},
        {"self-test", "no-answer", "Downloading 5%", 1},
    };
    QStringList rows;
    for (const auto& f : auxpad::failureRows(texts, 10))
        rows << QString("%1 %2 %3 %4 %5").arg(f.step, f.cause).arg(f.count).arg(f.share, 0, 'f', 1).arg(f.example);
    EXPECT_EQ(rows.join('|'), "initdisk line-lost 11 68.8 The serial port is gone: the adapter was reset|"
                              "read-back mismatch 3 18.8 AUXPAD Product Info read back differs: Serial Number written 1, "
                              "read 2|self-test no-answer 2 12.5 ERROR01: Fail to communicate / Reset the phone!");
    EXPECT_EQ(auxpad::failureRows(texts, 1).size(), 1u) << "the most frequent ones alone";
    EXPECT_EQ(auxpad::failureRows({{"format", "line-lost", "Downloading 9%", 1}}, 10).front().example, "")
        << "a download's progress says no reason";
}

// A slot fails more than its bench when its first-try failures are improbable at the
// bench's share: the tail of the binomial distribution, exact where it matters.
TEST(Failures, ASlotFailsMoreThanItsBenchWhenItsFirstTriesAreImprobableThere)
{
    EXPECT_NEAR(auxpad::binomialTail(40, 8, 0.03), 2.135e-5, 1e-8);
    EXPECT_NEAR(auxpad::binomialTail(40, 2, 0.03), 0.33846, 1e-5);
    EXPECT_NEAR(auxpad::binomialTail(100000, 2300, 0.02), 1.887e-11, 1e-13) << "a year of a slot stays finite";
    EXPECT_EQ(auxpad::binomialTail(10, 0, 0.5), 1.0);
    EXPECT_EQ(auxpad::binomialTail(10, 3, 0.0), 0.0);
    const auxpad::FirstTries bench{400, 12};
    EXPECT_TRUE(auxpad::Outlier::of({40, 8}, bench));
    EXPECT_FALSE(auxpad::Outlier::of({40, 3}, bench));
    EXPECT_FALSE(auxpad::Outlier::of({19, 8}, bench)) << "fewer than twenty boards say too little";
    EXPECT_TRUE(auxpad::Outlier::of({20, 8}, bench));
    EXPECT_FALSE(auxpad::Outlier::of({40, 20}, {40, 20})) << "a bench of one slot is its own measure";

    // A summary's slots, each measured against its own station's bench in its own period.
    std::vector<auxpad::StationYield> rows = {{"st-b", "COM1", "p", 40, 20, 20, 0, 20, 20, 0, {}}};
    for (int com = 11; com <= 20; ++com)
        rows.push_back({"st-a", QString("COM%1").arg(com), com == 11 ? "q" : "p", 40, 0, 0, 0, 0, com == 17 ? 8 : 1, 0, {}});
    auxpad::markOutliers(rows);
    QStringList outliers;
    for (const auto& r : rows)
        if (r.outlier)
            outliers << r.group + " " + r.port;
    EXPECT_EQ(outliers, QStringList{"st-a COM17"});
}

TEST_F(Report, BadInputIsRefusedInOneLineAndNoStoreIsMade)
{
    const QString missingFolder = dir_.filePath("no/such/dir/x.sqlite");
    const QString missingFile = dir_.filePath("none.sqlite");
    const QString emptyDatabase = pgServer().newDatabase("report_empty");
    const std::vector<QStringList> refused = {
        {"--since", "2026-13-45"},
        {"--until", "yesterday"},
        {"--result", "lost"},
        {"--job", "flsh"},
        {"--summary", "--by", "month"},
        {"--summary", "--per", "slotx"},
        {"--by", "week"},
        {"--json"},
        {"--summary", "--csv", "--json"},
        {"--chart", "yield.jpg"},
        {"--db", "sqlite:" + missingFolder},
        {"--db", "sqlite:" + missingFile},
        {"--db", emptyDatabase},
        {"--db", emptyDatabase, "--summary"}, // the first refusal made no table either
    };
    for (const QStringList& arguments : refused) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        QStringList all = QStringList{"report"} + arguments;
        if (!arguments.contains("--db"))
            all << "--db" << stores_[0];
        const Ran ran = run(all);
        EXPECT_EQ(ran.status, 2);
        EXPECT_EQ(ran.out, "");
        EXPECT_TRUE(ran.err.startsWith("auxpad-flash report: ")) << ran.err.toStdString();
        EXPECT_EQ(ran.err.count('\n'), 1) << ran.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(missingFile));
    EXPECT_FALSE(QDir(dir_.filePath("no")).exists());
}

// A station's key in the legend, right of the plot: its longest run of the station's colour
// in a row, and where the station's name starts on that row.
struct Key {
    int row = -1, start = 0, length = 0, name = 0;
    double middle() const { return start + length / 2.0; }
};

Key keyOf(const QImage& image, QRgb colour)
{
    const int legend = image.width() - 225; // the plot ends 230 pixels from the right
    Key key;
    for (int y = 0; y < image.height(); ++y)
        for (int x = legend, run = 0; x < image.width(); ++x) {
            run = image.pixel(x, y) == colour ? run + 1 : 0;
            if (run > key.length) {
                key.row = y;
                key.length = run;
                key.start = x - run + 1;
            }
        }
    key.name = image.width();
    for (int y = key.row - 6; y <= key.row + 6; ++y)
        for (int x = key.start + key.length; x < key.name; ++x)
            if (const QColor c = image.pixelColor(x, y); c.value() < 0x80 && c.saturation() < 0x30)
                key.name = x; // ink, not a colour
    return key;
}

// A line chart's key is a stroke of the station's colour through its dot, nearer to the
// station's name than it is long, so that the eye takes the two together; a bar chart's
// square stands where that dot does.
void expectKeysBesideTheirNames(const QImage& lines, const QImage& bars, QRgb colour)
{
    const Key stroke = keyOf(lines, colour);
    ASSERT_GE(stroke.length, 20) << "a stroke, not a dot alone";
    EXPECT_LT(stroke.name - (stroke.start + stroke.length), stroke.length)
        << "the key ends at x " << stroke.start + stroke.length << ", its name starts at " << stroke.name;
    const Key square = keyOf(bars, colour);
    EXPECT_EQ(square.length, 14) << "a square";
    EXPECT_NEAR(square.middle(), stroke.middle(), 1.0);
    EXPECT_NEAR(square.name, stroke.name, 1);
}

TEST_F(Report, TheChartIsAPictureWithoutADisplay)
{
    const std::pair<QStringList, QString> cases[] = { // the report's arguments, and the chart's file
        {{"--summary", "--by", "day"}, "days.png"},
        // One period: a bar a station.
        {{"--by", "week", "--since", "2026-11-30", "--until", "2026-12-07"}, "week.png"},
        {{"--by", "hour", "--station", "nowhere"}, "nothing.png"},
        {{"--summary"}, "days.svg"},
    };
    std::map<QString, QImage> charts;
    for (const auto& [arguments, name] : cases) {
        SCOPED_TRACE(name.toStdString());
        const Ran ran = run(QStringList{"report", "--db", stores_[1], "--chart", name} + arguments);
        EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
        EXPECT_EQ(ran.err, "");
        EXPECT_TRUE(ran.out.startsWith("station  period ")) << "the chart comes with the summary";
        QFile file(dir_.filePath("station/" + name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (name.endsWith(".svg")) {
            EXPECT_TRUE(bytes.contains("<svg")) << bytes.left(200).toStdString();
            EXPECT_TRUE(bytes.contains("yield (%)"));
            EXPECT_TRUE(bytes.contains("initdata: no-ack")) << "the failures grouped as the report groups them";
            continue;
        }
        EXPECT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
        QImage image;
        ASSERT_TRUE(image.loadFromData(bytes, "PNG"));
        EXPECT_EQ(image.size(), QSize(1200, 675));
        charts[name] = image;
        // Each station painted in its own colour, its series and its key, not a title alone.
        std::map<QRgb, int> painted;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ++painted[image.pixel(x, y)];
        if (name == "nothing.png") {
            EXPECT_EQ(painted[qRgb(0x1f, 0x77, 0xb4)], 0) << "no station, no series";
            continue;
        }
        EXPECT_GT(painted[qRgb(0x1f, 0x77, 0xb4)], 300) << "the first station";
        EXPECT_GT(painted[qRgb(0xff, 0x7f, 0x0e)], 300) << "the second station";
    }
    expectKeysBesideTheirNames(charts["days.png"], charts["week.png"], qRgb(0x1f, 0x77, 0xb4));

    const Ran unwritable = run({"report", "--db", stores_[0], "--chart", "/proc/no-such-folder/yield.png"});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_TRUE(unwritable.err.contains("/proc/no-such-folder/yield.png")) << unwritable.err.toStdString();
}

// The yield axis starts at the tens below the lowest yield and is labelled at steps of 2, 5,
// 10 or 20 points, so that it reads at a glance: from 70 %, every 5 points.
TEST_F(Report, TheChartsYieldAxisIsLabelledAtStepsThatReadAtAGlance)
{
    const QString store = "sqlite:" + dir_.filePath("three-in-four.sqlite");
    std::vector<Job> days; // three of four one day, two of two the next: a line, not bars
    for (int i = 0; i < 6; ++i)
        days.push_back({i < 4 ? "2026-12-02T10:00:00.000Z" : "2026-12-03T10:00:00.000Z", "bench1", "flash",
                        i == 3 ? "failed" : "passed", "COM1", "SN0000001", {}});
    keep(store, days);
    ASSERT_EQ(run({"report", "--db", store, "--summary", "--chart", "axis.svg"}).status, 0);
    QFile file(dir_.filePath("station/axis.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    for (const char* tick : {">70<", ">75<", ">80<", ">85<", ">90<", ">95<", ">100<"})
        EXPECT_TRUE(svg.contains(tick)) << tick;
    EXPECT_FALSE(svg.contains(">65<"));
    std::map<QString, QString> sizeOf; // each text's size, by the text
    for (const auto& m : QRegularExpression(R"re(font-size="(\d+)"[^>]*>([^<]*)<)re").globalMatch(svg))
        sizeOf[m.captured(2)] = m.captured(1);
    EXPECT_EQ(sizeOf["2026-12-02"] + sizeOf["2026-12-03"], sizeOf["70"] + sizeOf["100"]) << "both axes' names at one size";
}

} // namespace
