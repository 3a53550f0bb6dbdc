// Arbitrary line traffic with timer ticks between, through the main loop's pass into the
// receiver, the frame handler and the board response handler, while the sequencer runs
// the job the input picks (flashing against a bootloader that answers every block).
//
// Input: one set-up byte, then chunks. Set-up bit 0: traffic log shown; bits 2-3: 0 no
// job, 1 "Step 2: Flash AUXPAD", 2 "Step 3: Write AUXPAD Product Info". Chunk: a control
// byte c; c < 0x80 means the next c + 1 bytes arrive on the line and one main-loop pass
// takes them; otherwise (c & 0x7F) + 1 timer ticks of 500 ms pass.

#include "app/main_loop.h"
#include "board/jobs.h"
#include "bootload/flash_start.h"
#include "fuzz/fuzz_support.h"
#include "tests/unit/boot_board.h"

namespace {

class OpenWindows final : public platform::EventPump {
public:
    int processEvents(bool) override { return 1; }
};

void requireLinkInBounds(const auxpad::Station& st)
{
    using namespace auxpad;
    fuzz::require(st.FBUS_RX_STATE >= 0 && st.FBUS_RX_STATE <= 6, "receiver state known");
    fuzz::require(st.FBUS_RX_POS >= 0 && st.FBUS_RX_POS <= FBUS_BUFFER_SIZE, "receive position within FBUS_RX");
    fuzz::require(st.FBUS_TX_LEN <= FBUS_BUFFER_SIZE, "frame length within FBUS_TX");
    fuzz::require(st.TX_QUEUE_IN >= 0 && st.TX_QUEUE_IN < TX_QUEUE_RING, "queue input index within the ring");
    fuzz::require(st.TX_QUEUE_OUT >= 0 && st.TX_QUEUE_OUT < TX_QUEUE_RING, "queue output index within the ring");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string disk = downloadFile(12);
    static const std::string dataFile = downloadFile(18);

    fuzz::Input in(data, size);
    fakes::Bench b;
    BootBoard boot(b);
    b.files.files["initdisk.txt"] = disk;
    b.files.files["initdata.txt"] = dataFile;
    b.main.selected[0] = "initdisk.txt";
    b.main.selected[1] = "initdata.txt";
    b.main.texts[5] = "150603"; // a date that passes, so a product-information write can go out

    const std::uint8_t setup = in.byte();
    b.msg.visible = (setup & 1) != 0;
    switch ((setup >> 2) & 3) {
    case 1:
        auxpad::BOOTLOAD_DSP_Click(b.st);
        break;
    case 2:
        auxpad::Prod_info_Click(b.st);
        break;
    default:
        break;
    }

    OpenWindows events;
    while (!in.empty()) {
        const std::uint8_t c = in.byte();
        if (c < 0x80) {
            b.port.arrive(in.bytes(c + 1u));
            bool idle = false;
            auxpad::MAIN_LOOP_PASS(b.st, events, false, idle);
        } else {
            b.tick((c & 0x7F) + 1);
        }
        requireLinkInBounds(b.st);
    }
    for (const auto& block : boot.blocks)
        fuzz::requireWellFormedBlock(block);
    return 0;
}
