#include "app/ui_fonts.h"

namespace ui {

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

QFont arialFont(double pointSize)
{
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace ui
