#pragma once

#include <QStringList>

namespace auxpad::cli {

// `auxpad-flash report [--db URL] [filters] [--summary [--by PERIOD]] [--chart FILE]
// [--csv|--json]`: the records of board jobs as a table, or as CSV with a header row; or
// their summary. Returns the exit status: 0, or 2 when the arguments are wrong or the
// records cannot be read.
int runReport(const QStringList& arguments);

// Whether the report's arguments ask for a chart, which needs a QGuiApplication.
bool reportPaints(int argc, char** argv);

} // namespace auxpad::cli
