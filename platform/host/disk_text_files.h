#pragma once

#include "platform/text_files.h"

namespace platform {

// Text files on disk; relative names are taken from the process's working directory.
class DiskTextFiles final : public TextFiles {
public:
    std::unique_ptr<TextFile> openRead(const std::string& path, std::string& reason) override;
};

} // namespace platform
