#include "web/api_query.h"

namespace auxpad::web {

auxpad::Expected<auxpad::RecordFilter, QString> filterOf(const QUrlQuery& query, const QDateTime& now)
{
    auxpad::RecordFilter filter;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("station"))
            filter.station = value;
        else if (key == QLatin1String("since"))
            filter.since = value;
        else
            return auxpad::unexpected(QStringLiteral("unknown parameter %1: the API takes station and since").arg(key));
    }
    if (filter.since.isEmpty())
        filter.since = QDateTime(now.toUTC().date(), QTime(0, 0), Qt::UTC).toString(Qt::ISODate);
    // The report's own words, with the parameter's name for the option's.
    if (const auto normal = filter.normalize(); !normal) {
        const QString& why = normal.error();
        return auxpad::unexpected(why.startsWith(QLatin1String("--")) ? why.mid(2) : why);
    }
    return filter;
}

} // namespace auxpad::web
