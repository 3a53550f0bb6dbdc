#include "web/line_json.h"

#include <QJsonArray>

#include <map>

namespace auxpad::web {

namespace {

using auxpad::StationYield;

QJsonObject counts(const StationYield& y)
{
    return {{"boards", y.tried},        {"passed", y.passed}, {"failed", y.failed},
            {"first_pass", y.firstPass}, {"yield", y.yield()}, {"first_pass_yield", y.firstPassYield()}};
}

void add(StationYield& sum, const auxpad::HourCount& h)
{
    sum.tried += h.boards;
    sum.passed += h.passed;
    sum.failed += h.failed;
    sum.firstPass += h.firstPass;
}

struct Tile {
    QJsonArray running;
    StationYield hour;
    StationYield since;
    QString last;
    std::vector<auxpad::SlotCount> slotCounts;
    QJsonArray signedEvents;
};

// The station's slots that fail more than its bench, each with what a lead is told of it.
QJsonArray outliersOf(const std::vector<auxpad::SlotCount>& counts)
{
    auxpad::FirstTries bench;
    for (const auto& s : counts) {
        bench.boards += s.boards;
        bench.failed += s.firstFailed;
    }
    QJsonArray out;
    for (const auto& s : counts) {
        const auxpad::FirstTries slot{s.boards, s.firstFailed};
        if (const auto p = auxpad::Outlier::of(slot, bench))
            out.append(QJsonObject{{"port", s.port},
                                   {"boards", s.boards},
                                   {"failed", s.firstFailed},
                                   {"p", *p},
                                   {"said", QString::fromStdString(auxpad::Outlier::said(s.port.toStdString(), slot, bench))}});
    }
    return out;
}

} // namespace

QJsonObject lineJson(const std::vector<auxpad::RunningBoard>& running, const std::vector<auxpad::HourCount>& hours,
                     const std::vector<auxpad::SlotCount>& slotCounts, const std::vector<auxpad::AccessEvent>& signedEvents,
                     const QString& since, const QDateTime& now)
{
    const QString thisHour = now.toUTC().toString(Qt::ISODate).left(13);
    std::map<QString, Tile> tiles;
    for (const auto& h : hours) {
        Tile& tile = tiles[h.station];
        add(tile.since, h);
        if (h.hour == thisHour)
            add(tile.hour, h);
        tile.last = std::max(tile.last, h.last);
    }
    for (const auto& s : slotCounts)
        tiles[s.station].slotCounts.push_back(s);
    for (const auto& r : running) {
        const QDateTime started = QDateTime::fromString(r.started, Qt::ISODateWithMs);
        tiles[r.station].running.append(QJsonObject{{"port", r.port},
                                                    {"serial", r.serial},
                                                    {"job", r.job},
                                                    {"started", r.started},
                                                    {"seconds", started.isValid() ? started.secsTo(now) : 0}});
    }
    for (const auto& e : signedEvents)
        tiles[e.station].signedEvents.append(auxpad::accessEventJson(e));
    QJsonArray stations;
    for (const auto& [name, tile] : tiles)
        stations.append(QJsonObject{{"station", name},
                                    {"running", tile.running},
                                    {"hour", counts(tile.hour)},
                                    {"since", counts(tile.since)},
                                    {"outliers", outliersOf(tile.slotCounts)},
                                    {"overrides", tile.signedEvents},
                                    {"last", tile.last}});
    return {{"since", since}, {"now", now.toUTC().toString(Qt::ISODateWithMs)}, {"stations", stations}};
}

QJsonObject hoursJson(const std::vector<auxpad::HourCount>& hours, const QString& since)
{
    std::map<QString, StationYield> line;
    for (const auto& h : hours)
        add(line[h.hour], h);
    QJsonArray out;
    for (const auto& [hour, sum] : line) {
        QJsonObject o = counts(sum);
        o.insert("hour", hour);
        out.append(o);
    }
    return {{"since", since}, {"hours", out}};
}

QJsonObject failuresJson(const std::vector<auxpad::FailureCount>& failures, const QString& since)
{
    QJsonArray out;
    for (const auto& f : failures)
        out.append(QJsonObject{
            {"step", f.step}, {"cause", f.cause}, {"count", f.count}, {"share", f.share}, {"example", f.example}});
    return {{"since", since}, {"failures", out}};
}

} // namespace auxpad::web
