// The records as CSV, read for speed: a year of a line's records is a million rows, and
// the factory's own systems take them all.
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <iterator>

#include "records/record_reader.h"

namespace auxpad {

namespace {

enum class Kind { Text, Whole, Seconds, Flag };

struct CsvColumn {
    const char* name;
    const char* sql;
    Kind kind;
};

// In the order of the header. A file's fields are empty when it has none, as its
// blocks are before its download ran; the blocks of a job are those of its two files.
const CsvColumn kCsvColumns[] = {
    {"started", "started", Kind::Text},
    {"finished", "finished", Kind::Text},
    {"station", "station", Kind::Text},
    {"port", "port", Kind::Text},
    {"job", "job", Kind::Text},
    {"result", "result", Kind::Text},
    {"caption", "caption", Kind::Text},
    {"serial", "serial", Kind::Text},
    {"hardware", "hardware", Kind::Text},
    {"mcusw", "mcusw", Kind::Text},
    {"dspsw", "dspsw", Kind::Text},
    {"code", "code", Kind::Text},
    {"manufacture", "manufacture", Kind::Text},
    {"disk_file", "disk_file", Kind::Text},
    {"disk_sha256", "disk_sha256", Kind::Text},
    {"data_file", "data_file", Kind::Text},
    {"data_sha256", "data_sha256", Kind::Text},
    {"blocks",
     "CASE WHEN disk_blocks IS NULL AND data_blocks IS NULL THEN NULL ELSE COALESCE(disk_blocks, 0) + COALESCE(data_blocks, 0) END",
     Kind::Whole},
    {"seconds", "seconds", Kind::Seconds},
    {"device", "device", Kind::Text},
    {"message", "message", Kind::Text},
    {"defaults_used", "defaults_used", Kind::Flag},
    {"disk_size", "CASE WHEN disk_file IS NULL THEN NULL ELSE COALESCE(disk_size, 0) END", Kind::Whole},
    {"disk_blocks", "CASE WHEN disk_file IS NULL THEN NULL ELSE disk_blocks END", Kind::Whole},
    {"disk_seconds", "CASE WHEN disk_file IS NULL THEN NULL ELSE disk_seconds END", Kind::Seconds},
    {"data_size", "CASE WHEN data_file IS NULL THEN NULL ELSE COALESCE(data_size, 0) END", Kind::Whole},
    {"data_blocks", "CASE WHEN data_file IS NULL THEN NULL ELSE data_blocks END", Kind::Whole},
    {"data_seconds", "CASE WHEN data_file IS NULL THEN NULL ELSE data_seconds END", Kind::Seconds},
    {"format_wait_seconds", "format_wait_seconds", Kind::Seconds},
    {"tool_version", "tool_version", Kind::Text},
    {"job_uuid", "job_uuid", Kind::Text},
    {"recipe", "recipe", Kind::Text},
    {"recipe_sha256", "recipe_sha256", Kind::Text},
    {"serial_source", "serial_source", Kind::Text},
    {"readback", "readback", Kind::Text},
    {"operator", "operator", Kind::Text},
    {"order", "work_order", Kind::Text},
    {"reason", "reason", Kind::Text},
    {"journal", "journal", Kind::Text},
    {"board", "board", Kind::Text},
    {"step", "step", Kind::Text},
    {"cause", "cause", Kind::Text},
    {"first_try", "first_try", Kind::Text},
    {"tried_again", "tried_again", Kind::Flag},
};

// A field as it is, or quoted with its quotes doubled when it holds a separator.
void addField(QByteArray& line, const QByteArray& value)
{
    const bool plain = std::none_of(value.cbegin(), value.cend(),
                                    [](char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; });
    if (plain) {
        line += value;
        return;
    }
    line += '"';
    for (const char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

constexpr qsizetype kChunk = 1 << 18;

} // namespace

Expected<void, QString> RecordReader::writeCsv(const RecordFilter& filter, const std::function<void(const QByteArray&)>& write)
{
    if (!isOpen())
        return fail("read", "they are not open");
    // SQLite keeps text as UTF-8: read as bytes, it goes out as it is stored, where a
    // string would be made of it in UTF-16 and then turned back, value by value.
    bool bytes = false;
    if (!postgres_) {
        QSqlQuery encoding(db_);
        bytes = encoding.exec("PRAGMA encoding") && encoding.next() && encoding.value(0).toString() == "UTF-8";
    }
    QStringList columns;
    for (const CsvColumn& c : kCsvColumns)
        columns << (c.kind == Kind::Text && bytes ? QStringLiteral("CAST(%1 AS BLOB)").arg(c.sql) : QString::fromLatin1(c.sql));
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare("SELECT " + columns.join(", ") + " FROM board_jobs" + whereOf(filter) + " ORDER BY started, id");
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());

    QByteArray out;
    out.reserve(kChunk + 4096);
    for (const CsvColumn& c : kCsvColumns)
        out.append(c.name).append(',');
    out.back() = '\r';
    out += '\n';
    constexpr int kCount = static_cast<int>(std::size(kCsvColumns));
    while (q.next()) {
        for (int i = 0; i < kCount; ++i) {
            const QVariant value = q.value(i);
            const Kind kind = kCsvColumns[i].kind;
            if (kind == Kind::Flag)
                out += value.toLongLong() != 0 ? '1' : '0';
            else if (!value.isNull() && kind == Kind::Text)
                addField(out, value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8());
            else if (!value.isNull() && kind == Kind::Whole)
                out += QByteArray::number(value.toLongLong());
            else if (!value.isNull())
                out += QByteArray::number(value.toDouble(), 'f', 3);
            out += ',';
        }
        out.back() = '\r';
        out += '\n';
        if (out.size() > kChunk) {
            write(out);
            out.resize(0); // keeps its room
        }
    }
    write(out);
    if (q.lastError().isValid())
        return fail("read", q.lastError().text());
    return {};
}

} // namespace auxpad
