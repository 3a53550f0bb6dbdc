#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/windows.h"

namespace platform {

// Dispatches Qt events for the tool's two windows and counts those still open.
class QtEventPump final : public EventPump {
public:
    QtEventPump(QWidget* mainWindow, QWidget* messageWindow);
    int processEvents(bool waitForMore) override;

private:
    QPointer<QWidget> main_;
    QPointer<QWidget> message_;
};

} // namespace platform
