#pragma once

#include <QCommandLineParser>

#include <string>
#include <vector>

#include "base/expected.h"
#include "runner/record_keeper.h"
#include "runner/recipe.h"

namespace auxpad {

// The options that the commands and the line window take alike, said the same way.
struct BenchOptions {
    QCommandLineOption help{{"h", "help"}, "Displays this help."};
    QCommandLineOption port{"port", "A board's port: COMn (ports.conf) or a device path; once per board.", "PORT"};
    QCommandLineOption disk{"disk", "The InitDisk file.", "FILE"};
    QCommandLineOption data{"data", "The InitData file.", "FILE"};
    QCommandLineOption ini{"ini", "The station's settings (default: flash.ini here).", "FILE", "flash.ini"};
    QCommandLineOption recipe{"recipe", "The line's recipe: approved files, values, serial numbers.", "FILE"};
    QCommandLineOption db;
    QCommandLineOption json{"json", "JSON Lines on standard output: progress, then one result per board."};
    QCommandLineOption noLabel{"no-label", "Print no label for the boards that pass, though the recipe has a [label]."};
    QCommandLineOption station{"station", "The station's name on record (default: $AUXPAD_FLASH_STATION, else the "
                                          "host name): two benches on one computer are two stations.",
                               "NAME"};
    QCommandLineOption operatorId{"operator", "Who runs the boards, on every record (default: "
                                              "$AUXPAD_FLASH_OPERATOR); the recipe may require one.",
                                  "ID"};
    QCommandLineOption order{"order", "The work order or lot on every record (default: the recipe's order).", "ID"};
    QCommandLineOption retry{"retry", "Bring a board up again, up to N times, when it failed for a reason a "
                                      "second try may cure (no answer, a lost acknowledgement, a hang-up).",
                             "N"};
    QCommandLineOption stackLight{"stack-light", "The bench's stack light (a USB relay tower): COMn or a device path "
                                                 "(default: the recipe's [stack_light]).",
                                  "PORT"};
    QCommandLineOption reason{"reason", "Why an exception (--allow-reuse, --again) is asked for, on its records.",
                              "TEXT"};

    // Who signs an exception, by badge, and their PIN, typed when asked; a PIN given as an
    // option is refused (refusedPin), so the option is there only to be named in the refusal.
    QCommandLineOption signer{"signer", "The badge of who signs the exception (--again, --allow-reuse, a reprint, a "
                                        "release) when the recipe's [access] asks for signatures; their PIN is asked "
                                        "for on the terminal, or read from the file descriptor AUXPAD_FLASH_PIN_FD "
                                        "names.",
                              "BADGE"};
    QCommandLineOption pin{"pin", "Refused: a PIN is typed when asked.", "PIN"};

    BenchOptions();
};

// The ports given, each once, or why they will not do.
Expected<std::vector<std::string>> givenPorts(const QCommandLineParser& parser, const BenchOptions& options);

// How many tries a bring-up has: one, and --retry N more; or why N will not do.
Expected<int> givenTries(const QCommandLineParser& parser, const BenchOptions& options);

// Who runs the boards, from the options and the environment, as the recipe (when there is
// one) rules: or, in one line, why the run cannot start. `exception` names the option that
// asks for one (--allow-reuse, --again), or is "" for none.
Expected<Attribution> givenAttribution(const QCommandLineParser& parser, const BenchOptions& options,
                                   const Recipe* recipe, const QString& exception);

// The bench's stack light: on the --stack-light port `port` when it is given, wired as
// the recipe's [stack_light] says (or 1, 2, 3 without one); else the recipe's; else none.
std::optional<StackLightSettings> givenStackLight(const QString& port, const Recipe* recipe);

// The parser's help for `auxpad-flash COMMAND`, on standard output.
void printHelp(const QCommandLineParser& parser, const QString& command);

// Reads `auxpad-flash COMMAND ...` (the command's own word left out) into `parser`, and
// prints the command's help when it is asked for: then there is nothing more to do. Or
// the parser's one-line reason.
enum class CommandLine { Read, HelpShown };
Expected<CommandLine, QString> readCommandLine(QCommandLineParser& parser, const QStringList& arguments,
                                               const BenchOptions& options, const QString& command);

} // namespace auxpad
