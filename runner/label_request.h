#pragma once

#include <QDate>

#include <optional>

#include "label/label_spool.h"
#include "runner/recipe.h"

namespace auxpad {

// The label a passed bring-up asks for, when its recipe has one: the values written to
// the board, the recipe's name, the station as the records name it, the day; the operator
// and the order when the front knows them, else empty.
std::optional<LabelRequest> labelRequest(const Recipe& recipe, const ProductFields& written, const QString& bringUp,
                                         const QDate& today, const QString& station, const QString& operatorName = {},
                                         const QString& order = {});

} // namespace auxpad
