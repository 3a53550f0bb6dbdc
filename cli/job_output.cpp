#include "cli/job_output.h"
#include "base/one_line.h"
#include "sinks/result_fields.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace auxpad::cli {

namespace {

using auxpad::BoardJob;

// A multi-line caption on one line.
std::string oneLine(const QString& text)
{
    return auxpad::oneLine(text.toStdString());
}

std::string padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

} // namespace

JobOutput::JobOutput(Style style, const std::vector<BoardJob*>& jobs, auxpad::Clock& clock, bool watching,
                     std::FILE* out, std::FILE* err)
    : out_(out), err_(err), style_(style), jobs_(jobs), redraw_(clock.timer()), lastProgressEvent_(jobs.size(), -1000000),
      watching_(watching), since_(clock)
{
    for (const BoardJob* job : jobs_)
        portWidth_ = std::max(portWidth_, job->port().name.size());
    connect(redraw_.get(), &auxpad::Timer::timeout, this, [this] {
        if (dirty_)
            redraw();
    });
    if (style_ == Style::Live)
        redraw_->startRepeating(100); // a terminal line redrawn ten times a second is plenty
}

void JobOutput::print(const std::string& text, std::FILE* to)
{
    if (!to)
        to = out_;
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

void JobOutput::json(const BoardJob& job, const char* event, QJsonObject fields)
{
    fields.insert(auxpad::fields::kEvent, event);
    fields.insert(auxpad::fields::kPort, QString::fromStdString(job.port().name));
    print(QJsonDocument(fields).toJson(QJsonDocument::Compact).toStdString() + '\n');
}

std::string JobOutput::liveLine(const BoardJob& job) const
{
    std::string line = padded(job.port().name, portWidth_ + 2);
    const auto done = results_.find(&job);
    if (done == results_.end()) {
        char percent[16];
        std::snprintf(percent, sizeof percent, "%3ld%%", std::lround(job.percent()));
        line += padded(auxpad::phaseName(job.phase()), 22) + percent + "  " + auxpad::elapsedText(job.seconds());
    } else {
        const auxpad::BoardStatus& r = done->second;
        std::string result = r.word;
        if (!r.failure().empty())
            result += ": " + oneLine(QString::fromStdString(r.failure()));
        line += padded(result.substr(0, 60), 62) + auxpad::elapsedText(r.seconds);
    }
    return line;
}

void JobOutput::redraw()
{
    std::string text;
    if (drawn_)
        text += "\x1b[" + std::to_string(jobs_.size()) + "A"; // back to the first board's line
    for (const BoardJob* job : jobs_)
        text += "\r\x1b[2K" + liveLine(*job) + '\n';
    print(text);
    drawn_ = true;
    dirty_ = false;
}

void JobOutput::started(const BoardJob& job)
{
    switch (style_) {
    case Style::Live:
        dirty_ = true;
        break;
    case Style::Lines:
        print(job.port().name + ": " + auxpad::jobName(job.summary().kind) + " started on " + job.port().device + '\n');
        break;
    case Style::Json:
        json(job, "start", {{"device", QString::fromStdString(job.port().device)},
                            {"job", auxpad::jobName(job.summary().kind)}});
        break;
    }
}

void JobOutput::arrived(const BoardJob& job)
{
    slotEvent(job, "arrived", "a board arrived");
}

void JobOutput::left(const BoardJob& job)
{
    slotEvent(job, "left", "the board left");
}

// A board came to the slot or left it: the last result there no longer stands.
void JobOutput::slotEvent(const BoardJob& job, const char* event, const char* said)
{
    results_.erase(&job);
    switch (style_) {
    case Style::Live:
        dirty_ = true;
        break;
    case Style::Lines:
        print(job.port().name + ": " + said + '\n');
        break;
    case Style::Json:
        json(job, event, {});
        break;
    }
}

void JobOutput::phaseChanged(const BoardJob& job)
{
    switch (style_) {
    case Style::Live:
        dirty_ = true;
        break;
    case Style::Lines:
        if (job.phase() != auxpad::Phase::Idle)
            print(job.port().name + ": " + auxpad::phaseName(job.phase()) + '\n');
        break;
    case Style::Json:
        json(job, "phase", {{"phase", auxpad::phaseName(job.phase())}, {"seconds", std::round(job.seconds() * 10) / 10}});
        break;
    }
}

void JobOutput::progressed(const BoardJob& job)
{
    if (style_ == Style::Live) {
        dirty_ = true;
        return;
    }
    if (style_ != Style::Json)
        return;
    // The percentage at most twice a second a board.
    const auto index = static_cast<std::size_t>(std::find(jobs_.begin(), jobs_.end(), &job) - jobs_.begin());
    if (since_.elapsed() - lastProgressEvent_[index] < 500)
        return;
    lastProgressEvent_[index] = since_.elapsed();
    json(job, "progress", {{"phase", auxpad::phaseName(job.phase())},
                           {"percent", static_cast<double>(std::lround(job.percent()))},
                           {"seconds", std::round(job.seconds() * 10) / 10}});
}

void JobOutput::told(const BoardJob& job, const QString& text)
{
    if (style_ == Style::Live)
        return;
    if (style_ == Style::Lines) {
        // A box says again what the caption said before it, or the other way round.
        const std::string line = job.port().name + ": " + oneLine(text) + '\n';
        std::string& last = lastLine_[job.port().name];
        if (line != last)
            print(line);
        last = line;
    } else
        json(job, "text", {{"text", text}});
}

bool JobOutput::allPassed() const
{
    return results_.size() == jobs_.size()
        && std::all_of(results_.begin(), results_.end(), [](const auto& r) { return r.second.passed(); });
}

void JobOutput::finished(const BoardJob& job, const auxpad::BoardStatus& status, const auxpad::Attribution& attribution)
{
    const auxpad::BoardStatus& r = results_[&job] = status;
    book_.ended(r.board, job.port().name, r.verdict);
    switch (style_) {
    case Style::Live:
        dirty_ = true;
        break;
    case Style::Lines:
        print(job.port().name + ": " + r.word + '\n');
        break;
    case Style::Json:
        print(QJsonDocument(auxpad::resultDocument(r.result(attribution), auxpad::Audience::Command))
                  .toJson(QJsonDocument::Compact)
                  .toStdString()
              + '\n');
        break;
    }
}

void JobOutput::summary(const QString& lineDb, int held, std::optional<int> labelsHeld, const QString& sinksHeld)
{
    redraw_->stop();
    if (style_ == Style::Live)
        redraw();
    std::FILE* to = style_ == Style::Json ? err_ : out_; // JSON Lines stay JSON
    const auxpad::Tally all = book_.tally();
    std::string table;
    if (watching_) {
        // A slot has seen many boards: how many passed and failed, per slot and in all.
        auto countLine = [&](const std::string& name, const auxpad::Tally& n) {
            return padded(name, portWidth_ + 2) + padded(std::to_string(n.passed), 8) + padded(std::to_string(n.failed), 8)
                + std::to_string(n.interrupted) + '\n';
        };
        table = '\n' + padded("slot", portWidth_ + 2) + padded("passed", 8) + padded("failed", 8) + "interrupted\n";
        for (const BoardJob* job : jobs_)
            table += countLine(job->port().name, book_.tally(job->port().name));
        table += countLine("all", all);
    } else {
        table = '\n' + padded("port", portWidth_ + 2) + padded("serial", 12) + padded("result", 13) + padded("failure", 50)
            + "time\n";
        for (const BoardJob* job : jobs_) {
            const auxpad::BoardStatus& r = results_[job];
            table += padded(job->port().name, portWidth_ + 2) + padded(r.serial, 12) + padded(r.word, 13)
                + padded(oneLine(QString::fromStdString(r.failure())).substr(0, 48), 50) + auxpad::elapsedText(r.seconds)
                + '\n';
        }
    }
    if (!lineDb.isEmpty()) {
        table += held == 0 ? "every record is in " + lineDb.toStdString() + '\n'
                           : std::to_string(held) + " records are held for " + lineDb.toStdString()
                    + ": they go there when it answers (auxpad-flash records sync)\n";
    }
    if (labelsHeld && *labelsHeld > 0)
        table += std::to_string(*labelsHeld) + " labels wait for their printer: they print when it answers, at the "
                                               "latest at the next start\n";
    if (!sinksHeld.isEmpty())
        table += sinksHeld.toStdString() + " (they go when their sink answers; auxpad-flash records deliveries)\n";
    print(table, to);
    if (style_ == Style::Json) {
        QJsonObject object{{"event", "summary"},   {"boards", all.boards()},         {"passed", all.passed},
                           {"failed", all.failed},  {"interrupted", all.interrupted}, {"first_pass", all.firstPass},
                           {"held", held}};
        if (!lineDb.isEmpty())
            object.insert("db", lineDb);
        if (labelsHeld)
            object.insert("labels_held", *labelsHeld);
        if (!sinksHeld.isEmpty())
            object.insert("sinks_held", sinksHeld);
        if (watching_) {
            QJsonObject perSlot;
            for (const BoardJob* job : jobs_) {
                const auxpad::Tally slot = book_.tally(job->port().name);
                perSlot.insert(QString::fromStdString(job->port().name),
                               QJsonObject{{"passed", slot.passed}, {"failed", slot.failed},
                                           {"interrupted", slot.interrupted}, {"first_pass", slot.firstPass}});
            }
            object.insert("slots", perSlot);
        }
        print(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n');
    }
}

} // namespace auxpad::cli

#include "moc_job_output.cpp"
