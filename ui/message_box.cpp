#include "ui/message_box.h"

#include <QMessageBox>

namespace auxpad::ui {

QMessageBox* openBox(QWidget* parent, const QString& text, auxpad::Icon icon)
{
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(kAppTitle);
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setIcon(icon == auxpad::Icon::Critical  ? QMessageBox::Critical
                 : icon == auxpad::Icon::Warning ? QMessageBox::Warning
                                                 : QMessageBox::NoIcon);
    box->setWindowModality(Qt::ApplicationModal);
    box->open();
    return box;
}

} // namespace auxpad::ui
