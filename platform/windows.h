#pragma once

#include <string>

namespace platform {

// Texts crossing these interfaces are UTF-8.

enum class Icon { None, Critical, Warning };

// FLASH_MAIN as the logic sees it.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    virtual void setComPortNum(const std::string& caption) = 0;
    virtual void setLabel13(const std::string& caption) = 0;

    virtual std::string disp1() const = 0;
    virtual void setDisp1(const std::string& caption) = 0;
    virtual void repaintDisp1() = 0;

    // Text1 to Text6, box = 1..6.
    virtual std::string text(int box) const = 0;
    virtual void setText(int box, const std::string& text) = 0;

    virtual void setPrgLoadVisible(bool visible) = 0;
    virtual bool prgLoadVisible() const = 0;
    virtual void setPrgLoadValue(float value) = 0; // 0 to 100
    virtual float prgLoadValue() const = 0;

    virtual std::string dir1Path() const = 0;
    // File1 (list 1) or File2 (list 2): the selected name without a folder, or "".
    virtual std::string selectedFile(int list) const = 0;

    virtual void setMousePointer(int code) = 0;
};

// MSG_WIN as the logic sees it.
class MessageWindowView {
public:
    virtual ~MessageWindowView() = default;
    virtual bool isVisible() const = 0;
    virtual void show() = 0;
    virtual void unload() = 0;
    // Appends to MSG_DISP and brings the end of the text into view.
    virtual void appendLog(const std::string& text) = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal: returns once the operator has pressed OK.
    virtual void messageBox(const std::string& text, Icon icon) = 0;
};

// One pass of window-event dispatch.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Dispatches pending events (first waiting for one when `waitForMore`) and returns the
    // number of the tool's windows still open.
    virtual int processEvents(bool waitForMore) = 0;
};

} // namespace platform
