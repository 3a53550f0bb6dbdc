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
// operators, or orders: the summary's `per`) in the legend, and each one's yield where it had boards
// (or jobs, with --per job).
struct Layout {
    QStringList periods;
    QStringList stations;
    std::map<std::pair<qsizetype, qsizetype>, double> yield; // by station and period
    qint64 tried = 0;

    // A slot's line is named by its station and port.
    static QString nameOf(const auxpad::StationYield& r) { return r.port.isEmpty() ? r.group : r.group + ' ' + r.port; }

    explicit Layout(const Summary& s)
    {
        for (const auto& r : s.rows) {
            periods << r.period;
            stations << nameOf(r);
            tried += r.tried;
        }
        for (QStringList* list : {&periods, &stations}) {
            list->sort();
            list->removeDuplicates();
        }
        for (const auto& r : s.rows)
            yield[{stations.indexOf(nameOf(r)), periods.indexOf(r.period)}] = r.yield();
    }
};

QString titleOf(const Summary& s)
{
    const QString each = s.per == auxpad::Per::Slot ? auxpad::nameOf(auxpad::Per::Slot) : s.group();
    return s.counting() == auxpad::Counting::Jobs
        ? QStringLiteral("Yield of each %1's jobs, by %2").arg(each, auxpad::nameOf(s.by))
        : QStringLiteral("Yield of each %1, by %2").arg(each, auxpad::nameOf(s.by));
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
    parts << QLocale(QLocale::English).toString(layout.tried) + ' ' + auxpad::nameOf(s.counting());
    return parts.join(QStringLiteral("  \u00b7  "));
}

QFont sized(QFont font, int pixels, bool bold = false)
{
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

const QColor kInk(0x22, 0x22, 0x22);

QColor colourOf(qsizetype station)
{
    return kPalette[station % static_cast<qsizetype>(std::size(kPalette))];
}

// One chart being painted: where the plot sits and how yields and periods map onto it.
class Chart {
public:
    Chart(QPainter& p, const Summary& s) : p_(p), s_(s), layout_(s), base_(p.font())
    {
        // Lines: the yield axis runs up to 100 % from a round number below the lowest
        // yield, so that the usual high yields stay apart. Bars stand on 0 %, or their
        // lengths would lie.
        double lowest = 100;
        for (const auto& [where, yield] : layout_.yield)
            lowest = std::min(lowest, yield);
        bottom_ = bars() ? 0.0 : std::min(90.0, std::floor(lowest / 10) * 10);
        slot_ = periods() > 0 ? plot_.width() / static_cast<double>(periods()) : plot_.width();
    }

    void paint(const auxpad::RecordFilter& filter)
    {
        p_.setRenderHint(QPainter::Antialiasing);
        p_.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);
        paintTitles(filter);
        paintYieldAxis();
        paintPeriodAxis();
        if (layout_.stations.isEmpty()) {
            p_.setFont(sized(base_, 18));
            p_.drawText(plot_, Qt::AlignCenter, QStringLiteral("No records pass the filters."));
        }
        bars() ? paintBars() : paintLines();
        paintLegend();
        paintFailures();
    }

private:
    bool bars() const { return layout_.periods.size() == 1; }
    qsizetype periods() const { return layout_.periods.size(); }
    qsizetype stations() const { return layout_.stations.size(); }
    double yOf(double yield) const { return plot_.bottom() - (yield - bottom_) / (100 - bottom_) * plot_.height(); }
    double xOf(qsizetype period) const { return plot_.left() + (static_cast<double>(period) + 0.5) * slot_; }

    void paintTitles(const auxpad::RecordFilter& filter)
    {
        p_.setPen(kInk);
        p_.setFont(sized(base_, 24, true));
        p_.drawText(QRect(24, 14, kWidth - 48, 34), Qt::AlignLeft | Qt::AlignVCenter, titleOf(s_));
        p_.setFont(sized(base_, 15));
        p_.setPen(QColor(0x55, 0x55, 0x55));
        p_.drawText(QRect(24, 50, kWidth - 48, 24), Qt::AlignLeft | Qt::AlignVCenter,
                    p_.fontMetrics().elidedText(subtitleOf(s_, layout_, filter), Qt::ElideRight, kWidth - 48));
    }

    void paintYieldAxis()
    {
        const double span = 100 - bottom_;
        const double step = span <= 10 ? 2 : span <= 30 ? 5 : span <= 60 ? 10 : 20;
        p_.setFont(sized(base_, 13));
        for (double tick = bottom_; tick <= 100.001; tick += step) {
            p_.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 1));
            p_.drawLine(QPointF(plot_.left(), yOf(tick)), QPointF(plot_.right(), yOf(tick)));
            p_.setPen(kInk);
            p_.drawText(QRectF(plot_.left() - 56, yOf(tick) - 10, 48, 20), Qt::AlignRight | Qt::AlignVCenter,
                        QString::number(tick, 'f', 0));
        }
        p_.setFont(sized(base_, 15));
        p_.save();
        p_.translate(26, plot_.center().y());
        p_.rotate(-90);
        p_.drawText(QRectF(-plot_.height() / 2, -12, plot_.height(), 24), Qt::AlignCenter, QStringLiteral("yield (%)"));
        p_.restore();
        p_.drawText(QRectF(plot_.left(), plot_.bottom() + 44, plot_.width(), 24), Qt::AlignCenter,
                    QStringLiteral("period (%1)").arg(periodWords(s_.by)));
    }

    // The periods along the bottom, as many of their names as fit side by side.
    void paintPeriodAxis()
    {
        p_.setFont(sized(base_, 13));
        qsizetype every = 1;
        if (periods() > 0) {
            const double nameWidth = p_.fontMetrics().horizontalAdvance(layout_.periods.last()) + 16;
            every = std::max<qsizetype>(1, static_cast<qsizetype>(std::ceil(nameWidth / slot_)));
        }
        const double span = slot_ * static_cast<double>(every);
        for (qsizetype i = 0; i < periods(); i += every) {
            p_.setPen(QPen(kInk, 1));
            p_.drawLine(QPointF(xOf(i), plot_.bottom()), QPointF(xOf(i), plot_.bottom() + 5));
            p_.drawText(QRectF(xOf(i) - span / 2, plot_.bottom() + 8, span, 20), Qt::AlignHCenter | Qt::AlignTop,
                        layout_.periods[i]);
        }
        p_.setPen(QPen(kInk, 1.5));
        p_.drawLine(plot_.bottomLeft(), plot_.bottomRight());
        p_.drawLine(plot_.bottomLeft(), plot_.topLeft());
    }

    // One period: a bar a station, side by side, with its figure above it.
    void paintBars()
    {
        const double width = std::min(64.0, slot_ * 0.8 / static_cast<double>(stations()));
        for (qsizetype st = 0; st < stations(); ++st) {
            const auto found = layout_.yield.find({st, 0});
            if (found == layout_.yield.end())
                continue;
            const double x = xOf(0) + (static_cast<double>(st) - static_cast<double>(stations()) / 2) * width;
            const QRectF bar(QPointF(x + 2, yOf(found->second)), QPointF(x + width - 2, plot_.bottom()));
            p_.fillRect(bar, colourOf(st));
            p_.setPen(kInk);
            p_.drawText(QRectF(bar.left() - 20, bar.top() - 22, bar.width() + 40, 20), Qt::AlignCenter,
                        QString::number(found->second, 'f', 1));
        }
    }

    // A line a station, broken where it had no boards, with a dot at each period.
    void paintLines()
    {
        for (qsizetype st = 0; st < stations(); ++st) {
            QPainterPath path;
            bool drawing = false;
            std::vector<QPointF> dots;
            for (qsizetype pe = 0; pe < periods(); ++pe) {
                const auto found = layout_.yield.find({st, pe});
                if (found == layout_.yield.end()) {
                    drawing = false;
                    continue;
                }
                const QPointF point(xOf(pe), yOf(found->second));
                drawing ? path.lineTo(point) : path.moveTo(point);
                drawing = true;
                dots.push_back(point);
            }
            p_.setPen(QPen(colourOf(st), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p_.setBrush(Qt::NoBrush);
            p_.drawPath(path);
            // Dots closer than a few pixels would only thicken the line.
            if (slot_ < 8)
                continue;
            p_.setBrush(colourOf(st));
            for (const QPointF& dot : dots)
                p_.drawEllipse(dot, 3.5, 3.5);
        }
    }

    // The failures under the legend, as the report groups them: a line a step and cause,
    // the most frequent first, with how many and their share.
    static constexpr qsizetype kFailuresShown = 4;
    static constexpr double kFailureLine = 20; // two a failure: where and why, then how many
    qsizetype failuresShown() const { return std::min<qsizetype>(kFailuresShown, static_cast<qsizetype>(s_.failures.size())); }
    double failuresHeight() const
    {
        return failuresShown() > 0 ? static_cast<double>(2 * failuresShown() + 2) * kFailureLine : 0;
    }

    void paintFailures()
    {
        if (failuresShown() == 0)
            return;
        const double left = plot_.right() + 28;
        const double width = kWidth - left - 12;
        double y = plot_.bottom() - failuresHeight() + kFailureLine;
        const auto line = [&](const QString& text) {
            p_.drawText(QRectF(left, y, width, kFailureLine), Qt::AlignLeft | Qt::AlignVCenter,
                        p_.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(width)));
            y += kFailureLine;
        };
        p_.setPen(kInk);
        p_.setFont(sized(base_, 14, true));
        line(QStringLiteral("Failures"));
        for (qsizetype i = 0; i < failuresShown(); ++i) {
            const auto& f = s_.failures[static_cast<std::size_t>(i)];
            p_.setFont(sized(base_, 13, true));
            line(QStringLiteral("%1: %2").arg(f.step.isEmpty() ? QStringLiteral("-") : f.step, f.cause));
            p_.setFont(sized(base_, 13));
            line(QStringLiteral("%1, %2 %").arg(f.count).arg(f.share, 0, 'f', 1));
        }
    }

    // The legend, right of the plot: as many stations as fit above the failures, and how
    // many more there are.
    void paintLegend()
    {
        p_.setFont(sized(base_, 14));
        const double left = plot_.right() + 28;
        const double lineHeight = 26;
        const double textLeft = left + 34;
        const double room = plot_.height() - failuresHeight();
        const auto fit = static_cast<qsizetype>((room - lineHeight) / lineHeight);
        for (qsizetype st = 0; st < stations(); ++st) {
            const double y = plot_.top() + static_cast<double>(st) * lineHeight;
            if (st == fit && stations() > fit + 1) {
                p_.setPen(kInk);
                p_.drawText(QRectF(left, y, kWidth - left - 16, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                            QStringLiteral("and %1 more").arg(stations() - fit));
                break;
            }
            if (bars()) {
                p_.fillRect(QRectF(left + 5, y + lineHeight / 2 - 7, 14, 14), colourOf(st));
            } else {
                p_.setPen(QPen(colourOf(st), 2.5));
                p_.drawLine(QPointF(left, y + lineHeight / 2), QPointF(left + 24, y + lineHeight / 2));
                p_.setBrush(colourOf(st));
                p_.drawEllipse(QPointF(left + 12, y + lineHeight / 2), 3.5, 3.5);
            }
            p_.setPen(kInk);
            p_.drawText(QRectF(textLeft, y, kWidth - textLeft - 16, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                        p_.fontMetrics().elidedText(layout_.stations[st], Qt::ElideRight,
                                                    static_cast<int>(kWidth - textLeft - 16)));
        }
    }

    QPainter& p_;
    const Summary& s_;
    const Layout layout_;
    const QFont base_;
    const QRectF plot_{QPointF(96, 104), QPointF(kWidth - 230, kHeight - 92)};
    double bottom_ = 0;
    double slot_ = 0;
};

void paint(QPainter& p, const Summary& s, const auxpad::RecordFilter& filter)
{
    Chart(p, s).paint(filter);
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
