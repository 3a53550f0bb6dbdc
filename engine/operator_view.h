#pragma once

#include <functional>
#include <string>

#include "engine/outbox.h"

namespace auxpad {

// What the operator sees of one station: the status text, the bar and the boxes, kept
// here as they were last shown, so that nothing is ever read back from a window.
class OperatorView {
public:
    // `beforeBar` runs before every change of the bar: a phase that changed is told
    // before the bar that belongs to it.
    OperatorView(Outbox& out, std::function<void()> beforeBar) : out_(out), beforeBar_(std::move(beforeBar)) {}

    void setCaption(std::string text, bool paintNow = false);
    // A caption that changes with every block or tick.
    void showProgress(std::string text);
    void appendLine(const std::string& line);
    void showBar(float value);
    void hideBar();
    void setBarValue(float value);
    void box(std::string text, Icon icon);
    void boxThenCaption(const std::string& text, Icon icon);

    const std::string& caption() const { return caption_; }
    const ProgressShown& bar() const { return bar_; }
    // Boxes shown so far, and the text of the last.
    int boxCount() const { return boxCount_; }
    const std::string& lastBox() const { return lastBox_; }

private:
    void postBar();

    Outbox& out_;
    std::function<void()> beforeBar_;
    std::string caption_ = "Flash DSP Progress Report";
    ProgressShown bar_;
    int boxCount_ = 0;
    std::string lastBox_;
};

} // namespace auxpad
