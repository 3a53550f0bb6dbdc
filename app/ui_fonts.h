#pragma once

#include <QFont>
#include <QStringList>

namespace ui {

// The windows were laid out for MS Sans Serif; where it is missing, the closest sans
// font installed stands in at the same point size.
QFont sansFont(double pointSize, bool bold = false);

// Arial for the log and the input line, or its metric twin.
QFont arialFont(double pointSize);

} // namespace ui
