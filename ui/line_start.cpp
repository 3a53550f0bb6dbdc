#include "ui/line_start.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QSettings>

#include <cstdio>
#include <memory>

#include "runner/bench.h"
#include "runner/bench_options.h"
#include "runner/bench_session.h"
#include "runner/pin_entry.h"
#include "runner/recipe.h"
#include "runner/stack_light.h"
#include "runner/start_checks.h"
#include "runner/stop_signals.h"
#include "ui/board_row.h"
#include "ui/line_window.h"
#include "ui/message_box.h"

namespace auxpad::ui {

namespace {

int cannotStart(const QString& why)
{
    QMessageBox box(QMessageBox::Critical, kAppTitle, why, QMessageBox::Ok);
    box.exec();
    return 2;
}

} // namespace

auxpad::Expected<LineOptions, int> parseLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Opens a window for a bench of boards: a row per port, \"Flash all\", and a Flash "
                                     "for each board.");
    const auxpad::BenchOptions o;
    const QCommandLineOption autoStart("auto", "With --recipe: each slot brings a board up as soon as it arrives, and "
                                               "shows its result until it leaves.");
    const QCommandLineOption again("again", "With --auto, bring up a board again although a passed bring-up of this "
                                            "recipe holds its serial.");
    const QCommandLineOption view("view", "grid: a tile for each board, to be read from a step away; rows: a row for "
                                          "each (default: as last chosen, else grid from nine ports up).",
                                  "grid|rows");
    parser.addOptions({o.help, o.port, o.disk, o.data, o.ini, o.recipe, o.db, autoStart, again, o.retry, view, o.noLabel});
    parser.addOption(o.stackLight);
    const QCommandLineOption lock("lock", "Open the window locked: choosing files, flashing a passed board again, "
                                          "stopping the bench and closing the window need the badge and PIN of an "
                                          "engineer (or of the recipe's [access] unlock_role).");
    parser.addOptions({o.station, o.operatorId, o.order, o.reason, o.signer, o.pin, lock});
    auto wrong = [](const QString& why) {
        std::fprintf(stderr, "auxpad-flash line: %s\n", why.toLocal8Bit().constData());
        return auxpad::unexpected(2);
    };
    const auto read = auxpad::readCommandLine(parser, arguments, o, "line");
    if (!read)
        return wrong(read.error());
    if (*read == auxpad::CommandLine::HelpShown)
        return auxpad::unexpected(0);
    if (!parser.positionalArguments().isEmpty())
        return wrong("unexpected argument " + parser.positionalArguments().first());
    auto ports = auxpad::givenPorts(parser, o);
    if (!ports)
        return wrong(QString::fromStdString(ports.error()));
    LineOptions options;
    options.ports = std::move(*ports);
    options.files = {parser.value(o.disk).toStdString(), parser.value(o.data).toStdString()};
    options.filesGiven = parser.isSet(o.disk) || parser.isSet(o.data);
    options.iniPath = parser.value(o.ini).toStdString();
    options.db = parser.value(o.db);
    auto attribution = auxpad::givenAttribution(parser, o, nullptr, parser.isSet(again) ? "--again" : "");
    if (!attribution)
        return wrong(QString::fromStdString(attribution.error()));
    options.attribution = std::move(*attribution);
    if (const QString refused = auxpad::refusedPin(parser.isSet(o.pin)); !refused.isEmpty())
        return wrong(refused);
    options.signer = parser.value(o.signer).trimmed();
    options.lock = parser.isSet(lock);
    options.recipe = parser.value(o.recipe);
    options.autoStart = parser.isSet(autoStart);
    options.again = parser.isSet(again);
    options.labels = !parser.isSet(o.noLabel);
    const auto tries = auxpad::givenTries(parser, o);
    if (!tries)
        return wrong(QString::fromStdString(tries.error()));
    options.tries = *tries;
    if (parser.isSet(view)) {
        if (parser.value(view) != "grid" && parser.value(view) != "rows")
            return wrong("--view is grid or rows, not " + parser.value(view));
        options.view = parser.value(view) == "grid" ? LineOptions::View::Grid : LineOptions::View::Rows;
    }
    options.stackLight = parser.value(o.stackLight);
    if (options.autoStart && options.recipe.isEmpty())
        return wrong("--auto brings boards up by a recipe: give --recipe FILE");
    return options;
}

namespace {

// The same checks as the commands', with the same messages: the recipe, or the files and
// the ini, and the line database's name.
auxpad::Expected<std::optional<auxpad::Recipe>, QString> checkLine(const LineOptions& options)
{
    std::optional<auxpad::Recipe> recipe;
    if (!options.recipe.isEmpty()) {
        auto read = auxpad::readRecipe(options.recipe);
        if (!read)
            return auxpad::unexpected(read.error());
        if (const auto files = auxpad::checkRecipeFiles(*read); !files)
            return auxpad::unexpected(files.error());
        recipe = std::move(*read);
    }
    if (options.filesGiven && !recipe) {
        if (const auto checked = auxpad::checkFlashFiles(options.files); !checked)
            return auxpad::unexpected(QString::fromStdString(checked.error()));
    }
    if (const auto ini = auxpad::checkIni(options.iniPath); !ini && !recipe)
        return auxpad::unexpected(QString::fromStdString(ini.error()));
    const QString lineUrl = auxpad::StoreUrls::lineUrl(options.db);
    if (const auto url = auxpad::StoreUrls::checkUrl(lineUrl); !lineUrl.isEmpty() && !url)
        return auxpad::unexpected("--db: " + url.error());
    return recipe;
}

// A bench puts every board on record, or starts none: its session as the options and
// the recipe set it up, the exceptions signed with a PIN typed at the terminal.
auxpad::Expected<void, QString> setUp(const LineOptions& options, const auxpad::Recipe* recipe,
                                      auxpad::BenchSession& session)
{
    auxpad::SessionPlan plan;
    plan.attribution = options.attribution;
    // The recipe's sinks when it has any, else the station's flash.ini's.
    auto sinks = recipe && !recipe->sinks.empty()
        ? auxpad::Expected<auxpad::SinkSettings, QString>(recipe->sinks)
        : auxpad::readIniSinks(recipe ? QStringLiteral("flash.ini") : QString::fromStdString(options.iniPath),
                               plan.attribution.station);
    if (!sinks)
        return auxpad::unexpected(sinks.error());
    plan.sinks = std::move(*sinks);
    plan.recipe = recipe;
    plan.lineUrl = auxpad::StoreUrls::lineUrl(options.db);
    for (const std::string& p : options.ports)
        plan.ports.push_back(auxpad::resolvePort(p));
    plan.rules = {options.tries, options.autoStart && !options.again};
    plan.watch = options.autoStart;
    plan.labels = recipe && recipe->label && options.labels;
    if (recipe)
        plan.access = recipe->access;
    plan.access.lock = plan.access.lock || options.lock;
    if (options.again)
        plan.exceptions.push_back({auxpad::access::kAgain, QStringLiteral("--again")});
    plan.signer = options.signer;
    plan.pin = auxpad::pinOfSigner();
    if (const auto ready = session.setUp(std::move(plan)); !ready)
        return auxpad::unexpected("The bench cannot start: " + ready.error());
    return {};
}

// The view asked for, remembered for the next start; else the last one asked for; else
// tiles for a bench of nine boards or more.
LineOptions::View chosenView(const LineOptions& options)
{
    QSettings settings(QStringLiteral("auxpad-flash"), QStringLiteral("line"));
    if (options.view) {
        settings.setValue("view", *options.view == LineOptions::View::Grid ? "grid" : "rows");
        return *options.view;
    }
    const QString last = settings.value("view").toString();
    if (!last.isEmpty())
        return last == "grid" ? LineOptions::View::Grid : LineOptions::View::Rows;
    return options.ports.size() >= 9 ? LineOptions::View::Grid : LineOptions::View::Rows;
}

} // namespace

namespace {

// What the bench tells the operator, on the window: its records, its labels, its name
// shared with another journal, a serial doubled.
void showBenchNews(auxpad::Bench& bench, LineWindow& window)
{
    QObject::connect(&bench, &auxpad::Bench::recordsFailed, &window, [&](const QString& why) {
        openBox(&window, "The jobs of this bench are not on record: " + why, auxpad::Icon::Warning);
    });
    window.showRecords(bench.lineDb(), bench.held(), bench.sinksHeld());
    if (const QString chained = bench.chainedNotice(); !chained.isEmpty())
        window.showStationWarning(chained);
    if (bench.printsLabels())
        window.followLabels();
    QObject::connect(&bench, &auxpad::Bench::labelsNoticed, &window,
                     [&](const QString& text) { openBox(&window, text, auxpad::Icon::Warning); });
    QObject::connect(&bench, &auxpad::Bench::heldChanged, &window,
                     [&](int held) { window.showRecords(bench.lineDb(), held, bench.sinksHeld()); });
    QObject::connect(&bench, &auxpad::Bench::sinksHeldChanged, &window,
                     [&](const QString& sinks) { window.showRecords(bench.lineDb(), bench.held(), sinks); });
    QObject::connect(&bench, &auxpad::Bench::stationNameShared, &window, [&](const QString& warning) {
        std::fprintf(stderr, "auxpad-flash: %s\n", warning.toLocal8Bit().constData());
        window.showStationWarning(warning);
    });
    QObject::connect(&bench, &auxpad::Bench::serialDoubled, &window,
                     [&](const QString& text) { openBox(&window, text, auxpad::Icon::Warning); });
}

// The slots start by themselves; with an operator required, not before someone signed in.
void startSlots(const auxpad::Recipe* recipe, auxpad::Bench& bench, LineWindow& window)
{
    window.follow();
    if (recipe && recipe->operatorRequired && window.operatorId().isEmpty())
        QObject::connect(&window, &LineWindow::signedIn, &bench, [&bench] { bench.startSlots(); },
                         Qt::SingleShotConnection);
    else
        bench.startSlots();
}

} // namespace

int runLine(const LineOptions& options)
{
    const auto checked = checkLine(options);
    if (!checked)
        return cannotStart(checked.error());
    const std::optional<auxpad::Recipe>& recipe = *checked;

    auxpad::DiskFiles diskFiles;
    std::optional<auxpad::RecipeFiles> recipeFiles;
    if (recipe)
        recipeFiles.emplace(*recipe, diskFiles);
    auxpad::Bench bench(recipeFiles ? static_cast<auxpad::TextFiles&>(*recipeFiles) : diskFiles,
                        recipe ? auxpad::RecipeFiles::kIniPath : options.iniPath);
    // The tower is had before the boards' ports, as the commands have it.
    const auto lightSettings = auxpad::givenStackLight(options.stackLight, recipe ? &*recipe : nullptr);
    std::unique_ptr<auxpad::SerialLine> towerLine;
    if (lightSettings) {
        auto opened = auxpad::StackLight::open(*bench.surroundings().lines, lightSettings->port);
        if (!opened)
            return cannotStart(opened.error());
        towerLine = std::move(*opened);
    }
    auxpad::BenchSession session(bench);
    if (const auto ready = setUp(options, recipe ? &*recipe : nullptr, session); !ready)
        return cannotStart(ready.error());

    LineWindow window(session, recipe ? recipe->files : options.files, recipe ? &*recipe : nullptr);
    if (chosenView(options) == LineOptions::View::Grid) {
        window.showGrid();
        window.showMaximized(); // a bench read from a step away fills its screen
    } else {
        window.show();
    }
    showBenchNews(bench, window);
    // A signal closes the window as its close button does, so that the tower goes dark; one
    // that comes before the window's loop runs is taken as that loop starts.
    // (exit, not quit: quit asks the window first, which a locked bench would refuse)
    const auto stopSignals = auxpad::onStopSignals([] { QApplication::exit(0); });
    std::unique_ptr<auxpad::StackLight> light;
    if (towerLine) {
        light = std::make_unique<auxpad::StackLight>(bench, std::move(towerLine), lightSettings->relays);
        QObject::connect(light.get(), &auxpad::StackLight::gone, &window, [&](const QString& why) {
            std::fprintf(stderr, "auxpad-flash: %s\n", why.toLocal8Bit().constData());
            window.showStationWarning(why);
        });
        light->start();
    }
    window.showAttribution(bench.attribution().operatorId, bench.attribution().order);
    QObject::connect(&window, &LineWindow::signedIn, &bench, &auxpad::Bench::signIn);
    if (options.autoStart)
        startSlots(recipe ? &*recipe : nullptr, bench, window);
    const int status = QApplication::exec();
    if (light)
        light->off(); // before the stop, whose interrupted boards are no failures to show
    bench.stop();
    bench.close();
    return status;
}

} // namespace auxpad::ui
