#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/station.h"
#include "platform/runtime_fault.h"

namespace fakes {

class FakeClock final : public platform::Clock {
public:
    std::int32_t now = 0;
    std::int32_t tickCount() override { return now; }
    void advance(std::int32_t ms) { now = platform::tickDiff(now, -ms); }
};

// Records every byte written; hands out bytes that a test (or `onWrite`) makes arrive.
class FakePort final : public platform::SerialPort {
public:
    explicit FakePort(FakeClock& clock) : clock_(clock) {}

    int number = 0;
    bool opened = false;
    std::string openFault;       // non-empty: open() throws it
    bool gone = false;           // count and read throw, as for a vanished port
    std::vector<std::uint8_t> written;
    int flushes = 0;
    std::deque<std::uint8_t> incoming;
    // Called after each flush with the bytes written so far; a test's board answers here.
    std::function<void(FakePort&)> onFlush;
    // Bytes that arrive `delay` ms after they are scheduled, while waitForData blocks.
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> scheduled;

    void arrive(std::vector<std::uint8_t> bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }
    void arriveAfter(std::int32_t delayMs, std::vector<std::uint8_t> bytes)
    {
        scheduled.emplace_back(platform::tickDiff(clock_.now, -delayMs), std::move(bytes));
    }
    std::vector<std::uint8_t> take()
    {
        auto out = written;
        written.clear();
        return out;
    }

    void setPortNumber(int n) override { number = n; }
    void open() override
    {
        if (!openFault.empty())
            throw platform::RuntimeFault(openFault);
        opened = true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    std::int16_t bytesWaiting() override
    {
        check();
        return static_cast<std::int16_t>(incoming.size());
    }
    std::vector<std::uint8_t> readAll() override
    {
        check();
        std::vector<std::uint8_t> out(incoming.begin(), incoming.end());
        incoming.clear();
        return out;
    }
    void write(const std::uint8_t* bytes, std::size_t count) override { written.insert(written.end(), bytes, bytes + count); }
    void flush() override
    {
        ++flushes;
        if (onFlush)
            onFlush(*this);
    }
    // Advances the fake clock to the next scheduled arrival within the time given.
    bool waitForData(int ms) override
    {
        check();
        if (!incoming.empty())
            return true;
        const std::int32_t deadline = platform::tickDiff(clock_.now, -ms);
        std::size_t best = scheduled.size();
        for (std::size_t i = 0; i < scheduled.size(); ++i) {
            if (platform::tickDiff(scheduled[i].first, deadline) <= 0
                && (best == scheduled.size() || platform::tickDiff(scheduled[i].first, scheduled[best].first) < 0))
                best = i;
        }
        if (best == scheduled.size()) {
            clock_.now = deadline;
            return false;
        }
        if (platform::tickDiff(scheduled[best].first, clock_.now) > 0)
            clock_.now = scheduled[best].first;
        arrive(scheduled[best].second);
        scheduled.erase(scheduled.begin() + static_cast<std::ptrdiff_t>(best));
        return true;
    }

private:
    void check() const
    {
        if (gone)
            throw platform::RuntimeFault("port gone");
    }
    FakeClock& clock_;
};

// Files held in memory, read by the tool's own line rule.
class FakeFiles final : public platform::TextFiles {
public:
    std::map<std::string, std::string> files;
    std::vector<std::string> opened;
    int openNow = 0; // files open at this moment

    std::unique_ptr<platform::TextFile> openRead(const std::string& path, std::string& reason) override;
};

struct Box {
    std::string text;
    platform::Icon icon;
    bool operator==(const Box&) const = default;
};
inline void PrintTo(const Box& box, std::ostream* os)
{
    *os << '"' << box.text << "\" icon " << static_cast<int>(box.icon);
}

class FakeDialogs final : public platform::Dialogs {
public:
    std::vector<Box> boxes;
    std::function<void()> whileOpen; // runs while the box is "open"
    void messageBox(const std::string& text, platform::Icon icon) override
    {
        boxes.push_back({text, icon});
        if (whileOpen)
            whileOpen();
    }
};

class FakeMainView final : public platform::MainWindowView {
public:
    std::string comPortNum = "1";
    std::string label13 = "Opening...";
    std::string disp1Text = "Flash DSP Progress Report";
    std::vector<std::string> repaints; // DISP1 as it was at each repaint
    std::string texts[6] = {"1234", "123456789ab", "123456789ab", "123456789", "1234567", "123456"};
    bool prgVisible = false;
    float prgValue = 0;
    std::vector<float> prgHistory;
    std::string dir = "/station";
    std::string selected[2];
    int mousePointer = 0;

    void setComPortNum(const std::string& c) override { comPortNum = c; }
    void setLabel13(const std::string& c) override { label13 = c; }
    std::string disp1() const override { return disp1Text; }
    std::vector<std::string> captions; // every caption DISP1 was given, in order
    void setDisp1(const std::string& c) override
    {
        disp1Text = c;
        captions.push_back(c);
    }
    void repaintDisp1() override { repaints.push_back(disp1Text); }
    std::string text(int box) const override { return texts[box - 1]; }
    void setText(int box, const std::string& t) override { texts[box - 1] = t; }
    void setPrgLoadVisible(bool v) override { prgVisible = v; }
    bool prgLoadVisible() const override { return prgVisible; }
    void setPrgLoadValue(float v) override
    {
        prgValue = v;
        prgHistory.push_back(v);
    }
    float prgLoadValue() const override { return prgValue; }
    std::string dir1Path() const override { return dir; }
    std::string selectedFile(int list) const override { return selected[list - 1]; }
    void setMousePointer(int code) override { mousePointer = code; }
};

class FakeMsgWin final : public platform::MessageWindowView {
public:
    bool visible = true;
    std::string log;
    bool isVisible() const override { return visible; }
    void show() override { visible = true; }
    void unload() override { visible = false; }
    void appendLog(const std::string& text) override { log += text; }
};

// A station wired to fakes, with the starting values of a tool that has just started.
struct Bench {
    FakeClock clock;
    FakePort port{clock};
    FakeFiles files;
    FakeMainView main;
    FakeMsgWin msg;
    FakeDialogs dialogs;
    auxpad::Station st{{port, clock, files, main, msg, dialogs}};

    Bench();
    // Hands bytes to the receiver one at a time, as the main loop does.
    void receive(const std::vector<std::uint8_t>& bytes);
    void tick(int count = 1);
};

std::vector<std::uint8_t> hex(const std::string& text);
std::string hexOf(const std::vector<std::uint8_t>& bytes);

// A frame from the board: header, data, pad, checksum.
std::vector<std::uint8_t> boardFrame(std::uint8_t type, const std::vector<std::uint8_t>& data);
// A service message from the board with the given id and parameters.
std::vector<std::uint8_t> boardMessage(std::uint8_t id, const std::vector<std::uint8_t>& params, std::uint8_t seq = 0x60);

} // namespace fakes
