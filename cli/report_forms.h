#pragma once

#include <QString>

#include "records/record_reader.h"

// What the report's files share: its forms besides the list of records.
namespace auxpad::cli {

// Text on standard output as it is, in UTF-8.
void printOut(const QByteArray& bytes);
void printOut(const QString& text);
// Says on standard error in one line why the report stops; returns its exit status, 2.
int reportCannot(const QString& why);

// A value as a CSV field at the end of `line`, quoted when it has to be.
void addCsvField(QString& line, const QString& value);

enum class Form { Table, Csv, Json };

// The summary of the records that pass the filter, printed in its form, and painted
// into `chart` too unless that is empty. Returns the exit status: 0, or 2 with a
// one-line reason on standard error.
int runSummary(auxpad::RecordReader& store, const auxpad::RecordFilter& filter, auxpad::Period by, auxpad::Per per,
               Form form, const QString& chart);

// The numbers of the range `rangeText` ("SN0001000-SN0001999") that were handed out, each
// with its state, station, port and since when, lowest first, then how many of each state
// each station holds; or as CSV. Returns the exit status, as runSummary.
int runSerialStates(auxpad::RecordReader& store, const QString& rangeText, bool csv);

// What was signed at the stations in the filter's time and station, oldest first: a
// table, CSV or one JSON document ({"overrides": [...]}). Returns the exit status.
int runOverrides(auxpad::RecordReader& store, const auxpad::RecordFilter& filter, Form form);

// Whether a chart can be painted into a file of this name: a PNG or an SVG image.
bool isChartFile(const QString& file);
// Each station's yield per period of the summary as a chart, in the image format its
// name says; nothing once written, otherwise why not.
auxpad::Expected<void, QString> paintChart(const auxpad::Summary& summary, const auxpad::RecordFilter& filter,
                                           const QString& file);

} // namespace auxpad::cli
