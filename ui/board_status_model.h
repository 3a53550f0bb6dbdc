#pragma once

#include <QAbstractListModel>

#include "runner/bench.h"

namespace auxpad::ui {

// The bench's boards as a Qt list model, a row a board, kept current by the bench's
// statusChanged: the views of a bench read their boards here and nowhere else.
class BoardStatusModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit BoardStatusModel(const auxpad::Bench& bench, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // DisplayRole and AccessibleTextRole: what a person hears of the board, "COM21 PASS SN0002001".
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    const auxpad::BoardStatus& status(int row) const { return bench_.status(static_cast<std::size_t>(row)); }

private:
    const auxpad::Bench& bench_;
};

// The word a board's state is shown by, in letters: PASS, FAIL, STOPPED, RUNNING, EMPTY.
QString stateWord(const auxpad::BoardStatus& status);
// What a person hears of it: its slot, that word, and its serial when known.
QString spokenStatus(const auxpad::BoardStatus& status);

} // namespace auxpad::ui
