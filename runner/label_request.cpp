#include "runner/label_request.h"

#include <QSysInfo>

namespace auxpad {

std::optional<LabelRequest> labelRequest(const Recipe& recipe, const ProductFields& written, const QString& bringUp,
                                         const QDate& today, const QString& station, const QString& operatorName,
                                         const QString& order)
{
    if (!recipe.label)
        return std::nullopt;
    LabelRequest request;
    request.settings = *recipe.label;
    request.recipePath = recipe.path;
    request.bringUp = bringUp;
    // Each field's placeholder is its flash.ini key in lower case: {serial}, {code}, ...
    for (std::size_t f = 0; f < kProductFieldCount; ++f)
        request.values[QString::fromLatin1(kProductFieldRules[f].iniKey).toLower()] = QString::fromStdString(written[f]);
    request.values["recipe"] = recipe.name;
    request.values["station"] = station;
    request.values["date"] = today.toString(Qt::ISODate);
    request.values["operator"] = operatorName;
    request.values["order"] = order;
    return request;
}

} // namespace auxpad
