// "Step 2: Flash AUXPAD": both files picked and counted, the InitDisk file no longer
// than the InitData file, then the flash job starts with the self-test. Its two
// downloads start and end here.
#include "engine/board_engine.h"
#include "engine/texts.h"

namespace auxpad {

void BoardEngine::startFlashJob(const FlashFiles& files, Millis now, Pause pause)
{
    now_ = now;
    if (!acceptsInput())
        return refuse(JobKind::Flash, halted_ ? text::kStationStopped : text::kStationBusy);
    view_.hideBar();
    view_.setCaption(text::kFlashStarting);
    const char* checking[2] = {text::kCheckingDiskFile, text::kCheckingDataFile};
    const auto facts = examineFlashFiles(files_, files, [&](std::size_t i, const std::string& name) {
        view_.setCaption(checking[i] + name, true); // each file is named while it is counted
    });
    if (!facts) {
        const FlashFileProblem& problem = facts.error();
        switch (problem.kind) {
        case FlashFileProblem::Kind::NotChosen:
            view_.setCaption(problem.text);
            view_.box(problem.text, Icon::Critical);
            return refuse(JobKind::Flash, problem.text);
        case FlashFileProblem::Kind::CannotRead:
            view_.setCaption(problem.text);
            return refuse(JobKind::Flash);
        case FlashFileProblem::Kind::NotApproved:
            view_.setCaption(problem.text);
            return refuse(JobKind::Flash, problem.text);
        case FlashFileProblem::Kind::WrongOrder:
            view_.box(problem.text, Icon::None);
            view_.setCaption(problem.text);
            return refuse(JobKind::Flash, problem.text);
        }
    }
    FlashJob job;
    job.approvedDisk = files.initDiskSha256;
    job.approvedData = files.initDataSha256;
    job.initDisk.path = files.initDisk;
    job.initDisk.digest = (*facts)[0].digest;
    job.initData.path = files.initData;
    job.initData.digest = (*facts)[1].digest;
    job.diskLines = (*facts)[0].lines;
    job.pause = pause == Pause::BeforeDownload;
    beginJob(std::move(job)); // a job under way is replaced
    sendSelfTest();
    pump();
    showPhase();
}

void BoardEngine::startDownload(FlashJob& job, DownloadKind kind, Millis now)
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
            return endDownload(job, now, FailureCause::Refused);
        }
        if (const auto wrong = notApproved(file.path, facts->digest, approved)) {
            view_.box(*wrong, Icon::Critical);
            return endDownload(job, now, FailureCause::Refused);
        }
        if (!initDisk)
            totalLines = facts->lines;
        file.digest = facts->digest;
    }
    view_.showBar(0);
    auto opened = files_.open(file.path);
    if (!opened) {
        view_.box(cannotRead(name, opened.error()), Icon::Critical);
        return endDownload(job, now, FailureCause::Refused);
    }
    job.download = std::make_unique<Download>(kind, std::move(*opened), name, totalLines, now, view_, out_);
    job.download->sendOn(now);
    if (job.download->ended())
        endDownload(job, now);
}

// After the download took bytes or its deadline (so a flash job with a download is on):
// once it has ended, the job goes on and the tick it started in is finished.
void BoardEngine::followDownload(Millis now)
{
    auto& job = std::get<FlashJob>(job_);
    if (!job.download->ended())
        return;
    endDownload(job, now);
    endOfTick(now);
}

void BoardEngine::endDownload(FlashJob& job, Millis now, FailureCause failure)
{
    const bool initDisk = job.stage == FlashJob::Stage::InitDisk;
    if (job.download) {
        DownloadFile& file = initDisk ? job.initDisk : job.initData;
        failure = !job.download->delivered()        ? job.download->failure()
            : job.download->reachedItsCount() ? FailureCause::None
                                              : FailureCause::Refused; // the file is not what was counted
        file.ran = true;
        file.blocks = job.download->blocksSent();
        file.millis = tickDiff(now, job.download->started());
        job.download.reset();
    }
    view_.hideBar();
    if (initDisk)
        afterInitDisk(job, failure, now);
    else
        afterInitData(failure);
}

} // namespace auxpad
