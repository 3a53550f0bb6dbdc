// "Step 2: Flash AUXPAD": both files picked and counted, the InitDisk file no longer
// than the InitData file, then the flash job starts with the board check.
#include "engine/download.h"
#include "engine/texts.h"

namespace auxpad {

void StationEngine::startFlashJob(const FlashFiles& files, Millis)
{
    if (!acceptsInput())
        return;
    hideBar();
    setCaption(text::kFlashStarting);
    for (const auto& [path, missing] : {std::pair{&files.initDisk, text::kSelectInitDisk},
                                        std::pair{&files.initData, text::kSelectInitData}}) {
        if (path->empty()) {
            setCaption(missing);
            box(missing, Icon::Critical);
            return;
        }
    }
    // Each file is named while it is counted; one that cannot be read starts nothing.
    for (const auto& [path, checking, lines] : {std::tuple{&files.initDisk, text::kCheckingDiskFile, &diskLines_},
                                                std::tuple{&files.initData, text::kCheckingDataFile, &dataLines_}}) {
        const std::string name = fileName(*path);
        setCaption(checking + name, true);
        std::string reason;
        if (!countLines(files_, *path, *lines, reason)) {
            setCaption(cannotRead(name, reason));
            return;
        }
    }
    if (diskLines_ > dataLines_) {
        box(text::kWrongFiles, Icon::None);
        setCaption(text::kWrongFiles);
        return;
    }
    jobFiles_ = files;
    // A job under way is replaced.
    beginJob(JobKind::Flash);
    defaultsUsed_ = boardInfoRead_ = false;
    flashStats_ = {};
    boardTest();
    mode_ = JobMode::FlashBoardCheck;
    selfTestReplied_ = false;
    pump();
}

} // namespace auxpad
