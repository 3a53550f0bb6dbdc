#include "ui/board_row.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "ui/board_status_model.h"
#include "ui/ui_fonts.h"

namespace auxpad::ui {

namespace {

QLabel* cell(QWidget* parent, QHBoxLayout* layout, const QString& name, int width, const QString& text = {})
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    if (width > 0)
        label->setFixedWidth(width);
    layout->addWidget(label);
    return label;
}

// The result's fill: green PASS, red FAIL, amber STOPPED; none before there is one.
std::optional<QColor> resultColour(const QString& state)
{
    if (state == QLatin1String("PASS"))
        return QColor(0, 160, 60);
    if (state == QLatin1String("FAIL"))
        return QColor(200, 30, 30);
    if (state == QLatin1String("STOPPED"))
        return QColor(230, 160, 0);
    return std::nullopt;
}

} // namespace

BoardRow::BoardRow(const BoardStatusModel& model, int row, BoardRunner& runner, QWidget* parent)
    : QFrame(parent), model_(model), row_(row)
{
    const auxpad::PortName& port = runner.port();
    setObjectName(QString::fromStdString(port.name));
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    QFont bold = font();
    bold.setBold(true);
    cell(this, layout, "port", 70, QString::fromStdString(port.name))->setFont(bold);
    cell(this, layout, "device", 110, QString::fromStdString(port.device));
    serial_ = cell(this, layout, "serial", 90);
    phase_ = cell(this, layout, "phase", 140);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("bar");
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    bar_->setFixedWidth(140);
    layout->addWidget(bar_);
    percent_ = cell(this, layout, "percent", 40);
    elapsed_ = cell(this, layout, "elapsed", 50);
    result_ = cell(this, layout, "result", 80);
    result_->setAlignment(Qt::AlignCenter);
    QFont large = bold;
    large.setPointSizeF(font().pointSizeF() * 1.6);
    result_->setFont(large);
    result_->setAutoFillBackground(true);
    message_ = cell(this, layout, "message", 0);
    message_->setWordWrap(true);
    message_->setMinimumWidth(260);
    layout->addWidget(message_, 1);
    flash_ = new QPushButton(QStringLiteral("Flash"), this);
    flash_->setObjectName("flash");
    flash_->setFocusPolicy(Qt::NoFocus); // the row has the focus; Enter presses this
    layout->addWidget(flash_);
    connect(flash_, &QPushButton::clicked, this, &BoardRow::flashRequested);

    log_ = new QPlainTextEdit;
    log_->setParent(this, Qt::Window);
    log_->setObjectName("log");
    log_->setWindowTitle(QString::fromStdString(port.shown()) + QStringLiteral(" traffic"));
    log_->setReadOnly(true);
    log_->setUndoRedoEnabled(false);
    log_->setFont(ui::arialFont(8.25));
    log_->resize(560, 220);

    connect(&runner, &auxpad::BoardRunner::effect, this, &BoardRow::take);
    connect(&model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from, const QModelIndex& to) {
        if (from.row() <= row_ && row_ <= to.row())
            refresh();
    });
    refresh();
}

QString BoardRow::role(int role) const
{
    return model_.at(row_, static_cast<BoardStatusModel::Role>(role)).toString();
}

void BoardRow::refresh()
{
    const QString state = role(BoardStatusModel::StateRole);
    const QString phase = role(BoardStatusModel::PhaseRole);
    serial_->setText(role(BoardStatusModel::SerialRole));
    phase_->setText(!phase.isEmpty() ? phase : state == QLatin1String("RUNNING") ? QStringLiteral("starting")
                                                                                 : QStringLiteral("ready"));
    const bool shown = state != QLatin1String("EMPTY");
    const int percent = model_.at(row_, BoardStatusModel::PercentRole).toInt();
    bar_->setValue(shown ? percent : 0);
    percent_->setText(shown ? QStringLiteral("%1%").arg(percent) : QString());
    elapsed_->setText(role(BoardStatusModel::ElapsedRole));
    const auto colour = resultColour(state);
    result_->setText(colour ? state : QString());
    QPalette colours = palette();
    if (colour) {
        colours.setColor(QPalette::Window, *colour);
        colours.setColor(QPalette::WindowText, state == QLatin1String("STOPPED") ? Qt::black : Qt::white);
    }
    result_->setPalette(colours);
    message_->setText(role(BoardStatusModel::NoteRole));
    const QString why = model_.data(model_.index(row_), Qt::ToolTipRole).toString();
    result_->setToolTip(why);
    message_->setToolTip(why);
    // A slot that fails more than its bench is marked where its port is, and said.
    const QString outlier = role(BoardStatusModel::OutlierRole);
    findChild<QLabel*>("port")->setStyleSheet(outlier.isEmpty() ? QString() : QStringLiteral("background: #e6a000"));
    findChild<QLabel*>("port")->setToolTip(outlier);
    setAccessibleName(model_.data(model_.index(row_), Qt::AccessibleTextRole).toString());
    flash_->setEnabled(flashAllowed_ && !model_.at(row_, BoardStatusModel::BusyRole).toBool());
}

void BoardRow::setFlashAllowed(bool allowed)
{
    flashAllowed_ = allowed;
    flash_->setEnabled(flashAllowed_ && !model_.at(row_, BoardStatusModel::BusyRole).toBool());
}

void BoardRow::hideFlash()
{
    flash_->hide();
}

QString BoardRow::log() const
{
    return log_->toPlainText();
}

void BoardRow::take(const auxpad::Effect& effect)
{
    if (const auto* text = std::get_if<auxpad::TrafficLogged>(&effect)) {
        QTextCursor end(log_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromStdString(text->text));
        log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    } else if (const auto* box = std::get_if<auxpad::BoxShown>(&effect)) {
        log_->appendPlainText(QString::fromStdString(box->text));
    }
}

void BoardRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        emit moveRequested(-1);
        break;
    case Qt::Key_Down:
        emit moveRequested(1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!flash_->isHidden() && flash_->isEnabled())
            emit flashRequested();
        break;
    default:
        QFrame::keyPressEvent(event);
    }
}

void BoardRow::mouseDoubleClickEvent(QMouseEvent*)
{
    showLog();
}

void BoardRow::showLog()
{
    log_->show();
    log_->raise();
}

void BoardRow::focusInEvent(QFocusEvent* event)
{
    QPalette selected = palette();
    selected.setColor(QPalette::Window, QColor(204, 228, 255)); // the row the keys act on
    setPalette(selected);
    QFrame::focusInEvent(event);
}

void BoardRow::focusOutEvent(QFocusEvent* event)
{
    setPalette(QPalette());
    QFrame::focusOutEvent(event);
}

} // namespace auxpad::ui

#include "moc_board_row.cpp"
