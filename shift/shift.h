#pragma once

#include <QFile>
#include <QObject>

#include <memory>
#include <random>
#include <vector>

#include "records/audit.h"
#include "shift/shift_plan.h"
#include "shift/sim_printer.h"
#include "shift/sim_station.h"

namespace auxpad::shift {

// What a station's journal did in a shift: its boards by the line's one rule, read from
// the line's database it fed (so that a report of the same stores says the same), and
// how busy its bench was. A journal that took another station's name has its own.
struct StationFigures {
    QString station;
    QString journal; // the journal's identity
    QString shown;   // as a report names it: "station-2 [journal 4a1b2c3d]" where two journals share a name
    bool clone = false;
    qint64 boards = 0;
    qint64 passed = 0;
    qint64 failed = 0;
    qint64 interrupted = 0;
    qint64 firstPass = 0; // boards that passed at their first try
    qint64 noSerial = 0;  // boards that failed for want of a serial number
    double firstPassYield() const;
    double boardsPerHour = 0;
    double boundPerHour = 0; // slots x 3600 / (mean bring-up + plug + pull seconds)
    double slotUse = 0;      // the share of slot time a board was on
    double longestSerialWaitSeconds = 0;
    double longestLabelWaitSeconds = 0;
};

// A slot that failed more than its bench over the shift (base/board_counts.h).
struct SlotOutlier {
    QString station, port;
    qint64 boards = 0;
    qint64 failed = 0; // at their first try
    double p = 0;
};

// What a simulated shift came to.
struct ShiftOutcome {
    std::vector<StationFigures> stations;
    std::vector<SlotOutlier> outliers;
    std::vector<Invariant> invariants;
    std::vector<Fault> faults;
    double meanBringUpSeconds = 0;
    qint64 endedAtMs = 0; // virtual time when every store was checked
    std::vector<double> rssMb; // the process's resident memory at the end of each simulated hour
};

// A whole shift of the line on simulated time: the product's own benches on simulated
// boards, a robot that plugs and pulls them, the faults of the plan, and at the end the
// line's promises checked against the stores.
class Shift final : public QObject {
    Q_OBJECT
public:
    // The stores go into `storeDir`: the line's database at `lineUrl`, each journal as
    // <station>.sqlite.
    Shift(ShiftPlan plan, const Recipe& recipe, QString storeDir, QString lineUrl);
    ~Shift() override;

    Expected<ShiftOutcome, QString> run();

private:
    enum class BoardKind { Sound, SelfTestFails, MisstoresSerial, HangsUp, Silent };
    struct SlotRobot {
        enum class Step { Empty, Plugged, Finished, Pulled } step = Step::Empty;
        BoardKind kind = BoardKind::Sound;
        int board = 0;
        bool arrived = false;
        std::optional<Verdict> verdict;
        qint64 pluggedAt = 0;
        std::unique_ptr<Timer> timer;
    };
    struct Station {
        std::unique_ptr<SimStation> sim;
        std::vector<SlotRobot> robots;
        int index = 0;
        bool plugging = true;
        bool clone = false;
        qint64 busyMs = 0;
        qint64 process = 0;   // the simulated process its bench runs as
        Millis longestSerialWait = 0, longestLabelWait = 0; // over its benches before this one
        qint64 downForMs = 0; // how long it stays down once killed
    };

    Expected<void, QString> startStation(Station& station);
    Station& addStation(const QString& name, const QString& journal, int slotCount, bool clone);
    void follow(Station& station);
    void schedule(const Fault& fault);
    void after(qint64 ms, std::function<void()> call);
    void plugSoon(Station& station, int slot);
    void plug(Station& station, int slot);
    void pull(Station& station, int slot);
    void finished(Station& station, int slot);
    void left(Station& station, int slot);
    void kill(Station& station);
    void restart(Station& station);
    void keepWaits(Station& station);
    void retire(Station& station);
    void hangUp(Station& station, int slot, const std::string& comingBackAs);
    auxsim::EngineConfig boardOf(BoardKind kind);
    // Whether a flaky slot's try loses its line this time: after which block, if it does.
    std::optional<std::uint64_t> flakyTry(const Station& station, int slot);
    BoardKind drawKind();
    qint64 wait(double meanSeconds);
    bool idle(const Station& station) const;
    bool settled() const;
    void logEvent(const Station* station, int slot, const QString& what);
    QString lineAway() const;
    Expected<ShiftOutcome, QString> finish();
    // What the stores say of each journal and each slot, once everything is delivered.
    Expected<void, QString> countBoards(ShiftOutcome& outcome, RecordReader& line,
                                        const std::vector<std::unique_ptr<Journal>>& journals);

    ShiftPlan plan_;
    const Recipe& recipe_;
    QString storeDir_;
    QString lineUrl_;
    SimClock clock_;
    SimPrinter printer_;
    std::mt19937_64 dice_;
    std::vector<std::unique_ptr<Station>> stations_;
    std::vector<std::unique_ptr<Timer>> timers_;
    std::vector<PulledBoard> pulled_;
    std::set<qint64> processes_; // the simulated station processes alive now
    qint64 nextProcess_ = 1'000'000;
    int boards_ = 0;
    double bringUpSeconds_ = 0;
    int bringUps_ = 0;
    QFile events_;
    qint64 endMs_ = 0;
    std::vector<double> rssMb_;
};

} // namespace auxpad::shift
