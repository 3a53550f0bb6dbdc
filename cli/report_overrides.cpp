// What was signed at the stations: the report of overrides, unlocks and lockouts.
#include <QJsonArray>
#include <QJsonDocument>

#include "base/one_line.h"
#include "cli/report_forms.h"
#include "records/access_log.h"

namespace auxpad::cli {

namespace {

// The columns, as the JSON names them; a person reads them in this order.
const char* const kOverrideColumns[] = {"time", "station", "signer", "name", "role", "meaning", "serial", "board",
                                        "until", "reason"};

QString cell(const QJsonObject& event, const char* column)
{
    return QString::fromStdString(auxpad::oneLine(event[QLatin1String(column)].toString().toUtf8().toStdString()));
}

} // namespace

int runOverrides(RecordReader& store, const RecordFilter& filter, Form form)
{
    auto events = AccessLog(store).between(filter.since, filter.until, filter.station);
    if (!events)
        return reportCannot(events.error());
    std::vector<QJsonObject> rows;
    for (const AccessEvent& e : *events)
        rows.push_back(accessEventJson(e));
    if (form == Form::Json) {
        QJsonArray list;
        for (const QJsonObject& row : rows)
            list.append(row);
        printOut(QJsonDocument(QJsonObject{{"overrides", list}}).toJson(QJsonDocument::Compact) + '\n');
        return 0;
    }
    std::vector<qsizetype> widths;
    for (const char* column : kOverrideColumns) {
        qsizetype widest = form == Form::Csv ? 0 : qstrlen(column);
        for (const QJsonObject& row : rows)
            widest = std::max(widest, cell(row, column).size());
        widths.push_back(widest);
    }
    auto line = [&](const std::function<QString(const char*)>& value) {
        QString text;
        for (std::size_t i = 0; i < std::size(kOverrideColumns); ++i) {
            if (form == Form::Csv) {
                if (i > 0)
                    text += ',';
                addCsvField(text, value(kOverrideColumns[i]));
            } else {
                text += value(kOverrideColumns[i]).leftJustified(widths[i] + 2);
            }
        }
        printOut(text.trimmed() + '\n');
    };
    line([](const char* column) { return QString::fromLatin1(column); });
    for (const QJsonObject& row : rows)
        line([&](const char* column) { return form == Form::Csv ? row[QLatin1String(column)].toString() : cell(row, column); });
    return 0;
}

} // namespace auxpad::cli
