#pragma once

#include <QDate>
#include <QString>

#include <optional>

#include "bringup/stack_light.h"
#include "engine/board_engine.h"
#include "label/label_settings.h"
#include "records/access_rules.h"
#include "records/serial_range.h"
#include "sinks/sink_settings.h"

namespace auxpad {

// A production line's approved set-up, from its recipe file:
//
//   [recipe]
//   name="AUXPAD V2, line A"
//   initdisk=initdisk.txt
//   initdisk_sha256=<64 hex digits>
//   initdata=initdata.txt
//   initdata_sha256=<64 hex digits>
//   format=30
//   hardware=0102
//   mcusw=MCU02.00.01
//   dspsw=DSP02.00.07
//   code=0671234
//   manufacture=061226          (optional: without it, the day of the write)
//   serials=SN0001000-SN0001999
//   order=WO-4711               (optional: the work order or lot on every record)
//   operator=required           (optional: no board without an operator's badge)
//   serial_lease=16             (optional: the serials a station holds, with a line database)
//
// and, for a line that labels its passed boards, a [label] section (label/label_settings.h),
// for a line that sends each board's result to its factory's systems, a [webhook] and an
// [mqtt] section (sinks/sink_settings.h),
// and for a bench with a stack light:
//
//   [stack_light]
//   port=COM9                   (COMn or a device path, as the boards' ports)
//   red=1                       (optional: the relay of each lamp, 1 to 8; 1, 2, 3 without)
//   amber=2
//   green=3
//
// and for a line whose exceptions are signed, an [access] section (all optional):
//
//   [access]
//   lock=yes                    (the line window opens locked: the operator starts and
//                                watches boards; files, a passed board again, a reprint,
//                                stopping the bench and closing the window need a badge
//                                and PIN of unlock_role, for unlock_minutes)
//   unlock_role=engineer        (technician or engineer)
//   unlock_minutes=5
//   signatures=yes              (every exception needs --signer BADGE and its PIN)
//   sign_role=technician        (technician or engineer)
//   people=required             (only a badge on the list of people signs in)

// A bench's stack light: where it is, and which relay lights which lamp.
struct StackLightSettings {
    std::string port;
    tower::Relays relays;
};

struct Recipe {
    QString path;
    QString name;
    QString sha256;       // of the recipe file itself, for the records
    FlashFiles files;     // by full path, each with the SHA-256 it must have
    std::string format;   // as flash.ini's Format: seconds, 20 to under 60, else 30
    ProductFields values; // the write's fields, UTF-8; the serial is the board's
    bool manufactureGiven = false;
    SerialRange serials;
    std::optional<LabelSettings> label;
    std::optional<StackLightSettings> stackLight;
    QString order;                 // "" for none
    bool operatorRequired = false;
    int serialLease = 16;
    SinkSettings sinks;
    AccessRules access;
};

// The recipe at `path` with every rule checked, or the first rule it breaks, in one line.
// It is INI as QSettings reads it, but each value is plain text, quoted or not: commas
// and semicolons included.
Expected<Recipe, QString> readRecipe(const QString& path);

// Both download files are there and are the recipe's, by their SHA-256.
Expected<void, QString> checkRecipeFiles(const Recipe& recipe);

// What a board of the line is written: the recipe's values, its serial, and the recipe's
// manufacture date or else `today`.
ProductFields productValues(const Recipe& recipe, const QString& serial, const QDate& today);

// The station's settings as the recipe makes them: the engine reads its format time and
// its product defaults (a board that keeps its own to itself gets the recipe's) here.
class RecipeFiles final : public TextFiles {
public:
    RecipeFiles(const Recipe& recipe, TextFiles& files);
    static constexpr const char* kIniPath = "(recipe)/flash.ini";
    Expected<std::unique_ptr<TextFile>> open(const std::string& path) override;

private:
    std::string ini_;
    TextFiles& files_;
};

} // namespace auxpad
