#include "ui/ui_fonts.h"

#include <QFontMetricsF>

namespace auxpad::ui {

QFont sansFont(double pointSize, bool bold)
{
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont fitted(const QFont& font, const QString& text, int width)
{
    constexpr double kMostSqueeze = 0.5; // pixels per letter; more would show
    const double over = QFontMetricsF(font).horizontalAdvance(text) - width;
    if (over <= 0 || text.isEmpty() || over > kMostSqueeze * text.size())
        return font;
    QFont closer = font;
    // A little extra so that rounding on the way to the screen cannot undo the fit.
    closer.setLetterSpacing(QFont::AbsoluteSpacing, -(over + 0.5) / text.size());
    return closer;
}

QFont arialFont(double pointSize)
{
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace auxpad::ui
