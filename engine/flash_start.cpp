// "Step 2: Flash AUXPAD": both files picked and counted, the InitDisk file no longer
// than the InitData file, then the flash job starts with the self-test. Its two
// downloads start and end here.
#include "engine/station_engine.h"
#include "engine/texts.h"

namespace auxpad {

void StationEngine::startFlashJob(const FlashFiles& files, Millis now)
{
    now_ = now;
    if (!acceptsInput())
        return refuse(JobKind::Flash, halted_ ? text::kStationStopped : text::kStationBusy);
    view_.hideBar();
    view_.setCaption(text::kFlashStarting);
    for (const auto& [path, missing] : {std::pair{&files.initDisk, text::kSelectInitDisk},
                                        std::pair{&files.initData, text::kSelectInitData}}) {
        if (path->empty()) {
            view_.setCaption(missing);
            view_.box(missing, Icon::Critical);
            return refuse(JobKind::Flash, missing);
        }
    }
    // Each file is named while it is counted; one that cannot be read starts nothing.
    FlashJob job;
    int lines[2] = {};
    DownloadFile* slots[2] = {&job.initDisk, &job.initData};
    const char* checking[2] = {text::kCheckingDiskFile, text::kCheckingDataFile};
    const std::string* paths[2] = {&files.initDisk, &files.initData};
    for (int i = 0; i < 2; ++i) {
        const std::string name = fileName(*paths[i]);
        view_.setCaption(checking[i] + name, true);
        const auto facts = examineFile(files_, *paths[i]);
        if (!facts) {
            view_.setCaption(cannotRead(name, facts.error()));
            return refuse(JobKind::Flash);
        }
        lines[i] = facts->lines;
        slots[i]->path = *paths[i];
        slots[i]->digest = facts->digest;
    }
    if (lines[0] > lines[1]) {
        view_.box(text::kWrongFiles, Icon::None);
        view_.setCaption(text::kWrongFiles);
        return refuse(JobKind::Flash, text::kWrongFiles);
    }
    job.diskLines = lines[0];
    beginJob(std::move(job)); // a job under way is replaced
    sendSelfTest();
    pump();
    showPhase();
}

void StationEngine::startDownload(FlashJob& job, DownloadKind kind, Millis now)
{
    const bool initDisk = kind == DownloadKind::InitDisk;
    job.stage = initDisk ? FlashJob::Stage::InitDisk : FlashJob::Stage::InitData;
    DownloadFile& file = initDisk ? job.initDisk : job.initData;
    const std::string name = fileName(file.path);
    int totalLines = job.diskLines;
    if (!initDisk) {
        // The InitData file is counted afresh: it may have changed since the click.
        view_.setCaption(text::kCheckingDataFile + name, true);
        const auto facts = examineFile(files_, file.path);
        if (!facts) {
            view_.box(cannotRead(name, facts.error()), Icon::Critical);
            return endDownload(job, now);
        }
        totalLines = facts->lines;
        file.digest = facts->digest;
    }
    view_.showBar(0);
    auto opened = files_.open(file.path);
    if (!opened) {
        view_.box(cannotRead(name, opened.error()), Icon::Critical);
        return endDownload(job, now);
    }
    job.download = std::make_unique<Download>(kind, std::move(*opened), name, totalLines, now, view_, out_);
    job.download->sendOn(now);
    if (job.download->ended())
        endDownload(job, now);
}

// After the download took bytes or its deadline: once it has ended, the job goes on and
// the tick it started in is finished.
void StationEngine::followDownload(Millis now)
{
    auto* job = std::get_if<FlashJob>(&job_);
    if (!job || !job->download || !job->download->ended())
        return;
    endDownload(*job, now);
    endOfTick(now);
}

void StationEngine::endDownload(FlashJob& job, Millis now)
{
    const bool initDisk = job.stage == FlashJob::Stage::InitDisk;
    bool whole = false;
    if (job.download) {
        DownloadFile& file = initDisk ? job.initDisk : job.initData;
        whole = job.download->delivered();
        file.ran = true;
        file.blocks = job.download->blocksSent();
        file.millis = tickDiff(now, job.download->started());
        job.download.reset();
    }
    if (view_.bar().value < 99)
        whole = false;
    view_.hideBar();
    if (initDisk)
        afterInitDisk(job, whole, now);
    else
        afterInitData(whole);
}

} // namespace auxpad
