#include "shift/simulate_command.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdio>

#include "shift/shift.h"

namespace auxpad::shift {

namespace {

int cannot(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash simulate: %s\n", why.toLocal8Bit().constData());
    return 2;
}

// Download text of `lines` lines of 32 bytes, as a board's files have them.
QByteArray downloadText(int lines, int seed)
{
    QByteArray text;
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < 32; ++i)
            text += QByteArray::number((l * 31 + i * 7 + seed) & 0xFF, 16).rightJustified(2, '0').toUpper()
                    + (i < 31 ? " " : "");
        text += "\r\n";
    }
    return text;
}

Expected<void, QString> writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return unexpected(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    return {};
}

// The line recipe a shift runs without --recipe: small files, a serial range for a long
// shift, and a ZPL label, which the simulated printer takes as any printer would.
Expected<QString, QString> builtInRecipe(const QDir& dir)
{
    // As large as a board's own files (whole blocks of six lines: the bar of a download
    // must reach its end), so that a bring-up takes as long as on a line.
    const QByteArray disk = downloadText(300, 1), data = downloadText(600, 2);
    const QByteArray recipe = "[recipe]\nname=\"AUXPAD V2, simulated line\"\n"
                              "initdisk=initdisk.txt\ninitdisk_sha256=" + QCryptographicHash::hash(disk, QCryptographicHash::Sha256).toHex()
                              + "\ninitdata=initdata.txt\ninitdata_sha256=" + QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()
                              + "\nformat=30\nhardware=0102\nmcusw=MCU02.00.01\ndspsw=DSP02.00.07\ncode=0671234\n"
                                "manufacture=061226\nserials=SN1000000-SN1999999\nserial_lease=1000\n"
                                "[label]\nprinter=labels\nsize=50x25\ntemplate=label.zpl\n";
    for (const auto& [name, bytes] : {std::pair{"initdisk.txt", disk}, std::pair{"initdata.txt", data},
                                      std::pair{"label.zpl", QByteArray("^XA^FO20,20^A0N,40,40^FD{serial}^FS^XZ")},
                                      std::pair{"recipe.ini", recipe}}) {
        if (auto written = writeFile(dir.filePath(name), bytes); !written)
            return unexpected(written.error());
    }
    return dir.filePath("recipe.ini");
}

QString shiftClock(qint64 ms)
{
    return QStringLiteral("%1:%2:%3").arg(ms / 3'600'000, 2, 10, QChar('0')).arg(ms / 60'000 % 60, 2, 10, QChar('0'))
        .arg(ms / 1000 % 60, 2, 10, QChar('0'));
}

QJsonArray stationsJson(const ShiftOutcome& outcome)
{
    QJsonArray stations;
    for (const StationFigures& f : outcome.stations)
        stations.append(QJsonObject{{"station", f.station},
                                    {"journal", f.journal},
                                    {"shown", f.shown},
                                    {"clone", f.clone},
                                    {"boards", f.boards},
                                    {"passed", f.passed},
                                    {"failed", f.failed},
                                    {"interrupted", f.interrupted},
                                    {"first_pass", f.firstPass},
                                    {"first_pass_yield", f.firstPassYield()},
                                    {"no_serial", f.noSerial},
                                    {"boards_per_hour", std::round(f.boardsPerHour * 10) / 10},
                                    {"bound_per_hour", std::round(f.boundPerHour * 10) / 10},
                                    {"slot_use", std::round(f.slotUse * 1000) / 1000},
                                    {"longest_serial_wait", f.longestSerialWaitSeconds},
                                    {"longest_label_wait", f.longestLabelWaitSeconds}});
    return stations;
}

QJsonArray faultsJson(const ShiftOutcome& outcome)
{
    QJsonArray faults;
    for (const Fault& f : outcome.faults) {
        QJsonObject o{{"kind", faultName(f.kind)}, {"at", shiftClock(f.atMs)}, {"seconds", f.forMs / 1000.0}};
        if (f.kind != Fault::Kind::DatabaseAway && f.kind != Fault::Kind::PrinterRefuses)
            o.insert("station", QStringLiteral("station-%1").arg(f.station + 1));
        if (f.kind == Fault::Kind::AdapterRenamed || f.kind == Fault::Kind::SlotFlaky)
            o.insert("slot", QStringLiteral("COM%1").arg(f.slot + 1));
        if (f.kind == Fault::Kind::SlotFlaky)
            o.insert("fail", f.failPercent);
        if (f.kind == Fault::Kind::ClonedJournal) {
            qint64 boards = 0;
            for (const StationFigures& s : outcome.stations)
                boards += s.clone ? s.boards : 0;
            o.insert("boards", boards);
        }
        faults.append(o);
    }
    return faults;
}

QJsonObject shiftJson(const ShiftPlan& plan, const ShiftOutcome& outcome, double wall)
{
    QJsonArray rss, outliers;
    for (const double mb : outcome.rssMb)
        rss.append(std::round(mb * 10) / 10);
    for (const SlotOutlier& o : outcome.outliers)
        outliers.append(QJsonObject{{"station", o.station}, {"port", o.port}, {"boards", o.boards}, {"failed", o.failed},
                                    {"p", o.p}});
    bool ok = true;
    for (const Invariant& i : outcome.invariants)
        ok = ok && i.held;
    return {{"event", "shift"},
            {"ok", ok},
            {"seed", static_cast<qint64>(plan.seed)},
            {"hours", plan.hours},
            {"wall_seconds", std::round(wall * 10) / 10},
            {"stations", stationsJson(outcome)},
            {"outliers", outliers},
            {"invariants", invariantJson(outcome.invariants)},
            {"faults", faultsJson(outcome)},
            {"rss_mb_by_hour", rss}};
}

// Each journal's row: its boards as the stores count them, and its bench's pace.
QString stationsTable(const ShiftOutcome& outcome)
{
    std::size_t width = 8;
    for (const StationFigures& f : outcome.stations)
        width = std::max<std::size_t>(width, static_cast<std::size_t>(f.shown.size()) + 2);
    const int w = static_cast<int>(width);
    QString text = QStringLiteral("station").leftJustified(w)
                   + "boards  passed  failed  interrupted  first pass  no serial  boards/h  bound/h  slot use\n";
    for (const StationFigures& f : outcome.stations)
        text += f.shown.leftJustified(w) + QString::number(f.boards).leftJustified(8)
                + QString::number(f.passed).leftJustified(8) + QString::number(f.failed).leftJustified(8)
                + QString::number(f.interrupted).leftJustified(13)
                + (QString::number(f.firstPassYield(), 'f', 1) + " %").leftJustified(12)
                + QString::number(f.noSerial).leftJustified(11) + QString::number(f.boardsPerHour, 'f', 0).leftJustified(10)
                + QString::number(f.boundPerHour, 'f', 0).leftJustified(9) + QString::number(100 * f.slotUse, 'f', 0)
                + " %\n";
    if (outcome.outliers.empty())
        return text + "\nNo slot failed more than its bench.\n";
    text += "\nSlots that fail more than their bench (at their first try):\n";
    for (const SlotOutlier& o : outcome.outliers)
        text += QStringLiteral("  %1 %2: %3 of %4 failed (p %5)\n")
                    .arg(o.station, o.port)
                    .arg(o.failed)
                    .arg(o.boards)
                    .arg(o.p, 0, 'g', 2);
    return text;
}

void printTable(const ShiftPlan& plan, const ShiftOutcome& outcome, double wall)
{
    QString text = stationsTable(outcome);
    auto longest = [&](double StationFigures::*wait) {
        double most = 0;
        for (const StationFigures& f : outcome.stations)
            most = std::max(most, f.*wait);
        return most;
    };
    text += QStringLiteral("\nA bring-up took %1 s on average; the longest wait for a serial was %2 s, for a label %3 s.\n")
                .arg(outcome.meanBringUpSeconds, 0, 'f', 1)
                .arg(longest(&StationFigures::longestSerialWaitSeconds), 0, 'f', 1)
                .arg(longest(&StationFigures::longestLabelWaitSeconds), 0, 'f', 0);
    text += '\n' + invariantTable(outcome.invariants);
    text += "\nfaults\n";
    for (const Fault& f : outcome.faults)
        text += QStringLiteral("  %1 at %2 for %3 s\n").arg(faultName(f.kind), shiftClock(f.atMs)).arg(f.forMs / 1000);
    if (!outcome.rssMb.empty())
        text += QStringLiteral("\nResident memory: %1 MB after the first simulated hour, %2 MB after the last\n")
                    .arg(outcome.rssMb.front(), 0, 'f', 1)
                    .arg(outcome.rssMb.back(), 0, 'f', 1);
    text += QStringLiteral("\n%1 simulated hours in %2 s of wall time: %3 simulated seconds per wall second\n")
                .arg(plan.hours)
                .arg(wall, 0, 'f', 1)
                .arg(plan.hours * 3600 / std::max(wall, 0.001), 0, 'f', 0);
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

} // namespace

Expected<ShiftRun, QString> simulate(const ShiftPlan& plan)
{
    // The stores of a shift nobody keeps live in memory where the machine has a place for
    // that: the same SQLite files, without a disk under them.
    QTemporaryDir scratch(QDir("/dev/shm").exists() && QFileInfo("/dev/shm").isWritable()
                              ? QStringLiteral("/dev/shm/auxpad-shift-XXXXXX")
                              : QDir::tempPath() + "/auxpad-shift-XXXXXX");
    const QString storeDir = plan.keep.isEmpty() ? scratch.path() : QDir(plan.keep).absolutePath();
    QString recipePath = plan.recipe;
    if (recipePath.isEmpty()) {
        auto made = builtInRecipe(QDir(scratch.path()));
        if (!made)
            return unexpected(made.error());
        recipePath = *made;
    }
    auto recipe = readRecipe(recipePath);
    if (!recipe)
        return unexpected(recipe.error());
    if (auto files = checkRecipeFiles(*recipe); !files)
        return unexpected(files.error());
    const QString lineUrl = plan.db.isEmpty() ? "sqlite:" + QDir(storeDir).filePath("line.sqlite") : plan.db;
    if (auto checked = StoreUrls::checkUrl(lineUrl); !checked)
        return unexpected("--db: " + checked.error());
    // Only a shift that will run keeps a folder: bad input leaves nothing behind.
    if (!QDir().mkpath(storeDir))
        return unexpected("the folder " + storeDir + " cannot be made");
    QElapsedTimer wall; // the one real clock here: how long the simulated shift took
    wall.start();
    Shift shift(plan, *recipe, storeDir, lineUrl);
    auto outcome = shift.run();
    if (!outcome)
        return unexpected(outcome.error());
    return ShiftRun{std::move(*outcome), static_cast<double>(wall.elapsed()) / 1000};
}

int runSimulate(const QStringList& arguments)
{
    auto plan = readShiftPlan(arguments);
    if (!plan)
        return plan.error().isEmpty() ? 0 : cannot(plan.error());
    auto run = simulate(*plan);
    if (!run)
        return cannot(run.error());
    const ShiftOutcome& outcome = run->outcome;
    if (plan->json)
        std::printf("%s\n",
                    QJsonDocument(shiftJson(*plan, outcome, run->wallSeconds)).toJson(QJsonDocument::Compact).constData());
    else
        printTable(*plan, outcome, run->wallSeconds);
    for (const Invariant& i : outcome.invariants) {
        if (i.held)
            continue;
        // The stores' times are the shift's own: virtual time from its start.
        const QDateTime at = QDateTime::fromString(i.at, Qt::ISODateWithMs);
        const QString when = at.isValid() ? ", at " + shiftClock(SimClock().wallTime().msecsTo(at)) + " into the shift"
                                          : QString();
        std::fprintf(stderr, "auxpad-flash simulate: broken: %s: %s; replay it with --seed %llu%s\n",
                     i.name.toLocal8Bit().constData(), i.broken.toLocal8Bit().constData(),
                     static_cast<unsigned long long>(plan->seed), when.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace auxpad::shift
