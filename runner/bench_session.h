#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "records/signatures.h"
#include "runner/bench.h"

namespace auxpad {

// What a locked bench keeps from an operator: the commands that need the badge and PIN of
// the unlock role.
enum class Guarded { ChooseFiles, FlashAgain, Reprint, StopBench, CloseWindow };

// An exception asked for as the bench starts (--again, --allow-reuse), to be signed.
struct StartException {
    QString meaning; // access::kAgain, access::kReuse
    QString option;  // as it was asked for, for the messages: "--again"
};

// Everything a front decides before its bench starts: who runs it, by which recipe,
// where its records and results go, its ports, how its boards run, its access rules and
// the exceptions asked for, with who signs them.
struct SessionPlan {
    Attribution attribution;
    const Recipe* recipe = nullptr;
    SinkSettings sinks;
    QString lineUrl; // "" for none
    QString journalUrl = StoreUrls::journalUrl();
    std::vector<PortName> ports;
    BringUpRules rules;
    bool watch = false;          // the slots start each board
    bool labels = false;         // the recipe's [label] prints each passed board's
    AccessRules access;          // the recipe's, or a lock asked for with --lock
    std::vector<StartException> exceptions;
    QString signer;              // --signer BADGE, "" for none
    PinSource pin;
};

// One bench as a front runs it: set up the same way for the commands and the window, and
// one policy over its commands. With the access rules' lock, what `Guarded` names waits
// for the badge and PIN of the unlock role, which opens the bench for that person for a
// few minutes on the bench's clock, then locks it again by itself; each unlock is on
// record. The exceptions asked for at the start are signed, checked and on record before
// any port is opened.
class BenchSession final : public QObject {
    Q_OBJECT
public:
    explicit BenchSession(Bench& bench, QObject* parent = nullptr);
    ~BenchSession() override;

    // Opens the records, signs the exceptions, opens every port and prepares the boards;
    // or why the bench cannot start, before a byte went to any board.
    Expected<void, QString> setUp(SessionPlan plan);
    Bench& bench() { return bench_; }
    const SessionPlan& plan() const { return plan_; }

    // The lock: whether it holds now; whether `what` may be done now (for board `i`, a
    // flash of it when it passed), and the words for why not.
    bool locked() const;
    bool allows(Guarded) const { return !locked(); }
    bool mayStart(std::size_t i) const;
    QString lockedWhy(Guarded what) const;
    // Who opened it, while it is open.
    const std::optional<Person>& unlockedBy() const { return unlockedBy_; }
    // The badge and PIN of the unlock role open it for the rules' minutes; on record.
    Expected<void, QString> unlock(const QString& badge, const std::string& pin);
    // Locks it again at once.
    void relock();
    // Whether `badge` may sign in to run boards.
    Expected<void, QString> signIn(const QString& badge);

    // The bench's commands, under the policy: board `i` started with `files`; every board
    // started (while locked, those that passed are left alone; how many started); every
    // board stopped; whether the window may close.
    Expected<void, QString> start(std::size_t i, const FlashFiles& files);
    int startAll(const FlashFiles& files);
    Expected<void, QString> stopAll();
    Expected<void, QString> mayClose() const;

signals:
    // The lock was opened or closed.
    void lockChanged();

private:
    Expected<void, QString> signExceptions();
    Expected<void, QString> guard(Guarded what) const;

    Bench& bench_;
    SessionPlan plan_;
    std::unique_ptr<SignatureCheck> signatures_;
    std::optional<Person> unlockedBy_;
    std::unique_ptr<Timer> relock_;
};

} // namespace auxpad
