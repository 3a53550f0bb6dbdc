#pragma once

#include <QPushButton>

namespace auxpad::ui {

// A push button whose caption wraps onto several lines, as the tall step buttons need;
// text() stays the whole caption for accessibility.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace auxpad::ui
