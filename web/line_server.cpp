#include "web/line_server.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QSqlDriver>
#include <QTcpSocket>

#include <cstdio>

#include "web/api_query.h"
#include "web/line_json.h"

namespace auxpad::web {

using auxpad::Expected;
using auxpad::unexpected;

namespace {

constexpr int kCheckMs = 1000;
constexpr int kGatherMs = 150;
constexpr int kKeepAliveMs = 15000;

// The page's own files and nothing else: no inline script or style, no other origin.
const QByteArray kPolicy = "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
                           "img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

using Status = QHttpServerResponder::StatusCode;

QHttpServerResponse plain(const QString& line, Status status)
{
    return QHttpServerResponse("text/plain; charset=utf-8", (line + '\n').toUtf8(), status);
}

// One Server-Sent Event, its data on one line.
QByteArray eventOf(const QByteArray& event, const QString& data)
{
    QString line = data;
    line.replace('\n', ' ').replace('\r', ' ');
    return "event: " + event + "\ndata: " + line.toUtf8() + "\n\n";
}

QHttpServerResponse resource(const QString& name, const QByteArray& type)
{
    QFile file(":/web/page/" + name);
    if (!file.open(QIODevice::ReadOnly))
        return plain("the page's " + name + " is missing from this build", Status::InternalServerError);
    return QHttpServerResponse(type, file.readAll());
}

} // namespace

LineServer::LineServer(QString url, QObject* parent) : QObject(parent), url_(std::move(url))
{
    addRoutes();
    check_.setInterval(kCheckMs);
    connect(&check_, &QTimer::timeout, this, &LineServer::check);
    check_.start();
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    connect(&gather_, &QTimer::timeout, this, [this] { tell("records"); });
    keepAlive_.setInterval(kKeepAliveMs);
    connect(&keepAlive_, &QTimer::timeout, this, [this] {
        for (const auto& page : pages_)
            if (page->socket)
                page->socket->write(":\n\n");
    });
    keepAlive_.start();
    reopen();
}

LineServer::~LineServer() = default;

Expected<quint16, QString> LineServer::listen(const QHostAddress& address, quint16 port)
{
    const quint16 taken = http_.listen(address, port);
    if (taken == 0)
        return unexpected(QStringLiteral("cannot listen on %1 port %2").arg(address.toString()).arg(port));
    return taken;
}

void LineServer::addRoutes()
{
    using Method = QHttpServerRequest::Method;
    http_.route("/", Method::Get, [] { return resource("line.html", "text/html; charset=utf-8"); });
    http_.route("/line.css", Method::Get, [] { return resource("line.css", "text/css; charset=utf-8"); });
    http_.route("/line.js", Method::Get, [] { return resource("line.js", "text/javascript; charset=utf-8"); });
    http_.route("/api/line", Method::Get, [this](const QHttpServerRequest& r) { return answer(r, Api::Line); });
    http_.route("/api/hours", Method::Get, [this](const QHttpServerRequest& r) { return answer(r, Api::Hours); });
    http_.route("/api/failures", Method::Get, [this](const QHttpServerRequest& r) { return answer(r, Api::Failures); });
    http_.route("/events", Method::Get, [this](QHttpServerResponder&& responder) { follow(std::move(responder)); });
    http_.afterRequest([](QHttpServerResponse&& response) {
        response.setHeader("Content-Security-Policy", kPolicy);
        response.setHeader("X-Content-Type-Options", "nosniff");
        response.setHeader("Cache-Control", "no-store");
        return std::move(response);
    });
}

QHttpServerResponse LineServer::answer(const QHttpServerRequest& request, Api api)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto filter = filterOf(request.query(), now);
    if (!filter)
        return plain(filter.error(), Status::BadRequest);
    if (const Away* away = std::get_if<Away>(&link_))
        return plain("the line database is away: " + away->why, Status::ServiceUnavailable);
    auto json = read(api, *filter, now);
    if (!json) {
        goneAway(json.error());
        return plain("the line database is away: " + json.error(), Status::ServiceUnavailable);
    }
    return QHttpServerResponse(*json);
}

Expected<QJsonObject, QString> LineServer::read(Api api, const auxpad::RecordFilter& filter, const QDateTime& now)
{
    switch (api) {
    case Api::Line: {
        const auto running = auxpad::runningBoards(*store_, filter);
        if (!running)
            return unexpected(running.error());
        const auto hours = auxpad::hourCounts(*store_, filter);
        if (!hours)
            return unexpected(hours.error());
        const auto ports = auxpad::slotCounts(*store_, filter);
        if (!ports)
            return unexpected(ports.error());
        const auto signedEvents = auxpad::AccessLog(*store_).between(filter.since, filter.until, filter.station);
        if (!signedEvents)
            return unexpected(signedEvents.error());
        return lineJson(*running, *hours, *ports, *signedEvents, filter.since, now);
    }
    case Api::Hours: {
        const auto hours = auxpad::hourCounts(*store_, filter);
        if (!hours)
            return unexpected(hours.error());
        return hoursJson(*hours, filter.since);
    }
    case Api::Failures:
        break;
    }
    const auto failures = store_->failures(filter);
    if (!failures)
        return unexpected(failures.error());
    return failuresJson(*failures, filter.since);
}

// The stream stays open: the status line and the headers now, with no length, then an
// event whenever there is news. The socket is the server's; a page that goes is let go.
void LineServer::follow(QHttpServerResponder&& responder)
{
    QTcpSocket* socket = responder.socket();
    auto page = std::make_unique<Page>(Page{socket, std::move(responder)});
    page->responder.writeStatusLine(Status::Ok);
    page->responder.writeHeaders({{"Content-Type", "text/event-stream"},
                                  {"Cache-Control", "no-store"},
                                  {"X-Content-Type-Options", "nosniff"},
                                  {"Content-Security-Policy", kPolicy}});
    page->responder.writeBody(QByteArray("retry: 1000\n\n"));
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        std::erase_if(pages_, [socket](const auto& p) { return p->socket == socket || !p->socket; });
    });
    if (const Away* away = std::get_if<Away>(&link_))
        socket->write(eventOf("away", away->why));
    pages_.push_back(std::move(page));
}

void LineServer::tell(const QByteArray& event, const QString& data)
{
    const QByteArray bytes = eventOf(event, data);
    for (const auto& page : pages_)
        if (page->socket)
            page->socket->write(bytes);
}

// A fresh connection each time, listening afresh on PostgreSQL.
void LineServer::reopen()
{
    store_ = std::make_unique<auxpad::RecordReader>();
    if (const auto opened = store_->open(url_, auxpad::RecordReader::Opening::ReadOnly); !opened)
        return goneAway(opened.error());
    if (!url_.startsWith(QLatin1String("sqlite:"))) {
        const auto driver = store_->subscribe(auxpad::StoreUrls::kRecordsChannel);
        if (!driver)
            return goneAway(driver.error());
        connect(*driver, &QSqlDriver::notification, this, [this] {
            if (!gather_.isActive())
                gather_.start();
        });
    }
    const auto mark = store_->changeMark();
    if (!mark)
        return goneAway(mark.error());
    mark_ = *mark;
    move(answered(link_));
}

void LineServer::check()
{
    if (isAway())
        return reopen();
    // The driver lets a connection go that the server ended.
    if (!store_->isOpen())
        return goneAway("the connection to " + auxpad::StoreUrls::shownUrl(url_) + " was lost");
    const auto mark = store_->changeMark();
    if (!mark)
        return goneAway(mark.error());
    if (*mark != mark_) {
        mark_ = *mark;
        tell("records");
    }
}

void LineServer::goneAway(const QString& why)
{
    store_->close();
    move(failed(link_, why));
}

void LineServer::move(const LinkMove& move)
{
    link_ = move.to;
    switch (move.news) {
    case PageNews::Nothing:
        return;
    case PageNews::Away: {
        const QString why = std::get<Away>(link_).why;
        std::fprintf(stderr, "auxpad-flash serve: %s\n", why.toLocal8Bit().constData());
        return tell("away", why);
    }
    case PageNews::Back:
        break;
    }
    std::fprintf(stderr, "auxpad-flash serve: %s answers again\n",
                 auxpad::StoreUrls::shownUrl(url_).toLocal8Bit().constData());
    tell("back");
}

} // namespace auxpad::web

#include "moc_line_server.cpp"
