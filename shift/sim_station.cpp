#include "shift/sim_station.h"

namespace auxpad::shift {

SimStation::SimStation(SimClock& clock, QString name, QString journalUrl, QString lineUrl, int slotCount,
                       const Recipe& recipe, BringUpRules rules, Surroundings around)
    : clock_(clock), name_(std::move(name)), journalUrl_(std::move(journalUrl)), lineUrl_(std::move(lineUrl)),
      recipe_(recipe), rules_(rules), around_(std::move(around)), lines_(clock), files_(recipe, disk_)
{
    around_.clock = &clock_;
    around_.lines = &lines_;
    around_.offload = Offload::OnClock;
    for (int i = 0; i < slotCount; ++i) {
        const std::string port = "COM" + std::to_string(i + 1);
        adapters_.push_back(&lines_.add(port, "/dev/sim/" + name_.toStdString() + "/ttyUSB" + std::to_string(i)));
    }
}

SimStation::~SimStation() = default;

Expected<void, QString> SimStation::start(qint64 process)
{
    around_.process = process;
    bench_ = std::make_unique<Bench>(files_, RecipeFiles::kIniPath, around_);
    Attribution attribution;
    attribution.station = name_;
    attribution.order = recipe_.order;
    bench_->attribute(attribution);
    auto opened = bench_->openRecords(lineUrl_, journalUrl_);
    if (!opened) {
        bench_.reset();
        return opened;
    }
    for (int i = 0; i < slotCount(); ++i) {
        if (auto added = bench_->addPort(lines_.resolve("COM" + std::to_string(i + 1))); !added) {
            bench_.reset();
            return added;
        }
    }
    bench_->prepare(&recipe_, rules_, true);
    for (auto said : {&Bench::recordsFailed, &Bench::stationNameShared, &Bench::serialDoubled, &Bench::labelsNoticed})
        connect(bench_.get(), said, this, &SimStation::said);
    connect(bench_.get(), &Bench::arrived, this, [this](std::size_t i) { emit arrived(static_cast<int>(i)); });
    connect(bench_.get(), &Bench::left, this, [this](std::size_t i) { emit left(static_cast<int>(i)); });
    connect(bench_.get(), &Bench::finished, this, [this](std::size_t i) { emit finished(static_cast<int>(i)); });
    if (recipe_.label)
        bench_->printLabels(*recipe_.label);
    bench_->startSlots();
    return {};
}

void SimStation::kill()
{
    if (!bench_)
        return;
    bench_->disconnect(this);
    bench_.reset();
}

void SimStation::stop()
{
    if (!bench_)
        return;
    bench_->stop();
    clock_.settle();
    bench_->disconnect(this);
    bench_.reset();
}

} // namespace auxpad::shift

#include "moc_sim_station.cpp"
