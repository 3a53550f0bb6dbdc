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

// Columns under their headers, two blanks apart, numbers to the right; every value is on
// one line already.
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

// The rows' own columns, after the group (and the slot's port): as the table heads them.
QStringList rowHeads(const Summary& s)
{
    QStringList heads{s.group()};
    if (s.per == auxpad::Per::Slot)
        heads << "port";
    return heads + QStringList{"period", auxpad::nameOf(s.counting()), "passed", "failed", "yield %", "first_pass",
                               "first_pass_yield %"};
}

QStringList rowValues(const Summary& s, const auxpad::StationYield& r)
{
    QStringList values{r.group};
    if (s.per == auxpad::Per::Slot)
        values << r.port;
    return values + QStringList{r.period,         QString::number(r.tried),     QString::number(r.passed),
                                QString::number(r.failed), percent(r.yield()), QString::number(r.firstPass),
                                percent(r.firstPassYield())};
}

// Which slot fails more than its bench, in words a lead reads beside its row.
QString outlierNote(const auxpad::StationYield& r)
{
    return r.outlier ? QStringLiteral("fails more than its bench (p %1)").arg(*r.outlier, 0, 'g', 2) : QString();
}

QString asTable(const Summary& s)
{
    std::vector<QStringList> rows{rowHeads(s)};
    std::vector<bool> numeric(static_cast<std::size_t>(rows[0].size()), true);
    std::fill_n(numeric.begin(), s.per == auxpad::Per::Slot ? 3 : 2, false);
    if (s.per == auxpad::Per::Slot) {
        rows[0] << "";
        numeric.push_back(false);
    }
    for (const auto& r : s.rows) {
        rows.push_back(rowValues(s, r));
        if (s.per == auxpad::Per::Slot)
            rows.back() << outlierNote(r);
    }
    QString text = table(rows, numeric);
    text += '\n';
    if (s.failures.empty())
        return text + (s.counting() == auxpad::Counting::Jobs ? "No job failed.\n" : "No board failed.\n");
    std::vector<QStringList> failures{{"step", "cause", "failed", "share %", "example"}};
    for (const auto& f : s.failures)
        failures.push_back({f.step, f.cause, QString::number(f.count), percent(f.share), f.example});
    return text + table(failures, {false, false, true, true, false});
}

// Two tables one after the other, an empty line between them: the yield rows, then the
// failures.
QString asCsv(const Summary& s)
{
    QStringList heads = rowHeads(s);
    heads.replaceInStrings(" %", "_percent");
    if (s.per == auxpad::Per::Slot)
        heads << "outlier";
    QString text = heads.join(',') + "\r\n";
    for (const auto& r : s.rows) {
        const QStringList values = rowValues(s, r);
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (i > 0)
                text += ',';
            addCsvField(text, values[i]);
        }
        if (s.per == auxpad::Per::Slot)
            text += r.outlier ? ",true" : ",false";
        text += "\r\n";
    }
    text += "\r\nstep,cause,count,share_percent,example\r\n";
    for (const auto& f : s.failures) {
        text += f.step + ',' + f.cause + ',' + QString::number(f.count) + ',' + percent(f.share) + ',';
        addCsvField(text, f.example);
        text += "\r\n";
    }
    return text;
}

QString asJson(const Summary& s, const auxpad::RecordFilter& filter)
{
    QJsonObject filters;
    for (const auto& [name, value] : filter.given())
        filters.insert(name, value);
    QJsonArray rows;
    for (const auto& r : s.rows) {
        QJsonObject row{{s.group(), r.group},
                        {"period", r.period},
                        {auxpad::nameOf(s.counting()), r.tried},
                        {"passed", r.passed},
                        {"failed", r.failed},
                        {"interrupted", r.interrupted},
                        {"yield", r.yield()},
                        {"first_pass", r.firstPass},
                        {"first_pass_yield", r.firstPassYield()}};
        if (s.per == auxpad::Per::Slot) {
            row.insert("port", r.port);
            row.insert("first_failed", r.firstFailed);
            row.insert("outlier", r.outlier.has_value());
            if (r.outlier)
                row.insert("p", *r.outlier);
        }
        rows.append(row);
    }
    QJsonArray failures;
    for (const auto& f : s.failures)
        failures.append(QJsonObject{
            {"step", f.step}, {"cause", f.cause}, {"count", f.count}, {"share", f.share}, {"example", f.example}});
    const QJsonObject document{{"by", auxpad::nameOf(s.by)}, {"per", auxpad::nameOf(s.per)}, {"filters", filters},
                               {"yield", rows},          {"failures", failures}};
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
