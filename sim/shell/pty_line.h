#pragma once

#include "core/types.h"

#include <span>
#include <string>

namespace auxsim {

// The simulated serial line: a pseudo-terminal whose slave side the tool
// opens as its serial port. We keep a slave descriptor open ourselves, so
// the master does not see EIO while no tool is connected.
class PtyLine {
public:
    PtyLine(); // throws std::runtime_error
    ~PtyLine();
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    const std::string &slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }
    bool open() const { return master_ >= 0; }

    // Reads what the tool wrote; empty when nothing is waiting.
    Bytes read();
    // Writes as much as the pty takes now and drops it from the front of bytes.
    void write(Bytes &bytes);
    // Closes the master: the tool's side of the line sees a hang-up.
    void hangUp();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace auxsim
