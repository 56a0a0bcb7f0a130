// What a user waits for on a network port: devpanel-printer --tcp on loopback, and the commands of
// devpanel-cli run in this process through the real platform (socket://127.0.0.1:PORT?snmp=false).
// The median wall time of a few runs of a read and of an apply of one value, at the printer's real
// timings and with every wait of the timing table shrunk (the waits are bounds: a printer that
// answers at once meets none of them).
//
//   link_network_bench [runs]     (default 9)
//
// Exits 1 when a run fails, or when, with the shrunk timings, the read's median is over 20 ms or
// the apply's over 40 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support/median.h"
#include "cli/cli.h"
#include "link/link_testing.h"
#include "link/timing.h"
#include "platform/real_platform.h"
#include "testbed.h"
#include "transactions/transactions.h"

namespace {

constexpr double kReadBudgetMs = 20;
constexpr double kApplyBudgetMs = 40;

bool Run(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", DEVPANEL_SOURCE_DIR "/data/devPanel.ini", "--port", port});
    std::ostringstream out, err;
    const int status = cli::RunOnInstalledPlatform(args, out, err);
    SlcResetForTesting();
    NpaResetForTesting();
    if (status != 0) std::fprintf(stderr, "%s", err.str().c_str());
    return status == 0;
}

SlcTiming Shrunk() {
    SlcTiming t = SlcDefaultTiming();
    t.responseWaitMs = 300;
    t.lateReplyDrainMs = 50;
    t.pipeErrorPauseMs = 10;
    t.usbReadWaitMs = 100;
    t.connectWaitMs = 1000;
    t.writeWaitMs = 1000;
    t.snmpWaitMs = 300;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::unique_ptr<platform::RealPlatform> real = platform::MakeRealPlatform();
    real->install();
    std::string error;
    std::unique_ptr<testbed::PrinterProcess> printer = testbed::PrinterProcess::start(
        DEVPANEL_PRINTER_PROGRAM, {"--tcp", "127.0.0.1:0", "--model-file", DEVPANEL_SOURCE_DIR "/data/virtual-t90.model"},
        error);
    if (!printer) {
        std::fprintf(stderr, "link_network_bench: %s\n", error.c_str());
        return 1;
    }
    const std::string address = printer->slavePath();
    const std::string port = "socket://" + address + "?snmp=false";
    bool ok = true;
    std::printf("network port %s, median of %d runs\n", address.c_str(), runs);
    double shrunkRead = 0, shrunkApply = 0;
    for (const bool real : {true, false}) {
        SlcTimingTable() = real ? SlcDefaultTiming() : Shrunk();
        const double read = bench::MedianMs(runs, [&](int) { return Run(port, {"read"}); }, "read", ok);
        const double apply = bench::MedianMs(
            runs, [&](int i) { return Run(port, {"apply", i % 2 ? "AUTOCR=ON" : "AUTOCR=OFF"}); }, "apply", ok);
        std::printf("  %-15s read %7.1f ms   apply of one value %7.1f ms\n", real ? "real timings" : "shrunk timings",
                    read, apply);
        if (!real) {
            shrunkRead = read;
            shrunkApply = apply;
        }
    }
    SlcTimingTable() = SlcDefaultTiming();
    if (shrunkRead > kReadBudgetMs || shrunkApply > kApplyBudgetMs) {
        std::printf("over budget: read %.0f ms, apply %.0f ms\n", kReadBudgetMs, kApplyBudgetMs);
        ok = false;
    }
    return ok ? 0 : 1;
}
