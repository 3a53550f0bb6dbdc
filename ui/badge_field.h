#pragma once

#include <QWidget>

#include <functional>

#include "base/expected.h"

class QLabel;
class QLineEdit;

namespace auxpad::ui {

// Who is signed in at a window: a field that takes an operator's badge, typed or scanned
// (a scanner types like a keyboard and ends with Enter), and who is signed in now. Another
// scan signs another operator in.
class BadgeField final : public QWidget {
    Q_OBJECT
public:
    // `operatorId` is who is signed in at the start ("" for nobody).
    explicit BadgeField(const QString& operatorId = {}, QWidget* parent = nullptr);

    const QString& operatorId() const { return operatorId_; }
    void setOperatorId(const QString& operatorId);
    // Who may sign in: a badge the gate refuses is not signed in, and its reason is shown.
    using Gate = std::function<auxpad::Expected<void, QString>(const QString& badge)>;
    void setGate(Gate gate) { gate_ = std::move(gate); }

signals:
    void signedIn(const QString& operatorId);

private:
    void showWho();

    QString operatorId_;
    Gate gate_;
    QLineEdit* scan_ = nullptr;
    QLabel* who_ = nullptr;
};

} // namespace auxpad::ui
