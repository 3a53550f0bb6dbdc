#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "platform/windows.h"

class QCheckBox;
class QPlainTextEdit;

namespace auxpad {
struct Station;
}

// MSG_WIN: the traffic log, and a line for hand-typed service messages.
class MsgWin final : public QWidget, public platform::MessageWindowView {
    Q_OBJECT
public:
    using FaultSink = std::function<void(const std::string& message)>;

    explicit MsgWin(QWidget* parent = nullptr);
    void attach(auxpad::Station& station, FaultSink onFault);

    bool isVisible() const override;
    void show() override;
    void unload() override;
    void appendLog(const std::string& text) override;

    void BT_SEND_MSG_Click();
    void PRT_MSG_Click();
    void Clr_Disp_Click();

private:
    // A message box with the tool's title, holding the station's ticks back while open.
    void tell(const QString& text);

    auxpad::Station* station_ = nullptr;
    FaultSink onFault_;
    QPlainTextEdit* msgDisp_ = nullptr;
    QPlainTextEdit* msgInput_ = nullptr;
    QCheckBox* clrDisp_ = nullptr;
};
