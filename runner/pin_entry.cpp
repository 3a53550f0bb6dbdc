#include "runner/pin_entry.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace auxpad {

namespace {

constexpr std::size_t kLongestLine = 256;

// One line from `fd`, without its end; or nullopt at its end before any.
Expected<std::string, QString> lineOf(int fd)
{
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unexpected(QStringLiteral("the PIN could not be read: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        if (got == 0 || c == '\n')
            break;
        if (line.size() == kLongestLine)
            return unexpected(QStringLiteral("the PIN's line is too long"));
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The terminal's line with the echo off, as the terminal was afterwards.
Expected<std::string, QString> hiddenLine(int tty, const QString& prompt)
{
    const QByteArray shown = prompt.toLocal8Bit();
    if (::write(tty, shown.constData(), static_cast<std::size_t>(shown.size())) < 0)
        return unexpected(QStringLiteral("the terminal cannot be written to"));
    termios was{};
    const bool terminal = ::tcgetattr(tty, &was) == 0;
    if (terminal) {
        termios quiet = was;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    auto line = lineOf(tty);
    if (terminal)
        ::tcsetattr(tty, TCSAFLUSH, &was);
    return line;
}

Expected<std::string, QString> fromDescriptor(const QString& named)
{
    bool number = false;
    const int fd = named.toInt(&number);
    if (!number || fd < 0)
        return unexpected("AUXPAD_FLASH_PIN_FD=" + named + " names no file descriptor: give its number");
    if (::fcntl(fd, F_GETFD) < 0)
        return unexpected("AUXPAD_FLASH_PIN_FD=" + named + " is not open for this process");
    return lineOf(fd);
}

} // namespace

QString refusedPin(bool pinOptionGiven)
{
    const QString how = QStringLiteral(": type it when asked, or give it on the file descriptor that "
                                       "AUXPAD_FLASH_PIN_FD names");
    if (pinOptionGiven)
        return "--pin is refused: a PIN on the command line shows in the list of processes and in the shell's "
               "history" + how;
    if (qEnvironmentVariableIsSet("AUXPAD_FLASH_PIN"))
        return "AUXPAD_FLASH_PIN is refused: a PIN in the environment is read by every process started from it" + how;
    return {};
}

Expected<std::string, QString> enterPin(const QString& prompt, PinAsk ask)
{
    if (const QString refused = refusedPin(false); !refused.isEmpty())
        return unexpected(refused);
    if (qEnvironmentVariableIsSet("AUXPAD_FLASH_PIN_FD"))
        return fromDescriptor(qEnvironmentVariable("AUXPAD_FLASH_PIN_FD"));
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0)
        return unexpected(QStringLiteral("there is no terminal to ask the PIN on: give it on the file descriptor "
                                         "that AUXPAD_FLASH_PIN_FD names"));
    auto pin = hiddenLine(tty, prompt + ": ");
    if (pin && ask == PinAsk::Twice) {
        auto again = hiddenLine(tty, QStringLiteral("The same PIN again: "));
        if (!again)
            pin = again;
        else if (*again != *pin)
            pin = unexpected(QStringLiteral("the two PINs differ: nothing was changed"));
    }
    ::close(tty);
    return pin;
}

PinSource pinOfSigner()
{
    return [](const Person& p) { return enterPin(QStringLiteral("PIN of %1 (badge %2)").arg(p.name, p.badge)); };
}

} // namespace auxpad
