#pragma once

#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/board_engine.h"
#include "runner/bench_session.h"
#include "runner/bring_up.h"
#include "runner/record_keeper.h"
#include "runner/recipe.h"

namespace auxpad::cli {

// What a command is to do, every input checked: the job, the boards, the files.
struct JobPlan {
    auxpad::JobKind job = auxpad::JobKind::Flash;
    std::vector<std::string> ports; // as given: COMn or a device path
    auxpad::FlashFiles files;
    std::string iniPath;
    std::map<std::string, auxpad::ProductFields> values; // per port, for prodinfo (UTF-8)
    QString lineDb;                                    // the line database's URL, "" for none
    auxpad::Attribution attribution;                       // who runs it, where, for which order, why
    bool json = false;
    std::optional<auxpad::Recipe> recipe;              // run: the whole bring-up of each board
    bool watch = false;                                // run: slots that start each board as it arrives
    auxpad::BringUpRules rules;                        // run: tries, and whether a passed board is skipped
    bool allowReuse = false;                           // prodinfo: a serial a passed record holds
    bool labels = false;                               // run: a label for each board that passes
    std::optional<auxpad::StackLightSettings> stackLight; // the bench's tower, when it has one
    auxpad::SinkSettings sinks; // the recipe's, else flash.ini's: where each board's result goes too
    std::vector<auxpad::StartException> exceptions; // --again, --allow-reuse: each to be signed
    QString signer;                                 // --signer BADGE, "" for none
};

// The plan for `auxpad-flash run|flash|prodinfo|selftest ...`, or the one-line reason it
// cannot start. Help and version are printed here, and the stop says status 0.
struct PlanStop {
    int status = 2;  // 2: the command cannot start, `why`; 0: help or version was printed
    std::string why;
};
auxpad::Expected<JobPlan, PlanStop> parseJobCommand(const QStringList& arguments);

// The per-board values of prodinfo from a CSV whose header is
// port,hardware,mcusw,dspsw,serial,code,manufacture; fields may be double-quoted, and
// blanks count as characters; by port. Or what is wrong, naming the line.
using ValuesTable = std::map<std::string, auxpad::ProductFields>;
auxpad::Expected<ValuesTable> readValuesCsv(const std::string& text);

} // namespace auxpad::cli
