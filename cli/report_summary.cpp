// `report --summary`: each station's yield per period and the most frequent failures,
// as a table, as CSV, or as one JSON document; of boards, or with --per job of every job.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

#include "cli/report_forms.h"

namespace auxpad::cli {

namespace {

using auxpad::Summary;

QString percent(double yield)
{
    return QString::number(yield, 'f', 1);
}

// Columns under their headers, two blanks apart, numbers to the right; a line break in
// a caption shows as \n, so that each row stays on one line.
QString table(const std::vector<QStringList>& rows, const std::vector<bool>& numeric)
{
    std::vector<qsizetype> widths(numeric.size(), 0);
    for (const QStringList& row : rows)
        for (std::size_t i = 0; i < widths.size(); ++i)
            widths[i] = std::max(widths[i], row[static_cast<qsizetype>(i)].size());
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const QString& value = row[static_cast<qsizetype>(i)];
            line += numeric[i] ? value.rightJustified(widths[i]) : value.leftJustified(widths[i]);
            line += "  ";
        }
        while (line.endsWith(' '))
            line.chop(1);
        text += line + '\n';
    }
    return text;
}

QString asTable(const Summary& s)
{
    std::vector<QStringList> rows{{s.group(), "period", auxpad::nameOf(s.counting()), "passed", "failed", "yield %"}};
    for (const auto& r : s.rows)
        rows.push_back({r.group, r.period, QString::number(r.tried), QString::number(r.passed), QString::number(r.failed),
                        percent(r.yield())});
    QString text = table(rows, {false, false, true, true, true, true});
    text += '\n';
    if (s.failures.empty())
        return text + (s.counting() == auxpad::Counting::Jobs ? "No job failed.\n" : "No board failed.\n");
    std::vector<QStringList> failures{{"failed", "caption"}};
    for (const auto& f : s.failures)
        failures.push_back({QString::number(f.count), QString(f.caption).replace('\n', "\\n")});
    return text + table(failures, {true, false});
}

// Two tables one after the other, an empty line between them: the yield rows, then the
// failures.
QString asCsv(const Summary& s)
{
    QString text = s.group() + ",period," + auxpad::nameOf(s.counting()) + ",passed,failed,yield_percent\r\n";
    for (const auto& r : s.rows) {
        addCsvField(text, r.group);
        text += ',' + r.period + ',' + QString::number(r.tried) + ',' + QString::number(r.passed) + ','
                + QString::number(r.failed) + ',' + percent(r.yield()) + "\r\n";
    }
    text += "\r\ncaption,count\r\n";
    for (const auto& f : s.failures) {
        addCsvField(text, f.caption);
        text += ',' + QString::number(f.count) + "\r\n";
    }
    return text;
}

QString asJson(const Summary& s, const auxpad::RecordFilter& filter)
{
    QJsonObject filters;
    for (const auto& [name, value] : filter.given())
        filters.insert(name, value);
    QJsonArray rows;
    for (const auto& r : s.rows)
        rows.append(QJsonObject{{s.group(), r.group},
                                {"period", r.period},
                                {auxpad::nameOf(s.counting()), r.tried},
                                {"passed", r.passed},
                                {"failed", r.failed},
                                {"yield", r.yield()}});
    QJsonArray failures;
    for (const auto& f : s.failures)
        failures.append(QJsonObject{{"caption", f.caption}, {"count", f.count}});
    const QJsonObject document{{"by", auxpad::nameOf(s.by)}, {"per", auxpad::nameOf(s.per)}, {"filters", filters}, {"yield", rows}, {"failures", failures}};
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

} // namespace

int runSummary(auxpad::RecordReader& store, const auxpad::RecordFilter& filter, auxpad::Period by, auxpad::Per per,
               Form form, const QString& chart)
{
    const auto summed = store.summarise(filter, by, per);
    if (!summed)
        return reportCannot(summed.error());
    const Summary& summary = *summed;
    if (!chart.isEmpty())
        if (const auto painted = paintChart(summary, filter, chart); !painted)
            return reportCannot(painted.error());
    const QString text = form == Form::Csv ? asCsv(summary) : form == Form::Json ? asJson(summary, filter) : asTable(summary);
    printOut(text);
    return 0;
}

} // namespace auxpad::cli
