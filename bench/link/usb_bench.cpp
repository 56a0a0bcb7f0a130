// How fast the USB port puts messages back together, and how long a read of every setting takes
// against the in-process virtual USB printer with the printer's real timings.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "link/link_testing.h"
#include "link/usb_reassembly.h"
#include "protocol/packets.h"
#include "tests/link/usb_test_util.h"

#include "sim/sim_platform.h"

using namespace usbtest;

namespace {

// Replies and alerts as the printer sends them: short offline responses and alerts, a batch reply
// that spans many transfers, and a message in two continued packets.
Bytes MixedStream() {
    Bytes run;
    for (int round = 0; round < 64; ++round) {
        const uint8_t seed = static_cast<uint8_t>(round);
        run = Cat({run, Sized(9, 0x11, 0xE0, seed), Sized(13, 0x01, 0xF0, seed), Sized(420, 0x11, 0xE0, seed),
                   Sized(40, 0x31, 0xE0, seed), Sized(25, 0x11, 0xE0, seed), Sized(7, 0x11, 0xE0, seed)});
    }
    return run;
}

void BM_UsbReassembly(benchmark::State& state) {
    const Bytes run = MixedStream();
    const std::vector<Bytes> transfers = Transfers(run);
    size_t next = 0;
    const UsbTransferSource source = [&](uint8_t* buffer, uint32_t size) -> long {
        const Bytes& t = transfers[next];
        next = next + 1 == transfers.size() ? 0 : next + 1;
        const size_t n = std::min<size_t>(t.size(), size);
        std::memcpy(buffer, t.data(), n);
        return static_cast<long>(n);
    };
    Reader reader;
    size_t bytes = 0, messages = 0;
    for (auto _ : state) {
        const uint32_t length = reader.assembly.next(source);
        benchmark::DoNotOptimize(reader.assembly.message());
        bytes += length;
        ++messages;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["bytes/message"] = messages ? static_cast<double>(bytes) / static_cast<double>(messages) : 0;
}
BENCHMARK(BM_UsbReassembly);

void BM_UsbReadAllSettings(benchmark::State& state) {
    sim::SimPlatform sim;
    sim::VirtualPrinter& printer = sim.addUsbPrinter(1, "T90V000001", 1);
    sim.install();
    SlcResetForTesting();
    SlcTimingTable() = SlcDefaultTiming();
    std::vector<uint16_t> ids;
    for (const auto& [id, setting] : printer.model().settings()) ids.push_back(id);
    Bytes request;
    npa::BuildBatchRequest(ids, request);
    if (SlcOpenPort("USB001") != SLC_OK) {
        state.SkipWithError("USB001 did not open");
        return;
    }
    uint8_t reply[SLC_SLOT_SIZE];
    for (auto _ : state) {
        uint32_t length = sizeof reply;
        if (SlcSendCommand("USB001", request.data(), static_cast<uint32_t>(request.size()), reply, &length) != SLC_OK) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    state.counters["ids"] = static_cast<double>(ids.size());
    SlcClosePort("USB001");
    SlcShutdown();
    SlcResetForTesting();
}
// The first iteration starts the reader thread; the rest reuse it, as the program does.
BENCHMARK(BM_UsbReadAllSettings)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
