#include "runner/bring_up.h"

#include <QDate>

namespace auxpad {

namespace {

constexpr int kRetryPauseMs = 1000;

// Where a board's serial number comes from, decided on the records' thread.
struct SerialChoice {
    QString serial;
    QString source;  // "kept" or "allocated"
    QString problem; // why none could be had
};

} // namespace

Expected<bool, QString> serialPassed(RecordsThread::Stores& stores, const QString& serial, const QString& job,
                                     const QString& recipe)
{
    auto store = stores.serials();
    Expected<bool, QString> passed = store ? (*store)->serialPassed(serial, job, recipe)
                                           : Expected<bool, QString>(unexpected(store.error()));
    if (!passed && !stores.lineUrl.isEmpty()) {
        stores.line.close(); // opened afresh next time
        if (const auto journal = stores.openJournal())
            passed = (*journal)->serialPassed(serial, job, recipe);
    }
    return passed;
}

BringUp::BringUp(BoardJob& job, RecordKeeper& records, Bench& bench, const Recipe& recipe, BringUpRules rules,
                 QObject* parent)
    : QObject(parent), job_(job), records_(records), bench_(bench), recipe_(recipe), rules_(rules)
{
    connect(&job_, &BoardJob::finished, this, &BringUp::stepEnded);
    connect(&job_, &BoardJob::paused, this, &BringUp::held);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &BringUp::begin);
}

void BringUp::start()
{
    if (running())
        return;
    result_ = {};
    clock_.start();
    begin();
}

// One try: each is on record as a bring-up of its own.
void BringUp::begin()
{
    ++result_.tries;
    flash_ = {};
    record_ = startingRecord(job_.port(), {recipe_.name, recipe_.sha256, {}});
    record_.job = QStringLiteral("run");
    (void)bench_.keep(record_); // a start not on record is said; the end may still be

    records_.tag({recipe_.name, recipe_.sha256, {}});
    step_ = Step::Flash;
    BoardJob::Request flash{JobKind::Flash, recipe_.files, {}};
    if (rules_.skipPassed)
        flash.pause = Pause::BeforeDownload;
    job_.start(flash);
}

void BringUp::interrupt()
{
    rules_.tries = 0; // and no other try
    if (retry_.isActive()) {
        retry_.stop();
        emit finished();
        return;
    }
    if (step_ == Step::Serial) // no job runs while the records choose the serial
        return end(JobOutcome::Interrupted, flash_, "interrupted while its serial number was chosen");
    job_.interrupt();
}

// A board brought up before is not brought up again: its flash job stops before the
// first download when a passed bring-up of this recipe holds the serial it read.
void BringUp::held(const JobSummary& flash)
{
    const QString serial = QString::fromStdString(flash.serial);
    if (step_ != Step::Flash || serial.isEmpty() || !bench_.recordsThread())
        return job_.release();
    step_ = Step::Checking;
    bench_.recordsThread()->run<Expected<bool, QString>>(
        [serial, recipe = recipe_.name](RecordsThread::Stores& stores) {
            return serialPassed(stores, serial, "run", recipe);
        },
        this, [this, serial](const Expected<bool, QString>& passed) {
            if (step_ != Step::Checking)
                return;
            step_ = Step::Flash;
            if (!passed || !*passed)
                return job_.release(); // when nobody can tell, the board is brought up
            result_.alreadyPassed = true;
            job_.stop("already brought up with this recipe: " + serial.toStdString() + " passed before");
        });
}

void BringUp::stepEnded()
{
    const JobSummary& done = job_.summary();
    switch (step_) {
    case Step::Checking:
    case Step::Flash:
        flash_ = done;
        if (!done.passed())
            return end(done.outcome, done, done.failure());
        return serialFor(done);
    case Step::ProductInfo:
        if (result_.serialSource == QLatin1String("allocated")) {
            // The reservation's end, for whoever traces the serial later.
            const QString serial = QString::fromStdString(done.fields[at(ProductField::Serial)]);
            const QString state = done.passed() ? QStringLiteral("written") : QStringLiteral("not written");
            bench_.recordsThread()->run<bool>(
                [serial, state](RecordsThread::Stores& stores) {
                    const auto store = stores.serials();
                    return store && (*store)->markSerial(serial, state).has_value();
                },
                this, [](const bool&) {});
        }
        return end(done.outcome, done, done.failure());
    case Step::Serial:
    case Step::Idle:
        break;
    }
}

void BringUp::serialFor(const JobSummary& flash)
{
    RecordsThread* thread = bench_.recordsThread();
    if (!thread)
        return end(JobOutcome::Failed, flash, "no serial number can be had without records");
    step_ = Step::Serial;
    const QString own = QString::fromStdString(flash.serial);
    const bool inRange = !own.isEmpty() && recipe_.serials.contains(own);
    thread->run<SerialChoice>(
        [own, inRange, range = recipe_.serials, recipe = recipe_.name,
         port = QString::fromStdString(job_.port().name)](RecordsThread::Stores& stores) -> SerialChoice {
            // The board's own serial stays when a passed write already holds it.
            if (inRange) {
                if (const auto passed = serialPassed(stores, own, "prodinfo", {}); passed && *passed)
                    return {own, "kept", {}};
            }
            const auto store = stores.serials();
            if (!store)
                return {{}, {}, store.error()};
            const auto reserved = (*store)->reserveSerial(range, recipe, port);
            if (!reserved) {
                stores.line.close(); // opened afresh next time
                return {{}, {}, reserved.error()};
            }
            return {*reserved, "allocated", {}};
        },
        this, [this](const SerialChoice& choice) {
            if (step_ != Step::Serial)
                return;
            if (!choice.problem.isEmpty())
                return end(JobOutcome::Failed, flash_,
                           "no serial number could be reserved, so nothing was written: " + choice.problem.toStdString());
            write(choice.serial, choice.source);
        });
}

void BringUp::write(const QString& serial, const QString& source)
{
    result_.serialSource = source;
    records_.tag({recipe_.name, recipe_.sha256, source});
    step_ = Step::ProductInfo;
    job_.start({JobKind::ProductInfo, {}, productValues(recipe_, serial, QDate::currentDate()), ReadBack::Yes});
}

void BringUp::end(JobOutcome outcome, const JobSummary& last, std::string message)
{
    step_ = Step::Idle;
    records_.tag({});
    if (result_.alreadyPassed) {
        outcome = JobOutcome::Interrupted;
        message = last.message;
    }
    result_.outcome = outcome;
    result_.last = last;
    result_.message = std::move(message);
    result_.serial = !last.serial.empty() ? last.serial : flash_.serial;
    result_.seconds = static_cast<double>(clock_.elapsed()) / 1000;

    record_.revision = 2;
    record_.finished = recordTime();
    record_.result = QString::fromLatin1(result_.word());
    record_.caption = QString::fromStdString(last.caption);
    record_.message = QString::fromStdString(result_.message);
    record_.seconds = result_.seconds;
    record_.serialSource = result_.serialSource;
    record_.readBack = QString::fromStdString(last.readBackDifference);
    if (last.kind == JobKind::ProductInfo) {
        QString* fields[] = {&record_.hardware, &record_.mcusw, &record_.dspsw, &record_.serial, &record_.code,
                             &record_.manufacture};
        for (std::size_t i = 0; i < last.fields.size(); ++i)
            *fields[i] = QString::fromStdString(last.fields[i]);
    }
    record_.serial = QString::fromStdString(result_.serial);
    for (const auto& [file, from] : {std::pair{&record_.disk, &flash_.initDisk}, std::pair{&record_.data, &flash_.initData}}) {
        if (!*from)
            continue;
        file->emplace();
        (*file)->path = QString::fromStdString((*from)->path);
        (*file)->size = (*from)->digest.size;
        (*file)->sha256 = QString::fromStdString((*from)->digest.sha256);
        if ((*from)->ran) {
            (*file)->blocks = (*from)->blocks;
            (*file)->seconds = static_cast<double>((*from)->millis) / 1000;
        }
    }
    if (const auto kept = bench_.keep(record_); !kept) {
        result_.outcome = JobOutcome::Failed;
        result_.alreadyPassed = false;
        result_.message = "This bring-up is not on record: " + kept.error().toStdString();
    } else if (outcome == JobOutcome::Failed && curable(last.cause) && result_.tries < rules_.tries) {
        // No answer, a lost acknowledgement, a hang-up: a second try may go; a refusal
        // never does.
        retry_.start(kRetryPauseMs);
        return;
    }
    emit finished();
}

} // namespace auxpad
