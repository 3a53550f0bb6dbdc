#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>

#include <functional>

#include <cstdio>
#include <cstring>

#include "auxpad_version.h"
#include "cli/label_command.h"
#include "cli/people_command.h"
#include "cli/records_sync.h"
#include "cli/report.h"
#include "cli/run_jobs.h"
#include "records/store_urls.h"
#include "shift/simulate_command.h"
#include "runner/bench_options.h"
#include "ui/line_start.h"
#include "ui/station_start.h"
#include "web/serve_command.h"

namespace {

const QStringList kCommands = {"run", "flash", "prodinfo", "selftest", "report", "records", "serve", "label", "simulate", "people"};

void name()
{
    QCoreApplication::setApplicationName(QStringLiteral("auxpad-flash"));
    QCoreApplication::setApplicationVersion(QStringLiteral(AUXPAD_VERSION));
}

// The station window's own options.
struct WindowOptions {
    QCommandLineParser parser;
    QCommandLineOption db{QStringLiteral("db"), auxpad::StoreUrls::kOptionHelp, QStringLiteral("URL")};
    QCommandLineOption badge{QStringLiteral("badge"),
                             QStringLiteral("Open a small window beside the station window that signs an operator "
                                            "in by badge, typed or scanned.")};
    auxpad::BenchOptions bench;

    WindowOptions()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Flashes the AUXPAD board's DSP and writes its product information over one serial line.\n"
            "Without a command it opens the station window, which takes everything from flash.ini in the working\n"
            "directory; the COM port number maps to a device through ports.conf in $XDG_CONFIG_HOME/auxpad-flash\n"
            "(lines COMn=/dev/...), else COMn is /dev/ttyS<n-1>.\n"
            "\n"
            "Commands, for many boards at once and without a display (see auxpad-flash COMMAND --help):\n"
            "  run       the whole bring-up of each board, as the line's --recipe says\n"
            "  flash     flash the DSP of each board\n"
            "  prodinfo  write each board's product information\n"
            "  selftest  run each board's self-test\n"
            "  report    list the records of board jobs\n"
            "  records   records sync: deliver what this station holds for the line's database\n"
            "  serve     the line's live page for its lead, read from the line's database\n"
            "  label     list the labels of passed boards, or reprint one\n"
            "  simulate  a whole shift of the line on simulated time, its promises checked at the end\n"
            "  people    the people who may sign in and sign an exception, with their roles and PINs\n"
            "  line      a window for a bench of boards, a row for each"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(db);
        parser.addOption(bench.station);
        parser.addOption(bench.operatorId);
        parser.addOption(badge);
        parser.addPositionalArgument(QStringLiteral("command"),
                                     (kCommands + QStringList{QStringLiteral("line")}).join(QStringLiteral(", "))
                                         + QStringLiteral("; none for the window"),
                                     QStringLiteral("[command]"));
    }
};

// Runs `command` under a QGuiApplication on the off-screen platform: it paints into files,
// never on a screen, whatever this session has.
int offScreen(int argc, char** argv, const std::function<int()>& command)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A session without XDG_RUNTIME_DIR (a service, a cron job) has Qt say at start that it
    // makes a runtime folder of its own; nothing here has a use for one, and the line would
    // read as a fault.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
            previous(type, context, text);
    });
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(previous);
    return command();
}

// --help and --version want no display.
bool onlyAsksAbout(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* flag : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], flag) == 0)
                return true;
    }
    return false;
}

int wrongUse(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash: %s; see auxpad-flash --help\n", why.toLocal8Bit().constData());
    return 2;
}

// A window needs somewhere to be shown; without it Qt would abort.
bool haveDisplay()
{
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    return false;
}

int noDisplay()
{
    std::fputs("auxpad-flash: there is no display for the window (neither DISPLAY nor WAYLAND_DISPLAY is set); "
               "the commands flash, prodinfo, selftest and report need none\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    name();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString command = arguments.value(1);

    // A label's page and a report's chart are laid out with fonts, so they need a
    // QGuiApplication; the off-screen platform gives one without a display.
    if (!onlyAsksAbout(argc, argv)) {
        if (command == QLatin1String("run"))
            return offScreen(argc, argv, [] { return auxpad::cli::runJobCommand(QCoreApplication::arguments()); });
        if (command == QLatin1String("label"))
            return offScreen(argc, argv, [] { return auxpad::cli::runLabel(QCoreApplication::arguments()); });
        if (command == QLatin1String("simulate"))
            return offScreen(argc, argv, [] { return auxpad::shift::runSimulate(QCoreApplication::arguments()); });
        if (command == QLatin1String("report") && auxpad::cli::reportPaints(argc, argv))
            return offScreen(argc, argv, [] { return auxpad::cli::runReport(QCoreApplication::arguments()); });
    }
    // What is asked for is settled before any window system is touched: the commands never
    // need a display, and neither does a mistyped command line.
    if (kCommands.contains(command) || onlyAsksAbout(argc, argv)) {
        QCoreApplication app(argc, argv);
        if (command == QLatin1String("report"))
            return auxpad::cli::runReport(QCoreApplication::arguments());
        if (command == QLatin1String("records"))
            return auxpad::cli::runRecords(QCoreApplication::arguments());
        if (command == QLatin1String("people"))
            return auxpad::cli::runPeople(QCoreApplication::arguments());
        if (command == QLatin1String("serve"))
            return auxpad::web::runServe(QCoreApplication::arguments());
        if (command == QLatin1String("label"))
            return auxpad::cli::runLabel(QCoreApplication::arguments());
        if (command == QLatin1String("simulate"))
            return auxpad::shift::runSimulate(QCoreApplication::arguments());
        if (kCommands.contains(command))
            return auxpad::cli::runJobCommand(QCoreApplication::arguments());
        if (command == QLatin1String("line")) {
            const auto line = auxpad::ui::parseLine(arguments);
            return line ? 0 : line.error();
        }
        WindowOptions options;
        options.parser.process(app); // prints and exits
        return 0;
    }

    if (command == QLatin1String("line")) {
        const auto line = auxpad::ui::parseLine(arguments);
        if (!line)
            return line.error();
        if (!haveDisplay())
            return noDisplay();
        QApplication app(argc, argv);
        return auxpad::ui::runLine(*line);
    }

    WindowOptions options;
    if (!options.parser.parse(arguments))
        return wrongUse(options.parser.errorText());
    if (!options.parser.positionalArguments().isEmpty())
        return wrongUse("unknown command " + options.parser.positionalArguments().first());
    if (!haveDisplay())
        return noDisplay();
    QApplication app(argc, argv);
    const QCommandLineParser& given = options.parser;
    return auxpad::ui::runStation({given.value(options.db), given.value(options.bench.station),
                                   given.value(options.bench.operatorId), given.isSet(options.badge)});
}
