#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "base/expected.h"
#include "base/text_files.h"

namespace auxpad {

// The two download files of a flash job, by full path; with a SHA-256 (64 lower-case hex
// digits), only that file is sent, as its download starts.
struct FlashFiles {
    std::string initDisk;
    std::string initData;
    std::string initDiskSha256 = {};
    std::string initDataSha256 = {};
};

// What is wrong with a flash job's two files, in the operator's words.
struct FlashFileProblem {
    enum class Kind { NotChosen, CannotRead, NotApproved, WrongOrder };
    Kind kind;
    std::string text;
};

// The one check of a flash job's files, the engine's and every front's before a byte is
// sent: both chosen, then each readable and, when a SHA-256 is given, the approved file;
// last the InitDisk file no longer than the InitData file. `examining` hears of each file
// (0 InitDisk, 1 InitData) by its name as it is counted.
Expected<std::array<FileFacts, 2>, FlashFileProblem>
examineFlashFiles(TextFiles& files, const FlashFiles& flash,
                  const std::function<void(std::size_t, const std::string&)>& examining = {});

// A file's name without its folder, as the operator picked it.
std::string fileName(const std::string& path);
// "Cannot read <name>: <reason>".
std::string cannotRead(const std::string& name, const std::string& reason);
// Why the file at `path` is not the one approved by its SHA-256, if it is not.
std::optional<std::string> notApproved(const std::string& path, const FileDigest& digest, const std::string& approved);

} // namespace auxpad
