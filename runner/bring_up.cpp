#include "runner/bring_up.h"

#include <QDate>

#include "runner/machine_shell.h"
#include "runner/label_request.h"
#include "runner/serial_questions.h"

namespace auxpad {

using namespace bringup;

BringUp::BringUp(BoardJob& job, BringUpHost& bench, const Recipe& recipe, BringUpRules rules, QObject* parent)
    : QObject(parent), job_(job), records_(job.keeper()), bench_(bench), recipe_(recipe), machine_(rules),
      clock_(job.runner().clock()), deadline_(clock_.timer()), since_(clock_)
{
    connect(&job_, &BoardJob::finished, this,
            [this] { give([this](BringUpMachine& m, Millis now) { m.stepEnded(job_.summary(), now); }); });
    connect(&job_, &BoardJob::paused, this,
            [this](const JobSummary& flash) { give([&](BringUpMachine& m, Millis) { m.flashPaused(flash); }); });
    connect(deadline_.get(), &Timer::timeout, this,
            [this] { give([](BringUpMachine& m, Millis now) { m.deadlinePassed(now); }); });
}

void BringUp::start(const QString& board)
{
    if (running())
        return;
    records_.setBoard(board.isEmpty() ? newBoardIdentity() : board);
    since_.restart();
    give([](BringUpMachine& m, Millis now) { m.start(now); });
}

void BringUp::interrupt()
{
    give([](BringUpMachine& m, Millis now) { m.interrupt(now); });
}

// What the machine asks for is done in its order; an input given meanwhile (a job that
// ends at once) adds its outputs to the same loop.
void BringUp::apply()
{
    runOutputs(machine_, applying_, *deadline_, clock_.now(), [this](const BringUpOutput& output) { run(output); });
}

void BringUp::run(const BringUpOutput& output)
{
    std::visit(
        [this](const auto& o) {
            using T = std::decay_t<decltype(o)>;
            if constexpr (std::is_same_v<T, StartFlash>) {
                records_.tag({recipe_.name, recipe_.sha256, {}});
                job_.start({JobKind::Flash, recipe_.files, {}, ReadBack::No, o.pause ? Pause::BeforeDownload : Pause::No});
            } else if constexpr (std::is_same_v<T, ReleaseFlash>) {
                job_.release();
            } else if constexpr (std::is_same_v<T, StopFlash>) {
                job_.stop(o.why);
            } else if constexpr (std::is_same_v<T, StartWrite>) {
                records_.tag({recipe_.name, recipe_.sha256,
                              QString::fromLatin1(serialSourceName(machine_.result().serialSource))});
                job_.start({JobKind::ProductInfo, {},
                            productValues(recipe_, QString::fromStdString(o.serial), QDate::currentDate()),
                            ReadBack::Yes});
            } else if constexpr (std::is_same_v<T, InterruptJob>) {
                job_.interrupt();
            } else if constexpr (std::is_same_v<T, AskPassed> || std::is_same_v<T, AskSerial>) {
                ask(o);
            } else if constexpr (std::is_same_v<T, bringup::EndReservation>) {
                endReservation(o);
            } else if constexpr (std::is_same_v<T, KeepStart>) {
                keepStart(o.attempt);
            } else if constexpr (std::is_same_v<T, KeepEnd>) {
                keepEnd(o.attempt);
            } else if constexpr (std::is_same_v<T, ReopenLine>) {
                const bool back = job_.runner().reopen().has_value();
                machine_.lineLooked(back, clock_.now());
            } else if constexpr (std::is_same_v<T, PrintLabel>) {
                printLabel();
            } else if constexpr (std::is_same_v<T, Finished>) {
                records_.tag({});
                emit finished();
            }
        },
        output);
}

void BringUp::ask(const AskPassed& question)
{
    RecordsThread* thread = bench_.recordsThread();
    if (!thread)
        return machine_.passedBefore(question.attempt, unexpected(std::string("no records")));
    thread->run<Expected<bool, QString>>(
        [serial = QString::fromStdString(question.serial), recipe = recipe_.name](RecordsThread::Stores& stores) {
            return serialPassed(stores, serial, {QLatin1String(words::kRun), recipe});
        },
        this, [this, attempt = question.attempt](const Expected<bool, QString>& passed) {
            give([&](BringUpMachine& m, Millis) {
                m.passedBefore(attempt, passed ? Expected<bool, std::string>(*passed)
                                               : unexpected(passed.error().toStdString()));
            });
        });
}

void BringUp::ask(const AskSerial& question)
{
    RecordsThread* thread = bench_.recordsThread();
    if (!thread)
        return machine_.serialChosen(question.attempt, unexpected(std::string("this station keeps no records")),
                                     clock_.now());
    thread->run<Expected<SerialChoice, std::string>>(
        [own = QString::fromStdString(question.own), range = recipe_.serials, recipe = recipe_.name,
         port = QString::fromStdString(job_.port().name), lease = recipe_.serialLease](RecordsThread::Stores& stores) {
            return chooseSerial(stores, own, range, recipe, port, lease);
        },
        this, [this, attempt = question.attempt, asked = clock_.now()](const Expected<SerialChoice, std::string>& choice) {
            bench_.serialTaken(tickDiff(clock_.now(), asked));
            give([&](BringUpMachine& m, Millis now) { m.serialChosen(attempt, choice, now); });
        });
}

void BringUp::endReservation(const bringup::EndReservation& end)
{
    RecordsThread* thread = bench_.recordsThread();
    if (!thread)
        return;
    const QString serial = QString::fromStdString(end.serial);
    thread->run<Expected<void, QString>>(
        [serial, written = end.written](RecordsThread::Stores& stores) {
            return auxpad::endReservation(stores, serial, written);
        },
        this, [this, serial](const Expected<void, QString>& marked) {
            if (!marked) // the serial stays reserved, which a look at the range explains
                emit job_.told("The serial number " + serial + " is still marked reserved: " + marked.error());
        });
}

// The label carries what the board gave back when it was read, and the serial it holds.
void BringUp::printLabel()
{
    if (!bench_.printsLabels())
        return;
    ProductFields onBoard = machine_.result().last.fields;
    onBoard[at(ProductField::Serial)] = machine_.result().serial;
    const Attribution& who = bench_.attribution();
    if (const auto request = labelRequest(recipe_, onBoard, record_.uuid, QDate::currentDate(), who.station,
                                          who.operatorId, who.order))
        bench_.printLabel(job_, *request);
}

// Each try is on record as a bring-up of its own, job "run", of the board on the port: the
// journal marks the board's earlier tries as tried again, since its last try decides what
// it came to.
void BringUp::keepStart(int)
{
    record_ = startingRecord(job_.port(), {recipe_.name, recipe_.sha256, {}}, bench_.attribution(), bench_.surroundings());
    record_.job = QLatin1String(words::kRun);
    record_.board = records_.board();
    (void)bench_.keep(record_); // a start not on record is said once; the end may still be
}

void BringUp::keepEnd(int attempt)
{
    fillBringUpRecord(record_, machine_.result(), machine_.flash(), clock_);
    const auto kept = bench_.keep(record_);
    machine_.endKept(attempt, kept ? Expected<void, std::string>() : unexpected(kept.error().toStdString()),
                     clock_.now());
}

} // namespace auxpad

#include "moc_bring_up.cpp"
