#include "ui/station_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "runner/board_runner.h"
#include "ui/dir_files.h"
#include "ui/dir_tree.h"
#include "ui/message_box.h"
#include "ui/traffic_window.h"
#include "ui/ui_fonts.h"
#include "ui/wrap_button.h"

using auxpad::Millis;
using auxpad::BoardEngine;

namespace auxpad::ui {

namespace {

template <typename W>
W* place(QWidget* parent, const char* name, int x, int y, int w, int h, const QFont& font)
{
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    widget->setFont(font);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, int x, int y, int w, int h, const char* text,
              const QFont& font = ui::sansFont(8.25))
{
    auto* l = place<QLabel>(parent, name, x, y, w, h, font);
    l->setTextFormat(Qt::PlainText);
    l->setText(QString::fromLatin1(text));
    l->setFont(ui::fitted(font, l->text(), w));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

} // namespace

StationWindow::StationWindow(QWidget* parent, DriveList::VolumeSource volumes) : QWidget(parent)
{
    setObjectName(QStringLiteral("FLASH_MAIN"));
    setWindowTitle(QStringLiteral("Flash AUXPAD Board V2.0"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(570, 385);
    setFont(ui::sansFont(12));
    build(std::move(volumes));
    statusFrame_ = new QTimer(this);
    statusFrame_->setSingleShot(true);
    statusFrame_->setInterval(40);
    connect(statusFrame_, &QTimer::timeout, this, [this] {
        if (pendingCaption_ || pendingBar_)
            showStatusSoon();
    });
    dir1_->setFocus();
}

void StationWindow::build(DriveList::VolumeSource volumes)
{
    label(this, "Label12", 8, 8, 25, 13, "COM");
    comPortNum_ = label(this, "ComPortNum", 32, 8, 9, 17, "1");
    label13_ = label(this, "Label13", 40, 8, 57, 13, "Opening...");
    label(this, "Label11", 96, 16, 193, 29, "Step 1: Select flash files", ui::sansFont(12));
    label(this, "Label1", 192, 48, 89, 17, "InitDisk file name");
    label(this, "Label2", 192, 136, 97, 17, "InitData file name");
    buildFileSelection(std::move(volumes));

    disp1_ = label(this, "DISP1", 16, 224, 313, 117, "Flash DSP Progress Report", ui::sansFont(13.5, true));
    disp1_->setWordWrap(true);
    disp1_->setToolTip(QStringLiteral("Progress report and instruction for FLASH"));
    QPalette blue = disp1_->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    blue.setColor(QPalette::Window, palette().color(QPalette::Window));
    disp1_->setPalette(blue);
    disp1_->setAutoFillBackground(true);

    auto* flash = place<WrapButton>(this, "BOOTLOAD_DSP", 336, 304, 73, 76, ui::sansFont(9.75, true));
    flash->setText(QStringLiteral("Step 2: Flash AUXPAD"));
    flash->setToolTip(QStringLiteral("Press me to start flashing"));
    connect(flash, &QPushButton::clicked, this, &StationWindow::startFlash);

    prgLoad_ = place<QProgressBar>(this, "PrgLoad", 16, 352, 313, 25, ui::sansFont(8.25));
    prgLoad_->setRange(0, 100);
    prgLoad_->setValue(0);
    prgLoad_->setTextVisible(false);
    prgLoad_->hide();

    auto* line = place<QFrame>(this, "Line1", 416, 0, 1, 345, ui::sansFont(8.25));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);

    buildProductBoxes();

    auto* defaults = place<QPushButton>(this, "Command1", 432, 304, 97, 25, ui::sansFont(8.25, true));
    defaults->setText(QStringLiteral("Default Setting"));
    defaults->setToolTip(QStringLiteral("Set to default value as in flash.ini"));
    connect(defaults, &QPushButton::clicked, this, &StationWindow::loadDefaults);

    auto* prodInfo = place<WrapButton>(this, "Prod_info", 416, 336, 153, 41, ui::sansFont(9.75, true));
    prodInfo->setText(QStringLiteral("Step 3: Write AUXPAD Product Info"));
    prodInfo->setToolTip(
        QStringLiteral("Press me when you have reset the phone and checked the above product info"));
    connect(prodInfo, &QPushButton::clicked, this, &StationWindow::startProductInfo);

    // Keyboard focus order: Dir1, BOOTLOAD_DSP, File1, Drive1, File2, Text1..Text6,
    // Prod_info, Command1.
    QWidget* order[] = {dir1_, flash, files_[0], drive1_, files_[1], texts_[0], texts_[1], texts_[2],
                        texts_[3], texts_[4], texts_[5], prodInfo, defaults};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (auto* l : findChildren<QLabel*>())
        l->setFocusPolicy(Qt::NoFocus);
}

// The six product fields' boxes, each with its heading, in the order of the fields.
void StationWindow::buildProductBoxes()
{
    label(this, "Label3", 424, 0, 137, 17, "AUXPAD Board Product Info");
    struct Box {
        const char* label;
        const char* heading;
        int top;
        int labelWidth;
        const char* name;
    };
    // In the order of the product fields.
    static constexpr Box boxes[auxpad::kProductFieldCount] = {
        {"Label4", "Hardware Version", 24, 97, "Text1"}, {"Label5", "MCUSW Version", 72, 97, "Text2"},
        {"Label6", "DSPSW Version", 120, 97, "Text3"},   {"Label7", "Serial Number", 168, 97, "Text4"},
        {"Label8", "Code", 216, 97, "Text5"},            {"Label9", "Manufacture DDMMYY", 264, 121, "Text6"},
    };
    for (std::size_t i = 0; i < auxpad::kProductFieldCount; ++i) {
        const Box& b = boxes[i];
        const auxpad::ProductFieldRule& rule = auxpad::kProductFieldRules[i];
        label(this, b.label, 432, b.top, b.labelWidth, 17, b.heading);
        auto* edit = place<QLineEdit>(this, b.name, 432, b.top + 16, 105, 19, ui::sansFont(8.25));
        edit->setMaxLength(static_cast<int>(rule.length));
        edit->setText(QString::fromLatin1(rule.placeholder));
        edit->setToolTip(QStringLiteral("Must be %1 characters").arg(rule.length));
        const auto field = static_cast<auxpad::ProductField>(i);
        connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
            if (runner_)
                runner_->command(
                    [&](auxpad::BoardEngine& e, auxpad::Millis) { e.editProductField(field, text.toStdString()); });
        });
        texts_[i] = edit;
    }
}

void StationWindow::attach(auxpad::BoardRunner& runner, TrafficWindow& traffic)
{
    runner_ = &runner;
    traffic_ = &traffic;
    connect(&runner, &auxpad::BoardRunner::effect, this, &StationWindow::apply);
    connect(&runner, &auxpad::BoardRunner::lineLost, this, &StationWindow::stopped);
}

QString StationWindow::pickedFile(int list) const
{
    const QModelIndexList picked = files_.at(static_cast<std::size_t>(list))->selectionModel()->selectedIndexes();
    if (picked.isEmpty())
        return {};
    return dir1Path_ + (dir1Path_.endsWith('/') ? "" : "/") + filesModel_->fileName(picked.first());
}

void StationWindow::startFlash()
{
    if (!runner_)
        return;
    const auxpad::FlashFiles files{pickedFile(0).toStdString(), pickedFile(1).toStdString()};
    runner_->command([&](BoardEngine& e, Millis now) { e.startFlashJob(files, now); });
}

void StationWindow::startProductInfo()
{
    if (!runner_)
        return;
    auxpad::ProductFields fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = texts_[i]->text().toStdString();
    runner_->command([&](BoardEngine& e, Millis now) { e.startProductJob(fields, now); });
}

void StationWindow::loadDefaults()
{
    if (runner_)
        runner_->command([](BoardEngine& e, Millis now) { e.loadDefaults(now); });
}

void StationWindow::showStatusSoon()
{
    if (statusFrame_->isActive())
        return;
    showStatus();
    statusFrame_->start();
}

void StationWindow::showStatus()
{
    if (pendingCaption_)
        disp1_->setText(QString::fromStdString(*std::exchange(pendingCaption_, std::nullopt)));
    if (pendingBar_) {
        const auxpad::ProgressShown bar = *std::exchange(pendingBar_, std::nullopt);
        prgLoad_->setValue(std::clamp(static_cast<int>(bar.value + 0.5f), 0, 100));
        prgLoad_->setVisible(bar.visible);
    }
}

void StationWindow::apply(const auxpad::Effect& effect)
{
    if (const auto* caption = std::get_if<auxpad::CaptionShown>(&effect)) {
        pendingCaption_ = caption->text;
        if (caption->paintNow) {
            // The engine reads a file before it returns; the text is to be seen meanwhile.
            showStatus();
            disp1_->repaint();
        } else {
            showStatusSoon();
        }
    } else if (const auto* bar = std::get_if<auxpad::ProgressShown>(&effect)) {
        pendingBar_ = *bar;
        showStatusSoon();
    } else if (const auto* box = std::get_if<auxpad::BoxShown>(&effect)) {
        showStatus(); // what came before the box is on the screen behind it
        QMessageBox* shown = ui::openBox(this, QString::fromStdString(box->text), box->icon);
        connect(shown, &QMessageBox::finished, this, [this] { runner_->boxClosed(); });
    } else if (const auto* log = std::get_if<auxpad::TrafficLogged>(&effect)) {
        // The log holds only what came while its window was shown.
        if (traffic_ && traffic_->isVisible())
            traffic_->appendLog(QString::fromStdString(log->text));
    } else if (const auto* text = std::get_if<auxpad::ProductFieldSet>(&effect)) {
        texts_.at(auxpad::at(text->field))->setText(QString::fromStdString(text->text));
    } else if (const auto* fault = std::get_if<auxpad::StationFault>(&effect)) {
        emit stopped(QString::fromStdString(fault->message));
    }
}

void StationWindow::closeEvent(QCloseEvent* event)
{
    // The message window goes with the main window.
    if (traffic_)
        traffic_->close();
    event->accept();
}

void StationWindow::showPortOpened(const QString& caption)
{
    // The laid-out box holds one digit; a longer port number widens it and moves
    // "Opened" along, so COM10 never reads as COM1.
    constexpr int laidOutWidth = 9; // Label13 starts on the last pixel of this box
    comPortNum_->setText(caption);
    const int width = std::max(laidOutWidth, comPortNum_->fontMetrics().horizontalAdvance(comPortNum_->text()));
    comPortNum_->resize(width, comPortNum_->height());
    label13_->move(comPortNum_->x() + width - 1, label13_->y());
    label13_->setText(QStringLiteral("Opened"));
}

} // namespace auxpad::ui

#include "moc_station_window.cpp"
