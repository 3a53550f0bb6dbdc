#include "cli/job_plan.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "base/latin1.h"
#include "board/flash_ini.h"
#include "records/store_urls.h"
#include "runner/bench_options.h"
#include "runner/pin_entry.h"
#include "runner/recipe.h"
#include "runner/start_checks.h"

namespace auxpad::cli {

namespace {

using auxpad::JobKind;

struct Command {
    const char* name;
    JobKind job;
    const char* description;
    bool bringUp = false; // the whole bring-up of a line's recipe
};

constexpr Command kCommands[] = {
    {"run", JobKind::Flash,
     "Brings up the board on each PORT, all at once, as the line's recipe says: the flash job with the recipe's\n"
     "files (each must have the recipe's SHA-256), then the product information with the recipe's values and a\n"
     "serial number from the records (the board's own when it already passed with it, else the lowest free one of\n"
     "the recipe's range), read back and compared. A board passes only when all of that holds.",
     true},
    {"flash", JobKind::Flash,
     "Flashes the DSP of the board on each PORT, all at once: the self-test, the product information (or the\n"
     "defaults of the ini), InitDisk, the format wait and InitData, exactly as the station window does."},
    {"prodinfo", JobKind::ProductInfo,
     "Writes the product information of the board on each PORT, all at once, after its self-test: the six\n"
     "values of its line in --values, or with one port and no --values the defaults of the ini."},
    {"selftest", JobKind::SelfTest,
     "Asks the board on each PORT for its self-test, all at once; a board passes when every part passed."},
};

auxpad::Expected<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return auxpad::unexpected("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

auxpad::Unexpected<PlanStop> fail(std::string why)
{
    return auxpad::unexpected(PlanStop{2, std::move(why)});
}

// The ini's product defaults, as six values, or why they will not do: they are not all
// there, or one is faulty.
auxpad::Expected<auxpad::ProductFields> iniDefaults(const auxpad::FlashIni& ini)
{
    const auto defaults = ini.productDefaults();
    if (!defaults)
        return auxpad::unexpected(defaults.error());
    if (defaults->error)
        return auxpad::unexpected(ini.path() + ": " + *defaults->error);
    auxpad::ProductFields values;
    std::set<auxpad::ProductField> given;
    for (const auto& [field, value] : defaults->fields) {
        values[auxpad::at(field)] = auxpad::latin1ToUtf8(value);
        given.insert(field);
    }
    if (given.size() != values.size())
        return auxpad::unexpected(ini.path() + " does not give all six product-information defaults "
                                               "(Hardware, MCUSW, DSPSW, Serial, Code, Manufacture)");
    return values;
}

// The plan, signed by who runs it, or why it cannot start (nothing is sent then).
auxpad::Expected<JobPlan, PlanStop> signPlan(JobPlan plan, const QCommandLineParser& parser,
                                             const auxpad::BenchOptions& o, const QString& exception)
{
    auto attribution = auxpad::givenAttribution(parser, o, plan.recipe ? &*plan.recipe : nullptr, exception);
    if (!attribution)
        return fail(attribution.error());
    plan.attribution = std::move(*attribution);
    if (const QString refused = auxpad::refusedPin(parser.isSet(o.pin)); !refused.isEmpty())
        return fail(refused.toStdString());
    plan.signer = parser.value(o.signer).trimmed();
    if (!exception.isEmpty())
        plan.exceptions.push_back({exception == "--again" ? auxpad::access::kAgain : auxpad::access::kReuse, exception});
    return plan;
}

// The options of the job commands besides the bench's own.
struct JobOptions {
    QCommandLineOption values{"values", "port,hardware,mcusw,dspsw,serial,code,manufacture per board.", "FILE.csv"};
    QCommandLineOption watch{"watch", "Keep every port open and bring each board up as it arrives, until "
                                      "SIGINT or SIGTERM; a board shows its result until it leaves."};
    QCommandLineOption again{"again", "With --watch, bring up a board again although a passed bring-up of this "
                                      "recipe holds its serial."};
    QCommandLineOption allowReuse{"allow-reuse", "Write a serial number even when a passed record holds it "
                                                 "already (a repair bench)."};
};

// The options a command takes, in the order its help lists them.
void addOptions(QCommandLineParser& parser, const Command& command, const auxpad::BenchOptions& o,
                const JobOptions& j)
{
    parser.addOption(o.help);
    parser.addOption(o.port);
    if (command.bringUp) {
        parser.addOptions({o.recipe, j.watch, j.again, o.retry, o.noLabel});
    } else {
        if (command.job == JobKind::Flash) {
            parser.addOption(o.disk);
            parser.addOption(o.data);
        }
        if (command.job == JobKind::ProductInfo) {
            parser.addOption(j.values);
            parser.addOption(j.allowReuse);
        }
        if (command.job != JobKind::SelfTest)
            parser.addOption(o.ini);
    }
    parser.addOption(o.stackLight);
    parser.addOption(o.json);
    parser.addOption(o.db);
    parser.addOptions({o.station, o.operatorId, o.order, o.reason, o.signer, o.pin});
}

// run: the recipe says what each board gets.
auxpad::Expected<JobPlan, PlanStop> planBringUp(JobPlan plan, const QCommandLineParser& parser,
                                                const auxpad::BenchOptions& o, const JobOptions& j)
{
    if (!parser.isSet(o.recipe))
        return fail("run needs the line's --recipe FILE");
    auto recipe = auxpad::readRecipe(parser.value(o.recipe));
    if (!recipe)
        return fail(recipe.error().toStdString());
    if (const auto files = auxpad::checkRecipeFiles(*recipe); !files)
        return fail(files.error().toStdString());
    plan.recipe = std::move(*recipe);
    plan.files = plan.recipe->files;
    plan.labels = plan.recipe->label.has_value() && !parser.isSet(o.noLabel);
    plan.watch = parser.isSet(j.watch);
    plan.rules.skipPassed = plan.watch && !parser.isSet(j.again);
    if (parser.isSet(j.again) && !plan.watch)
        return fail("--again is for --watch, whose boards are not brought up twice");
    const auto tries = auxpad::givenTries(parser, o);
    if (!tries)
        return fail(tries.error());
    plan.rules.tries = *tries;
    plan.iniPath = auxpad::RecipeFiles::kIniPath;
    const QString exception = parser.isSet(j.again) ? "--again" : "";
    return signPlan(std::move(plan), parser, o, exception);
}

// prodinfo: each board's six values, from --values or, for one board, the ini's defaults;
// no serial number given twice.
auxpad::Expected<void, PlanStop> planValues(JobPlan& plan, const QCommandLineParser& parser, const JobOptions& j,
                                            const auxpad::FlashIni& settings)
{
    if (parser.isSet(j.values)) {
        const std::string csv = parser.value(j.values).toStdString();
        const auto text = readFile(csv);
        if (!text)
            return fail(text.error());
        const auto table = readValuesCsv(*text);
        if (!table)
            return fail(csv + ": " + table.error());
        for (const std::string& p : plan.ports) {
            if (!table->count(p))
                return fail(csv + " has no line for " + p);
            plan.values[p] = table->at(p);
        }
    } else if (plan.ports.size() == 1) {
        const auto defaults = iniDefaults(settings);
        if (!defaults)
            return fail(defaults.error());
        plan.values[plan.ports[0]] = *defaults;
    } else {
        return fail("prodinfo for several boards takes their values from --values FILE.csv");
    }
    std::map<std::string, std::string> portOf; // by serial
    for (const auto& [p, v] : plan.values) {
        if (const auto problem = auxpad::checkProductFields(v))
            return fail(p + ": " + problem->text);
        const std::string& serial = v[auxpad::at(auxpad::ProductField::Serial)];
        if (const auto [at, fresh] = portOf.emplace(serial, p); !fresh)
            return fail("the serial number " + serial + " is given to both " + at->second + " and " + p);
    }
    plan.allowReuse = parser.isSet(j.allowReuse);
    return {};
}

// flash, prodinfo, selftest: the files and values the options name.
auxpad::Expected<JobPlan, PlanStop> planJob(JobPlan plan, const QCommandLineParser& parser,
                                            const auxpad::BenchOptions& o, const JobOptions& j)
{
    auxpad::DiskFiles files;
    // The self-test reads no settings.
    plan.iniPath = plan.job == JobKind::SelfTest ? "flash.ini" : parser.value(o.ini).toStdString();
    const auxpad::FlashIni settings(files, plan.iniPath);
    if (plan.job == JobKind::Flash) {
        // Defaults stand in for a board that keeps its product information to itself;
        // faulty ones are found now rather than in the middle of a line of boards.
        if (const auto ini = auxpad::checkIni(plan.iniPath); !ini)
            return fail(ini.error());
        if (!parser.isSet(o.disk) || !parser.isSet(o.data))
            return fail("flash needs both --disk FILE and --data FILE");
        plan.files = {parser.value(o.disk).toStdString(), parser.value(o.data).toStdString()};
        if (const auto checked = auxpad::checkFlashFiles(plan.files); !checked)
            return fail(checked.error());
    }
    if (plan.job == JobKind::ProductInfo) {
        if (const auto given = planValues(plan, parser, j, settings); !given)
            return auxpad::unexpected(given.error());
    }
    const QString exception = plan.allowReuse ? "--allow-reuse" : "";
    return signPlan(std::move(plan), parser, o, exception);
}

} // namespace

auxpad::Expected<JobPlan, PlanStop> parseJobCommand(const QStringList& arguments)
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
    const auxpad::BenchOptions o;
    const JobOptions j;
    addOptions(parser, *command, o, j);
    const auto read = auxpad::readCommandLine(parser, arguments, o, name);
    if (!read)
        return fail(read.error().toStdString());
    if (*read == auxpad::CommandLine::HelpShown)
        return auxpad::unexpected(PlanStop{0, {}});
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument " + parser.positionalArguments().first().toStdString());

    JobPlan plan;
    plan.job = command->job;
    plan.json = parser.isSet(o.json);
    plan.lineDb = auxpad::StoreUrls::lineUrl(parser.value(o.db));
    if (const auto checked = auxpad::StoreUrls::checkUrl(plan.lineDb); !plan.lineDb.isEmpty() && !checked)
        return fail("--db: " + checked.error().toStdString());
    auto ports = auxpad::givenPorts(parser, o);
    if (!ports)
        return fail(ports.error());
    plan.ports = std::move(*ports);
    auto planned = command->bringUp ? planBringUp(std::move(plan), parser, o, j)
                                    : planJob(std::move(plan), parser, o, j);
    if (planned) {
        const auxpad::Recipe* recipe = planned->recipe ? &*planned->recipe : nullptr;
        planned->stackLight = auxpad::givenStackLight(parser.value(o.stackLight), recipe);
        // The recipe's sinks when it has any, else the station's flash.ini's.
        if (recipe && !recipe->sinks.empty()) {
            planned->sinks = recipe->sinks;
        } else {
            const QString ini = planned->iniPath == auxpad::RecipeFiles::kIniPath
                ? QStringLiteral("flash.ini")
                : QString::fromStdString(planned->iniPath);
            auto sinks = auxpad::readIniSinks(ini, planned->attribution.station);
            if (!sinks)
                return fail(sinks.error().toStdString());
            planned->sinks = std::move(*sinks);
        }
    }
    return planned;
}

} // namespace auxpad::cli
