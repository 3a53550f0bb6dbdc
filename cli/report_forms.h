#pragma once

#include <QString>

#include "records/record_store.h"

// What the report's files share: its forms besides the list of records.
namespace cli {

// A value as a CSV field at the end of `line`, quoted when it has to be.
void addCsvField(QString& line, const QString& value);

enum class Form { Table, Csv, Json };

// The summary of the records that pass the filter, printed in its form. Returns the
// exit status: 0, or 2 with a one-line reason on standard error.
int runSummary(auxpad::RecordStore& store, const auxpad::RecordFilter& filter, auxpad::Period by, Form form);

} // namespace cli
