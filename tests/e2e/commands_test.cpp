// The commands of the built auxpad-flash against several simulated boards at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
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
    QTemporaryDir dir_;
    std::vector<std::unique_ptr<SimProcess>> sims_;
};

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
    EXPECT_EQ(commands, QStringList({"run", "flash", "prodinfo", "selftest", "report", "records", "serve", "label", "simulate", "people", "line"}));
    for (const QString& command : commands) {
        SCOPED_TRACE(command.toStdString());
        const QString own = help({command, "--help"});
        EXPECT_TRUE(own.startsWith("Usage: ") && own.section('\n', 0, 0).contains(" " + command + " [options]"))
            << own.toStdString();
        EXPECT_GT(own.section('\n', 1, 1).size(), 20) << "what it does, under its usage: " << own.toStdString();
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
    write("station/values.csv", "");
    const Outcome empty = run(QStringList{"prodinfo", "--values", "values.csv"} + ports());
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.errors.contains("the file is empty; its first line must be the header")) << empty.errors.toStdString();

    // One board without --values takes the ini's defaults.
    const Outcome one = run({"prodinfo", "--port", "COM21", "--json"});
    EXPECT_EQ(one.exitCode, 0) << one.errors.toStdString();
    EXPECT_EQ(one.results.at("COM21")["serial"].toString(), "SN0000042");
    for (const char* bringUpOnly : {"recipe", "serial_source", "tries"})
        EXPECT_FALSE(one.results.at("COM21").contains(bringUpOnly)) << bringUpOnly << " is a bring-up's alone";
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

// Started from a shell that then goes away, the simulator loses its input. It says so
// once, idles, and goes on serving the board.
TEST_F(Commands, ASimulatorWhoseInputClosesSaysSoOnceAndServesTheBoard)
{
    boards({{}});
    sims_[0]->closeInput();
    const Outcome r = run(QStringList{"selftest", "--json"} + ports());
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const std::string log = sims_[0]->log();
    std::size_t said = 0;
    for (auto at = log.find("standard input closed"); at != std::string::npos;
         at = log.find("standard input closed", at + 1))
        ++said;
    EXPECT_EQ(said, 1u) << log.substr(0, 2000);
}

} // namespace
