// Cost of the printer link on a two-way parallel port against the in-process virtual printer,
// with every wait of the timing table at zero: CPU time of one request/reply transaction, and
// the CPU an idle reader thread uses (it should block on its semaphore and use none).
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "link/link_testing.h"
#include "link/slc.h"
#include "link/timing.h"
#include "protocol/packets.h"
#include "sim/sim_platform.h"

namespace {

SlcTiming ZeroWaits() {
    SlcTiming t;
    t.readPauseMs = 0;
    t.copyPauseMs = 0;
    t.pipeErrorPauseMs = 0;
    t.pipeRetryMs = 0;
    t.queryReadTotalMs = 0;
    t.queryReadIntervalMs = 0;
    t.queryReadMultiplierMs = 0;
    return t;  // responseWaitMs and readGiveUpMs are bounds, not waits: they stay
}

struct OpenPort {
    OpenPort() {
        SlcResetForTesting();
        sim = std::make_unique<sim::SimPlatform>();
        sim->setSleepScale(0);
        sim->setOsKind(platform::OsKind::TwoWay);
        sim->addParallelPrinter("LPT1:");
        sim->install();
        SlcTimingTable() = ZeroWaits();
        ok = SlcOpenPort("LPT1:") == SLC_OK && npa::BuildBatchRequest({0x0101, 0x0102, 0x0104, 0x0105}, request);
    }
    ~OpenPort() {
        SlcClosePort("LPT1:");
        SlcResetForTesting();
    }
    int transact() {
        uint32_t length = sizeof reply;
        return SlcSendCommand("LPT1:", request.data(), static_cast<uint32_t>(request.size()), reply, &length);
    }
    std::unique_ptr<sim::SimPlatform> sim;
    std::vector<uint8_t> request;
    uint8_t reply[2048];
    bool ok = false;
};

void BM_ParallelTransaction(benchmark::State& state) {
    OpenPort port;
    if (!port.ok || port.transact() != SLC_OK) {
        state.SkipWithError("port did not open");
        return;
    }
    for (auto _ : state) {
        if (port.transact() != SLC_OK) {
            state.SkipWithError("transaction failed");
            break;
        }
    }
}
BENCHMARK(BM_ParallelTransaction)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

double ThreadCpuSeconds(pthread_t thread) {
    clockid_t clock;
    if (pthread_getcpuclockid(thread, &clock) != 0) return -1;
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The reader thread's own CPU time while it waits for the next request for 200 ms.
void BM_IdleReaderThread(benchmark::State& state) {
    OpenPort port;
    if (!port.ok || port.transact() != SLC_OK || !SlcReaderRunsForTesting()) {
        state.SkipWithError("no reader thread");
        return;
    }
    pthread_t reader{};
    SlcReaderRunsForTesting(&reader);
    double cpu = 0;
    for (auto _ : state) {
        const double before = ThreadCpuSeconds(reader);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cpu += ThreadCpuSeconds(reader) - before;
    }
    state.counters["reader_cpu_us_per_idle_s"] =
        benchmark::Counter(cpu * 1e6 / (0.2 * static_cast<double>(state.iterations())));
}
BENCHMARK(BM_IdleReaderThread)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
