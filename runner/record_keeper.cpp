#include "runner/record_keeper.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QSysInfo>

#include <unistd.h>

#include "auxpad_version.h"
#include "runner/board_job.h"

namespace auxpad {

namespace {

JobRecord::File fileRecord(const std::string& path)
{
    JobRecord::File file;
    file.path = QString::fromStdString(path);
    QFile in(file.path);
    if (in.open(QIODevice::ReadOnly)) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&in);
        file.size = in.size();
        file.sha256 = QString::fromLatin1(hash.result().toHex());
    }
    return file;
}

void noteDownload(std::optional<JobRecord::File>& file, const DownloadStats& stats)
{
    if (file && stats.ran) {
        file->blocks = stats.blocks;
        file->seconds = static_cast<double>(stats.millis) / 1000;
    }
}

} // namespace

RecordKeeper::RecordKeeper(BoardRunner& runner, RecordStore* store, QObject* parent)
    : QObject(parent), runner_(runner), store_(store)
{
    connect(&runner_, &BoardRunner::effect, this, &RecordKeeper::take);
    connect(&runner_, &BoardRunner::lineLost, this, [this](const QString& why) {
        record_.message = why;
        end("failed");
    });
}

void RecordKeeper::interrupt()
{
    end("interrupted");
}

void RecordKeeper::take(const Effect& effect)
{
    if (const auto* started = std::get_if<JobStarted>(&effect)) {
        begin(started->kind);
    } else if (const auto* box = std::get_if<BoxShown>(&effect)) {
        record_.message = QString::fromStdString(box->text);
    } else if (const auto* fault = std::get_if<StationFault>(&effect)) {
        record_.message = QString::fromStdString(fault->message);
    } else if (const auto* ended = std::get_if<JobEnded>(&effect)) {
        // A job the operator started anew never got to its end.
        end(ended->outcome == JobOutcome::Passed   ? "passed"
            : ended->outcome == JobOutcome::Failed ? "failed"
                                                   : "interrupted");
    }
}

void RecordKeeper::begin(JobKind kind)
{
    if (!store_)
        return;
    const StationEngine& engine = runner_.engine();
    record_ = {};
    record_.started = recordTime();
    record_.station = QSysInfo::machineHostName();
    record_.port = QString::fromStdString(runner_.port().name);
    record_.device = QString::fromStdString(runner_.port().device);
    record_.job = QString::fromLatin1(jobName(kind));
    record_.result = "running";
    record_.toolVersion = QStringLiteral(AUXPAD_VERSION);
    record_.pid = ::getpid();
    if (kind == JobKind::Flash) {
        record_.disk = fileRecord(engine.flashFiles().initDisk);
        record_.data = fileRecord(engine.flashFiles().initData);
    }
    open_ = true;
    write(store_->begin(record_));
}

void RecordKeeper::end(const QString& result)
{
    if (!open_)
        return;
    open_ = false;
    const StationEngine& engine = runner_.engine();
    record_.end(result);
    record_.caption = QString::fromStdString(engine.caption());
    // The six values are the board's once they have been read from it or written to it,
    // or the defaults that stood in for them.
    const bool flash = record_.job == "flash";
    record_.defaultsUsed = flash && engine.defaultsUsed();
    if (record_.job == "prodinfo" || (flash && (engine.boardInfoRead() || engine.defaultsUsed()))) {
        const ProductInfo& info = engine.productBoxes();
        QString* fields[] = {&record_.hardware, &record_.mcusw, &record_.dspsw, &record_.serial, &record_.code,
                             &record_.manufacture};
        for (std::size_t i = 0; i < info.size(); ++i)
            *fields[i] = QString::fromStdString(info[i]);
    }
    if (flash) {
        noteDownload(record_.disk, engine.flashStats().initDisk);
        noteDownload(record_.data, engine.flashStats().initData);
        if (const auto wait = engine.flashStats().formatWait)
            record_.formatWaitSeconds = static_cast<double>(*wait) / 1000;
    }
    write(store_->finish(record_));
}

void RecordKeeper::write(bool ok)
{
    if (ok || storeFailed_)
        return;
    storeFailed_ = true;
    emit failed(store_->lastError());
}

} // namespace auxpad
