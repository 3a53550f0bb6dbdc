#include "ui/badge_field.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace auxpad::ui {

BadgeField::BadgeField(const QString& operatorId, QWidget* parent) : QWidget(parent), operatorId_(operatorId.trimmed())
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    who_ = new QLabel(this);
    who_->setObjectName("operator");
    who_->setTextFormat(Qt::PlainText); // a badge is untrusted text, never markup
    scan_ = new QLineEdit(this);
    scan_->setObjectName("badge");
    scan_->setPlaceholderText(QStringLiteral("Scan a badge to sign in"));
    scan_->setMaximumWidth(260);
    layout->addWidget(who_, 1);
    layout->addWidget(scan_);
    connect(scan_, &QLineEdit::returnPressed, this, [this] {
        const QString badge = scan_->text().trimmed();
        scan_->clear();
        if (badge.isEmpty())
            return;
        if (gate_) {
            if (const auto may = gate_(badge); !may) {
                who_->setText(may.error());
                return;
            }
        }
        operatorId_ = badge;
        showWho();
        emit signedIn(operatorId_);
    });
    showWho();
}

void BadgeField::setOperatorId(const QString& operatorId)
{
    operatorId_ = operatorId.trimmed();
    showWho();
}

void BadgeField::showWho()
{
    who_->setText(operatorId_.isEmpty() ? QStringLiteral("Nobody is signed in: scan your badge")
                                        : QStringLiteral("Signed in: ") + operatorId_);
}

} // namespace auxpad::ui

#include "moc_badge_field.cpp"
