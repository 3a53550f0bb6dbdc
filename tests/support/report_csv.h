#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <utility>
#include <vector>

// A report's CSV as one map of column to value per record. Fields with a line break are
// quoted; the captions are the only ones that have one.
inline std::vector<std::map<QString, QString>> reportRows(const QString& csv)
{
    std::vector<std::map<QString, QString>> rows;
    QStringList header;
    for (const QString& line : csv.split("\r\n", Qt::SkipEmptyParts)) {
        QStringList fields;
        QString field;
        bool quoted = false;
        for (const QChar c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                fields << std::exchange(field, QString());
            else
                field += c;
        }
        fields << field;
        if (header.isEmpty()) {
            header = fields;
            continue;
        }
        std::map<QString, QString> row;
        for (qsizetype i = 0; i < header.size(); ++i)
            row[header[i]] = fields.value(i);
        rows.push_back(row);
    }
    return rows;
}
