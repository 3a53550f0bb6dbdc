#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runner/bench.h"
#include "runner/bench_session.h"
#include "runner/recipe.h"
#include "shift/sim_lines.h"
#include "shift/sim_printer.h"

// A bench on simulated time of boards on COM<first>... brought up by a recipe whose
// serials start at `serials`, each slot with its board job and bring-up; a board on a
// slot is auxpad-sim's engine with the options it is plugged with. The windows' tests and
// the grid's figure build their bench here.
struct RecipeBench {
    struct Shape {
        int first = 0;
        int count = 0;
        QString name;
        QString serials;
        auxpad::BringUpRules rules = {};
        bool watch = false;
        std::string label;           // a recipe's [label] section, if any (or [access])
        int diskLines = 24;          // the downloads' lengths
        int dataLines = 48;
        int formatSeconds = 20;      // how long the board is given to format
    };
    QTemporaryDir dir;
    auxpad::SimClock clock;
    auxpad::shift::SimLines lines{clock};
    auxpad::shift::SimPrinter printer{clock};
    std::vector<auxpad::shift::SimAdapter*> adapters;
    std::optional<auxpad::Recipe> recipe;
    auxpad::DiskFiles diskFiles;
    std::unique_ptr<auxpad::RecipeFiles> recipeFiles;
    std::unique_ptr<auxpad::Bench> bench;
    std::unique_ptr<auxpad::BenchSession> session; // as the fronts set the bench up
    QString problem; // empty once the bench stands

    explicit RecipeBench(const Shape& shape);
    RecipeBench(int first, int count, const QString& name, const QString& serials, auxpad::BringUpRules rules = {},
                bool watch = false, const std::string& label = {})
        : RecipeBench(Shape{first, count, name, serials, rules, watch, label})
    {
    }
    // A board on slot `i`, as auxpad-sim with `options` would be.
    void plug(std::size_t i, const QStringList& options = {});
    // Virtual time runs until `done`, for at most `ms`.
    bool runUntil(const std::function<bool()>& done, qint64 ms = 120000) { return clock.runUntil(done, ms); }
    QString write(const QString& file, const std::string& text);
};
