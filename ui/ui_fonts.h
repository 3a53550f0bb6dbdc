#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace auxpad::ui {

// The windows were laid out for MS Sans Serif; where it is missing, the closest sans
// font installed stands in at the same point size.
QFont sansFont(double pointSize, bool bold = false);

// `font`, its letters closed up just enough for `text` to fit `width` pixels when the
// stand-in for MS Sans Serif runs a pixel or two wider than the captions were sized for.
// Point size and weight stay; a caption far too wide is left as it is.
QFont fitted(const QFont& font, const QString& text, int width);

// Arial for the log and the input line, or its metric twin.
QFont arialFont(double pointSize);

} // namespace auxpad::ui
