#include "cli/job_plan.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "base/latin1.h"
#include "board/flash_ini.h"
#include "records/record_store.h"
#include "runner/start_checks.h"

namespace cli {

namespace {

using auxpad::JobKind;

struct Command {
    const char* name;
    JobKind job;
    const char* description;
};

constexpr Command kCommands[] = {
    {"flash", JobKind::Flash,
     "Flashes the DSP of the board on each PORT, all at once: the self-test, the product information (or the\n"
     "defaults of the ini), InitDisk, the format wait and InitData, exactly as the station window does."},
    {"prodinfo", JobKind::ProductInfo,
     "Writes the product information of the board on each PORT, all at once, after its self-test: the six\n"
     "values of its line in --values, or with one port and no --values the defaults of the ini."},
    {"selftest", JobKind::SelfTest,
     "Asks the board on each PORT for its self-test, all at once; a board passes when every part passed."},
};

std::optional<std::string> readFile(const std::string& path, std::string& reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ParsedPlan fail(std::string why)
{
    return {std::nullopt, std::move(why), std::nullopt};
}

// The ini's product defaults, as six values; "" set `error` when they are not all there
// or one is faulty.
std::optional<auxpad::ProductInfo> iniDefaults(const auxpad::FlashIni& ini, std::string& error)
{
    const auto defaults = ini.productDefaults();
    if (!defaults.fault.empty()) {
        error = defaults.fault;
        return std::nullopt;
    }
    if (defaults.value.error) {
        error = ini.path() + ": " + *defaults.value.error;
        return std::nullopt;
    }
    auxpad::ProductInfo values;
    std::set<int> given;
    for (const auto& [box, value] : defaults.value.boxes) {
        values[static_cast<std::size_t>(box)] = auxpad::latin1ToUtf8(value);
        given.insert(box);
    }
    if (given.size() != values.size()) {
        error = ini.path() + " does not give all six product-information defaults "
                             "(Hardware, MCUSW, DSPSW, Serial, Code, Manufacture)";
        return std::nullopt;
    }
    return values;
}

} // namespace

ParsedPlan parseJobCommand(const QStringList& arguments)
{
    const QString name = arguments.value(1);
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            command = &c;
    if (!command)
        return fail("unknown command " + name.toStdString());

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(command->description));
    const QCommandLineOption help({"h", "help"}, "Displays this help.");
    const QCommandLineOption port("port", "A board's port: COMn (ports.conf) or a device path; once per board.", "PORT");
    const QCommandLineOption disk("disk", "The InitDisk file.", "FILE");
    const QCommandLineOption data("data", "The InitData file.", "FILE");
    const QCommandLineOption ini("ini", "The station's settings (default: flash.ini here).", "FILE", "flash.ini");
    const QCommandLineOption values("values", "port,hardware,mcusw,dspsw,serial,code,manufacture per board.", "FILE.csv");
    const QCommandLineOption json("json", "JSON Lines on standard output: progress, then one result per board.");
    const QCommandLineOption db("db", auxpad::RecordStore::kOptionHelp, "URL");
    parser.addOption(help);
    parser.addOption(port);
    if (command->job == JobKind::Flash) {
        parser.addOption(disk);
        parser.addOption(data);
    }
    if (command->job == JobKind::ProductInfo)
        parser.addOption(values);
    if (command->job != JobKind::SelfTest)
        parser.addOption(ini);
    parser.addOption(json);
    parser.addOption(db);

    QStringList args = arguments;
    args.removeAt(1);
    if (!parser.parse(args))
        return fail(parser.errorText().toStdString());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QCoreApplication::applicationName() + " [options]",
                     QCoreApplication::applicationName() + ' ' + name + " [options]");
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return {std::nullopt, {}, 0};
    }
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument " + parser.positionalArguments().first().toStdString());

    JobPlan plan;
    plan.job = command->job;
    plan.json = parser.isSet(json);
    plan.records = auxpad::RecordStore::chooseUrl(parser.value(db));
    if (const QString why = auxpad::RecordStore::checkUrl(plan.records); !why.isEmpty())
        return fail("--db: " + why.toStdString());
    for (const QString& p : parser.values(port)) {
        const std::string portName = p.toStdString();
        if (std::find(plan.ports.begin(), plan.ports.end(), portName) != plan.ports.end())
            return fail(portName + " is given twice");
        plan.ports.push_back(portName);
    }
    if (plan.ports.empty())
        return fail("which boards? Give --port PORT once per board");

    auxpad::DiskFiles files;
    // The self-test reads no settings.
    plan.iniPath = command->job == JobKind::SelfTest ? "flash.ini" : parser.value(ini).toStdString();
    const auxpad::FlashIni settings(files, plan.iniPath);
    if (command->job == JobKind::Flash) {
        // Defaults stand in for a board that keeps its product information to itself;
        // faulty ones are found now rather than in the middle of a line of boards.
        if (std::string why = auxpad::checkIni(plan.iniPath); !why.empty())
            return fail(why);
    }

    if (command->job == JobKind::Flash) {
        if (!parser.isSet(disk) || !parser.isSet(data))
            return fail("flash needs both --disk FILE and --data FILE");
        plan.files = {parser.value(disk).toStdString(), parser.value(data).toStdString()};
        if (std::string why = auxpad::checkFlashFiles(plan.files); !why.empty())
            return fail(why);
    }

    if (command->job == JobKind::ProductInfo) {
        if (parser.isSet(values)) {
            std::string reason;
            const auto text = readFile(parser.value(values).toStdString(), reason);
            if (!text)
                return fail(reason);
            ValuesTable table = readValuesCsv(*text);
            if (!table.error.empty())
                return fail(parser.value(values).toStdString() + ": " + table.error);
            for (const std::string& p : plan.ports) {
                if (!table.rows.count(p))
                    return fail(parser.value(values).toStdString() + " has no line for " + p);
                plan.values[p] = table.rows[p];
            }
        } else if (plan.ports.size() == 1) {
            std::string error;
            const auto defaults = iniDefaults(settings, error);
            if (!defaults)
                return fail(error);
            plan.values[plan.ports[0]] = *defaults;
        } else {
            return fail("prodinfo for several boards takes their values from --values FILE.csv");
        }
        for (const auto& [p, v] : plan.values) {
            if (const auto problem = auxpad::checkProductInfo(v))
                return fail(p + ": " + problem->text);
        }
    }
    return {std::move(plan), {}, std::nullopt};
}

} // namespace cli
