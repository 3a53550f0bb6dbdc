#include "shell/sim_loop.h"

#include "shell/port_map_file.h"
#include "shell/pty_line.h"
#include "shell/shell_sink.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace auxsim {
namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int signo)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// Signals become a byte on a pipe, so the poll loop ends cleanly and the
// port map is restored on the way out.
void installSignalPipe()
{
    if (::pipe(g_signalPipe) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    for (int fd : g_signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int signo : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signo, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

class Clock {
public:
    TimeUs now() const
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class Simulator {
public:
    explicit Simulator(const ShellOptions &options);
    int run();

private:
    void readCommands();
    void command(const std::string &line);
    void finish();

    Clock clock_;
    PtyLine pty_;
    ShellSink sink_;
    SimEngine engine_;
    std::unique_ptr<PortMapEntry> portMap_;
    Bytes pendingTx_;
    std::string stdinBuffer_;
    bool stdinOpen_ = true;
    bool quit_ = false;
};

Simulator::Simulator(const ShellOptions &options)
    : sink_(options.quiet, options.imageOut, options.recordOut, options.statsFile),
      engine_(options.engine, sink_)
{
    if (options.com) {
        portMap_ = std::make_unique<PortMapEntry>(PortMapEntry::defaultFile(), *options.com, pty_.slavePath());
        sink_.log(clock_.now(), portMap_->key() + "=" + pty_.slavePath() + " written to " + portMap_->file().string());
    }
    // Last, so whoever reads this line finds the port map already in place.
    std::printf("%s\n", pty_.slavePath().c_str());
    std::fflush(stdout);
    sink_.log(clock_.now(), "seed " + std::to_string(options.engine.faults.seed));
}

int Simulator::run()
{
    while (!quit_) {
        TimeUs now = clock_.now();
        engine_.advance(now);
        if (engine_.hangupRequested()) {
            pty_.hangUp();
            break;
        }
        Bytes out = engine_.takeTx(now);
        pendingTx_.insert(pendingTx_.end(), out.begin(), out.end());
        pty_.write(pendingTx_);
        sink_.statsChanged(engine_.stats());

        pollfd fds[3] = {{g_signalPipe[0], POLLIN, 0},
                         {pty_.masterFd(), static_cast<short>(POLLIN | (pendingTx_.empty() ? 0 : POLLOUT)), 0},
                         {stdinOpen_ ? STDIN_FILENO : -1, POLLIN, 0}};
        timespec timeout{};
        timespec *timeoutPtr = nullptr;
        if (const auto wake = engine_.nextWakeup()) {
            const TimeUs wait = std::max<TimeUs>(0, *wake - clock_.now());
            timeout.tv_sec = static_cast<time_t>(wait / 1000000);
            timeout.tv_nsec = static_cast<long>(wait % 1000000) * 1000;
            timeoutPtr = &timeout;
        }
        if (::ppoll(fds, 3, timeoutPtr, nullptr) < 0 && errno != EINTR)
            throw std::runtime_error(std::string("ppoll: ") + std::strerror(errno));

        if (fds[0].revents & POLLIN) {
            unsigned char signo = 0;
            if (::read(g_signalPipe[0], &signo, 1) == 1)
                sink_.notice(std::string("got signal ") + strsignal(signo) + ", exiting");
            break;
        }
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))
            readCommands();
        if (fds[1].revents & POLLIN)
            engine_.received(pty_.read(), clock_.now());
        else if (fds[1].revents & (POLLHUP | POLLERR)) {
            sink_.notice("the pty failed; exiting");
            break;
        }
    }
    finish();
    return 0;
}

void Simulator::readCommands()
{
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        stdinOpen_ = false;
        sink_.log(clock_.now(), "standard input closed; still running until quit or a signal");
        return;
    }
    stdinBuffer_.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while (!quit_ && (end = stdinBuffer_.find('\n')) != std::string::npos) {
        const std::string line = stdinBuffer_.substr(0, end);
        stdinBuffer_.erase(0, end + 1);
        command(line);
    }
}

void Simulator::command(const std::string &line)
{
    const ParsedCommand parsed = parseCommand(line);
    if (!parsed.command) {
        if (!parsed.error.empty())
            sink_.notice(parsed.error);
        return;
    }
    const SimCommand &cmd = *parsed.command;
    switch (cmd.kind) {
    case SimCommand::Kind::Quit:
        quit_ = true;
        break;
    case SimCommand::Kind::Help:
        std::fputs(commandHelp(), stderr);
        break;
    case SimCommand::Kind::Stats:
        sink_.writeStats(engine_.stats());
        std::fputs(engine_.stats().toText().c_str(), stderr);
        break;
    default:
        engine_.execute(cmd, clock_.now());
        break;
    }
}

void Simulator::finish()
{
    // What is already due still goes out, so "send ...; quit" sends.
    if (pty_.open()) {
        const TimeUs now = clock_.now();
        engine_.advance(now);
        Bytes out = engine_.takeTx(now);
        pendingTx_.insert(pendingTx_.end(), out.begin(), out.end());
        pty_.write(pendingTx_);
    }
    sink_.writeStats(engine_.stats());
    if (portMap_)
        sink_.log(clock_.now(), portMap_->restore());
}

} // namespace

int runSimulator(const ShellOptions &options)
{
    try {
        // Before the port map is touched, so a signal can never leave it edited.
        installSignalPipe();
        Simulator simulator(options);
        return simulator.run();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "auxpad-sim: %s\n", e.what());
        return 1;
    }
}

} // namespace auxsim
