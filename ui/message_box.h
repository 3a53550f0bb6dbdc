#pragma once

#include <QString>

#include "engine/effects.h"

class QMessageBox;
class QWidget;

namespace auxpad::ui {

// Every box of the tool carries this title.
inline const QString kAppTitle = QStringLiteral("Flash AUXPAD");

// A box with an OK button, modal to the whole application, opened without waiting for
// it: the event loop goes on and the box deletes itself once closed.
QMessageBox* openBox(QWidget* parent, const QString& text, auxpad::Icon icon);

} // namespace auxpad::ui
