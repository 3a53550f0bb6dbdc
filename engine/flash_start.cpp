// "Step 2: Flash AUXPAD": both files picked and counted, the InitDisk file no longer
// than the InitData file, then the flash job starts with the self-test. Its two
// downloads start and end here.
#include "engine/station_engine.h"
#include "engine/texts.h"

namespace auxpad {

void StationEngine::startFlashJob(const FlashFiles& files, Millis now, Hold hold)
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
    job.approvedDisk = files.initDiskSha256;
    job.approvedData = files.initDataSha256;
    int lines[2] = {};
    DownloadFile* slots[2] = {&job.initDisk, &job.initData};
    const char* checking[2] = {text::kCheckingDiskFile, text::kCheckingDataFile};
    const std::string* paths[2] = {&files.initDisk, &files.initData};
    const std::string* approved[2] = {&files.initDiskSha256, &files.initDataSha256};
    for (int i = 0; i < 2; ++i) {
        const std::string name = fileName(*paths[i]);
        view_.setCaption(checking[i] + name, true);
        const auto facts = examineFile(files_, *paths[i]);
        if (!facts) {
            view_.setCaption(cannotRead(name, facts.error()));
            return refuse(JobKind::Flash);
        }
        if (const auto wrong = notApproved(*paths[i], facts->digest, *approved[i])) {
            view_.setCaption(*wrong);
            return refuse(JobKind::Flash, *wrong);
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
    job.hold = hold == Hold::BeforeDownload;
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
    const std::string& approved = initDisk ? job.approvedDisk : job.approvedData;
    const std::string name = fileName(file.path);
    int totalLines = job.diskLines;
    // The InitData file is counted afresh: it may have changed since the click. A file
    // that must be the approved one is looked at again too, in silence for InitDisk.
    if (!initDisk || !approved.empty()) {
        if (!initDisk)
            view_.setCaption(text::kCheckingDataFile + name, true);
        const auto facts = examineFile(files_, file.path);
        if (!facts) {
            view_.box(cannotRead(name, facts.error()), Icon::Critical);
            return endDownload(job, now);
        }
        if (const auto wrong = notApproved(file.path, facts->digest, approved)) {
            view_.box(*wrong, Icon::Critical);
            return endDownload(job, now);
        }
        if (!initDisk)
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

// Why the file at `path` is not the one approved by its SHA-256, if it is not.
std::optional<std::string> StationEngine::notApproved(const std::string& path, const FileDigest& digest,
                                                      const std::string& approved) const
{
    if (approved.empty() || digest.sha256 == approved)
        return std::nullopt;
    return fileName(path) + text::kNotApproved + digest.sha256;
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

void StationEngine::endDownload(FlashJob& job, Millis now, FailureCause failure)
{
    const bool initDisk = job.stage == FlashJob::Stage::InitDisk;
    if (job.download) {
        DownloadFile& file = initDisk ? job.initDisk : job.initData;
        failure = job.download->delivered() ? FailureCause::None : job.download->failure();
        file.ran = true;
        file.blocks = job.download->blocksSent();
        file.millis = tickDiff(now, job.download->started());
        job.download.reset();
    }
    if (view_.bar().value < 99 && failure == FailureCause::None)
        failure = FailureCause::Refused; // the file is not what was counted
    view_.hideBar();
    if (initDisk)
        afterInitDisk(job, failure, now);
    else
        afterInitData(failure);
}

} // namespace auxpad
