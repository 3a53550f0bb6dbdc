#include "ui/line_start.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <memory>
#include <utility>

#include "records/record_store.h"
#include "runner/start_checks.h"
#include "ui/line_window.h"
#include "ui/message_box.h"

namespace ui {

namespace {

int cannotStart(const QString& why)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // Only asked for help, without a display.
        std::fprintf(stderr, "auxpad-flash line: %s\n", why.toLocal8Bit().constData());
        return 2;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Flash AUXPAD line"), why, QMessageBox::Ok);
    box.exec();
    return 2;
}

} // namespace

int runLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Opens a window for a bench of boards: a row per port, \"Flash all\", and a Flash "
                                     "for each board.");
    const QCommandLineOption help({"h", "help"}, "Displays this help.");
    const QCommandLineOption port("port", "A board's port: COMn (ports.conf) or a device path; once per board.", "PORT");
    const QCommandLineOption disk("disk", "The InitDisk file, to begin with.", "FILE");
    const QCommandLineOption data("data", "The InitData file, to begin with.", "FILE");
    const QCommandLineOption ini("ini", "The station's settings (default: flash.ini here).", "FILE", "flash.ini");
    const QCommandLineOption db("db", auxpad::RecordStore::kOptionHelp, "URL");
    parser.addOptions({help, port, disk, data, ini, db});
    QStringList args = arguments;
    args.removeAt(1);
    if (!parser.parse(args))
        return cannotStart(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QCoreApplication::applicationName() + " [options]", QCoreApplication::applicationName() + " line [options]");
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return cannotStart("unexpected argument " + parser.positionalArguments().first());
    QStringList ports = parser.values(port);
    if (ports.isEmpty())
        return cannotStart(QStringLiteral("which boards? Give --port PORT once per board"));
    if (ports.removeDuplicates() > 0)
        return cannotStart(QStringLiteral("a port is given twice"));

    // The same checks as the commands', with the same messages.
    const auxpad::FlashFiles files{parser.value(disk).toStdString(), parser.value(data).toStdString()};
    if (parser.isSet(disk) || parser.isSet(data)) {
        if (const std::string why = auxpad::checkFlashFiles(files); !why.empty())
            return cannotStart(QString::fromStdString(why));
    }
    const std::string iniPath = parser.value(ini).toStdString();
    if (const std::string why = auxpad::checkIni(iniPath); !why.empty())
        return cannotStart(QString::fromStdString(why));
    const QString recordsUrl = auxpad::RecordStore::chooseUrl(parser.value(db));
    if (const QString why = auxpad::RecordStore::checkUrl(recordsUrl); !why.isEmpty())
        return cannotStart("--db: " + why);

    auxpad::RecordStore store;
    const QString storeProblem = store.open(recordsUrl);
    if (storeProblem.isEmpty())
        store.closeLeftovers();
    auxpad::DiskFiles diskFiles;
    std::vector<std::unique_ptr<auxpad::BoardJob>> owned;
    std::vector<auxpad::BoardJob*> jobs;
    for (const QString& p : ports) {
        owned.push_back(std::make_unique<auxpad::BoardJob>(auxpad::resolvePort(p.toStdString()), diskFiles, iniPath,
                                                           storeProblem.isEmpty() ? &store : nullptr));
        jobs.push_back(owned.back().get());
        if (const QString why = jobs.back()->open(); !why.isEmpty())
            return cannotStart(why);
    }

    LineWindow window(jobs, files);
    bool warned = false;
    auto warn = [&](const QString& why) {
        if (!std::exchange(warned, true))
            openBox(&window, "The jobs of this bench are not on record: " + why, auxpad::Icon::Warning);
    };
    for (auxpad::BoardJob* job : jobs)
        QObject::connect(&job->records(), &auxpad::RecordKeeper::failed, &window, warn);
    window.show();
    if (!storeProblem.isEmpty())
        warn(storeProblem);
    const int status = QApplication::exec();
    for (auxpad::BoardJob* job : jobs)
        job->close();
    return status;
}

} // namespace ui
