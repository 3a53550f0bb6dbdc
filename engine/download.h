#pragma once

#include <memory>
#include <string>

#include "engine/station_engine.h"

namespace auxpad {

// A download under way: the file is read line by line as the blocks go, so only one
// block's text is ever held.
struct StationEngine::Download {
    Download(DownloadKind k, std::unique_ptr<TextFile> f, std::string n, int total, Millis now)
        : kind(k), file(std::move(f)), name(std::move(n)), totalLines(total), start(now)
    {
    }

    DownloadKind kind;
    std::unique_ptr<TextFile> file;
    std::string name; // as the operator picked it, without its folder
    int totalLines = 0;
    Millis start = 0;
    int lineNumber = 0;
    int blocksSent = 0;
    int linesInBlock = 0;
    std::string blockText;
    Millis elapsed = 0;     // up to the acknowledgement of the previous block
    bool lastBlock = false; // the block on the line is the partial one at the end
    bool awaitingAck = false;
    bool drained = false;   // the block has been handed to the port
    Millis ackWaitStart = 0;
};

// The name of a file without its folder.
std::string fileName(const std::string& path);

// "Cannot read <name>: <reason>".
std::string cannotRead(const std::string& name, const std::string& reason);

} // namespace auxpad
