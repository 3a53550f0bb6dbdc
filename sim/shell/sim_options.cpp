#include "shell/sim_options.h"

#include "core/sim_command.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>
#include <random>

namespace auxsim {
namespace {

// The commands in between are `help`'s own list, so the two never tell different lists.
const char *kAbout =
    "Simulated AUXPAD board on a pseudo-terminal, for training and for testing the\n"
    "flash tool. Prints the pty device path as the first line of standard output.\n"
    "It acknowledges and answers FBUS frames (self-test, product information read\n"
    "and write) and takes bootloader blocks, answering each good one with 90.\n"
    "\n"
    "On standard input, one a line, ";
const char *kAfterCommands =
    "End of input only stops the commands; the simulator runs on until quit,\n"
    "SIGINT/SIGTERM or --hangup-after-block.\n"
    "\n"
    "Garbage bytes (--garbage-rate) are never 1E: a stray start byte would make\n"
    "the tool's receiver lose the real frame that follows, which is correct\n"
    "behaviour, not a fault worth training on. Nor are they 5E, which a receiver\n"
    "may take for the start of a frame kind of its own.";

struct Problem {
    std::string text;
};

std::uint64_t toNumber(const QCommandLineParser &p, const QString &name, std::uint64_t max)
{
    bool ok = false;
    const qulonglong value = p.value(name).toULongLong(&ok, 0);
    if (!ok || value > max)
        throw Problem{"--" + name.toStdString() + ": expected a whole number from 0 to " + std::to_string(max)};
    return value;
}

double toPercent(const QCommandLineParser &p, const QString &name)
{
    bool ok = false;
    const double value = p.value(name).toDouble(&ok);
    if (!ok || value < 0 || value > 100)
        throw Problem{"--" + name.toStdString() + ": expected a percentage from 0 to 100"};
    return value;
}

std::array<std::uint8_t, 5> toCodes(const QString &text)
{
    const QStringList parts = text.split(',');
    std::array<std::uint8_t, 5> codes{};
    bool good = parts.size() == 5;
    for (int i = 0; good && i < 5; ++i) {
        const uint value = parts[i].trimmed().toUInt(&good, 0);
        good = good && value <= 255;
        codes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    if (!good)
        throw Problem{"--self-test-codes: expected five numbers 0..255 separated by commas, e.g. 3,3,0,3,3"};
    return codes;
}

void fill(const QCommandLineParser &p, ShellOptions &o)
{
    EngineConfig &e = o.engine;
    constexpr std::uint64_t kMaxMs = 3600 * 1000;
    if (p.isSet("com")) {
        const auto com = toNumber(p, "com", 255);
        if (com == 0)
            throw Problem{"--com: COM numbers start at 1"};
        o.com = static_cast<int>(com);
    }
    o.imageOut = p.value("image-out").toStdString();
    o.recordOut = p.value("record-out").toStdString();
    o.statsFile = p.value("stats").toStdString();
    o.quiet = p.isSet("quiet");
    if (p.isSet("baud-pace")) {
        const auto bps = toNumber(p, "baud-pace", 10000000);
        if (bps == 0)
            throw Problem{"--baud-pace: the rate must be above 0"};
        e.byteTime = static_cast<TimeUs>((10 * 1000000 + bps / 2) / bps);
    }
    if (p.isSet("burst-ack-wait"))
        e.burstAckWait = static_cast<TimeUs>(toNumber(p, "burst-ack-wait", kMaxMs)) * kUsPerMs;
    e.silent = p.isSet("silent");
    e.noAck = p.isSet("no-ack");
    if (p.isSet("ack-delay"))
        e.ackDelay = static_cast<TimeUs>(toNumber(p, "ack-delay", kMaxMs)) * kUsPerMs;
    if (p.isSet("answer-delay"))
        e.answerDelay = static_cast<TimeUs>(toNumber(p, "answer-delay", kMaxMs)) * kUsPerMs;
    if (p.isSet("start-delay"))
        e.startDelay = static_cast<TimeUs>(toNumber(p, "start-delay", kMaxMs)) * kUsPerMs;
    if (p.isSet("garbage-rate"))
        e.faults.garbagePercent = toPercent(p, "garbage-rate");
    if (p.isSet("corrupt-rate"))
        e.faults.corruptPercent = toPercent(p, "corrupt-rate");
    o.seedGiven = p.isSet("seed");
    e.faults.seed = o.seedGiven ? toNumber(p, "seed", UINT64_MAX) : std::random_device{}();
    if (p.isSet("boot-no-ack-after"))
        e.bootNoAckAfter = toNumber(p, "boot-no-ack-after", UINT32_MAX);
    if (p.isSet("hangup-after-block")) {
        e.hangupAfterBlock = toNumber(p, "hangup-after-block", UINT32_MAX);
        if (*e.hangupAfterBlock == 0)
            throw Problem{"--hangup-after-block: blocks are counted from 1"};
    }
    if (p.isSet("self-test-status"))
        e.board.selfTestStatus = static_cast<std::uint8_t>(toNumber(p, "self-test-status", 255));
    if (p.isSet("self-test-codes"))
        e.board.selfTestCodes = toCodes(p.value("self-test-codes"));
    if (p.isSet("prod-info-status"))
        e.board.prodInfoStatus = static_cast<std::uint8_t>(toNumber(p, "prod-info-status", 255));
    if (p.isSet("prod-write-status"))
        e.board.prodWriteStatus = static_cast<std::uint8_t>(toNumber(p, "prod-write-status", 255));
    e.board.misstoreSerial = p.isSet("misstore-serial");
    e.detached = p.isSet("detached");
    if (p.isSet("prod-info")) {
        std::string error;
        const auto record = parseProdInfoText(p.value("prod-info").toStdString(), &error);
        if (!record)
            throw Problem{"--prod-info: " + error};
        e.board.record = *record;
    }
    e.registerAtStart = p.isSet("register");
    e.powerUpAtStart = p.isSet("power-up");
}

} // namespace

std::optional<ShellOptions> parseOptions(const QStringList &arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(QString::fromLatin1(kAbout) + QString::fromLatin1(commandHelp())
                                + QString::fromLatin1(kAfterCommands));
    p.addHelpOption();
    p.addVersionOption();
    p.addOptions({
        {"com", "Write COM<N>=<pty path> into ports.conf of $XDG_CONFIG_HOME/auxpad-flash "
                "(default ~/.config/auxpad-flash) and restore the old line on exit.", "N"},
        {"image-out", "Append the data of every good bootloader block to <file> (truncated at start).", "file"},
        {"record-out", "After every stored product-information write, write the 55-byte record to <file>.", "file"},
        {"stats", "Write the counters as key=value lines to <file> whenever they change and on exit.", "file"},
        {"baud-pace", "Pace every byte at 10 bits at <bps>, both ways; default: as fast as the pty allows.", "bps"},
        {"burst-ack-wait", "How long each message of a burst waits for the tool's acknowledgement before it "
                           "counts as unacknowledged (default 1000).", "ms"},
        {"silent", "Receive and log, never send anything."},
        {"no-ack", "Send no FBUS acknowledgements (answers still go out)."},
        {"ack-delay", "Send each FBUS acknowledgement <ms> after the frame arrived.", "ms"},
        {"answer-delay", "Send each answer <ms> after the request arrived, never before its acknowledgement.", "ms"},
        {"garbage-rate", "Put 1 to 8 garbage bytes (never 1E or 5E) in front of a sent frame with this "
                         "probability.", "percent"},
        {"corrupt-rate", "Flip a bit in one checksum byte of a sent frame with this probability.", "percent"},
        {"boot-no-ack-after", "Stop answering bootloader blocks with 90 after <N> good blocks.", "N"},
        {"hangup-after-block", "Hang up the line right after block <N> arrives (no 90 for it) and exit.", "N"},
        {"self-test-status", "Status byte of the self-test answer (default 1).", "n"},
        {"self-test-codes", "The five self-test result codes (default 3,3,3,3,3; 3 means passed).", "a,b,c,d,e"},
        {"prod-info", QString("Initial product information as HW,MCU,DSP,SERIAL,CODE,DDMMYY with 4, 11, 11, "
                              "9, 7 and 6 characters (default %1).").arg(kDefaultProdInfo),
         "items"},
        {"prod-info-status", "Status byte of the product-information answer (default 1).", "n"},
        {"prod-write-status", "Status byte of the product-information write answer (default 1); "
                              "any other value leaves the record unchanged. A malformed record is "
                              "never stored and is answered with status 0.", "n"},
        {"misstore-serial", "Store every written serial number with its last character changed, and answer the "
                            "write as done."},
        {"detached", "No board at the start: the line is open but nothing answers until the command attach."},
        {"register", "Send a registration frame at start."},
        {"power-up", "Send a _POWER_UP_IND at start (after the registration, if both)."},
        {"start-delay", "Wait <ms> before the start-up frames (default 0).", "ms"},
        {"seed", "Seed for the random faults (default: random, shown in the log).", "n"},
        {"quiet", "No traffic log on standard error."},
    });
    if (!p.parse(arguments)) {
        std::fprintf(stderr, "auxpad-sim: %s\n", qPrintable(p.errorText()));
        return std::nullopt;
    }
    if (p.isSet("help"))
        p.showHelp(0);
    if (p.isSet("version"))
        p.showVersion();
    if (!p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "auxpad-sim: unexpected argument %s\n", qPrintable(p.positionalArguments().first()));
        return std::nullopt;
    }
    ShellOptions options;
    try {
        fill(p, options);
    } catch (const Problem &problem) {
        std::fprintf(stderr, "auxpad-sim: %s\n", problem.text.c_str());
        return std::nullopt;
    }
    return options;
}

} // namespace auxsim
