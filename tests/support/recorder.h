#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/effects.h"

// Everything a station showed its operator, kept for a test to look at.
struct Recorder {
    std::string traffic; // the traffic log
    std::vector<auxpad::BoxShown> boxes;
    std::vector<std::string> captions;
    std::vector<auxpad::ProgressShown> bars;
    std::optional<std::string> fault;
    std::vector<auxpad::JobOutcome> outcomes; // of every job that ended, in order
    std::vector<auxpad::JobSummary> ended;    // their summaries
    std::vector<auxpad::Phase> phases;        // each phase as it was shown

    // Records one effect; true when it is a box, which the caller then closes or not.
    bool record(const auxpad::Effect& effect)
    {
        if (const auto* c = std::get_if<auxpad::CaptionShown>(&effect))
            captions.push_back(c->text);
        else if (const auto* p = std::get_if<auxpad::ProgressShown>(&effect))
            bars.push_back(*p);
        else if (const auto* l = std::get_if<auxpad::TrafficLogged>(&effect))
            traffic += l->text;
        else if (const auto* f = std::get_if<auxpad::StationFault>(&effect))
            fault = f->message;
        else if (const auto* phase = std::get_if<auxpad::PhaseShown>(&effect))
            phases.push_back(phase->phase);
        else if (const auto* b = std::get_if<auxpad::BoxShown>(&effect))
            boxes.push_back(*b);
        else if (const auto* end = std::get_if<auxpad::JobEnded>(&effect)) {
            outcomes.push_back(end->summary.outcome);
            ended.push_back(end->summary);
        }
        return std::holds_alternative<auxpad::BoxShown>(effect);
    }
    bool logHas(const std::string& text) const { return traffic.find(text) != std::string::npos; }
    const std::string& caption() const { return captions.back(); }
};
