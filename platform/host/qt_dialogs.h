#pragma once

#include <QString>

#include "platform/windows.h"

class QWidget;

namespace platform {

// Every box of the tool carries this title.
inline const QString kAppTitle = QStringLiteral("Flash AUXPAD");

class QtDialogs final : public Dialogs {
public:
    void messageBox(const std::string& text, Icon icon) override;
};

} // namespace platform
