#pragma once

#include <QPainter>
#include <QWidget>

#include <vector>

#include "ui/board_status_model.h"

namespace auxpad::ui {

// One board of the grid, read from a step away: its state fills the tile (grey empty,
// blue running, green PASS, red FAIL, amber stopped or its label held) and is said in
// letters and a mark as well, for whoever cannot tell the colours apart. A FAIL says in a
// few words where and why, the whole text in its tooltip; a slot that fails more than its
// bench has a mark of its own, which its accessible name says too.
class BoardTile final : public QWidget {
    Q_OBJECT
public:
    BoardTile(const BoardStatusModel& model, int row, QWidget* parent = nullptr);
    int row() const { return row_; }
    // The pixel size of the big letters that say `word` (PASS, FAIL, STOPPED) at the tile's size.
    int verdictPixels(const QString& word) const;
    void refresh();

signals:
    void flashRequested(int row);
    void logRequested(int row);
    void moveRequested(int row, int columns, int rows); // the arrow keys: by columns and rows

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void paintVerdict(QPainter& p, const QString& state, const QRect& r, const QRect& inner, int line) const;
    void paintProgress(QPainter& p, const QString& state, const QRect& inner, int line) const;

    const BoardStatusModel& model_;
    int row_;
};

// The bench as tiles, as many columns as the width allows (at most eight) so that a bench
// of 32 or 64 fills the screen without a scroll bar; a narrower window has fewer columns
// of larger tiles.
class BenchGrid final : public QWidget {
    Q_OBJECT
public:
    explicit BenchGrid(const BoardStatusModel& model, QWidget* parent = nullptr);
    const std::vector<BoardTile*>& tiles() const { return tiles_; }
    int columns() const { return columns_; }

    static constexpr int kMostColumns = 8;
    static constexpr int kNarrowestTile = 200;

signals:
    void flashRequested(int row);
    void logRequested(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    const BoardStatusModel& model_;
    std::vector<BoardTile*> tiles_;
    int columns_ = 1;
};

} // namespace auxpad::ui
