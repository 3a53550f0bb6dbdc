#pragma once

#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <vector>

#include "base/expected.h"
#include "records/record_reader.h"
#include "web/database_link.h"

class QTcpSocket;

namespace auxpad::web {

// The line's page and its API over HTTP, read from the line's database and never
// written to it. Every open page keeps one request open on /events, a stream of
// Server-Sent Events: `records` when records arrived (a PostgreSQL notification from a
// delivery, or on a SQLite file a commit of another connection), `away` with the reason
// when the database stopped answering, `back` when it answers again. The page asks the
// API afresh at each; nothing reads the table until a page asks.
class LineServer : public QObject {
    Q_OBJECT
public:
    explicit LineServer(QString url, QObject* parent = nullptr);
    ~LineServer() override;

    // Listens on the address; the port it took, or why it cannot.
    auxpad::Expected<quint16, QString> listen(const QHostAddress& address, quint16 port);

private:
    enum class Api { Line, Hours, Failures };
    struct Page {
        QPointer<QTcpSocket> socket;
        QHttpServerResponder responder;
    };

    void addRoutes();
    QHttpServerResponse answer(const QHttpServerRequest& request, Api api);
    auxpad::Expected<QJsonObject, QString> read(Api api, const auxpad::RecordFilter& filter, const QDateTime& now);
    void follow(QHttpServerResponder&& responder);
    void tell(const QByteArray& event, const QString& data = {});
    void reopen();
    void check();
    void goneAway(const QString& why);
    void move(const LinkMove& move);
    bool isAway() const { return std::holds_alternative<Away>(link_); }

    QString url_;
    QHttpServer http_;
    std::unique_ptr<auxpad::RecordReader> store_;
    DatabaseLink link_ = Answering{};
    qint64 mark_ = 0;
    std::vector<std::unique_ptr<Page>> pages_;
    QTimer check_;     // does the database answer, and on SQLite has it changed?
    QTimer gather_;    // a burst of deliveries is told once
    QTimer keepAlive_; // a page that went without a word is found gone
};

} // namespace auxpad::web
