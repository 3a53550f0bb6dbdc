#include "ui/bench_grid.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace auxpad::ui {

namespace {

// The tile's fill and the colour of the text on it, by its state's word.
std::pair<QColor, QColor> coloursOf(const QString& state, bool labelHeld)
{
    const QColor amber(230, 160, 0), white(Qt::white), black(Qt::black);
    if (state == QLatin1String("RUNNING"))
        return {QColor(30, 100, 200), white};
    if (state == QLatin1String("EMPTY"))
        return {QColor(150, 150, 150), black};
    if (state == QLatin1String("FAIL"))
        return {QColor(200, 30, 30), white};
    if (state == QLatin1String("STOPPED") || labelHeld)
        return {amber, black};
    return {QColor(0, 150, 60), white};
}

// The mark beside the letters: a tick, a cross, a bar; a failed tile has a thick frame too.
QString markOf(const QString& state, bool labelHeld)
{
    if (state == QLatin1String("PASS"))
        return labelHeld ? QStringLiteral("\u2713 label held") : QStringLiteral("\u2713");
    if (state == QLatin1String("FAIL"))
        return QStringLiteral("\u2717");
    return state == QLatin1String("STOPPED") ? QStringLiteral("\u2016") : QString();
}

constexpr int kLetterMargin = 10; // between the big letters and the tile's sides

// The width the big letters of `word` take at 100 px, by their outline (side bearings
// aside), over 100.
double inkWidth(const QFont& font, const QString& word)
{
    QFont big = font;
    big.setBold(true);
    big.setPixelSize(100);
    return QFontMetricsF(big).tightBoundingRect(word).width() / 100.0;
}

} // namespace

BoardTile::BoardTile(const BoardStatusModel& model, int row, QWidget* parent) : QWidget(parent), model_(model), row_(row)
{
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(model.at(row, BoardStatusModel::PortRole).toString());
    refresh();
}

void BoardTile::refresh()
{
    setAccessibleName(model_.data(model_.index(row_), Qt::AccessibleTextRole).toString());
    setToolTip(model_.data(model_.index(row_), Qt::ToolTipRole).toString());
    update();
}

int BoardTile::verdictPixels(const QString& word) const
{
    // Two fifths of the tile high, unless the word, squeezed to four fifths of its width,
    // would still not fit across the tile.
    return static_cast<int>(std::min(height() * 0.4, (width() - 2 * kLetterMargin) / (0.8 * inkWidth(font(), word))));
}

void BoardTile::paintEvent(QPaintEvent*)
{
    const auto text = [this](BoardStatusModel::Role role) { return model_.at(row_, role).toString(); };
    const QString state = text(BoardStatusModel::StateRole);
    const bool labelHeld = model_.at(row_, BoardStatusModel::LabelHeldRole).toBool();
    const bool ended = state == QLatin1String("PASS") || state == QLatin1String("FAIL") || state == QLatin1String("STOPPED");
    const auto [fill, ink] = coloursOf(state, labelHeld);
    QPainter p(this);
    const QRect r = rect().adjusted(2, 2, -2, -2);
    p.fillRect(r, fill);
    if (hasFocus() || state == QLatin1String("FAIL")) {
        p.setPen(QPen(hasFocus() ? QColor(255, 220, 0) : ink, 6));
        p.drawRect(r.adjusted(3, 3, -3, -3));
    }
    p.setPen(ink);
    const int line = std::max(12, height() / 11);
    QFont small = font();
    small.setPixelSize(line);
    small.setBold(true);
    p.setFont(small);
    const QRect inner = r.adjusted(10, 6, -10, -6);
    // A slot that fails more than its bench says so beside its port.
    const QString port = text(BoardStatusModel::PortRole);
    p.drawText(inner, Qt::AlignLeft | Qt::AlignTop,
               text(BoardStatusModel::OutlierRole).isEmpty() ? port : QStringLiteral("\u26A0 ") + port);
    QString corner = markOf(state, labelHeld);
    if (const QString tries = text(BoardStatusModel::TriesRole); !tries.isEmpty())
        corner = tries + ' ' + corner;
    p.drawText(inner, Qt::AlignRight | Qt::AlignTop, corner);
    small.setBold(false);
    p.setFont(small);
    p.drawText(inner, Qt::AlignLeft | Qt::AlignBottom, text(BoardStatusModel::SerialRole));

    if (ended)
        paintVerdict(p, state, r, inner, line);
    else
        paintProgress(p, state, inner, line);
}

void BoardTile::paintVerdict(QPainter& p, const QString& state, const QRect& r, const QRect& inner, int line) const
{
    QFont big = font();
    big.setBold(true);
    const int pixels = verdictPixels(state);
    big.setPixelSize(pixels);
    p.setFont(big);
    // A wide face's letters are squeezed across rather than made shorter: their height
    // is what a person a step away reads.
    const double squeeze = std::min(1.0, (width() - 2 * kLetterMargin) / (inkWidth(font(), state) * pixels));
    const QRectF middle = r.adjusted(0, 6 + line, 0, -6 - 2 * line);
    p.save();
    p.translate(middle.center());
    p.scale(squeeze, 1);
    p.drawText(QRectF(-middle.width() / squeeze / 2, -middle.height() / 2, middle.width() / squeeze, middle.height()),
               Qt::AlignCenter, state);
    p.restore();
    if (state != QLatin1String("FAIL"))
        return;
    // Where and why, in a few words: smaller type rather than words cut off, down to
    // three quarters of the tile's line.
    const QString brief = model_.at(row_, BoardStatusModel::NoteRole).toString();
    QFont small = font();
    small.setPixelSize(line);
    const int wide = QFontMetrics(small).horizontalAdvance(brief);
    if (wide > inner.width())
        small.setPixelSize(std::max(line * 3 / 4, line * inner.width() / std::max(wide, 1)));
    p.setFont(small);
    p.drawText(inner.adjusted(0, 0, 0, -line - 4), Qt::AlignHCenter | Qt::AlignBottom,
               p.fontMetrics().elidedText(brief, Qt::ElideRight, inner.width()));
}

// The phase, a thin bar and the percentage.
void BoardTile::paintProgress(QPainter& p, const QString& state, const QRect& inner, int line) const
{
    p.drawText(inner.adjusted(0, 2 * line, 0, 0), Qt::AlignLeft | Qt::AlignTop,
               model_.at(row_, BoardStatusModel::PhaseRole).toString());
    if (state != QLatin1String("RUNNING"))
        return;
    const int percent = model_.at(row_, BoardStatusModel::PercentRole).toInt();
    const QRect bar(inner.left(), inner.center().y(), inner.width(), std::max(4, line / 3));
    p.drawRect(bar);
    p.fillRect(QRect(bar.topLeft(), QSize(bar.width() * percent / 100, bar.height())), p.pen().color());
    QFont big = font();
    big.setBold(true);
    big.setPixelSize(std::max(14, line * 2));
    p.setFont(big);
    p.drawText(inner.adjusted(0, 0, 0, -line - 4), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("%1%").arg(percent));
}

void BoardTile::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return emit flashRequested(row_);
    case Qt::Key_L:
        return emit logRequested(row_);
    case Qt::Key_Left:
        return emit moveRequested(row_, -1, 0);
    case Qt::Key_Right:
        return emit moveRequested(row_, 1, 0);
    case Qt::Key_Up:
        return emit moveRequested(row_, 0, -1);
    case Qt::Key_Down:
        return emit moveRequested(row_, 0, 1);
    default:
        QWidget::keyPressEvent(event);
    }
}

void BoardTile::mouseDoubleClickEvent(QMouseEvent*)
{
    emit logRequested(row_);
}

BenchGrid::BenchGrid(const BoardStatusModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setObjectName("grid");
    for (int i = 0; i < model_.rowCount(); ++i) {
        auto* tile = new BoardTile(model_, i, this);
        tiles_.push_back(tile);
        connect(tile, &BoardTile::flashRequested, this, &BenchGrid::flashRequested);
        connect(tile, &BoardTile::logRequested, this, &BenchGrid::logRequested);
        connect(tile, &BoardTile::moveRequested, this, [this](int row, int across, int down) {
            const int n = static_cast<int>(tiles_.size());
            const int to = std::clamp(row + across + down * columns_, 0, n - 1);
            tiles_[static_cast<std::size_t>(to)]->setFocus();
        });
    }
    connect(&model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from, const QModelIndex& to) {
        for (int i = from.row(); i <= to.row(); ++i) {
            BoardTile* tile = tiles_[static_cast<std::size_t>(i)];
            const QString was = tile->accessibleName();
            tile->refresh();
            if (tile->accessibleName() != was) {
                QAccessibleEvent changed(tile, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&changed);
            }
        }
    });
}

void BenchGrid::resizeEvent(QResizeEvent*)
{
    place();
}

void BenchGrid::place()
{
    const int n = static_cast<int>(tiles_.size());
    if (n == 0)
        return;
    columns_ = std::clamp(width() / kNarrowestTile, 1, std::min(kMostColumns, n));
    const int rows = (n + columns_ - 1) / columns_;
    const int w = width() / columns_, h = height() / rows;
    for (int i = 0; i < n; ++i)
        tiles_[static_cast<std::size_t>(i)]->setGeometry((i % columns_) * w, (i / columns_) * h, w, h);
}

} // namespace auxpad::ui

#include "moc_bench_grid.cpp"
