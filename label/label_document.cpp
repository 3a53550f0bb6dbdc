#include "label/label_document.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include "label/label_symbol.h"

namespace auxpad {

namespace {

// The smaller fields, a line each under the serial, in this order, each after its name.
const std::pair<const char*, const char*> kSmallFields[] = {
    {"hardware", "HW"}, {"mcusw", "MCU"}, {"dspsw", "DSP"}, {"code", "Code"}, {"manufacture", "Made"}};

constexpr double kMarginMm = 1.5; // also the symbol's quiet zone

// The symbol as filled rectangles, one for each run of dark modules in a row, all in one
// path so that no seam shows between neighbours: a printer gets crisp squares at its own
// resolution, where a bitmap would be scaled.
void drawSymbol(QPainter& painter, const SymbolModules& symbol, const QRectF& box)
{
    const double module = std::min(box.width() / symbol.width, box.height() / symbol.height);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (int y = 0; y < symbol.height; ++y) {
        for (int x = 0; x < symbol.width;) {
            if (!symbol.at(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < symbol.width && symbol.at(x, y))
                ++x;
            path.addRect(box.left() + start * module, box.top() + y * module, (x - start) * module, module);
        }
    }
    painter.fillPath(path, Qt::black);
}

// The largest font, up to `pixels` high, in which `text` fits `width`.
QFont fitted(QFont font, double pixels, const QString& text, double width)
{
    font.setPixelSize(std::max(1, static_cast<int>(pixels)));
    const double wide = QFontMetricsF(font).horizontalAdvance(text);
    if (wide > width && wide > 0)
        font.setPixelSize(std::max(1, static_cast<int>(pixels * width / wide)));
    return font;
}

Expected<LabelDocument, QString> layOut(const LabelSettings& settings, const LabelValues& values)
{
    const auto valueOf = [&](const char* name) {
        const auto it = values.find(QLatin1String(name));
        return it == values.end() ? QString() : it->second;
    };
    const auto symbol = encodeSymbol(settings.symbol, fillLabel(settings.symbolText, values).toUtf8());
    if (!symbol)
        return unexpected(symbol.error());
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("auxpad-flash"));
        writer.setTitle(valueOf("serial"));
        writer.setPageSize(QPageSize(QSizeF(settings.widthMm, settings.heightMm), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        if (!painter.isActive())
            return unexpected(QStringLiteral("the label's PDF page cannot be painted"));
        const double mm = writer.resolution() / 25.4;
        const double margin = kMarginMm * mm, width = settings.widthMm * mm, height = settings.heightMm * mm;
        const double side = std::min(height, width / 2) - 2 * margin;
        drawSymbol(painter, *symbol, QRectF(margin, margin, side, side));

        // The serial large at the top of what is left, the other fields small below it.
        const double left = 2 * margin + side, room = width - left - margin;
        QFont font(QStringLiteral("Liberation Sans"));
        font.setBold(true);
        painter.setPen(Qt::black);
        const QString serial = valueOf("serial");
        painter.setFont(fitted(font, height * 0.28, serial, room));
        double y = margin + QFontMetricsF(painter.font()).ascent();
        painter.drawText(QPointF(left, y), serial);
        y += QFontMetricsF(painter.font()).descent();
        font.setBold(false);
        for (const auto& [name, caption] : kSmallFields) {
            const QString value = valueOf(name);
            if (value.isEmpty())
                continue;
            const QString line = QStringLiteral("%1 %2").arg(QLatin1String(caption), value);
            painter.setFont(fitted(font, height * 0.11, line, room));
            y += QFontMetricsF(painter.font()).ascent();
            if (y > height - margin)
                break;
            painter.drawText(QPointF(left, y), line);
            y += QFontMetricsF(painter.font()).descent();
        }
    }
    return LabelDocument{pdf, kPdfFormat};
}

} // namespace

Expected<LabelDocument, QString> makeLabelDocument(const LabelSettings& settings, const LabelValues& values)
{
    if (settings.templatePath.isEmpty())
        return layOut(settings, values);
    // Values come from boards and stations: a caret or a tilde in one would start a ZPL
    // command of its own.
    for (const auto& [name, value] : values)
        if (value.contains('^') || value.contains('~'))
            return unexpected(QStringLiteral("the label's %1 \"%2\" holds ^ or ~, which a ZPL printer takes as a command")
                                  .arg(name, value));
    return LabelDocument{fillLabel(settings.templateText, values).toUtf8(), kRawFormat};
}

} // namespace auxpad
