#include "web/line_json.h"

#include <QJsonArray>

#include <map>

namespace auxpad::web {

namespace {

using auxpad::StationYield;

QJsonObject counts(const StationYield& y)
{
    return {{"boards", y.tried}, {"passed", y.passed}, {"failed", y.failed}, {"yield", y.yield()}};
}

void add(StationYield& sum, const auxpad::HourCount& h)
{
    sum.tried += h.boards;
    sum.passed += h.passed;
    sum.failed += h.failed;
}

struct Tile {
    QJsonArray running;
    StationYield hour;
    StationYield since;
    QString last;
};

} // namespace

QJsonObject lineJson(const std::vector<auxpad::RunningBoard>& running, const std::vector<auxpad::HourCount>& hours,
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
    for (const auto& r : running) {
        const QDateTime started = QDateTime::fromString(r.started, Qt::ISODateWithMs);
        tiles[r.station].running.append(QJsonObject{{"port", r.port},
                                                    {"serial", r.serial},
                                                    {"job", r.job},
                                                    {"started", r.started},
                                                    {"seconds", started.isValid() ? started.secsTo(now) : 0}});
    }
    QJsonArray stations;
    for (const auto& [name, tile] : tiles)
        stations.append(QJsonObject{{"station", name},
                                    {"running", tile.running},
                                    {"hour", counts(tile.hour)},
                                    {"since", counts(tile.since)},
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
        out.append(QJsonObject{{"caption", f.caption}, {"count", f.count}});
    return {{"since", since}, {"failures", out}};
}

} // namespace auxpad::web
