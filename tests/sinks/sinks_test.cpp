// Each board's result to the factory's systems: the built auxpad-flash with simulated
// boards, a webhook receiver and an MQTT broker that the tests start themselves.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QSet>
#include <QTest>

#include <csignal>
#include <pwd.h>

#include "tests/records/records_fixture.h"
#include "tests/sinks/https_receiver.h"
#include "tests/support/loopback.h"

namespace {

class Sinks : public StationTool {
protected:
    void SetUp() override
    {
        StationTool::SetUp();
        QDir(dir_.path()).mkpath("tls");
        writeFile(dir_.filePath("station/webhook.secret"), "s3cret-key\n");
        env_ = {"AUXPAD_FLASH_STATION=st-1"};
    }
    // A product-information write to every board, each time with serials of its own.
    QStringList write(const QStringList& options = {})
    {
        ++writes_;
        std::string values = "port,hardware,mcusw,dspsw,serial,code,manufacture\n";
        for (std::size_t i = 0; i < sims_.size(); ++i)
            values += QString("COM%1,0102,MCU02.00.01,DSP02.00.07,SN%2,0671234,061226\n")
                          .arg(31 + i)
                          .arg(writes_ * 1000 + 31 + static_cast<int>(i), 7, 10, QChar('0'))
                          .toStdString();
        writeFile(dir_.filePath("station/values.csv"), values);
        return QStringList{"prodinfo", "--values", "values.csv"} + options + ports(0, static_cast<int>(sims_.size()));
    }
    void ini(const std::string& sinks) { writeFile(dir_.filePath("station/flash.ini"), sinks); }
    // `receiver` listening, and the tool told to post every result to it.
    void webhookTo(HttpsReceiver& receiver)
    {
        ASSERT_TRUE(receiver.listen());
        ini("[webhook]\n; where the line's MES listens\nurl=https://localhost:" + std::to_string(receiver.port())
            + "/boards\nsecret_file=webhook.secret\n# events=passed\nevents=all\ntimeout_ms=3000\nca_file=" + receiver.certificate().toStdString() + "\n");
    }
    // Runs the tool to its end while this process's event loop serves the receiver.
    Ran finish(const std::unique_ptr<QProcess>& tool)
    {
        EXPECT_TRUE(QTest::qWaitFor([&tool] { return tool->state() == QProcess::NotRunning; }, 120000));
        return {tool->exitCode(), tool->readAllStandardOutput(), QString::fromUtf8(tool->readAllStandardError())};
    }
    Ran run(const QStringList& arguments) { return finish(start(arguments)); }

    int writes_ = 0;
};

TEST_F(Sinks, AWebhookGetsEachBoardOnceSignedAndWhatWasHeldWhileItWasDownArrivesOnce)
{
    HttpsReceiver receiver(dir_.filePath("tls"));
    ASSERT_NO_FATAL_FAILURE(webhookTo(receiver));
    boards(3);
    const std::string disk = downloadText(24), data = downloadText(48);
    writeFile(dir_.filePath("station/disk.txt"), disk);
    writeFile(dir_.filePath("station/data.txt"), data);
    std::string recipe = recipeText("Line A", disk, data, "SN0000001-SN0000999");
    recipe.replace(recipe.find("format=20"), 9, "format=1"); // the boards format at once
    writeFile(dir_.filePath("station/recipe.ini"), recipe);
    const Ran first = run(QStringList{"run", "--recipe", "recipe.ini", "--json"} + ports(0, 3));
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    ASSERT_EQ(receiver.posts.size(), 3) << first.err.toStdString();
    QSet<QString> seenPorts;
    for (const auto& post : receiver.posts) {
        EXPECT_EQ(post.headers.value("content-type"), "application/json");
        EXPECT_EQ(post.headers.value("x-auxpad-signature"),
                  "sha256=" + QMessageAuthenticationCode::hash(post.body, "s3cret-key", QCryptographicHash::Sha256).toHex());
        const QJsonObject doc = QJsonDocument::fromJson(post.body).object();
        // The --json result's fields, and the record's own.
        for (const char* field : {"port", "ok", "result", "job", "device", "caption", "message", "serial", "defaults",
                                  "seconds", "operator", "order", "station", "label", "job_uuid", "recipe", "serial_source"})
            EXPECT_TRUE(doc.contains(field)) << field;
        EXPECT_EQ(doc["result"].toString(), "passed");
        EXPECT_EQ(doc["serial_source"].toString(), "allocated") << "the recipe's range gave each board its serial";
        EXPECT_EQ(doc["job"].toString(), "run") << "a bring-up is sent as its own record, not as its steps";
        EXPECT_EQ(doc["station"].toString(), "st-1");
        EXPECT_EQ(post.headers.value("x-auxpad-id"),
                  (doc["job_uuid"].toString() + ":" + QString::number(doc["revision"].toInt())).toUtf8());
        seenPorts.insert(doc["port"].toString());
    }
    EXPECT_EQ(seenPorts, (QSet<QString>{"COM31", "COM32", "COM33"}));

    // The same boards once more, in slots that leave a passed board alone: passed before
    // is a pass, on the command's lines and in the documents alike.
    const auto watching = start(QStringList{"run", "--watch", "--recipe", "recipe.ini", "--json"} + ports(0, 3));
    QByteArray watched;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (watched += watching->readAllStandardOutput()).count("\"event\":\"result\"") == 3; }, 60000));
    ::kill(static_cast<pid_t>(watching->processId()), SIGINT);
    const Ran again = finish(watching);
    const JsonLines lines(watched + again.out);
    ASSERT_EQ(lines.results.size(), 3u) << again.err.toStdString();
    for (const auto& [port, result] : lines.results) {
        EXPECT_EQ(result["result"].toString(), "already-passed") << port.toStdString();
        EXPECT_TRUE(result["ok"].toBool()) << port.toStdString();
    }
    ASSERT_EQ(receiver.posts.size(), 6);
    for (const auto& post : receiver.posts.mid(3)) {
        const QJsonObject doc = QJsonDocument::fromJson(post.body).object();
        EXPECT_EQ(doc["result"].toString(), "already-passed");
        EXPECT_TRUE(doc["ok"].toBool()) << "the document says what --json says";
    }

    // Down for a run: the results wait in the journal, and the list of deliveries says so.
    receiver.close();
    EXPECT_EQ(run(write()).status, 0) << "a sink away fails no board";
    const Ran listed = run({"records", "deliveries", "--json"});
    const QJsonObject sink = QJsonDocument::fromJson(listed.out).object()["sinks"].toArray().at(0).toObject();
    EXPECT_EQ(sink["held"].toInt(), 3) << listed.out.toStdString();
    EXPECT_EQ(sink["delivered"].toInt(), 6);
    EXPECT_GE(sink["oldest_held_seconds"].toDouble(-1), 0) << "how long the oldest has waited";

    // Back: the next sync sends each held result once, and none delivered before.
    ASSERT_TRUE(receiver.listen(receiver.port()));
    const Ran synced = run({"records", "sync"});
    EXPECT_EQ(synced.status, 0) << synced.out.toStdString() << synced.err.toStdString();
    EXPECT_EQ(receiver.posts.size(), 9);
    QSet<QByteArray> ids;
    for (const auto& post : receiver.posts) {
        ids.insert(post.headers.value("x-auxpad-id"));
        EXPECT_FALSE(QJsonDocument::fromJson(post.body).object()["defaults"].toBool())
            << "the values came from the recipe or the values file, as the journal says";
    }
    EXPECT_EQ(ids.size(), 9) << "no result twice";
}

// A receiver that takes the POST and never answers holds no run up beyond the webhook's
// own time, and the operator hears why the result waits.
TEST_F(Sinks, AWebhookThatNeverAnswersIsGivenUpAfterItsTimeAndTheResultHeld)
{
    HttpsReceiver receiver(dir_.filePath("tls"));
    receiver.silent = true;
    ASSERT_NO_FATAL_FAILURE(webhookTo(receiver));
    boards(1);
    const Ran silent = run(write());
    EXPECT_EQ(silent.status, 0) << "a sink away fails no board";
    EXPECT_FALSE(receiver.posts.isEmpty()) << "the POST came, and was never answered";
    EXPECT_TRUE(silent.out.contains("held for webhook: 1")) << silent.out.toStdString();
    EXPECT_TRUE(silent.err.contains("did not take the results")) << "said: " << silent.err.toStdString();
    EXPECT_FALSE(silent.err.contains("QIODevice")) << "only what the operator can act on: " << silent.err.toStdString();
}

TEST_F(Sinks, AResultTheWebhookRefusesIsKeptWithItsAnswerAndSentAgainOnlyWhenAsked)
{
    HttpsReceiver receiver(dir_.filePath("tls"));
    receiver.status = 400;
    receiver.answer = "unknown order";
    ASSERT_NO_FATAL_FAILURE(webhookTo(receiver));
    boards(1);
    const Ran refused = run(write());
    EXPECT_EQ(refused.status, 0);
    EXPECT_EQ(receiver.posts.size(), 1) << "a refusal is not tried again";
    const Ran listed = run({"records", "deliveries", "--json"});
    EXPECT_EQ(listed.status, 1);
    const QJsonObject sink = QJsonDocument::fromJson(listed.out).object()["sinks"].toArray().at(0).toObject();
    EXPECT_EQ(sink["refused"].toInt(), 1) << listed.out.toStdString();
    EXPECT_TRUE(sink["refusals"].toArray().at(0).toObject()["answer"].toString().contains("HTTP 400 unknown order"));
    EXPECT_FALSE(listed.out.contains("s3cret")) << "no secret is ever said";

    receiver.status = 200;
    EXPECT_EQ(run({"records", "sync"}).status, 0);
    EXPECT_EQ(receiver.posts.size(), 1) << "sync leaves a refused result alone";
    EXPECT_EQ(run({"records", "sync", "--retry-refused"}).status, 0);
    EXPECT_EQ(receiver.posts.size(), 2);
    EXPECT_EQ(run({"records", "deliveries"}).status, 0);
}

TEST_F(Sinks, ABadSinkSettingStopsTheRunBeforeAnyBoardIsTouched)
{
    boards(1);
    const std::pair<std::string, const char*> cases[] = {
        {"[webhook]\nurl=https://mes.example/b\nsecret_file=webhook.secret\nevent=all\n", "did you mean events?"},
        {"[webhook]\nurl=ftp://mes.example/b\nsecret_file=webhook.secret\n", "give an http:// or https:// URL"},
        {"[webhook]\nurl=https://mes.example/b\nsecret_file=missing.secret\n", "secret_file missing.secret cannot be read"},
        {"[mqtt]\nbroker=mqtt.example\ntopic=f/{station}\n", "give tcp://host:port"},
        {"[mqtt]\nbroker=tcp://mqtt.example:1883\ntopic=f/{line}/boards\n", "{line} is no placeholder"},
    };
    for (const auto& [setting, why] : cases) {
        SCOPED_TRACE(setting);
        ini(setting);
        expectRefused(run(write()), why);
    }
    EXPECT_EQ(heard(0), 0) << "no byte went to the board";
}

// A mosquitto broker on a port of its own that keeps its sessions on disk, so that they
// outlive a restart; and a subscriber with a persistent session of its own.
class Broker {
public:
    explicit Broker(const QString& dir) : dir_(dir)
    {
        port_ = freePort();
        writeFile(dir + "/mosquitto.conf", "listener " + std::to_string(port_) + " 127.0.0.1\nallow_anonymous true\n"
                                           "persistence true\npersistence_location " + dir.toStdString() + "/\n"
                                           "log_dest stderr\nlog_type information\n"
                                           // Run as whoever runs the test, so that it can write its sessions there.
                                           "user " + std::string(::getpwuid(::getuid())->pw_name) + "\n");
    }
    ~Broker() { stop(); }
    void start()
    {
        broker_.setProcessChannelMode(QProcess::MergedChannels);
        broker_.start("mosquitto", {"-c", dir_ + "/mosquitto.conf"});
        // Ready once it says it listens.
        QByteArray log;
        while (!log.contains("listen socket") && broker_.waitForReadyRead(10000))
            log += broker_.readAll();
    }
    void stop()
    {
        broker_.terminate();
        broker_.waitForFinished(5000);
    }
    int port() const { return port_; }

private:
    QString dir_;
    int port_ = 0;
    QProcess broker_;
};

TEST_F(Sinks, EveryResultReachesTheBrokerOnItsTopicThoughTheBrokerWentAndTheStationWasKilled)
{
    Broker broker(dir_.filePath("tls"));
    broker.start();
    QProcess subscriber;
    subscriber.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-q", "1", "-c", "-i",
                                       "counter", "-t", "factory/#", "-v"});
    ASSERT_TRUE(subscriber.waitForStarted());
    QByteArray said;
    auto messages = [&](int count) {
        (void)QTest::qWaitFor([&] { return (said += subscriber.readAllStandardOutput()).count('\n') >= count; }, 30000);
        return said.count('\n');
    };
    // A webhook that never answers beside it holds up neither the broker's messages nor a board.
    const int nobody = freePort();
    ini("[mqtt]\nbroker=tcp://127.0.0.1:" + std::to_string(broker.port()) + "\ntopic=factory/{station}/{result}/boards\n"
        "client_id=st-1-test\nqos=1\n[webhook]\nurl=http://127.0.0.1:" + std::to_string(nobody)
        + "/boards\nsecret_file=webhook.secret\n");
    boards(3);
    const Ran first = run(write());
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains("held for webhook: 3")) << first.out.toStdString();
    EXPECT_FALSE(first.out.contains("held for mqtt")) << first.out.toStdString();
    EXPECT_EQ(messages(3), 3) << said.toStdString();
    EXPECT_EQ(said.count("factory/st-1/passed/boards {"), 3) << said.toStdString();

    // The broker goes; a station is killed once its results are in the journal, before it
    // could publish them. The next start publishes them with its own, once the broker is
    // back in the middle of its run.
    broker.stop();
    const auto killed = start(write({"--json"}));
    ASSERT_EQ(waitFor(*killed, "\"event\":\"result\"", 3), 3);
    killed->kill();
    killed->waitForFinished();
    const auto next = start(write({"--json"}));
    ASSERT_EQ(waitFor(*next, "\"event\":\"result\"", 3), 3);
    broker.start();
    const Ran nextRan = finish(next);
    EXPECT_EQ(nextRan.status, 0) << nextRan.err.toStdString();
    EXPECT_GE(messages(9), 9) << said.toStdString() << nextRan.err.toStdString();
    QSet<QString> uuids;
    for (const QByteArray& line : said.split('\n'))
        if (const qsizetype brace = line.indexOf('{'); brace > 0)
            uuids.insert(QJsonDocument::fromJson(line.mid(brace)).object()["job_uuid"].toString());
    EXPECT_EQ(uuids.size(), 9) << said.toStdString();
    const Ran listed = run({"records", "deliveries", "--json"});
    const QJsonArray sinks = QJsonDocument::fromJson(listed.out).object()["sinks"].toArray();
    EXPECT_EQ(sinks.size(), 2) << listed.out.toStdString();
    for (const auto& sink : sinks)
        EXPECT_EQ(sink.toObject()["held"].toInt(), sink.toObject()["sink"].toString().startsWith("mqtt") ? 0 : 9)
            << listed.out.toStdString();
    subscriber.terminate();
    subscriber.waitForFinished();
}

} // namespace
