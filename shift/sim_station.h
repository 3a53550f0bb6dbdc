#pragma once

#include <QObject>

#include <memory>
#include <optional>

#include "runner/bench.h"
#include "runner/recipe.h"
#include "shift/sim_lines.h"

namespace auxpad::shift {

// One simulated station: its adapters, its journal and its bench. A kill takes the bench
// down with no word to anyone, as kill -9 would; a start brings a new one up on the same
// journal, as a station started again does.
class SimStation final : public QObject {
    Q_OBJECT
public:
    SimStation(SimClock& clock, QString name, QString journalUrl, QString lineUrl, int slotCount, const Recipe& recipe,
               BringUpRules rules, Surroundings around);
    ~SimStation() override;

    const QString& name() const { return name_; }
    const QString& journalUrl() const { return journalUrl_; }
    int slotCount() const { return static_cast<int>(adapters_.size()); }
    SimAdapter& adapter(int slot) { return *adapters_[static_cast<std::size_t>(slot)]; }
    SimLines& lines() { return lines_; }
    Bench* bench() { return bench_.get(); }
    bool up() const { return bench_ != nullptr; }

    // A new bench as process `process`, its slots started; or why it could not start.
    Expected<void, QString> start(qint64 process);
    void kill();
    // As an operator ends a run: every slot stopped, the last records delivered.
    void stop();

signals:
    void arrived(int slot);
    void left(int slot);
    void finished(int slot);
    // What the station said, as a front would say it.
    void said(const QString& text);

private:
    SimClock& clock_;
    QString name_;
    QString journalUrl_;
    QString lineUrl_;
    const Recipe& recipe_;
    BringUpRules rules_;
    Surroundings around_;
    SimLines lines_;
    std::vector<SimAdapter*> adapters_;
    DiskFiles disk_;
    RecipeFiles files_;
    std::unique_ptr<Bench> bench_;
};

} // namespace auxpad::shift
