#pragma once

#include <map>
#include <vector>

#include "fbus/sender.h"
#include "tests/fakes/fakes.h"

// A scripted board on the far end of the fake port: it acknowledges each request the
// tool sends and answers the ids it has been given an answer for.
struct BoardLine {
    explicit BoardLine(fakes::Bench& bench) : b(bench) {}

    fakes::Bench& b;
    std::map<std::uint8_t, std::vector<std::uint8_t>> answers; // request id -> answer frame
    bool acknowledges = true;
    std::vector<std::vector<std::uint8_t>> requests;           // every service frame the tool sent

    // One pass of the main loop: the sender's turn, then whatever the board said.
    void pass()
    {
        auxpad::FBUS_SEND(b.st, auxpad::SEND_PUMP);
        hear(b.port.take());
        b.receive(b.port.readAll());
        hear(b.port.take()); // the tool's acknowledgements
    }

    void hear(const std::vector<std::uint8_t>& bytes)
    {
        std::size_t i = 0;
        while (i + 6 <= bytes.size()) {
            const std::size_t length = bytes[i + 5];
            const std::size_t size = 6 + length + (length & 1) + 2;
            std::vector<std::uint8_t> frame(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                            bytes.begin() + static_cast<std::ptrdiff_t>(i + size));
            i += size;
            if (frame[3] != 0x00)
                continue;
            requests.push_back(frame);
            if (acknowledges)
                b.port.arrive(fakes::boardFrame(0x7F, {0x00, static_cast<std::uint8_t>(frame[6 + length - 1] & 7)}));
            const auto answer = answers.find(frame[9]);
            if (answer != answers.end())
                b.port.arrive(answer->second);
        }
    }

    // Ticks with a main-loop pass after each, as the running tool interleaves them.
    void run(int ticks)
    {
        for (int i = 0; i < ticks; ++i) {
            b.tick();
            pass();
        }
    }
};
