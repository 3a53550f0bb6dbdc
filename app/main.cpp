#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>

#include "auxpad_version.h"
#include "cli/report.h"
#include "records/record_store.h"
#include "cli/run_jobs.h"
#include "ui/line_start.h"
#include "ui/station_start.h"

namespace {

const QStringList kJobCommands = {"flash", "prodinfo", "selftest"};

void name(QCoreApplication&)
{
    QCoreApplication::setApplicationName(QStringLiteral("auxpad-flash"));
    QCoreApplication::setApplicationVersion(QStringLiteral(AUXPAD_VERSION));
}

// The station window's own options.
struct WindowOptions {
    QCommandLineParser parser;
    QCommandLineOption db{QStringLiteral("db"), auxpad::RecordStore::kOptionHelp, QStringLiteral("URL")};

    WindowOptions()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Flashes the AUXPAD board's DSP and writes its product information over one serial line.\n"
            "Without a command it opens the station window, which takes everything from flash.ini in the working\n"
            "directory; the COM port number maps to a device through ports.conf in $XDG_CONFIG_HOME/auxpad-flash\n"
            "(lines COMn=/dev/...), else COMn is /dev/ttyS<n-1>.\n"
            "\n"
            "Commands, for many boards at once and without a display (see auxpad-flash COMMAND --help):\n"
            "  flash     flash the DSP of each board\n"
            "  prodinfo  write each board's product information\n"
            "  selftest  run each board's self-test\n"
            "  report    list the records of board jobs\n"
            "  line      a window for a bench of boards, a row for each"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(db);
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("flash, prodinfo, selftest, report or line; none for the window"),
                                     QStringLiteral("[command]"));
    }
};

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

} // namespace

int main(int argc, char** argv)
{
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (command == QLatin1String("report") && cli::reportPaints(argc, argv)) {
        // A chart is painted into a file, never shown: fonts need a QGuiApplication, and
        // the off-screen platform gives one without a display, whatever this session has.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // A session without XDG_RUNTIME_DIR (a service, a cron job) has Qt say at start that
        // it makes a runtime folder of its own; the chart has no use for one, and the line
        // would read as a fault.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
                previous(type, context, text);
        });
        QGuiApplication app(argc, argv);
        qInstallMessageHandler(previous);
        name(app);
        return cli::runReport(QCoreApplication::arguments());
    }
    if (kJobCommands.contains(command) || command == QLatin1String("report") || onlyAsksAbout(argc, argv)) {
        // The commands need no display.
        QCoreApplication app(argc, argv);
        name(app);
        if (command == QLatin1String("report"))
            return cli::runReport(QCoreApplication::arguments());
        if (kJobCommands.contains(command))
            return cli::runJobCommand(QCoreApplication::arguments());
        if (command == QLatin1String("line"))
            return ui::runLine(QCoreApplication::arguments());
        WindowOptions options;
        options.parser.process(app); // prints and exits
        return 0;
    }

    QApplication app(argc, argv);
    name(app);
    if (command == QLatin1String("line"))
        return ui::runLine(QApplication::arguments());
    WindowOptions options;
    options.parser.process(app);
    if (!options.parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "auxpad-flash: unknown command %s; see auxpad-flash --help\n",
                     options.parser.positionalArguments().first().toLocal8Bit().constData());
        return 2;
    }
    return ui::runStation(options.parser.value(options.db));
}
