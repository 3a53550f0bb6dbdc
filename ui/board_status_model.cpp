#include "ui/board_status_model.h"

namespace auxpad::ui {

QString stateWord(const auxpad::BoardStatus& s)
{
    using State = auxpad::BoardStatus::State;
    switch (s.state) {
    case State::Empty:
    case State::Waiting:
        return QStringLiteral("EMPTY");
    case State::Running:
        return QStringLiteral("RUNNING");
    case State::Ended:
        break;
    }
    switch (s.verdict) {
    case auxpad::Verdict::Passed:
        return QStringLiteral("PASS");
    case auxpad::Verdict::Failed:
        return QStringLiteral("FAIL");
    case auxpad::Verdict::Interrupted:
        break;
    }
    return QStringLiteral("STOPPED");
}

QString spokenStatus(const auxpad::BoardStatus& s)
{
    QString said = QString::fromStdString(s.port) + ' ' + stateWord(s);
    if (!s.serial.empty())
        said += ' ' + QString::fromStdString(s.serial);
    return said;
}

BoardStatusModel::BoardStatusModel(const auxpad::Bench& bench, QObject* parent) : QAbstractListModel(parent), bench_(bench)
{
    connect(&bench, &auxpad::Bench::statusChanged, this, [this](std::size_t board) {
        const QModelIndex at = index(static_cast<int>(board));
        emit dataChanged(at, at);
    });
}

int BoardStatusModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(bench_.size());
}

QVariant BoardStatusModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return spokenStatus(status(index.row()));
    return {};
}

} // namespace auxpad::ui

#include "moc_board_status_model.cpp"
