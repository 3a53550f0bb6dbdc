#include "records/record_columns.h"
#include "records/sql_values.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace auxpad {

namespace {

QString text(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

std::optional<double> number(const QVariant& v)
{
    return v.isNull() ? std::optional<double>() : v.toDouble();
}

// The columns of a record, each with how it is written and read: the one list every
// statement is made from.
struct Column {
    const char* name;
    QVariant (*get)(const JobRecord&);
    void (*set)(JobRecord&, const QVariant&);
    // A text column's member as it is, for the content's hash: a million records are hashed
    // in an audit, and a QVariant of each value would cost more than the hash.
    const QString& (*textOf)(const JobRecord&) = nullptr;
};

#define TEXT_COLUMN(column, member)                                                                                   \
    Column                                                                                                            \
    {                                                                                                                 \
        column, [](const JobRecord& r) { return orNull(r.member); },                                                  \
            [](JobRecord& r, const QVariant& v) { r.member = text(v); },                                              \
            [](const JobRecord& r) -> const QString& { return r.member; }                                             \
    }
// A download file's columns: the path says whether there is one, so it comes first.
#define FILE_COLUMN(prefix, suffix, member, get, set)                                                                 \
    Column                                                                                                            \
    {                                                                                                                 \
        prefix suffix, [](const JobRecord& r) { return r.member ? QVariant(get) : QVariant(); },                       \
            [](JobRecord& r, const QVariant& v) {                                                                     \
                if (r.member)                                                                                         \
                    set;                                                                                              \
            }                                                                                                         \
    }
#define FILE_PATH_COLUMN(prefix, member)                                                                              \
    Column{prefix "_file", [](const JobRecord& r) { return r.member ? QVariant(r.member->path) : QVariant(); },        \
           [](JobRecord& r, const QVariant& v) {                                                                      \
               r.member.reset();                                                                                      \
               if (!v.isNull())                                                                                       \
                   r.member.emplace().path = text(v);                                                                 \
           }}

// The columns a report's table shows come first: a table of a hundred thousand records
// reads those alone.
const Column kColumns[] = {
    TEXT_COLUMN("started", started),
    TEXT_COLUMN("finished", finished),
    TEXT_COLUMN("station", station),
    TEXT_COLUMN("journal", journal), // shown beside the station where two journals share its name
    TEXT_COLUMN("port", port),
    TEXT_COLUMN("job", job),
    TEXT_COLUMN("result", result),
    TEXT_COLUMN("caption", caption),
    TEXT_COLUMN("serial", serial),
    TEXT_COLUMN("hardware", hardware),
    TEXT_COLUMN("mcusw", mcusw),
    TEXT_COLUMN("dspsw", dspsw),
    TEXT_COLUMN("code", code),
    TEXT_COLUMN("manufacture", manufacture),
    FILE_PATH_COLUMN("disk", disk),
    FILE_COLUMN("disk", "_sha256", disk, r.disk->sha256, r.disk->sha256 = text(v)),
    FILE_COLUMN("disk", "_blocks", disk, orNull(r.disk->blocks), if (!v.isNull()) r.disk->blocks = v.toInt()),
    FILE_PATH_COLUMN("data", data),
    FILE_COLUMN("data", "_sha256", data, r.data->sha256, r.data->sha256 = text(v)),
    FILE_COLUMN("data", "_blocks", data, orNull(r.data->blocks), if (!v.isNull()) r.data->blocks = v.toInt()),
    Column{"seconds", [](const JobRecord& r) { return orNull(r.seconds); },
           [](JobRecord& r, const QVariant& v) { r.seconds = number(v); }},
    // The table ends here.
    TEXT_COLUMN("device", device),
    TEXT_COLUMN("message", message),
    Column{"defaults_used", [](const JobRecord& r) { return QVariant(r.defaultsUsed ? 1 : 0); },
           [](JobRecord& r, const QVariant& v) { r.defaultsUsed = v.toInt() != 0; }},
    FILE_COLUMN("disk", "_size", disk, r.disk->size, r.disk->size = v.toLongLong()),
    FILE_COLUMN("disk", "_seconds", disk, orNull(r.disk->seconds), r.disk->seconds = number(v)),
    FILE_COLUMN("data", "_size", data, r.data->size, r.data->size = v.toLongLong()),
    FILE_COLUMN("data", "_seconds", data, orNull(r.data->seconds), r.data->seconds = number(v)),
    Column{"format_wait_seconds", [](const JobRecord& r) { return orNull(r.formatWaitSeconds); },
           [](JobRecord& r, const QVariant& v) { r.formatWaitSeconds = number(v); }},
    TEXT_COLUMN("tool_version", toolVersion),
    Column{"pid", [](const JobRecord& r) { return QVariant(r.pid); },
           [](JobRecord& r, const QVariant& v) { r.pid = v.toLongLong(); }},
    TEXT_COLUMN("job_uuid", uuid),
    Column{"revision", [](const JobRecord& r) { return QVariant(r.revision); },
           [](JobRecord& r, const QVariant& v) { r.revision = v.toInt(); }},
    TEXT_COLUMN("line_db", lineDb),
    TEXT_COLUMN("recipe", recipe),
    TEXT_COLUMN("recipe_sha256", recipeSha256),
    TEXT_COLUMN("serial_source", serialSource),
    TEXT_COLUMN("readback", readBack),
    TEXT_COLUMN("operator", operatorId),
    TEXT_COLUMN("work_order", order),
    TEXT_COLUMN("reason", reason),
    Column{"tried_again", [](const JobRecord& r) { return QVariant(r.triedAgain ? 1 : 0); },
           [](JobRecord& r, const QVariant& v) { r.triedAgain = v.toInt() != 0; }},
    TEXT_COLUMN("board", board),
    TEXT_COLUMN("step", step),
    TEXT_COLUMN("cause", cause),
    TEXT_COLUMN("first_try", firstTry),
    // Where the revision stands in its journal's chain: the last columns, outside its content.
    TEXT_COLUMN("content_sha256", contentSha256),
    Column{"chain_seq", [](const JobRecord& r) { return r.chainSeq > 0 ? QVariant(r.chainSeq) : QVariant(); },
           [](JobRecord& r, const QVariant& v) { r.chainSeq = v.isNull() ? 0 : v.toLongLong(); }},
    TEXT_COLUMN("chain_prev", chainPrev),
};

// The columns outside a record's content: where it is kept, and its place in the chain.
bool outsideContent(const char* column)
{
    for (const char* kept : {"journal", "line_db", "content_sha256", "chain_seq", "chain_prev"})
        if (qstrcmp(column, kept) == 0)
            return true;
    return false;
}

#undef TEXT_COLUMN
#undef FILE_COLUMN
#undef FILE_PATH_COLUMN

QString columnList(std::size_t count = std::size(kColumns))
{
    QStringList names;
    for (std::size_t i = 0; i < count; ++i)
        names << kColumns[i].name;
    return names.join(", ");
}

} // namespace

const std::size_t kRecordColumns = std::size(kColumns);

QString selectList(std::size_t count)
{
    return "id, " + columnList(count);
}

void readRecord(const QSqlQuery& q, JobRecord& r, std::size_t count)
{
    r.id = q.value(0).toLongLong();
    for (std::size_t i = 0; i < count; ++i)
        kColumns[i].set(r, q.value(static_cast<int>(i + 1)));
}

void bindRecord(QSqlQuery& q, const JobRecord& r)
{
    for (const Column& c : kColumns)
        q.addBindValue(c.get(r));
}

namespace {

// A value's UTF-8 on one line: a backslash doubled, a line break as \n. Most values have
// neither, and ASCII goes straight in.
void appendEscaped(QByteArray& out, const QString& value)
{
    const qsizetype at = out.size();
    out.resize(at + value.size());
    char* to = out.data() + at;
    for (const QChar c : value) {
        if (c.unicode() >= 0x80 || c == u'\\' || c == u'\n') {
            out.resize(at);
            out += value.toUtf8().replace('\\', "\\\\").replace('\n', "\\n");
            return;
        }
        *to++ = static_cast<char>(c.unicode());
    }
}

// The columns of a record's content, in their order.
const std::vector<const Column*>& contentColumns()
{
    static const std::vector<const Column*> columns = [] {
        std::vector<const Column*> out;
        for (const Column& c : kColumns)
            if (!outsideContent(c.name))
                out.push_back(&c);
        return out;
    }();
    return columns;
}

} // namespace

QByteArray canonicalContent(const JobRecord& r)
{
    QByteArray out;
    out.reserve(1024);
    appendContent(out, r);
    return out;
}

void appendContent(QByteArray& out, const JobRecord& r)
{
    for (const Column* column : contentColumns()) {
        const Column& c = *column;
        out += c.name;
        if (c.textOf) {
            const QString& t = c.textOf(r);
            if (t.isNull()) {
                out += "\n";
            } else {
                out += '=';
                appendEscaped(out, t);
                out += '\n';
            }
            continue;
        }
        const QVariant v = c.get(r);
        if (v.isNull()) {
            out += "\n"; // no '=': a null is not an empty text
            continue;
        }
        out += '=';
        if (v.typeId() == QMetaType::Double) {
            out += QByteArray::number(v.toDouble(), 'g', 17);
        } else {
            appendEscaped(out, v.toString());
        }
        out += '\n';
    }
}

QStringList differingColumns(const JobRecord& a, const JobRecord& b)
{
    QStringList out;
    for (const Column& c : kColumns) {
        if (outsideContent(c.name))
            continue;
        const QVariant x = c.get(a), y = c.get(b);
        if (x.isNull() != y.isNull() || x.toString() != y.toString())
            out << QStringLiteral("%1: %2, %3")
                       .arg(QLatin1String(c.name), x.isNull() ? QStringLiteral("none") : x.toString(),
                            y.isNull() ? QStringLiteral("none") : y.toString());
    }
    return out;
}

QString upsertStatement()
{
    QStringList values, updates;
    for (const Column& c : kColumns) {
        values << "?";
        updates << QStringLiteral("%1 = excluded.%1").arg(c.name);
    }
    return QStringLiteral("INSERT INTO board_jobs (%1) VALUES (%2) ON CONFLICT (job_uuid) DO UPDATE SET %3 "
                          "WHERE board_jobs.revision <= excluded.revision")
        .arg(columnList(), values.join(", "), updates.join(", "));
}

} // namespace auxpad
