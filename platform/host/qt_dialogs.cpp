#include "platform/host/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

void QtDialogs::messageBox(const std::string& text, Icon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(kAppTitle);
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(icon == Icon::Critical  ? QMessageBox::Critical
                : icon == Icon::Warning ? QMessageBox::Warning
                                        : QMessageBox::NoIcon);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace platform
