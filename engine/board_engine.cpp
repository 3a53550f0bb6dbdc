#include "base/result_words.h"
#include "engine/board_engine.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "engine/texts.h"
#include "fbus/hex_text.h"

namespace auxpad {

namespace {

template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

const JobBasis* basisOf(const JobState& job)
{
    return std::visit(Overloaded{[](const std::monostate&) -> const JobBasis* { return nullptr; },
                                 [](const JobBasis& basis) -> const JobBasis* { return &basis; }},
                      job);
}

// Where a job is, as the records name its step.
Step stepOf(const JobState& job)
{
    return std::visit(Overloaded{[](const std::monostate&) { return Step::None; },
                                 [](const FlashJob& flash) {
                                     switch (flash.stage) {
                                     case FlashJob::Stage::SelfTest:
                                         return Step::SelfTest;
                                     case FlashJob::Stage::ReadInfo:
                                     case FlashJob::Stage::AwaitInfo:
                                     case FlashJob::Stage::Paused:
                                         return Step::Read;
                                     case FlashJob::Stage::InitDisk:
                                         return Step::InitDisk;
                                     case FlashJob::Stage::FormatWait:
                                         return Step::Format;
                                     case FlashJob::Stage::InitData:
                                         break;
                                     }
                                     return Step::InitData;
                                 },
                                 [](const ProductJob& product) {
                                     switch (product.stage) {
                                     case ProductJob::Stage::SelfTest:
                                         return Step::SelfTest;
                                     case ProductJob::Stage::ReadingBack:
                                         return Step::ReadBack;
                                     case ProductJob::Stage::Writing:
                                         break;
                                     }
                                     return Step::Write;
                                 },
                                 [](const SelfTestJob&) { return Step::SelfTest; }},
                      job);
}

// Where a job refused before it began would have failed: a flash job at its first file,
// a write at its fields, a self-test at the board's answer.
Step firstStepOf(JobKind kind)
{
    switch (kind) {
    case JobKind::Flash:
        return Step::InitDisk;
    case JobKind::ProductInfo:
        return Step::Write;
    case JobKind::SelfTest:
        break;
    }
    return Step::SelfTest;
}

} // namespace

std::string JobSummary::failure() const
{
    if (passed())
        return {};
    return message.empty() ? caption : message;
}

std::string elapsedText(double seconds)
{
    const long s = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld", s / 60, s % 60);
    return text;
}

const char* jobName(JobKind kind)
{
    switch (kind) {
    case JobKind::ProductInfo:
        return words::kProductInfo;
    case JobKind::SelfTest:
        return words::kSelfTest;
    case JobKind::Flash:
        break;
    }
    return words::kFlash;
}

const char* outcomeName(JobOutcome outcome)
{
    switch (outcome) {
    case JobOutcome::Running:
        return words::kRunning;
    case JobOutcome::Passed:
        return words::kPassed;
    case JobOutcome::Interrupted:
        return words::kInterrupted;
    case JobOutcome::Failed:
    case JobOutcome::Lost:
        break;
    }
    return words::kFailed;
}

const char* phaseName(Phase phase)
{
    switch (phase) {
    case Phase::SelfTest:
        return "self-test";
    case Phase::ReadingInfo:
        return "product info";
    case Phase::InitDisk:
        return "InitDisk";
    case Phase::FormatWait:
        return "format wait";
    case Phase::InitData:
        return "InitData";
    case Phase::WritingInfo:
        return "writing product info";
    case Phase::ReadingBack:
        return "read-back";
    case Phase::Idle:
        break;
    }
    return "done";
}

BoardEngine::BoardEngine(TextFiles& files, std::string iniPath)
    : files_(files), ini_(files, std::move(iniPath)), link_(*this), view_(out_, [this] { showPhase(); })
{
    for (std::size_t f = 0; f < fields_.size(); ++f)
        fields_[f] = kProductFieldRules[f].placeholder;
}

BoardEngine::~BoardEngine() = default;

bool BoardEngine::acceptsInput() const
{
    return !halted_ && !download() && out_.boxesOutstanding() == 0;
}

Download* BoardEngine::download() const
{
    const auto* flash = std::get_if<FlashJob>(&job_);
    return flash ? flash->download.get() : nullptr;
}

// ---- jobs -------------------------------------------------------------------------

JobMode BoardEngine::jobMode() const
{
    return std::visit(Overloaded{[](const std::monostate&) { return JobMode::Idle; },
                                 [](const FlashJob& job) {
                                     switch (job.stage) {
                                     case FlashJob::Stage::SelfTest:
                                         return JobMode::FlashSelfTest;
                                     case FlashJob::Stage::ReadInfo:
                                         return JobMode::FlashReadInfo;
                                     case FlashJob::Stage::AwaitInfo:
                                     case FlashJob::Stage::Paused:
                                         return JobMode::FlashAwaitInfo;
                                     case FlashJob::Stage::InitDisk:
                                         return JobMode::FlashInitDisk;
                                     case FlashJob::Stage::FormatWait:
                                     case FlashJob::Stage::InitData:
                                         break;
                                     }
                                     return JobMode::FlashFormatWait;
                                 },
                                 [](const ProductJob& job) {
                                     switch (job.stage) {
                                     case ProductJob::Stage::SelfTest:
                                         return JobMode::ProductSelfTest;
                                     case ProductJob::Stage::ReadingBack:
                                         return JobMode::ProductReadBack;
                                     case ProductJob::Stage::Writing:
                                         break;
                                     }
                                     return JobMode::Idle; // once the write is sent, another job may start
                                 },
                                 [](const SelfTestJob&) { return JobMode::SelfTest; }},
                      job_);
}

bool BoardEngine::sequencerIdle() const
{
    return jobMode() == JobMode::Idle;
}

Phase BoardEngine::phase() const
{
    if (const Download* d = download())
        return d->kind() == DownloadKind::InitDisk ? Phase::InitDisk : Phase::InitData;
    switch (jobMode()) {
    case JobMode::FlashSelfTest:
    case JobMode::ProductSelfTest:
    case JobMode::SelfTest:
        return Phase::SelfTest;
    case JobMode::FlashReadInfo:
    case JobMode::FlashAwaitInfo:
        return Phase::ReadingInfo;
    case JobMode::FlashInitDisk:
        return Phase::InitDisk;
    case JobMode::ProductReadBack:
        return Phase::ReadingBack;
    case JobMode::FlashFormatWait:
        return std::get<FlashJob>(job_).stage == FlashJob::Stage::InitData ? Phase::InitData : Phase::FormatWait;
    case JobMode::Idle:
        break;
    }
    return pendingWrite_ ? Phase::WritingInfo : Phase::Idle;
}

void BoardEngine::showPhase()
{
    if (const Phase now = phase(); now != shownPhase_) {
        shownPhase_ = now;
        out_.post(PhaseShown{now});
    }
}

template <typename Job>
Job& BoardEngine::beginJob(Job job)
{
    endJob(JobOutcome::Interrupted, FailureCause::Interrupted); // a job under way is replaced
    job.startedAt = now_;
    job.boxesBefore = view_.boxCount();
    job_ = std::move(job);
    out_.post(JobStarted{summary(JobOutcome::Running)});
    return std::get<Job>(job_);
}

void BoardEngine::endJob(JobOutcome outcome, FailureCause cause, std::optional<std::string> why)
{
    if (std::holds_alternative<std::monostate>(job_))
        return;
    JobSummary done = summary(outcome);
    done.cause = cause;
    if (why)
        done.message = std::move(*why);
    job_ = std::monostate{};
    showPhase();
    out_.post(JobEnded{std::move(done)});
}

void BoardEngine::refuse(JobKind kind, std::string why)
{
    JobSummary refused;
    refused.kind = kind;
    refused.outcome = JobOutcome::Failed;
    refused.cause = FailureCause::Refused;
    refused.step = firstStepOf(kind);
    refused.caption = view_.caption();
    refused.message = std::move(why);
    out_.post(JobRefused{std::move(refused)});
}

JobSummary BoardEngine::summary(JobOutcome outcome) const
{
    JobSummary s;
    s.outcome = outcome;
    s.caption = view_.caption();
    if (outcome != JobOutcome::Running)
        s.step = stepOf(job_);
    std::visit(Overloaded{[](const std::monostate&) {},
                          [&](const FlashJob& job) {
                              s.kind = JobKind::Flash;
                              s.initDisk = job.initDisk;
                              s.initData = job.initData;
                              s.formatWait = job.formatWait;
                              s.fieldsFrom = job.fieldsFrom;
                              if (job.fieldsFrom != FieldSource::None)
                                  s.fields = fields_;
                          },
                          [&](const ProductJob& job) {
                              s.kind = JobKind::ProductInfo;
                              s.fields = job.values;
                              s.fieldsFrom = outcome == JobOutcome::Passed ? FieldSource::Written : FieldSource::NotWritten;
                              s.readBackDifference = job.difference;
                              s.differs = job.differs;
                              if (job.readValues) // what the board holds, whatever was written
                                  s.serial = (*job.readValues)[at(ProductField::Serial)];
                          },
                          [&](const SelfTestJob&) { s.kind = JobKind::SelfTest; }},
               job_);
    if (s.serial.empty() && (s.fieldsFrom == FieldSource::Board || s.fieldsFrom == FieldSource::Written))
        s.serial = s.fields[at(ProductField::Serial)];
    if (const JobBasis* basis = basisOf(job_)) {
        s.seconds = static_cast<double>(tickDiff(now_, basis->startedAt)) / 1000;
        if (view_.boxCount() > basis->boxesBefore)
            s.message = view_.lastBox();
    }
    return s;
}

template FlashJob& BoardEngine::beginJob(FlashJob);

void BoardEngine::setField(ProductField field, std::string text)
{
    fields_[at(field)] = text;
    out_.post(ProductFieldSet{field, std::move(text)});
}

void BoardEngine::fault(std::string message)
{
    halted_ = true;
    out_.post(StationFault{message});
    endJob(JobOutcome::Failed, FailureCause::Station, std::move(message));
}

// ---- the line and the clock -------------------------------------------------------

void BoardEngine::received(std::span<const std::uint8_t> bytes, Millis now)
{
    now_ = now;
    if (halted_)
        return;
    if (Download* d = download()) {
        // During a download every byte is the bootloader's.
        d->bootloaderBytes(bytes, now);
        followDownload(now);
    } else if (out_.boxesOutstanding() > 0) {
        waitingNew_.insert(waitingNew_.end(), bytes.begin(), bytes.end());
        return;
    } else {
        receiveBatch(bytes);
        pump();
    }
    showPhase();
}

void BoardEngine::receiveBatch(std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (const auto frame = link_.receive(bytes[i]); !frame.empty())
            boardMessage(frame);
        if (out_.boxesOutstanding() > 0) {
            waitingRest_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i + 1), bytes.end());
            return;
        }
    }
}

void BoardEngine::pump()
{
    if (acceptsInput())
        link_.sender().pump();
}

void BoardEngine::tick(Millis now)
{
    now_ = now;
    // A tick that falls during a download or while a box is open is not made up.
    if (!acceptsInput())
        return;
    link_.tick();
    step(now);
    if (!download())
        endOfTick(now);
    showPhase();
}

void BoardEngine::deadlinePassed(Millis now)
{
    now_ = now;
    if (Download* d = download()) {
        d->deadlinePassed(now);
        followDownload(now);
        showPhase();
    }
}

void BoardEngine::lineDrained(Millis now)
{
    now_ = now;
    if (Download* d = download())
        d->lineDrained(now);
}

std::optional<Millis> BoardEngine::nextDeadline() const
{
    const Download* d = download();
    return d ? d->deadline() : std::nullopt;
}

void BoardEngine::boxClosed(Millis now)
{
    now_ = now;
    out_.boxClosed();
    if (out_.boxesOutstanding() == 0)
        resumeAfterBoxes(now);
    showPhase();
}

void BoardEngine::resumeAfterBoxes(Millis now)
{
    if (watchdogDeferred_) {
        watchdogDeferred_ = false;
        writeWatchdog(now);
        if (out_.boxesOutstanding() > 0)
            return;
    }
    // First the rest of the batch a box stopped, then what came meanwhile, as a batch of
    // its own; the sender has its turn after each.
    for (Bytes* waiting : {&waitingRest_, &waitingNew_}) {
        if (halted_ || out_.boxesOutstanding() > 0)
            return;
        const Bytes batch = std::exchange(*waiting, Bytes{});
        receiveBatch(batch);
        pump();
    }
}

void BoardEngine::lineLost(std::string why, Millis now)
{
    now_ = now;
    halted_ = true;
    endJob(JobOutcome::Lost, FailureCause::LineLost, std::move(why));
}

void BoardEngine::interrupt(Millis now, std::string why)
{
    now_ = now;
    endJob(JobOutcome::Interrupted, FailureCause::Interrupted,
           why.empty() ? std::nullopt : std::optional<std::string>(std::move(why)));
}

void BoardEngine::release(Millis now)
{
    now_ = now;
    if (auto* flash = std::get_if<FlashJob>(&job_); flash && flash->stage == FlashJob::Stage::Paused)
        flash->stage = FlashJob::Stage::InitDisk; // at the next tick
}

void BoardEngine::probeBoard(Millis now)
{
    now_ = now;
    if (!acceptsInput() || !std::holds_alternative<std::monostate>(job_))
        return;
    link_.sender().request({0x47, 0x02});
    pump();
}

// ---- the operator -----------------------------------------------------------------

void BoardEngine::startProductJob(const ProductFields& fields, Millis now, ReadBack readBack)
{
    now_ = now;
    if (!acceptsInput())
        return refuse(JobKind::ProductInfo, halted_ ? text::kStationStopped : text::kStationBusy);
    fields_ = fields;
    if (!sequencerIdle()) {
        view_.setCaption(text::kNotReady);
        return refuse(JobKind::ProductInfo);
    }
    ProductJob job;
    job.values = fields;
    job.readBack = readBack == ReadBack::Yes;
    beginJob(std::move(job));
    sendSelfTest();
    pump();
    showPhase();
}

void BoardEngine::startSelfTestJob(Millis now)
{
    now_ = now;
    if (!acceptsInput())
        return refuse(JobKind::SelfTest, halted_ ? text::kStationStopped : text::kStationBusy);
    if (!sequencerIdle()) {
        view_.setCaption(text::kNotReady);
        return refuse(JobKind::SelfTest);
    }
    beginJob(SelfTestJob{});
    sendSelfTest();
    pump();
    showPhase();
}

void BoardEngine::loadDefaults(Millis now)
{
    now_ = now;
    if (acceptsInput())
        applyDefaults();
}

void BoardEngine::sendMessage(std::string_view hex, Millis now)
{
    now_ = now;
    if (!acceptsInput())
        return;
    const HexParse parse = parseHex(hex, kMaxRequestPayload);
    if (parse.count > kMaxRequestPayload) {
        // Too long for one frame: nothing is sent rather than a cut-down message.
        view_.setCaption(text::kDataError);
        return;
    }
    // A bad character still sends the empty request; "Data Error" tells the operator why.
    if (parse.badCharacter)
        view_.setCaption(text::kDataError);
    link_.sender().request(parse.bytes);
    pump();
}

void BoardEngine::editProductField(ProductField field, std::string text)
{
    fields_[at(field)] = std::move(text);
}

} // namespace auxpad
