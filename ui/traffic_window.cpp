#include "ui/traffic_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include "runner/board_runner.h"
#include "ui/message_box.h"
#include "ui/ui_fonts.h"
#include "ui/wrap_button.h"

namespace auxpad::ui {

TrafficWindow::TrafficWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("MSG_WIN"));
    setWindowTitle(QStringLiteral("MSG window"));
    setFixedSize(561, 220);
    move(14, 439);
    setFont(ui::sansFont(8.25));

    msgDisp_ = new QPlainTextEdit(this);
    msgDisp_->setObjectName(QStringLiteral("MSG_DISP"));
    msgDisp_->setGeometry(8, 0, 493, 192);
    msgDisp_->setFont(ui::arialFont(8.25));
    msgDisp_->setReadOnly(true);
    // The log grows a byte at a time for the whole run: no undo history behind it, and
    // keyboard selection so that it can still be copied from.
    msgDisp_->setUndoRedoEnabled(false);
    msgDisp_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    msgDisp_->setTabChangesFocus(true);
    msgDisp_->setToolTip(QStringLiteral("Display Fbus message from and to AUXPAD"));

    auto* label = new QLabel(QStringLiteral("MSG INPUT"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(16, 200, 73, 17);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setFont(ui::fitted(font(), label->text(), label->width()));

    msgInput_ = new QPlainTextEdit(this);
    msgInput_->setObjectName(QStringLiteral("msg_input"));
    msgInput_->setGeometry(88, 192, 409, 25);
    msgInput_->setFont(ui::arialFont(8.25));
    msgInput_->setTabChangesFocus(true);
    msgInput_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    msgInput_->setToolTip(QStringLiteral("In Hex and follow Fbus message protocol:Start with data3(subfunction) and "
                                         "end before data L-2(index number)"));

    auto* send = new QPushButton(QStringLiteral("SEND"), this);
    send->setObjectName(QStringLiteral("BT_SEND_MSG"));
    send->setGeometry(504, 192, 57, 25);
    send->setToolTip(QStringLiteral("Send the left fbus message to AUXPAD"));
    connect(send, &QPushButton::clicked, this, &TrafficWindow::send);

    auto* print = new WrapButton(QStringLiteral("PRINT MSG window"), this);
    print->setObjectName(QStringLiteral("PRT_MSG"));
    print->setGeometry(504, 16, 57, 49);
    print->setToolTip(QStringLiteral("Print this MSG window"));
    connect(print, &QPushButton::clicked, this, &TrafficWindow::print);

    clrDisp_ = new QCheckBox(QStringLiteral("Clear"), this);
    clrDisp_->setObjectName(QStringLiteral("Clr_Disp"));
    clrDisp_->setGeometry(512, 88, 61, 41);
    clrDisp_->setToolTip(QStringLiteral("Clear the MSG window"));
    connect(clrDisp_, &QCheckBox::clicked, this, &TrafficWindow::clear);

    msgInput_->setFocus();
}

void TrafficWindow::appendLog(const QString& text)
{
    QTextCursor end(msgDisp_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    msgDisp_->verticalScrollBar()->setValue(msgDisp_->verticalScrollBar()->maximum());
}

QString TrafficWindow::log() const
{
    return msgDisp_->toPlainText();
}

void TrafficWindow::send()
{
    if (!runner_)
        return;
    const std::string text = msgInput_->toPlainText().toStdString();
    runner_->command([&](auxpad::BoardEngine& e, auxpad::Millis now) { e.sendMessage(text, now); });
}

void TrafficWindow::print()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull()) {
        ui::openBox(this, QStringLiteral("No printer is installed, so the MSG window was not printed.\n\n"
                            "Install a printer and make it the default one, then press PRINT MSG window again."),
                    auxpad::Icon::Warning);
        return;
    }
    QPrinter output(printer, QPrinter::HighResolution);
    output.setDocName(windowTitle());
    QPainter painter;
    if (!painter.begin(&output)) {
        ui::openBox(this, QStringLiteral("The printer %1 did not take the job, so the MSG window was not printed.")
                 .arg(printer.printerName()),
                    auxpad::Icon::Warning);
        return;
    }
    // The window at the size it has on a 96 dpi screen, shrunk only if the page is smaller.
    const QPixmap image = grab();
    QSizeF size = image.deviceIndependentSize() * (output.resolution() / 96.0);
    const QSizeF page = painter.viewport().size();
    if (size.width() > page.width() || size.height() > page.height())
        size.scale(page, Qt::KeepAspectRatio);
    painter.drawPixmap(QRectF(QPointF(0, 0), size), image, QRectF(image.rect()));
}

void TrafficWindow::clear()
{
    msgDisp_->clear();
    clrDisp_->setChecked(false);
}

} // namespace auxpad::ui

#include "moc_traffic_window.cpp"
