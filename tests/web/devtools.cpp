#include "tests/web/devtools.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <unistd.h>

Got httpGet(const QString& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(url)));
    (void)QTest::qWaitFor([reply] { return reply->isFinished(); }, 10000); // else a status of 0
    Got got;
    got.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        got.headers[name.toLower()] = value;
    got.body = reply->readAll();
    delete reply;
    return got;
}

Browser::Browser(const QString& url)
{
    // Its own process group, so that its helpers go with it (see the destructor).
    process_.setChildProcessModifier([] { ::setsid(); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", scratch_.path());
    process_.setProcessEnvironment(env);
    process_.setProgram("chromium");
    process_.setArguments({"--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                           "--no-first-run",
                           "--remote-debugging-port=0", "--remote-allow-origins=*", "--window-size=1920,1080",
                           "--user-data-dir=" + scratch_.filePath("profile"), url});
    process_.start();
    group_ = static_cast<pid_t>(process_.processId());
    QByteArray said;
    const QRegularExpression listening("DevTools listening on ws://([0-9.]+:[0-9]+)/");
    QRegularExpressionMatch match;
    (void)QTest::qWaitFor([&] {
        said += process_.readAllStandardError();
        match = listening.match(QString::fromUtf8(said));
        return match.hasMatch() || process_.state() == QProcess::NotRunning;
    }, 30000);
    if (!match.hasMatch()) {
        problem_ = "chromium did not start: " + QString::fromUtf8(said);
        return;
    }
    QString page;
    (void)QTest::qWaitFor([&] {
        const QByteArray list = httpGet("http://" + match.captured(1) + "/json/list").body;
        const QJsonArray targets = QJsonDocument::fromJson(list).array();
        for (const QJsonValue& t : targets)
            if (t["type"].toString() == "page")
                page = t["webSocketDebuggerUrl"].toString();
        return !page.isEmpty();
    }, 10000);
    socket_.open(QUrl(page));
    if (!QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 10000))
        problem_ = "no DevTools connection to the page at " + page;
}

Browser::~Browser()
{
    socket_.close();
    process_.terminate();
    if (!process_.waitForFinished(5000))
        process_.kill();
    process_.waitForFinished(5000);
    // A renderer or zygote that outlives the browser would write into the profile after it
    // is removed; none survives its group's SIGKILL.
    if (group_ > 0 && ::kill(-group_, SIGKILL) == 0)
        (void)QTest::qWaitFor([this] { return ::kill(-group_, 0) != 0; }, 2000);
}

QJsonObject Browser::call(const QString& method, const QJsonObject& params)
{
    const int id = ++id_;
    QJsonObject answer;
    const auto heard = QObject::connect(&socket_, &QWebSocket::textMessageReceived, [&](const QString& text) {
        const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
        if (o["id"].toInt() == id)
            answer = o;
    });
    socket_.sendTextMessage(QJsonDocument(QJsonObject{{"id", id}, {"method", method}, {"params", params}}).toJson());
    (void)QTest::qWaitFor([&] { return !answer.isEmpty(); }, 10000); // else an empty answer
    QObject::disconnect(heard);
    return answer;
}

QJsonValue Browser::eval(const QString& expression)
{
    const QJsonObject answer =
        call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    return answer.value("result").toObject().value("result").toObject().value("value");
}

int Browser::waitFor(const QString& expression, int ms)
{
    QElapsedTimer waited;
    waited.start();
    return QTest::qWaitFor([&] { return eval(expression).toBool(); }, ms) ? static_cast<int>(waited.elapsed()) : -1;
}

QByteArray Browser::screenshot()
{
    // A screen of the line: 1920x1080, whatever room the headless window leaves the page.
    const QJsonObject clip{{"x", 0}, {"y", 0}, {"width", 1920}, {"height", 1080}, {"scale", 1}};
    const QJsonObject answer =
        call("Page.captureScreenshot", {{"format", "png"}, {"captureBeyondViewport", true}, {"clip", clip}});
    return QByteArray::fromBase64(answer.value("result").toObject().value("data").toString().toLatin1());
}
