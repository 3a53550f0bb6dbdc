#pragma once

#include "core/sim_engine.h"

#include <optional>
#include <string>

namespace auxsim {

// The simulator's outputs: the traffic log on stderr and the files named on
// the command line. File problems are reported on stderr and do not stop
// the simulation.
class ShellSink : public EngineSink {
public:
    ShellSink(bool quiet, std::string imageOut, std::string recordOut, std::string statsFile);
    ~ShellSink() override;
    ShellSink(const ShellSink &) = delete;
    ShellSink &operator=(const ShellSink &) = delete;

    void log(TimeUs at, const std::string &line) override;
    void notice(const std::string &line) override;
    void imageData(std::span<const std::uint8_t> data) override;
    void recordStored(const ProdRecord &record) override;
    void boardAttached() override;

    // Writes the stats file when the counters differ from the last write.
    void statsChanged(const SimStats &stats);
    void writeStats(const SimStats &stats);

private:
    bool quiet_;
    int imageFd_ = -1;
    std::string imageOut_;
    std::string recordOut_;
    std::string statsFile_;
    std::optional<SimStats> written_;
};

} // namespace auxsim
