#pragma once

#include <QStringList>

namespace cli {

// `auxpad-flash report [--db URL] [--since DATE] [--port PORT] [--serial SN] [--csv]`:
// the records of board jobs as a table, or as CSV with a header row. Returns the exit
// status: 0, or 2 when the records cannot be read.
int runReport(const QStringList& arguments);

} // namespace cli
