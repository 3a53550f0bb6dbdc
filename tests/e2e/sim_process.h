#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

// auxpad-sim as a separate process, mapped as a COM port of the tool through the port
// map in `configDir`.
class SimProcess {
public:
    // Without `counting`, the simulator keeps no stats file: rewriting it on every block
    // would slow the board that a measurement times.
    SimProcess(const QString& configDir, int com, const QStringList& options, bool counting = true);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const QString& devicePath() const { return device_; }
    void command(const std::string& line);
    // Ends the simulator's standard input, as a shell does when whoever started it goes.
    // From then on only a signal ends it.
    void closeInput();
    // The simulator's counters (only when counting), written afresh on request.
    std::map<std::string, long> stats();
    // The counters as the simulator keeps them in its file whenever they change.
    std::map<std::string, long> keptStats();
    // Waits for the simulator to exit on its own (hang-up options).
    bool waitForExit(int timeoutMs);
    std::string log(); // what it has written on standard error so far

private:
    QProcess process_;
    QString device_;
    QString statsFile_;
    QString logFile_;
    bool inputOpen_ = true;
};

// Options every end-to-end run passes to the simulator: AUXPAD_E2E_PACE=115200 paces the
// line as on hardware.
QStringList paceOptions();
