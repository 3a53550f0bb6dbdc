#include "ui/board_row.h"

#include "runner/board_status.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include <cmath>

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

QString clock(double seconds)
{
    return QString::fromStdString(auxpad::elapsedText(seconds));
}

} // namespace

BoardRow::BoardRow(auxpad::BoardJob& job, auxpad::BringUp* bringUp, QWidget* parent)
    : QFrame(parent), job_(job), bringUp_(bringUp)
{
    const auxpad::PortName& port = job_.port();
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
    phase_ = cell(this, layout, "phase", 140, QStringLiteral("ready"));
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

    connect(&job_, &auxpad::BoardJob::phaseChanged, this, &BoardRow::showPhase);
    connect(&job_, &auxpad::BoardJob::progressed, this, &BoardRow::showPhase);
    if (bringUp_)
        connect(bringUp_, &auxpad::BringUp::finished, this, &BoardRow::showResult);
    else
        connect(&job_, &auxpad::BoardJob::finished, this, &BoardRow::showResult);
    connect(&job_.runner(), &auxpad::BoardRunner::effect, this, &BoardRow::take);
}

void BoardRow::follow(auxpad::Slot& slot)
{
    slot_ = &slot;
    flash_->hide(); // the slot starts each board itself
    connect(slot_, &auxpad::Slot::stateChanged, this, &BoardRow::showSlot);
    showSlot();
}

void BoardRow::showSlot()
{
    const auxpad::SlotState& state = slot_->state();
    if (std::holds_alternative<auxpad::slot::Done>(state) || std::holds_alternative<auxpad::slot::Stopped>(state))
        return; // the result stands until the board leaves
    result_->clear();
    result_->setPalette(palette());
    message_->clear();
    serial_->clear();
    if (std::holds_alternative<auxpad::slot::Running>(state)) {
        phase_->setText(QStringLiteral("a board arrived"));
        return;
    }
    bar_->setValue(0);
    percent_->clear();
    elapsed_->clear();
    phase_->setText(std::holds_alternative<auxpad::slot::Waiting>(state) ? QStringLiteral("waiting for a board")
                                                                         : QStringLiteral("waiting for its line"));
}

void BoardRow::showLabel(const QString& state)
{
    message_->setText(QStringLiteral("label ") + state);
}

bool BoardRow::busy() const
{
    return bringUp_ ? bringUp_->running() : job_.running();
}

void BoardRow::interrupt()
{
    if (bringUp_)
        bringUp_->interrupt();
    job_.interrupt();
}

void BoardRow::flash(const auxpad::FlashFiles& files)
{
    if (busy())
        return;
    result_->clear();
    result_->setPalette(palette());
    message_->clear();
    serial_->clear();
    flash_->setEnabled(false);
    if (bringUp_)
        bringUp_->start();
    else
        job_.start({auxpad::JobKind::Flash, files, {}});
    showPhase();
}

void BoardRow::tick()
{
    if (job_.running())
        elapsed_->setText(clock(job_.seconds()));
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
        message_->setText(QString::fromStdString(box->text));
        log_->appendPlainText(QString::fromStdString(box->text));
    } else if (const auto* serial = std::get_if<auxpad::SerialKnown>(&effect)) {
        serial_->setText(QString::fromStdString(serial->serial));
    }
}

void BoardRow::showPhase()
{
    if (!job_.running())
        return;
    phase_->setText(QString::fromLatin1(auxpad::phaseName(job_.phase())));
    bar_->setValue(static_cast<int>(std::lround(job_.percent())));
    percent_->setText(QStringLiteral("%1%").arg(std::lround(job_.percent())));
    elapsed_->setText(clock(job_.seconds()));
}

void BoardRow::showResult()
{
    const auxpad::BoardStatus r = auxpad::BoardStatus::ended(job_, bringUp_);
    phase_->setText(QString::fromStdString(r.word));
    serial_->setText(QString::fromStdString(r.serial));
    elapsed_->setText(clock(r.seconds));
    if (r.passed()) {
        bar_->setValue(100);
        percent_->setText(QStringLiteral("100%"));
    }
    result_->setText(r.passed() ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    QPalette colours = result_->palette();
    colours.setColor(QPalette::Window, r.passed() ? QColor(0, 160, 60) : QColor(200, 30, 30));
    colours.setColor(QPalette::WindowText, Qt::white);
    result_->setPalette(colours);
    message_->setText(QString::fromStdString(r.note).replace('\n', ' ').trimmed());
    flash_->setEnabled(true);
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
        if (flash_->isEnabled())
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
