#include "web/serve_command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

#include <cstdio>

#include "records/store_urls.h"
#include "web/line_server.h"

namespace auxpad::web {

namespace {

int cannot(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash serve: %s\n", why.toLocal8Bit().constData());
    return 2;
}

} // namespace

int runServe(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Serves the line's page: a tile per station with its boards running now, passed and failed this hour and\n"
        "today, its yield and its last record; the day's yield per hour; the most frequent failures. It is read\n"
        "from the line's database, never written, and follows it live. JSON at /api/line, /api/hours and\n"
        "/api/failures, each taking station=NAME and since=DATE as report takes --station and --since.");
    const QCommandLineOption help({"h", "help"}, "Displays this help.");
    const QCommandLineOption db("db", auxpad::StoreUrls::kOptionHelp, "URL");
    const QCommandLineOption listen("listen", "The address and port to listen on (default 127.0.0.1:8080).",
                                    "HOST:PORT", "127.0.0.1:8080");
    parser.addOptions({help, db, listen});
    QStringList args = arguments;
    args.removeAt(1);
    if (!parser.parse(args))
        return cannot(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QCoreApplication::applicationName() + " [options]",
                     QCoreApplication::applicationName() + " serve [options]");
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return cannot("unexpected argument " + parser.positionalArguments().first());
    const QUrl where("http://" + parser.value(listen));
    const QHostAddress address(where.host());
    if (address.isNull() || where.port() < 0)
        return cannot("--listen takes HOST:PORT, an address and a port such as 127.0.0.1:8080, not "
                      + parser.value(listen));
    const QString url = auxpad::StoreUrls::chooseUrl(parser.value(db));
    if (const auto checked = auxpad::StoreUrls::checkUrl(url); !checked)
        return cannot(checked.error());

    LineServer server(url);
    const auto port = server.listen(address, static_cast<quint16>(where.port()));
    if (!port)
        return cannot(port.error());
    QUrl page;
    page.setScheme("http");
    page.setHost(address.toString());
    page.setPort(*port);
    page.setPath("/");
    std::printf("auxpad-flash serve: the line's page is at %s, from %s\n", page.toString().toLocal8Bit().constData(),
                auxpad::StoreUrls::shownUrl(url).toLocal8Bit().constData());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace auxpad::web
