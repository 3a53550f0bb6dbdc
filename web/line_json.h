#pragma once

#include <QDateTime>
#include <QJsonObject>

#include <vector>

#include "records/access_log.h"
#include "web/line_reads.h"
#include "records/record_query.h"

namespace auxpad::web {

// The answers of the line's API, made from what the records read, as of `now`; the
// filter's `since` is said in each.

// GET /api/line: a tile per station, in the order of their names: the boards running
// now (port, serial, job, since when and for how many seconds), the boards tried, passed,
// failed and passed at their first try in the hour of `now` and since `since`, the yields
// since then, the slots that fail more than the station's bench since then, what was
// signed there since then (each override, unlock and lockout), and the time of the
// station's last record.
QJsonObject lineJson(const std::vector<auxpad::RunningBoard>& running, const std::vector<auxpad::HourCount>& hours,
                     const std::vector<auxpad::SlotCount>& slotCounts, const std::vector<auxpad::AccessEvent>& signedEvents,
                     const QString& since, const QDateTime& now);
// GET /api/hours: the line's boards, passed, failed and yield for each hour, oldest first.
QJsonObject hoursJson(const std::vector<auxpad::HourCount>& hours, const QString& since);
// GET /api/failures: the failed boards by step and cause, the most frequent first, each
// with its share of them and the text most of them said.
QJsonObject failuresJson(const std::vector<auxpad::FailureCount>& failures, const QString& since);

} // namespace auxpad::web
