#include "runner/bench_options.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

#include "records/store_urls.h"

namespace auxpad {

BenchOptions::BenchOptions() : db("db", StoreUrls::kOptionHelp, "URL")
{
    pin.setFlags(QCommandLineOption::HiddenFromHelp);
}

Expected<int> givenTries(const QCommandLineParser& parser, const BenchOptions& options)
{
    if (!parser.isSet(options.retry))
        return 1;
    bool number = false;
    const int retries = parser.value(options.retry).toInt(&number);
    if (!number || retries < 0 || retries > 10)
        return unexpected(std::string("--retry takes a number of tries from 0 to 10"));
    return 1 + retries;
}

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

std::optional<StackLightSettings> givenStackLight(const QString& port, const Recipe* recipe)
{
    std::optional<StackLightSettings> light = recipe ? recipe->stackLight : std::nullopt;
    if (port.isEmpty())
        return light;
    if (!light)
        light.emplace();
    light->port = port.toStdString();
    return light;
}

Expected<Attribution> givenAttribution(const QCommandLineParser& parser, const BenchOptions& options,
                                   const Recipe* recipe, const QString& exception)
{
    Attribution attribution;
    attribution.station = StoreUrls::stationName(parser.value(options.station));
    attribution.operatorId = parser.isSet(options.operatorId) ? parser.value(options.operatorId)
                                                             : qEnvironmentVariable("AUXPAD_FLASH_OPERATOR");
    attribution.order = parser.isSet(options.order) ? parser.value(options.order) : recipe ? recipe->order : QString();
    attribution.reason = parser.value(options.reason);
    for (QString* value : {&attribution.station, &attribution.operatorId, &attribution.order, &attribution.reason})
        *value = value->trimmed();
    if (attribution.station.isEmpty())
        return unexpected(std::string("--station names no station"));
    if (!attribution.reason.isEmpty() && exception.isEmpty())
        return unexpected(std::string("--reason is the reason for an exception: give it with --allow-reuse or --again"));
    if (recipe && recipe->operatorRequired) {
        if (attribution.operatorId.isEmpty())
            return unexpected(std::string("the recipe requires an operator: give --operator ID or set "
                                          "AUXPAD_FLASH_OPERATOR"));
        if (!exception.isEmpty() && attribution.reason.isEmpty())
            return unexpected(exception.toStdString() + " needs --reason TEXT: the recipe requires an operator, "
                                                         "and an exception on record says why");
    }
    return attribution;
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
