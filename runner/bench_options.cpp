#include "runner/bench_options.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

#include "records/record_store.h"

namespace auxpad {

BenchOptions::BenchOptions() : db("db", RecordStore::kOptionHelp, "URL") {}

Expected<std::vector<std::string>> givenPorts(const QCommandLineParser& parser, const BenchOptions& options)
{
    std::vector<std::string> ports;
    for (const QString& p : parser.values(options.port)) {
        std::string port = p.toStdString();
        if (std::find(ports.begin(), ports.end(), port) != ports.end())
            return unexpected(port + " is given twice");
        ports.push_back(std::move(port));
    }
    if (ports.empty())
        return unexpected(std::string("which boards? Give --port PORT once per board"));
    return ports;
}

void printHelp(const QCommandLineParser& parser, const QString& command)
{
    const QString name = QCoreApplication::applicationName();
    QString text = parser.helpText();
    text.replace(name + " [options]", name + ' ' + command + " [options]");
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

Expected<CommandLine, QString> readCommandLine(QCommandLineParser& parser, const QStringList& arguments,
                                               const BenchOptions& options, const QString& command)
{
    QStringList words = arguments;
    words.removeAt(1);
    if (!parser.parse(words))
        return unexpected(parser.errorText());
    if (!parser.isSet(options.help))
        return CommandLine::Read;
    printHelp(parser, command);
    return CommandLine::HelpShown;
}

} // namespace auxpad
