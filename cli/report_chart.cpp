// `report --chart`: each station's yield per period, painted with Qt off screen into a
// PNG or an SVG file.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <map>

#include "cli/report_forms.h"

namespace auxpad::cli {

namespace {

using auxpad::Period;
using auxpad::Summary;

constexpr int kWidth = 1200;
constexpr int kHeight = 675;

// Colours that stay apart from one another on white and for most eyes.
const QColor kPalette[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                           QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                           QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
                           QColor(0x17, 0xbe, 0xcf)};

QString periodWords(Period by)
{
    return nameOf(by) + (by == Period::Week ? QStringLiteral(" from Monday, UTC") : QStringLiteral(", UTC"));
}

// A filter's time as a person would have written it: a midnight is its day.
QString shortTime(const QString& time)
{
    return time.endsWith(QLatin1String("T00:00:00.000Z")) ? time.left(10) : time;
}

// The summary laid out for painting: the periods along the bottom, the stations (or
// operators, or orders: the summary's `per`) in the legend, and each one's yield where it had jobs.
struct Layout {
    QStringList periods;
    QStringList stations;
    std::map<std::pair<qsizetype, qsizetype>, double> yield; // by station and period
    qint64 jobs = 0;

    explicit Layout(const Summary& s)
    {
        for (const auto& r : s.rows) {
            periods << r.period;
            stations << r.group;
            jobs += r.jobs;
        }
        for (QStringList* list : {&periods, &stations}) {
            list->sort();
            list->removeDuplicates();
        }
        for (const auto& r : s.rows)
            yield[{stations.indexOf(r.group), periods.indexOf(r.period)}] = r.yield();
    }
};

QString titleOf(const Summary& s)
{
    return QStringLiteral("Yield of each %1, by %2").arg(auxpad::nameOf(s.per), auxpad::nameOf(s.by));
}

QString subtitleOf(const Summary& s, const Layout& layout, const auxpad::RecordFilter& filter)
{
    QStringList parts;
    // The span: the first and the last period, each named by its start.
    if (layout.periods.size() == 1)
        parts << QStringLiteral("%1 %2 (UTC)").arg(auxpad::nameOf(s.by), layout.periods.first());
    else if (!layout.periods.isEmpty())
        parts << QStringLiteral("%1s %2 to %3 (UTC)").arg(auxpad::nameOf(s.by), layout.periods.first(), layout.periods.last());
    QStringList filters;
    for (const auto& [name, value] : filter.given())
        filters << name + ' ' + (name == "since" || name == "until" ? shortTime(value) : value);
    parts << (filters.isEmpty() ? QStringLiteral("all records") : filters.join(", "));
    parts << QLocale(QLocale::English).toString(layout.jobs) + " jobs";
    return parts.join(QStringLiteral("  \u00b7  "));
}

QFont sized(QFont font, int pixels, bool bold = false)
{
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void paint(QPainter& p, const Summary& s, const auxpad::RecordFilter& filter)
{
    const Layout layout(s);
    const QFont base = p.font();
    const QColor ink(0x22, 0x22, 0x22);
    const QColor faint(0xdd, 0xdd, 0xdd);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);

    p.setPen(ink);
    p.setFont(sized(base, 24, true));
    p.drawText(QRect(24, 14, kWidth - 48, 34), Qt::AlignLeft | Qt::AlignVCenter, titleOf(s));
    p.setFont(sized(base, 15));
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.drawText(QRect(24, 50, kWidth - 48, 24), Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(subtitleOf(s, layout, filter), Qt::ElideRight, kWidth - 48));

    const QRectF plot(QPointF(96, 104), QPointF(kWidth - 230, kHeight - 92));

    // Lines: the yield axis runs up to 100 % from a round number below the lowest yield, so
    // that the usual high yields stay apart. Bars stand on 0 %, or their lengths would lie.
    const bool bars = layout.periods.size() == 1;
    double lowest = 100;
    for (const auto& [where, yield] : layout.yield)
        lowest = std::min(lowest, yield);
    const double bottom = bars ? 0.0 : std::min(90.0, std::floor(lowest / 10) * 10);
    const double step = 100 - bottom <= 10 ? 2 : 100 - bottom <= 30 ? 5 : 100 - bottom <= 60 ? 10 : 20;
    auto yOf = [&](double yield) { return plot.bottom() - (yield - bottom) / (100 - bottom) * plot.height(); };
    p.setFont(sized(base, 13));
    for (double tick = bottom; tick <= 100.001; tick += step) {
        p.setPen(QPen(faint, 1));
        p.drawLine(QPointF(plot.left(), yOf(tick)), QPointF(plot.right(), yOf(tick)));
        p.setPen(ink);
        p.drawText(QRectF(plot.left() - 56, yOf(tick) - 10, 48, 20), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(tick, 'f', 0));
    }
    p.setFont(sized(base, 15));
    p.save();
    p.translate(26, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -12, plot.height(), 24), Qt::AlignCenter, QStringLiteral("yield (%)"));
    p.restore();
    p.drawText(QRectF(plot.left(), plot.bottom() + 44, plot.width(), 24), Qt::AlignCenter,
               QStringLiteral("period (%1)").arg(periodWords(s.by)));

    // The periods along the bottom, as many of their names as fit side by side.
    const auto periods = layout.periods.size();
    const double slot = periods > 0 ? plot.width() / static_cast<double>(periods) : plot.width();
    auto xOf = [&](qsizetype period) { return plot.left() + (static_cast<double>(period) + 0.5) * slot; };
    p.setFont(sized(base, 13));
    qsizetype every = 1;
    if (periods > 0) {
        const double nameWidth = p.fontMetrics().horizontalAdvance(layout.periods.last()) + 16;
        every = std::max<qsizetype>(1, static_cast<qsizetype>(std::ceil(nameWidth / slot)));
    }
    for (qsizetype i = 0; i < periods; i += every) {
        p.setPen(QPen(ink, 1));
        p.drawLine(QPointF(xOf(i), plot.bottom()), QPointF(xOf(i), plot.bottom() + 5));
        p.drawText(QRectF(xOf(i) - slot * static_cast<double>(every) / 2, plot.bottom() + 8, slot * static_cast<double>(every), 20),
                   Qt::AlignHCenter | Qt::AlignTop, layout.periods[i]);
    }
    p.setPen(QPen(ink, 1.5));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());

    if (layout.stations.isEmpty()) {
        p.setFont(sized(base, 18));
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("No records pass the filters."));
    }
    const auto stations = layout.stations.size();
    auto colourOf = [](qsizetype station) { return kPalette[station % static_cast<qsizetype>(std::size(kPalette))]; };
    if (bars) {
        // One period: a bar a station, side by side, with its figure above it.
        const double width = std::min(64.0, slot * 0.8 / static_cast<double>(stations));
        for (qsizetype st = 0; st < stations; ++st) {
            const auto found = layout.yield.find({st, 0});
            if (found == layout.yield.end())
                continue;
            const double x = xOf(0) + (static_cast<double>(st) - static_cast<double>(stations) / 2) * width;
            const QRectF bar(QPointF(x + 2, yOf(found->second)), QPointF(x + width - 2, plot.bottom()));
            p.fillRect(bar, colourOf(st));
            p.setPen(ink);
            p.drawText(QRectF(bar.left() - 20, bar.top() - 22, bar.width() + 40, 20), Qt::AlignCenter,
                       QString::number(found->second, 'f', 1));
        }
    } else {
        // A line a station, broken where it had no jobs, with a dot at each period.
        for (qsizetype st = 0; st < stations; ++st) {
            QPainterPath path;
            bool drawing = false;
            std::vector<QPointF> dots;
            for (qsizetype pe = 0; pe < periods; ++pe) {
                const auto found = layout.yield.find({st, pe});
                if (found == layout.yield.end()) {
                    drawing = false;
                    continue;
                }
                const QPointF point(xOf(pe), yOf(found->second));
                drawing ? path.lineTo(point) : path.moveTo(point);
                drawing = true;
                dots.push_back(point);
            }
            p.setPen(QPen(colourOf(st), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            // Dots closer than a few pixels would only thicken the line.
            if (slot < 8)
                continue;
            p.setBrush(colourOf(st));
            for (const QPointF& dot : dots)
                p.drawEllipse(dot, 3.5, 3.5);
        }
    }

    // The legend, right of the plot: as many stations as fit, and how many more there are.
    p.setFont(sized(base, 14));
    const double left = plot.right() + 28;
    const double lineHeight = 26;
    const auto fit = static_cast<qsizetype>((plot.height() - lineHeight) / lineHeight);
    for (qsizetype st = 0; st < stations; ++st) {
        const double y = plot.top() + static_cast<double>(st) * lineHeight;
        if (st == fit && stations > fit + 1) {
            p.setPen(ink);
            p.drawText(QRectF(left, y, kWidth - left - 16, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("and %1 more").arg(stations - fit));
            break;
        }
        if (bars) {
            p.fillRect(QRectF(left + 5, y + lineHeight / 2 - 7, 14, 14), colourOf(st));
        } else {
            p.setPen(QPen(colourOf(st), 2.5));
            p.drawLine(QPointF(left, y + lineHeight / 2), QPointF(left + 24, y + lineHeight / 2));
            p.setBrush(colourOf(st));
            p.drawEllipse(QPointF(left + 12, y + lineHeight / 2), 3.5, 3.5);
        }
        p.setPen(ink);
        const double textLeft = left + 34;
        p.drawText(QRectF(textLeft, y, kWidth - textLeft - 16, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(layout.stations[st], Qt::ElideRight, static_cast<int>(kWidth - textLeft - 16)));
    }
}

bool isSvg(const QString& file)
{
    return file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

} // namespace

bool isChartFile(const QString& file)
{
    return isSvg(file) || file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
}

auxpad::Expected<void, QString> paintChart(const Summary& summary, const auxpad::RecordFilter& filter,
                                           const QString& file)
{
    // Text is laid out with the fonts a QGuiApplication finds; `main` makes one, off screen.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return auxpad::unexpected(QStringLiteral("the chart can be painted only in a QGuiApplication"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return auxpad::unexpected(QStringLiteral("the chart cannot be written to %1: %2").arg(file, out.errorString()));
    bool written = false;
    if (isSvg(file)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(QSize(kWidth, kHeight));
        svg.setViewBox(QRect(0, 0, kWidth, kHeight));
        svg.setTitle(titleOf(summary));
        QPainter painter;
        if (painter.begin(&svg)) {
            paint(painter, summary, filter);
            written = painter.end();
        }
    } else {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        QPainter painter(&image);
        paint(painter, summary, filter);
        painter.end();
        written = image.save(&out, "PNG");
    }
    if (!written || !out.flush())
        return auxpad::unexpected(QStringLiteral("the chart cannot be written to %1: %2").arg(file, out.errorString()));
    return {};
}

} // namespace auxpad::cli
