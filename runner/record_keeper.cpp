#include "runner/record_keeper.h"

#include <QSysInfo>
#include <QUuid>

#include "auxpad_version.h"

namespace auxpad {

namespace {

std::optional<JobRecord::File> fileRecord(const std::optional<DownloadFile>& file)
{
    if (!file)
        return std::nullopt;
    JobRecord::File out;
    out.path = QString::fromStdString(file->path);
    if (!file->digest.sha256.empty()) {
        out.size = file->digest.size;
        out.sha256 = QString::fromStdString(file->digest.sha256);
    }
    if (file->ran) {
        out.blocks = file->blocks;
        out.seconds = static_cast<double>(file->millis) / 1000;
    }
    return out;
}

} // namespace

void fillRecord(JobRecord& record, const JobSummary& job)
{
    record.job = QString::fromLatin1(jobName(job.kind));
    record.result = QString::fromLatin1(outcomeName(job.outcome));
    record.defaultsUsed = job.fieldsFrom == FieldSource::Defaults;
    if (job.fieldsFrom != FieldSource::None) {
        QString* fields[] = {&record.hardware, &record.mcusw, &record.dspsw, &record.serial, &record.code,
                             &record.manufacture};
        for (std::size_t i = 0; i < job.fields.size(); ++i)
            *fields[i] = QString::fromStdString(job.fields[i]);
    }
    record.readBack = QString::fromStdString(job.readBackDifference);
    record.disk = fileRecord(job.initDisk);
    record.data = fileRecord(job.initData);
    if (job.formatWait)
        record.formatWaitSeconds = static_cast<double>(*job.formatWait) / 1000;
}

void endRecord(JobRecord& record, const JobSummary& job, const Clock& clock)
{
    fillRecord(record, job);
    record.revision = 2;
    record.finished = recordTime(clock);
    record.seconds = job.seconds;
    record.caption = QString::fromStdString(job.caption);
    record.message = QString::fromStdString(job.message);
    record.step = QLatin1String(stepName(job.step));
    record.cause = job.passed() ? QString() : QLatin1String(causeName(job.cause));
}

void fillBringUpRecord(JobRecord& record, const BringUpResult& bringUp, const JobSummary& flash, const Clock& clock)
{
    endRecord(record, bringUp.last, clock);
    record.job = QLatin1String(words::kRun);
    record.result = QString::fromLatin1(bringUp.word());
    record.message = QString::fromStdString(bringUp.message);
    record.seconds = bringUp.seconds;
    record.step = QLatin1String(stepName(bringUp.step));
    record.cause = QLatin1String(causeName(bringUp.cause));
    record.serialSource = QString::fromLatin1(serialSourceName(bringUp.serialSource));
    record.serial = QString::fromStdString(bringUp.serial);
    record.disk = fileRecord(flash.initDisk);
    record.data = fileRecord(flash.initData);
    if (flash.formatWait)
        record.formatWaitSeconds = static_cast<double>(*flash.formatWait) / 1000;
}

JobRecord startingRecord(const PortName& port, const JobTags& tags, const Attribution& attribution,
                         const Surroundings& around)
{
    JobRecord record;
    record.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.started = recordTime(*around.clock);
    record.station = attribution.station;
    record.operatorId = attribution.operatorId;
    record.order = attribution.order;
    record.reason = attribution.reason;
    record.port = QString::fromStdString(port.name);
    record.device = QString::fromStdString(port.device);
    record.result = QString::fromLatin1(outcomeName(JobOutcome::Running));
    record.toolVersion = QStringLiteral(AUXPAD_VERSION);
    record.pid = around.process;
    record.recipe = tags.recipe;
    record.recipeSha256 = tags.recipeSha256;
    record.serialSource = tags.serialSource;
    return record;
}

QString newBoardIdentity()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

RecordKeeper::RecordKeeper(BoardRunner& runner, Journal* journal, QString lineDb, const Surroundings& around,
                           QObject* parent)
    : QObject(parent), runner_(runner), journal_(journal), around_(around), lineDb_(std::move(lineDb))
{
    connect(&runner_, &BoardRunner::effect, this, &RecordKeeper::take);
}

void RecordKeeper::take(const Effect& effect)
{
    if (const auto* started = std::get_if<JobStarted>(&effect))
        begin(started->summary);
    else if (const auto* ended = std::get_if<JobEnded>(&effect))
        end(ended->summary);
}

void RecordKeeper::begin(const JobSummary& job)
{
    open_ = journal_ != nullptr;
    if (!open_)
        return;
    record_ = startingRecord(runner_.port(), tags_, attribution_, around_);
    record_.lineDb = lineDb_;
    // A job on a board nobody named (the station window's) is a board of its own.
    record_.board = board_.isEmpty() ? record_.uuid : board_;
    fillRecord(record_, job);
    // A start that is not on record is told; the end, written whole, may still be.
    (void)write();
}

void RecordKeeper::end(JobSummary job)
{
    if (std::exchange(open_, false)) {
        endRecord(record_, job, runner_.clock());
        if (const auto written = write(); !written) {
            job.outcome = JobOutcome::Failed;
            job.message = "This job is not on record: " + written.error().toStdString();
        }
    }
    emit recorded(job);
}

Expected<void, QString> RecordKeeper::write()
{
    auto written = journal_->records().save(record_);
    if (written)
        emit saved();
    else
        emit failed(written.error());
    return written;
}

} // namespace auxpad

#include "moc_record_keeper.cpp"
