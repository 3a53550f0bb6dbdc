#include "ui/line_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "runner/start_checks.h"
#include "ui/badge_field.h"
#include "ui/bench_grid.h"
#include "ui/board_row.h"
#include "ui/board_status_model.h"

namespace auxpad::ui {

LineWindow::LineWindow(auxpad::BenchSession& session, const auxpad::FlashFiles& files, const auxpad::Recipe* recipe,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), recipe_(recipe), session_(session), bench_(session.bench()),
      model_(std::make_unique<BoardStatusModel>(session.bench()))
{
    setObjectName("LINE");
    setWindowTitle(QStringLiteral("Flash AUXPAD line"));
    auto* layout = new QVBoxLayout(this);
    if (recipe_) {
        auto* name = new QLabel(QStringLiteral("Recipe: ") + recipe_->name, this);
        name->setObjectName("recipe");
        name->setTextFormat(Qt::PlainText);
        QFont large = name->font();
        large.setBold(true);
        large.setPointSizeF(large.pointSizeF() * 1.3);
        name->setFont(large);
        layout->addWidget(name);
    }
    layout->addLayout(attributionRow());
    if (session_.plan().access.lock)
        layout->addLayout(lockRow());

    auto* grid = new QGridLayout;
    disk_ = filePicker("disk", QStringLiteral("InitDisk file"), files.initDisk, grid, 0);
    data_ = filePicker("data", QStringLiteral("InitData file"), files.initData, grid, 1);
    auto* all = new QPushButton(recipe_ ? QStringLiteral("Run all") : QStringLiteral("Flash all"), this);
    all->setObjectName("flashAll");
    QFont bold = all->font();
    bold.setBold(true);
    all->setFont(bold);
    grid->addWidget(all, 0, 3);
    connect(all, &QPushButton::clicked, this, &LineWindow::flashAll);
    auto* stop = new QPushButton(QStringLiteral("Stop all"), this);
    stop->setObjectName("stopAll");
    grid->addWidget(stop, 1, 3);
    connect(stop, &QPushButton::clicked, this, &LineWindow::stopAll);
    layout->addLayout(grid);
    problem_ = new QLabel(this);
    problem_->setObjectName("problem");
    QPalette red = problem_->palette();
    red.setColor(QPalette::WindowText, QColor(200, 30, 30));
    problem_->setPalette(red);
    layout->addWidget(problem_);

    views_ = new QStackedWidget(this);
    views_->addWidget(boardList());
    layout->addWidget(views_, 1);
    records_ = new QLabel(this);
    records_->setObjectName("records");
    records_->setTextFormat(Qt::PlainText);
    layout->addWidget(records_);
    resize(1180, 170 + 46 * static_cast<int>(std::min<std::size_t>(rows_.size(), 12)));
    if (!rows_.empty())
        rows_.front()->setFocus();

    // A board under way says its elapsed time once a second.
    everySecond_ = bench_.clock().timer();
    connect(everySecond_.get(), &auxpad::Timer::timeout, this, [this] {
        for (BoardRow* row : rows_)
            if (bench_.busy(static_cast<std::size_t>(row->row())))
                row->refresh();
    });
    everySecond_->startRepeating(1000);
    connect(&session_, &auxpad::BenchSession::lockChanged, this, &LineWindow::showLock);
    connect(&bench_, &auxpad::Bench::statusChanged, this, &LineWindow::showLock);
    showLock();
}

LineWindow::~LineWindow() = default;

// A row for each board, in a list that scrolls; the arrow keys move between the rows.
QScrollArea* LineWindow::boardList()
{
    auto* list = new QWidget;
    auto* rowsLayout = new QVBoxLayout(list);
    rowsLayout->setSpacing(2);
    for (std::size_t i = 0; i < bench_.size(); ++i) {
        auto* row = new BoardRow(*model_, static_cast<int>(i), bench_.runner(i), list);
        rowsLayout->addWidget(row);
        rows_.push_back(row);
        connect(row, &BoardRow::flashRequested, this, [this, row] { flash(*row); });
        connect(row, &BoardRow::moveRequested, this, [this, row](int step) {
            const auto at = std::find(rows_.begin(), rows_.end(), row) - rows_.begin();
            const auto to = std::clamp<std::ptrdiff_t>(at + step, 0, static_cast<std::ptrdiff_t>(rows_.size()) - 1);
            rows_[static_cast<std::size_t>(to)]->setFocus();
        });
    }
    rowsLayout->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    return scroll;
}

QLineEdit* LineWindow::filePicker(const char* name, const QString& label, const std::string& path, QGridLayout* grid,
                                  int row)
{
    grid->addWidget(new QLabel(label, this), row, 0);
    auto* edit = new QLineEdit(QString::fromStdString(path), this);
    edit->setObjectName(name);
    grid->addWidget(edit, row, 1);
    auto* browse = new QPushButton(QStringLiteral("Choose..."), this);
    browse->setObjectName(QStringLiteral("%1Choose").arg(QLatin1String(name)));
    grid->addWidget(browse, row, 2);
    chooseButtons_.push_back(browse);
    connect(browse, &QPushButton::clicked, this, [this, edit, label] {
        const QString chosen = QFileDialog::getOpenFileName(this, label, edit->text());
        if (!chosen.isEmpty())
            edit->setText(chosen);
    });
    return edit;
}

auxpad::FlashFiles LineWindow::files() const
{
    return {disk_->text().toStdString(), data_->text().toStdString()};
}

QString LineWindow::problem() const
{
    if (recipe_ && recipe_->operatorRequired && badge_->operatorId().isEmpty())
        return QStringLiteral("The recipe requires an operator: scan your badge to sign in first.");
    if (recipe_) {
        const auto checked = auxpad::checkRecipeFiles(*recipe_);
        return checked ? QString() : checked.error();
    }
    const auto checked = auxpad::checkFlashFiles(files());
    return checked ? QString() : QString::fromStdString(checked.error());
}

void LineWindow::showGrid()
{
    grid_ = new BenchGrid(*model_, views_);
    views_->addWidget(grid_);
    views_->setCurrentWidget(grid_);
    connect(grid_, &BenchGrid::flashRequested, this, [this](int i) { flash(*rows_[static_cast<std::size_t>(i)]); });
    connect(grid_, &BenchGrid::logRequested, this, [this](int i) { rows_[static_cast<std::size_t>(i)]->showLog(); });
    if (!grid_->tiles().empty())
        grid_->tiles().front()->setFocus();
}

void LineWindow::follow()
{
    since_.emplace(bench_.clock());
    counters_ = new QLabel(this);
    counters_->setObjectName("counters");
    counters_->setTextFormat(Qt::PlainText);
    QFont large = counters_->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.3);
    counters_->setFont(large);
    static_cast<QVBoxLayout*>(layout())->insertWidget(recipe_ ? 1 : 0, counters_);
    for (BoardRow* row : rows_)
        row->hideFlash(); // its slot starts each board
    connect(&bench_, &auxpad::Bench::finished, this, &LineWindow::showCounters);
    findChild<QWidget*>("flashAll")->hide(); // the slots start every board
    connect(everySecond_.get(), &auxpad::Timer::timeout, this, &LineWindow::showCounters);
    showCounters();
}

void LineWindow::showCounters()
{
    const auxpad::Tally seen = bench_.tally();
    const double hours = since_->seconds() / 3600.0;
    const auto percent = [&](double share) {
        return seen.boards() == 0 ? QStringLiteral("-") : QString::number(share, 'f', 1) + " %";
    };
    counters_->setText(QStringLiteral("Passed %1    Failed %2    Yield %3    First pass %4    Boards per hour %5")
                           .arg(seen.passed)
                           .arg(seen.failed)
                           .arg(percent(seen.yield()), percent(seen.firstPassYield()))
                           .arg(hours > 0 ? QString::number(seen.boards() / hours, 'f', 0) : QStringLiteral("0"))
                       + (labelsHeld_ ? QStringLiteral("    Labels held %1").arg(*labelsHeld_) : QString()));
}

void LineWindow::followLabels()
{
    labelsHeld_ = bench_.labelsHeld();
    connect(&bench_, &auxpad::Bench::labelShown, this, [this] {
        labelsHeld_ = bench_.labelsHeld();
        if (counters_)
            showCounters();
    });
    if (counters_)
        showCounters();
}

void LineWindow::showRecords(const QString& lineDb, int held, const QString& sinksHeld)
{
    if (lineDb.isEmpty())
        recordsText_ = QStringLiteral("Records: this station's journal");
    else if (held == 0)
        recordsText_ = QStringLiteral("Records: every one is in %1").arg(lineDb);
    else
        recordsText_ = QStringLiteral("Records: %1 held for %2, which has not answered; they go there when it does")
                           .arg(held)
                           .arg(lineDb);
    if (!sinksHeld.isEmpty())
        recordsText_ += QStringLiteral("; %1, which go when their sink answers").arg(sinksHeld);
    records_->setText(stationWarning_.isEmpty() ? recordsText_ : recordsText_ + '\n' + stationWarning_);
}

void LineWindow::showStationWarning(const QString& warning)
{
    stationWarning_ = warning;
    records_->setWordWrap(true);
    records_->setText(recordsText_ + '\n' + stationWarning_);
}

QLayout* LineWindow::attributionRow()
{
    auto* row = new QHBoxLayout;
    badge_ = new BadgeField({}, this);
    badge_->setGate([this](const QString& badge) { return session_.signIn(badge); });
    connect(badge_, &BadgeField::signedIn, this, [this](const QString& id) {
        problem_->setText(problem());
        emit signedIn(id);
    });
    order_ = new QLabel(this);
    order_->setObjectName("order");
    order_->setTextFormat(Qt::PlainText);
    row->addWidget(order_);
    row->addWidget(badge_, 1);
    return row;
}

void LineWindow::showAttribution(const QString& operatorId, const QString& order)
{
    badge_->setOperatorId(operatorId);
    order_->setText(order.isEmpty() ? QString() : QStringLiteral("Order: ") + order);
    order_->setVisible(!order.isEmpty());
}

QString LineWindow::operatorId() const
{
    return badge_->operatorId();
}

void LineWindow::flash(BoardRow& row)
{
    // A file that cannot be read stops every board's flash before it starts, and is said
    // above the rows rather than in a box that would hold the other boards up.
    problem_->setText(problem());
    if (!problem_->text().isEmpty())
        return;
    if (const auto started = session_.start(static_cast<std::size_t>(row.row()), files()); !started)
        problem_->setText(started.error());
}

void LineWindow::flashAll()
{
    problem_->setText(problem());
    if (problem_->text().isEmpty())
        session_.startAll(files());
}

void LineWindow::stopAll()
{
    const auto stopped = session_.stopAll();
    problem_->setText(stopped ? QString() : stopped.error());
}

void LineWindow::closeEvent(QCloseEvent* event)
{
    if (const auto may = session_.mayClose(); !may) {
        problem_->setText(may.error());
        event->ignore();
        return;
    }
    bench_.stop();
    event->accept();
}

QLayout* LineWindow::lockRow()
{
    auto* row = new QHBoxLayout;
    lock_ = new QLabel(this);
    lock_->setObjectName("lock");
    lock_->setTextFormat(Qt::PlainText);
    unlockBadge_ = new QLineEdit(this);
    unlockBadge_->setObjectName("unlockBadge");
    unlockBadge_->setPlaceholderText(QStringLiteral("Badge"));
    unlockBadge_->setAccessibleName(QStringLiteral("Badge to unlock"));
    unlockBadge_->setMaximumWidth(160);
    unlockPin_ = new QLineEdit(this);
    unlockPin_->setObjectName("unlockPin");
    unlockPin_->setEchoMode(QLineEdit::Password);
    unlockPin_->setPlaceholderText(QStringLiteral("PIN"));
    unlockPin_->setAccessibleName(QStringLiteral("PIN to unlock"));
    unlockPin_->setMaximumWidth(120);
    auto* open = new QPushButton(QStringLiteral("Unlock"), this);
    open->setObjectName("unlock");
    auto* close = new QPushButton(QStringLiteral("Lock"), this);
    close->setObjectName("lockNow");
    connect(open, &QPushButton::clicked, this, &LineWindow::unlock);
    connect(unlockPin_, &QLineEdit::returnPressed, this, &LineWindow::unlock);
    connect(close, &QPushButton::clicked, &session_, &auxpad::BenchSession::relock);
    row->addWidget(lock_, 1);
    row->addWidget(unlockBadge_);
    row->addWidget(unlockPin_);
    row->addWidget(open);
    row->addWidget(close);
    return row;
}

void LineWindow::unlock()
{
    const QString badge = unlockBadge_->text().trimmed();
    const std::string pin = unlockPin_->text().toStdString();
    unlockPin_->clear(); // a PIN stays on no screen, right or wrong
    const auto opened = session_.unlock(badge, pin);
    problem_->setText(opened ? QString() : opened.error());
    if (opened)
        unlockBadge_->clear();
}

void LineWindow::showLock()
{
    using auxpad::Guarded;
    // A recipe's files are the approved ones, and no others.
    const bool choose = recipe_ == nullptr && session_.allows(Guarded::ChooseFiles);
    disk_->setReadOnly(!choose);
    data_->setReadOnly(!choose);
    for (QWidget* button : chooseButtons_)
        button->setEnabled(choose);
    findChild<QWidget*>("stopAll")->setEnabled(session_.allows(Guarded::StopBench));
    for (BoardRow* row : rows_)
        row->setFlashAllowed(session_.mayStart(static_cast<std::size_t>(row->row())));
    if (!lock_)
        return;
    const auto& by = session_.unlockedBy();
    lock_->setText(by ? QStringLiteral("Unlocked for %1 (%2), who may choose files, flash a passed board again, stop "
                                       "the bench and close the window; it locks again by itself")
                            .arg(by->name, QLatin1String(auxpad::personRoleName(by->role)))
                      : QStringLiteral("Locked: an operator starts and watches boards; the badge and PIN of %1 "
                                       "unlock the rest")
                            .arg(auxpad::whoMay(session_.plan().access.unlockRole)));
}

} // namespace auxpad::ui

#include "moc_line_window.cpp"
