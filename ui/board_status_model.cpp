#include "ui/board_status_model.h"

#include "base/one_line.h"

namespace auxpad::ui {

namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

// What a person hears of a board: its slot, its state's word, its serial when known, and
// its slot's trouble when it fails more than the bench.
QString spoken(const auxpad::BoardStatus& s, const std::optional<std::string>& outlier)
{
    QString said = text(s.port) + ' ' + stateWord(s);
    if (!s.serial.empty())
        said += ' ' + text(s.serial);
    if (outlier)
        said += QStringLiteral(", fails more than its bench: ") + text(*outlier);
    return said;
}

QString note(const auxpad::BoardStatus& s)
{
    if (s.state == auxpad::BoardStatus::State::Running)
        return text(oneLine(s.said));
    if (!s.ended())
        return {};
    if (!s.passed() && !s.brief.empty())
        return text(s.brief);
    if (s.label != auxpad::LabelShown::None)
        return QStringLiteral("label ")
               + (s.label == auxpad::LabelShown::Printed ? "printed" : s.label == auxpad::LabelShown::Held ? "held" : "failed");
    return text(oneLine(s.note));
}

} // namespace

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

BoardStatusModel::BoardStatusModel(const auxpad::Bench& bench, QObject* parent) : QAbstractListModel(parent), bench_(bench)
{
    connect(&bench, &auxpad::Bench::statusChanged, this, [this](std::size_t board) {
        const QModelIndex at = index(static_cast<int>(board));
        emit dataChanged(at, at);
    });
    // A board's end moves the bench's share of failures, and so what every slot is to it.
    connect(&bench, &auxpad::Bench::finished, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0), index(rowCount() - 1), {OutlierRole, Qt::DisplayRole, Qt::AccessibleTextRole});
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
    const auto row = static_cast<std::size_t>(index.row());
    const auxpad::BoardStatus& s = bench_.status(row);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return spoken(s, bench_.outlier(row));
    case Qt::ToolTipRole:
        return s.ended() && !s.passed() ? text(oneLine(s.failure())) : QString();
    case PortRole:
        return text(s.port);
    case DeviceRole:
        return text(s.device);
    case SerialRole:
        return text(s.serial);
    case StateRole:
        return stateWord(s);
    case PhaseRole:
        return text(s.phase);
    case PercentRole:
        return static_cast<int>(std::lround(s.passed() ? 100.0F : s.percent));
    case ElapsedRole:
        return s.state == auxpad::BoardStatus::State::Running || s.ended() ? text(auxpad::elapsedText(bench_.seconds(row)))
                                                                           : QString();
    case NoteRole:
        return note(s);
    case TriesRole:
        return s.attempt > 1 ? QStringLiteral("try %1/%2").arg(s.attempt).arg(s.tries) : QString();
    case LabelHeldRole:
        return s.label == auxpad::LabelShown::Held;
    case OutlierRole:
        return text(bench_.outlier(row).value_or(std::string()));
    case BusyRole:
        return bench_.busy(row);
    default:
        return {};
    }
}

} // namespace auxpad::ui

#include "moc_board_status_model.cpp"
