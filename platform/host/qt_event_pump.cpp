#include "platform/host/qt_event_pump.h"

#include <QCoreApplication>
#include <QEvent>

namespace platform {

QtEventPump::QtEventPump(QWidget* mainWindow, QWidget* messageWindow) : main_(mainWindow), message_(messageWindow) {}

int QtEventPump::processEvents(bool waitForMore)
{
    QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return (main_ && main_->isVisible() ? 1 : 0) + (message_ && message_->isVisible() ? 1 : 0);
}

} // namespace platform
