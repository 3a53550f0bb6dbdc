// The commands' boards and slots, on simulated time.
#include <QRegularExpression>

#include <algorithm>

#include "tests/line/line_fixture.h"

namespace {

using Commands = OnSimulatedTime;

int count(const QByteArray& out, const char* event, const char* port)
{
    const auto events = JsonLines(out).events;
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const QJsonObject& e) { return e["event"] == event && e["port"] == port; }));
}

QJsonObject lastResult(const QByteArray& out, const char* port)
{
    const auto events = JsonLines(out).events;
    for (auto e = events.rbegin(); e != events.rend(); ++e)
        if ((*e)["event"] == "result" && (*e)["port"] == port)
            return *e;
    return {};
}

TEST_F(Commands, EightBoardsAreFlashedAtOnceAndOneThatHangsUpFailsAlone)
{
    for (int com = 21; com < 29; ++com)
        bench_->board(com, com == 24 ? QStringList{"--hangup-after-block", "14"} : QStringList{});
    const auto r = bench_->run(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt", "--json"} + ports(21, 8));
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    const JsonLines out(r.out);
    EXPECT_TRUE(out.notJson.isEmpty());
    ASSERT_EQ(out.results.size(), 8u);
    for (const auto& [port, result] : out.results) {
        SCOPED_TRACE(port.toStdString());
        if (port == "COM24") {
            EXPECT_FALSE(result["ok"].toBool());
            EXPECT_TRUE(result["message"].toString().contains("COM24")) << "the lost line is named";
        } else {
            EXPECT_TRUE(result["ok"].toBool());
            EXPECT_EQ(result["caption"].toString(), "Flash AUXPAD Successfully!\nPlease Reset the phone!");
            EXPECT_EQ(result["serial"].toString(), "SN0000001");
            EXPECT_GT(result["seconds"].toDouble(), 20);
        }
    }
    std::vector<double> waited; // the format wait's percentage, as COM21's events told it
    for (const QJsonObject& e : out.events)
        if (e["event"] == "progress" && e["port"] == "COM21" && e["phase"] == "format wait")
            waited.push_back(e["percent"].toDouble());
    EXPECT_GE(waited.size(), 10u) << "twice a second through twenty seconds";
    EXPECT_TRUE(std::is_sorted(waited.begin(), waited.end()));
    EXPECT_TRUE(std::any_of(out.events.begin(), out.events.end(), [](const QJsonObject& e) {
        return e["event"] == "text" && e["port"] == "COM21" && e["text"] == "Testing AUXPAD board...";
    })) << "the captions are told as they come";
    EXPECT_TRUE(r.err.contains("COM24")) << "the summary names the failed board";
    for (const auto& record : report(journal())) // a download cut short in its data file counts the disk's blocks
        EXPECT_EQ(record.at("blocks"), record.at("port") == "COM24" ? "10" : "30") << record.at("port").toStdString();
    const QStringList table = QString::fromUtf8(tool({"report", "--db", journal()}).out).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : table.mid(1)) // and the table adds the file that has none as nothing
        EXPECT_EQ(line.mid(table[0].indexOf(" blocks ") + 1).section(' ', 0, 0), line.contains("COM24") ? "10" : "30");
}

// At a terminal each board keeps one line, drawn again in place as its job goes on.
TEST_F(Commands, ATerminalShowsEachBoardOnOneLineRedrawnInPlace)
{
    bench_->board(21);
    bench_->board(22, {"--hangup-after-block", "4"});
    bench_->onTerminal = true;
    const auto r = bench_->run(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt"} + ports(21, 2));
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    // Each drawing after the first goes back up over the bench's two lines.
    const QList<QByteArray> drawings = QByteArray(r.out).replace("\x1b[2A", QByteArray(1, '\0')).split('\0');
    ASSERT_GT(drawings.size(), 20) << r.out.toStdString();
    auto line = [](const QByteArray& drawing, int board) {
        const QList<QByteArray> lines = drawing.split('\n');
        return board < lines.size() && lines[board].startsWith("\r\x1b[2K") ? QString::fromUtf8(lines[board].mid(5))
                                                                             : QString();
    };
    EXPECT_TRUE(std::any_of(drawings.begin(), drawings.end(), [&](const QByteArray& d) {
        return line(d, 0).contains(QRegularExpression("^COM21  InitDisk +\\d+%  00:\\d\\d$"));
    })) << "a running board shows its phase, its percentage and its time";
    const QByteArray& last = drawings.back();
    EXPECT_TRUE(line(last, 0).contains(QRegularExpression("^COM21  passed +\\d\\d:\\d\\d$"))) << line(last, 0).toStdString();
    EXPECT_TRUE(line(last, 1).contains(QRegularExpression("^COM22  failed: .*COM22"))) << line(last, 1).toStdString();
}

// A bench that starts by itself: boards plugged and pulled on its slots while it watches.
TEST_F(Commands, SlotsBringUpEachArrivingBoardOnceAndSurviveAReplug)
{
    recipe("SN0003000-SN0003099");
    SimBench& b = *bench_;
    b.adapter(21);
    b.lines.rename("COM40", b.adapter(22).device()); // a slot named for its place, not its adapter
    QString first;
    b.at(2500, [&] { EXPECT_EQ(b.outSoFar(), "") << "an empty slot produces nothing, not even a start"; });
    b.at(2600, [&] {
        b.board(21);
        b.board(22, {"--prod-info", "0102,MCU01.02.03,DSP04.05.06,SN0000008,CODE001,150603"});
    });
    b.at(60000, [&] {
        ASSERT_EQ(count(b.outSoFar(), "result", "COM21"), 1);
        ASSERT_EQ(count(b.outSoFar(), "result", "COM40"), 1);
        EXPECT_TRUE(lastResult(b.outSoFar(), "COM21")["ok"].toBool());
        first = lastResult(b.outSoFar(), "COM40")["serial"].toString();
        EXPECT_NE(lastResult(b.outSoFar(), "COM21")["serial"].toString(), first);
        b.adapter(21).command("power-up"); // a board that stays, even one reset, is not brought up again
    });
    b.at(63000, [&] {
        EXPECT_EQ(count(b.outSoFar(), "arrived", "COM21"), 1);
        b.pull(21);
        b.pull(22);
    });
    // A replacement on the same slot gets a serial of its own; the first board back again
    // is not flashed again.
    b.at(68000, [&] {
        EXPECT_EQ(count(b.outSoFar(), "left", "COM21"), 1) << "within 5 s of falling silent";
        EXPECT_EQ(count(b.outSoFar(), "left", "COM40"), 1);
        b.board(21, {"--prod-info", "0102,MCU01.02.03,DSP04.05.06,SN0000009,CODE001,150603"});
        b.board(22, {"--prod-info", "0102,MCU02.00.01,DSP02.00.07," + first + ",0671234,061226"});
    });
    b.at(130000, [&] {
        ASSERT_EQ(count(b.outSoFar(), "result", "COM21"), 2);
        ASSERT_EQ(count(b.outSoFar(), "result", "COM40"), 2);
        EXPECT_NE(lastResult(b.outSoFar(), "COM21")["serial"], first);
        EXPECT_TRUE(lastResult(b.outSoFar(), "COM21")["serial"].toString().startsWith("SN00030"));
        EXPECT_EQ(lastResult(b.outSoFar(), "COM40")["result"], "already-passed");
        EXPECT_TRUE(lastResult(b.outSoFar(), "COM40")["ok"].toBool());
        // The slot's adapter goes, and comes back under another device behind the same name.
        b.adapter(22).leave("unplugged");
    });
    b.at(135000, [&] {
        EXPECT_EQ(count(b.outSoFar(), "left", "COM40"), 2);
        b.lines.rename("COM40", b.adapter(23).device());
        b.board(23, {"--prod-info", "0102,MCU01.02.03,DSP04.05.06,SN0000007,CODE001,150603"});
    });
    b.at(143000, [&] { EXPECT_EQ(count(b.outSoFar(), "arrived", "COM40"), 3) << "reopened within 5 s, then asked"; });
    const auto r = b.run({"run", "--recipe", "recipe.ini", "--watch", "--json", "--port", "COM21", "--port", "COM40"},
                         150000);
    EXPECT_EQ(r.status, 130);
    EXPECT_TRUE(r.out.contains("\"event\":\"summary\"")) << r.out.toStdString();
    // Per slot, every board it saw once: the first board back on COM40 passed there before.
    EXPECT_TRUE(r.err.endsWith("\nslot   passed  failed  interrupted\nCOM21  2       0       0\n"
                               "COM40  1       0       1\nall    3       0       1\n"))
        << r.err.toStdString();
}

} // namespace
