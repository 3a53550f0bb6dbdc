#pragma once

#include <QDateTime>
#include <QString>
#include <QUrlQuery>

#include "base/expected.h"
#include "records/record_query.h"

namespace auxpad::web {

// The records an API call of the line's page takes: `station` and `since` mean what
// report's --station and --since mean; without `since`, the records of today (UTC, as the
// records are) as of `now`. Any other parameter, or a `since` that is no time, is refused
// with a one-line reason.
auxpad::Expected<auxpad::RecordFilter, QString> filterOf(const QUrlQuery& query, const QDateTime& now);

} // namespace auxpad::web
