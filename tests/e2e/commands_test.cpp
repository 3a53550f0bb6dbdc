// The commands of the built auxpad-flash against several simulated boards at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <memory>

#include "tests/e2e/sim_process.h"
#include "tests/support/station_bench.h"

namespace {

struct Outcome {
    int exitCode = -1;
    QList<QJsonObject> events;
    QString errors;
    std::map<QString, QJsonObject> results; // by port
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
    void write(const QString& name, const std::string& content)
    {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content.data(), static_cast<qint64>(content.size()));
    }
    QProcess* start(const QStringList& arguments)
    {
        auto* tool = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        env.insert("XDG_DATA_HOME", dir_.filePath("data"));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        tool->setProcessEnvironment(env);
        tool->setWorkingDirectory(dir_.filePath("station"));
        tool->start(QStringLiteral(AUXPAD_FLASH_EXE), arguments);
        return tool;
    }
    Outcome finish(QProcess* tool)
    {
        Outcome run;
        EXPECT_TRUE(tool->waitForFinished(120000));
        run.exitCode = tool->exitCode();
        run.errors = QString::fromUtf8(tool->readAllStandardError());
        for (const QByteArray& line : tool->readAllStandardOutput().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            EXPECT_TRUE(doc.isObject()) << line.toStdString();
            run.events << doc.object();
            if (doc.object()["event"] == "result")
                run.results[doc.object()["port"].toString()] = doc.object();
        }
        delete tool;
        return run;
    }
    Outcome run(const QStringList& arguments) { return finish(start(arguments)); }

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
    EXPECT_TRUE(std::is_sorted(waited.begin(), waited.end()));
    EXPECT_TRUE(r.errors.contains("COM24")) << "the summary names the failed board";
}

TEST_F(Commands, NothingIsSentWhenOneBoardOrFileOrTheCommandLineCannotBeHad)
{
    boards({{"--quiet"}, {"--quiet"}});
    const QStringList flash = {"flash", "--disk", "disk.txt", "--data", "data.txt"};
    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {flash + ports() + QStringList{"--port", "/dev/no-such-port"}, "/dev/no-such-port"},
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
    EXPECT_FALSE(out.contains('{')) << "no JSON unasked";
}

} // namespace
