#pragma once

#include <QAbstractListModel>

#include "runner/bench.h"

namespace auxpad::ui {

// The bench's boards as a Qt list model, a row a board, kept current by the bench's
// statusChanged: the views of a bench read their boards here, through these roles, and
// nowhere else. What a board came to is the bench's `BoardStatus`; the model only says it.
class BoardStatusModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        PortRole = Qt::UserRole + 1,
        DeviceRole,
        SerialRole,
        StateRole,   // PASS, FAIL, STOPPED, RUNNING, EMPTY
        PhaseRole,   // what it does, or what it came to ("InitDisk", "waiting for a board", "passed")
        PercentRole, // int, 0 to 100
        ElapsedRole, // "01:05", "" before it ran
        NoteRole,    // what its row says under it: a box while it runs, why it did not pass in a
                     // few words, or a passed board's label or why it was left alone
        TriesRole,   // "try 2/3" while a bring-up tries again, else ""
        LabelHeldRole, // bool: its label waits for the printer
        OutlierRole,   // its slot fails more than the bench: "COM17: 8 of 40 failed, the bench 3 %"
        BusyRole,      // bool: a front cannot start it now
    };

    explicit BoardStatusModel(const auxpad::Bench& bench, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // DisplayRole and AccessibleTextRole: what a person hears of the board, "COM21 PASS
    // SN0002001"; ToolTipRole: the whole text of why it did not pass.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The value of `role` for board `row`.
    QVariant at(int row, Role role) const { return data(index(row), role); }

private:
    const auxpad::Bench& bench_;
};

// The word a board's state is shown by, in letters: PASS, FAIL, STOPPED, RUNNING, EMPTY.
QString stateWord(const auxpad::BoardStatus& status);

} // namespace auxpad::ui
