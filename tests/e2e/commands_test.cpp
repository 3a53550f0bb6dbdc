// The commands of the built auxpad-flash against several simulated boards at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

#include "tests/e2e/sim_process.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/json_lines.h"
#include "tests/support/programs.h"

namespace {

// How a command ended: its status, its standard error, and its JSON lines.
struct Outcome : JsonLines {
    Outcome(int status, QString said, const QByteArray& out) : JsonLines(out), exitCode(status), errors(std::move(said)) {}
    int exitCode;
    QString errors;
};

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config");
        QDir(dir_.path()).mkpath("station");
        write("station/flash.ini", "Format=\"20\"\r\nHardware=\"0102\"\r\nMCUSW=\"MCU02.00.01\"\r\nDSPSW=\"DSP02.00.07\"\r\n"
                                   "Serial=\"SN0000042\"\r\nCode=\"0671234\"\r\nManufacture=\"061226\"\r\n");
        write("station/disk.txt", downloadText(60));
        write("station/data.txt", downloadText(120));
    }
    // Boards on COM21, COM22, ...; each may have options of its own.
    void boards(const std::vector<QStringList>& options)
    {
        for (std::size_t i = 0; i < options.size(); ++i)
            sims_.push_back(std::make_unique<SimProcess>(dir_.filePath("config"), 21 + static_cast<int>(i), options[i]));
    }
    QStringList ports() const
    {
        QStringList out;
        for (std::size_t i = 0; i < sims_.size(); ++i)
            out << "--port" << QString("COM%1").arg(21 + i);
        return out;
    }
    void write(const QString& name, const std::string& content) { writeFile(dir_.filePath(name), content); }
    QProcess* start(const QStringList& arguments)
    {
        auto* tool = new QProcess;
        startProgram(*tool, AUXPAD_FLASH_EXE, arguments,
                     {"XDG_CONFIG_HOME=" + dir_.filePath("config"), "XDG_DATA_HOME=" + dir_.filePath("data"), "DISPLAY",
                      "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
                     dir_.filePath("station"));
        return tool;
    }
    Outcome finish(QProcess* tool)
    {
        const std::unique_ptr<QProcess> owned(tool);
        EXPECT_TRUE(tool->waitForFinished(120000));
        Outcome run(tool->exitCode(), QString::fromUtf8(tool->readAllStandardError()), tool->readAllStandardOutput());
        EXPECT_TRUE(run.notJson.isEmpty()) << run.notJson.join('\n').toStdString();
        return run;
    }
    Outcome run(const QStringList& arguments) { return finish(start(arguments)); }
    // station/recipe.ini, for the station's two files, handing out `serials`.
    void recipe(const std::string& serials)
    {
        write("station/recipe.ini", recipeText("Bench", downloadText(60), downloadText(120), serials));
    }

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<SimProcess>> sims_;
};

TEST_F(Commands, EightBoardsAreFlashedAtOnceAndOneThatHangsUpFailsAlone)
{
    std::vector<QStringList> options(8, QStringList{"--quiet"});
    options[3] << "--hangup-after-block" << "4";
    boards(options);
    Outcome r = run(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt", "--json"} + ports());
    EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
    ASSERT_EQ(r.results.size(), 8u);
    for (const auto& [port, result] : r.results) {
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
    EXPECT_EQ(sims_[0]->stats()["blocks_ok"], 10 + 20) << "both files, six lines a block";
    std::vector<double> waited; // the format wait's percentage, as COM21's events told it
    for (const QJsonObject& e : r.events)
        if (e["event"] == "progress" && e["port"] == "COM21" && e["phase"] == "format wait")
            waited.push_back(e["percent"].toDouble());
    EXPECT_GE(waited.size(), 10u) << "twice a second through twenty seconds";
    EXPECT_TRUE(std::any_of(r.events.begin(), r.events.end(), [](const QJsonObject& e) {
        return e["event"] == "text" && e["port"] == "COM21" && e["text"] == "Testing AUXPAD board...";
    })) << "the captions are told as they come";
    EXPECT_TRUE(std::is_sorted(waited.begin(), waited.end()));
    EXPECT_TRUE(r.errors.contains("COM24")) << "the summary names the failed board";
}

TEST_F(Commands, NothingIsSentWhenOneBoardOrFileOrTheCommandLineCannotBeHad)
{
    boards({{"--quiet"}, {"--quiet"}});
    QFile conf(dir_.filePath("config/auxpad-flash/ports.conf"));
    ASSERT_TRUE(conf.open(QIODevice::Append));
    conf.write("COM39=/dev/no-such-slot\n");
    conf.close();
    const QStringList flash = {"flash", "--disk", "disk.txt", "--data", "data.txt"};
    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        // A port is named as given, and with the device a COM name stands for.
        {flash + ports() + QStringList{"--port", "/dev/no-such-port"}, ": /dev/no-such-port is not a serial port"},
        {flash + ports() + QStringList{"--port", "COM39"}, ": COM39 (/dev/no-such-slot) is not a serial port"},
        {QStringList{"flash", "--disk", "gone.txt", "--data", "data.txt"} + ports(), "gone.txt"},
        {QStringList{"flash", "--disk", "data.txt", "--data", "disk.txt"} + ports(), "Wrong Initdisk and Initdata file!"},
        {QStringList{"prodinfo"} + ports(), "--values"},
        {QStringList{"selftest"}, "--port"},
        {QStringList{"flash", "--bogus"} + ports(), "bogus"},
        // Mistyped command lines are read before anything needs a display.
        {QStringList{"flsh"}, "unknown command flsh"},
        {QStringList{"--bogus"}, "bogus"},
        {QStringList{"line", "--bogus"}, "bogus"},
        {QStringList{}, "no display"},
        {QStringList{"line"} + ports(), "no display"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Outcome r = run(c.arguments);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.errors.count('\n'), 1) << r.errors.toStdString();
        EXPECT_TRUE(r.errors.contains(c.says)) << r.errors.toStdString();
    }
    for (const auto& sim : sims_)
        EXPECT_EQ(sim->stats()["stray_bytes"] + sim->stats()["frames_rx_good"] + sim->stats()["frames_rx_bad"], 0);
}

TEST_F(Commands, TheHelpListsEveryCommandAndEachCommandExplainsItself)
{
    const auto help = [&](const QStringList& arguments) {
        std::unique_ptr<QProcess> tool(start(arguments));
        EXPECT_TRUE(tool->waitForFinished(10000));
        EXPECT_EQ(tool->exitCode(), 0);
        EXPECT_EQ(tool->readAllStandardError(), "");
        return QString::fromUtf8(tool->readAllStandardOutput());
    };
    const QString main = help({"--help"});
    const qsizetype from = main.indexOf("\nCommands"), to = main.indexOf("\n\n", from);
    ASSERT_GT(from, 0) << main.toStdString();
    QStringList commands;
    for (const QString& line : main.mid(from, to - from).split('\n').mid(2))
        commands << line.simplified().section(' ', 0, 0);
    EXPECT_EQ(commands, QStringList({"run", "flash", "prodinfo", "selftest", "report", "records", "serve", "label", "simulate", "line"}));
    for (const QString& command : commands) {
        SCOPED_TRACE(command.toStdString());
        const QString own = help({command, "--help"});
        EXPECT_TRUE(own.startsWith("Usage: ") && own.section('\n', 0, 0).contains(" " + command + " [options]"))
            << own.toStdString();
    }
}

TEST_F(Commands, ProductInformationIsWrittenPerBoardFromTheValuesFile)
{
    boards({{"--quiet", "--record-out", dir_.filePath("r21.bin")}, {"--quiet", "--record-out", dir_.filePath("r22.bin")}});
    write("station/values.csv", "port,hardware,mcusw,dspsw,serial,code,manufacture\r\n"
                                "COM21,0102,MCU02.00.01,DSP02.00.07,SN0000021,0671234,061226\r\n"
                                "COM22,0102,MCU02.00.01,DSP02.00.07,\" SN000022\",0671234,310299\r\n");
    Outcome r = run(QStringList{"prodinfo", "--values", "values.csv", "--json"} + ports());
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(r.results["COM22"]["serial"].toString(), " SN000022");
    QFile record(dir_.filePath("r22.bin"));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll(), QByteArray("\x04" "0102" "\x0B" "MCU02.00.01" "\x0B" "DSP02.00.07" "\x09" " SN000022"
                                           "\x07" "0671234" "\x04" "0299" "\x02" "31"));

    write("station/values.csv", "port,hardware,mcusw,dspsw,serial,code,manufacture\n"
                                "COM21,0102,MCU02.00.01,DSP02.00.07,SN0000021,0671234,061226\n"
                                "COM22,0102,MCU02.00.01,DSP02.00.07,SN00022,0671234,061226\n");
    const Outcome bad = run(QStringList{"prodinfo", "--values", "values.csv"} + ports());
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.errors.contains("COM22: Please Check AUXPAD Serial Number! ")) << bad.errors.toStdString();

    // One board without --values takes the ini's defaults.
    const Outcome one = run({"prodinfo", "--port", "COM21", "--json"});
    EXPECT_EQ(one.exitCode, 0) << one.errors.toStdString();
    EXPECT_EQ(one.results.at("COM21")["serial"].toString(), "SN0000042");
}

TEST_F(Commands, SelfTestPassesOrFailsPerBoardAndAnInterruptEndsEveryJob)
{
    boards({{"--quiet"}, {"--quiet", "--self-test-codes", "3,3,0,3,3"}});
    Outcome r = run(QStringList{"selftest", "--json"} + ports());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.results["COM21"]["ok"].toBool());
    EXPECT_EQ(r.results["COM22"]["message"].toString(), "ERROR04: AUXPAD Radio FAILED! ");

    // Off a terminal and without --json: a plain line a phase change, then the summary.
    std::unique_ptr<QProcess> tool(start(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt"} + ports()));
    QByteArray out;
    while (!out.contains("COM21: format wait") && tool->waitForReadyRead(10000))
        out += tool->readAllStandardOutput();
    ::kill(static_cast<pid_t>(tool->processId()), SIGINT);
    ASSERT_TRUE(tool->waitForFinished(30000));
    out += tool->readAllStandardOutput();
    EXPECT_EQ(tool->exitCode(), 130);
    EXPECT_EQ(out.count("interrupted"), 2 * 2) << "a line and a summary row for each board:\n" << out.toStdString();
    EXPECT_TRUE(out.contains("COM22: Testing AUXPAD board...\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("COM21: self-test\n") && out.contains("COM21: format wait\n")) << out.toStdString();
    EXPECT_FALSE(out.contains('{')) << "no JSON unasked";
}

// A bench that starts by itself: boards attached and detached through the simulators'
// standard input, the tool's JSON events read as they come.
TEST_F(Commands, SlotsBringUpEachArrivingBoardOnceAndSurviveAReplug)
{
    recipe("SN0003000-SN0003099");
    boards({{"--quiet", "--detached"}, {"--quiet", "--detached", "--image-out", dir_.filePath("image22.bin")}});
    // The second slot's device is a link, as a bench names its slots by path.
    const QString link = dir_.filePath("slot22");
    QFile::link(sims_[1]->devicePath(), link);
    QFile conf(dir_.filePath("config/auxpad-flash/ports.conf"));
    ASSERT_TRUE(conf.open(QIODevice::Append));
    conf.write(("COM40=" + link + "\n").toUtf8());
    conf.close();

    std::unique_ptr<QProcess> tool(start({"run", "--recipe", "recipe.ini", "--watch", "--json", "--port", "COM21",
                                          "--port", "COM40"}));
    QList<QJsonObject> events;
    auto count = [&](const char* event, const char* port) {
        return std::count_if(events.begin(), events.end(),
                             [&](const QJsonObject& e) { return e["event"] == event && e["port"] == port; });
    };
    auto waitFor = [&](const std::function<bool()>& done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            tool->waitForReadyRead(200);
            while (tool->canReadLine())
                events << QJsonDocument::fromJson(tool->readLine()).object();
        }
        return done();
    };
    auto lastResult = [&](const char* port) {
        for (auto e = events.rbegin(); e != events.rend(); ++e)
            if ((*e)["event"] == "result" && (*e)["port"] == port)
                return *e;
        return QJsonObject();
    };
    QThread::msleep(2500);
    waitFor([] { return false; }, 0);
    EXPECT_TRUE(events.isEmpty()) << "an empty slot produces nothing, not even a start";

    sims_[0]->command("attach");
    sims_[1]->command("attach 0102,MCU01.02.03,DSP04.05.06,SN0000008,CODE001,150603");
    ASSERT_TRUE(waitFor([&] { return count("result", "COM21") == 1 && count("result", "COM40") == 1; }, 60000));
    EXPECT_TRUE(lastResult("COM21")["ok"].toBool()) << lastResult("COM21")["message"].toString().toStdString();
    const QString first = lastResult("COM40")["serial"].toString();
    EXPECT_NE(lastResult("COM21")["serial"], first);
    // A board that stays, even one reset, is not brought up again.
    sims_[0]->command("power-up");
    waitFor([] { return false; }, 3000);
    EXPECT_EQ(count("arrived", "COM21"), 1);

    // A replacement on the same slot gets a serial of its own; the first board back again
    // is not flashed again.
    sims_[0]->command("detach");
    ASSERT_TRUE(waitFor([&] { return count("left", "COM21") == 1; }, 5000)) << "within 5 s of falling silent";
    sims_[0]->command("attach 0102,MCU01.02.03,DSP04.05.06,SN0000009,CODE001,150603");
    sims_[1]->command("detach");
    ASSERT_TRUE(waitFor([&] { return count("left", "COM40") == 1; }, 5000));
    sims_[1]->command("attach 0102,MCU02.00.01,DSP02.00.07," + first.toStdString() + ",0671234,061226");
    ASSERT_TRUE(waitFor([&] { return count("result", "COM21") == 2 && count("result", "COM40") == 2; }, 60000));
    EXPECT_NE(lastResult("COM21")["serial"], first);
    EXPECT_TRUE(lastResult("COM21")["serial"].toString().startsWith("SN00030"));
    EXPECT_EQ(lastResult("COM40")["result"], "already-passed");
    EXPECT_TRUE(lastResult("COM40")["ok"].toBool());
    EXPECT_EQ(QFileInfo(dir_.filePath("image22.bin")).size(), 0) << "nothing was sent to its bootloader";

    // The slot's device goes and comes back as another pseudo-terminal behind the same link.
    sims_[1].reset();
    ASSERT_TRUE(waitFor([&] { return count("left", "COM40") == 2; }, 5000));
    sims_.push_back(std::make_unique<SimProcess>(dir_.filePath("config"), 23, QStringList{"--quiet", "--detached"}));
    QFile::remove(link);
    QFile::link(sims_.back()->devicePath(), link);
    sims_.back()->command("attach 0102,MCU01.02.03,DSP04.05.06,SN0000007,CODE001,150603");
    EXPECT_TRUE(waitFor([&] { return count("arrived", "COM40") == 3; }, 8000)) << "reopened within 5 s, then asked";

    ::kill(static_cast<pid_t>(tool->processId()), SIGTERM);
    ASSERT_TRUE(tool->waitForFinished(15000));
    EXPECT_EQ(tool->exitCode(), 130);
    waitFor([] { return false; }, 0);
    const QString rest = QString::fromUtf8(tool->readAllStandardOutput());
    EXPECT_TRUE(rest.contains("\"event\":\"summary\"")) << rest.toStdString();
}

TEST_F(Commands, AHangUpIsTriedAgainOnceTheBoardIsBackOnItsPort)
{
    recipe("SN0005000-SN0005099");
    boards({{"--quiet", "--hangup-after-block", "2"}});
    QProcess* tool = start({"run", "--recipe", "recipe.ini", "--retry", "2", "--json", "--port", "COM21"});
    ASSERT_TRUE(sims_[0]->waitForExit(30000)) << "the board hung up";
    QThread::msleep(1000);
    sims_[0] = std::make_unique<SimProcess>(dir_.filePath("config"), 21, QStringList{"--quiet"});
    const Outcome done = finish(tool);
    EXPECT_EQ(done.exitCode, 0) << done.errors.toStdString();
    const QJsonObject result = done.results.at("COM21");
    EXPECT_TRUE(result["ok"].toBool()) << result["message"].toString().toStdString();
    EXPECT_EQ(result["tries"].toInt(), 2);

    // Both tries are on record.
    std::unique_ptr<QProcess> report(start({"report", "--job", "run", "--csv"}));
    ASSERT_TRUE(report->waitForFinished(30000));
    const QString csv = QString::fromUtf8(report->readAllStandardOutput());
    EXPECT_EQ(csv.count(",COM21,run,"), 2) << csv.toStdString();
    EXPECT_EQ(csv.count(",COM21,run,passed,"), 1) << csv.toStdString();
}

} // namespace
