// Runs devpanel-cli against the virtual printer many times and reports the median wall time of
// `read` and of `apply` with one change, and the peak resident memory of any run; then, in
// process, the cost of the read-back that confirms an apply (one batch exchange) against the
// whole apply, and the cost of the snapshot an apply takes first: with the start-up values fresh
// (no exchange: identify the printer, find what cannot be written back, write the file, prune a
// full folder) and stale (one batch read before that).
//
//   cli_bench [runs]        (default 25 runs of each command)
//
// Exits 1 when a run fails or a figure is over its budget: read 50 ms, apply 30 ms, 20 MB,
// snapshot with its read 5 ms, four flushes to the storage for one apply (counted with strace when
// it is installed). The snapshot is timed twice: in a folder in memory (/dev/shm,
// where one exists), which is the program's own cost and the one the budget holds, and in the
// state folder's file system, whose two flushes to the storage (file and folder, which make the
// snapshot survive a crash) cost what that disk takes.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/program_run.h"
#include "link/link_testing.h"
#include "link/slc.h"
#include "config/profile.h"
#include "document/snapshot.h"
#include "transactions/transactions.h"
#include "sim/sim_platform.h"

namespace {

// One run with stdout and stderr discarded, under the program named in front (found on PATH) when
// there is one; the exit status, or -1.
int RunOnce(const std::vector<std::string>& args, const std::vector<std::string>& in_front = {}) {
    bench::ProgramRunOptions options;
    options.inFront = in_front;
    return bench::RunStatus(DEVPANEL_CLI_PATH, args, options);
}

// The flushes to the storage (fsync, fdatasync) of one run, counted by strace; -1 when strace is
// not installed or the run failed.
int CountFlushes(const std::vector<std::string>& args, const std::string& folder) {
    const std::string trace = folder + "/flushes.trace";
    if (RunOnce(args, {"strace", "-f", "-qq", "-e", "trace=fsync,fdatasync", "-o", trace}) != 0) return -1;
    std::FILE* in = std::fopen(trace.c_str(), "r");
    if (in == nullptr) return -1;
    int lines = 0;
    for (int c; (c = std::fgetc(in)) != EOF;) lines += c == '\n';
    std::fclose(in);
    return lines;
}

double MedianMs(const std::vector<std::string>& args, int runs, bool& ok) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        int status = RunOnce(args);
        auto end = std::chrono::steady_clock::now();
        if (status != 0) {
            std::fprintf(stderr, "run %d of %s exited with %d\n", i, args.back().c_str(), status);
            ok = false;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median milliseconds of fn over runs calls.
template <typename Fn>
double MedianInProcessMs(int runs, Fn fn) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        fn();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The apply of every value read (as the GUI and `apply` do) and, alone, the one batch exchange
// that reads the settings back after it, both against the in-process virtual printer.
void ReadBackCost(int runs, bool& ok) {
    SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");
    std::unique_ptr<sim::SimPlatform> setup = sim::MakeVirtualSetup("");
    if (!setup) {
        ok = false;
        return;
    }
    ValueMap values;
    NpaRawValues raw;
    if (NpaReadAllSettings("USB001", values, &raw) != NPA_OK) ok = false;
    std::vector<NpaCommand> commands;
    for (const auto& [name, token] : values) commands.push_back({name, token});
    const double applyMs = MedianInProcessMs(runs, [&] {
        if (NpaWriteValues("USB001", commands, &raw) != NPA_OK) ok = false;
    });
    const double readMs = MedianInProcessMs(runs, [&] {
        ValueMap again;
        if (NpaReadAllSettings("USB001", again) != NPA_OK) ok = false;
    });
    std::printf("in process: apply of %zu settings      median %.3f ms, of which the read-back exchange %.3f ms (%.0f%%)\n",
                commands.size(), applyMs, readMs, applyMs > 0 ? 100.0 * readMs / applyMs : 0.0);
    NpaEndSession("USB001");
}

// The steps CPrinterDoc::Apply takes for its snapshot, timed with and without the read afresh,
// against a printer folder that already holds the 50 snapshots kept (so every write prunes one).
double SnapshotCost(int runs, const std::string& root, bool& ok) {
    SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");
    std::unique_ptr<sim::SimPlatform> setup = sim::MakeVirtualSetup("");
    if (!setup) {
        ok = false;
        return 0;
    }
    ValueMap values;
    NpaRawValues raw;
    if (NpaReadAllSettings("USB001", values, &raw) != NPA_OK) ok = false;
    auto take = [&](const ValueMap& held) {
        snapshot::Snapshot s;
        const snapshot::PrinterIdentity printer = snapshot::IdentifyPrinter("USB001");
        s.model = printer.model;
        s.serial = printer.serial;
        s.port = "USB001";
        s.time = snapshot::UtcNow();
        s.skipped = NpaValuesNotWritableBack(held, raw);
        s.settings = held;
        std::string error;
        if (snapshot::Write(snapshot::PrinterFolder(root, printer), s, error).empty()) {
            std::fprintf(stderr, "snapshot: %s\n", error.c_str());
            ok = false;
        }
    };
    for (size_t i = 0; i < snapshot::kKeepPerPrinter; ++i) take(values);
    const double freshMs = MedianInProcessMs(runs, [&] { take(values); });
    const double staleMs = MedianInProcessMs(runs, [&] {
        ValueMap held;
        if (NpaReadAllSettings("USB001", held, &raw) != NPA_OK) ok = false;
        take(held);
    });
    std::printf("in process: snapshot before an apply  median %.3f ms with fresh values (no exchange), "
                "%.3f ms read afresh, in %s\n",
                freshMs, staleMs, root.c_str());
    NpaEndSession("USB001");
    return staleMs;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25;
    char pattern[] = "/tmp/devpanel-cli-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    setenv("XDG_STATE_HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    const std::string state = "--virtual=" + folder + "/virtual-t90.state";

    bool ok = true;
    double readMs = MedianMs({state, "read"}, runs, ok);
    double applyMs = MedianMs({state, "apply", "POWERSAVER=42"}, runs, ok);
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    double peakMb = usage.ru_maxrss / 1024.0;  // ru_maxrss is in kilobytes on Linux

    std::printf("devpanel-cli --virtual read        median %.1f ms  (budget 50 ms, %d runs)\n", readMs, runs);
    std::printf("devpanel-cli --virtual apply 1     median %.1f ms  (budget 30 ms, %d runs)\n", applyMs, runs);
    // Two for the snapshot the apply takes first and two for the virtual printer's one save of its
    // state, each a file and its folder.
    const int flushes = CountFlushes({state, "apply", "POWERSAVER=43"}, folder);
    if (flushes >= 0) {
        std::printf("flushes to the storage of one apply %d  (budget 4: snapshot and state, file and folder each)\n",
                    flushes);
    } else {
        std::printf("flushes to the storage of one apply not counted (strace is not installed)\n");
    }
    std::printf("peak resident memory of any run    %.1f MB  (budget 20 MB)\n", peakMb);

    ReadBackCost(runs, ok);
    SlcResetForTesting();
    NpaResetForTesting();
    // In memory where the system has a folder there, else on the state folder's disk.
    std::error_code shm;
    const bool inMemory = std::filesystem::is_directory("/dev/shm", shm);
    std::string memoryFolder;
    if (inMemory) {
        char memoryPattern[] = "/dev/shm/devpanel-cli-bench-XXXXXX";
        if (mkdtemp(memoryPattern)) memoryFolder = memoryPattern;
    }
    double snapshotMs = 0;
    if (!memoryFolder.empty()) {
        snapshotMs = SnapshotCost(runs, memoryFolder + "/snapshots", ok);
        SlcResetForTesting();
        NpaResetForTesting();
        const double diskMs = SnapshotCost(runs, folder + "/snapshots-on-disk", ok);
        std::printf("snapshot read afresh                median %.3f ms in memory (budget 5 ms), %.3f ms on disk "
                    "(with its two storage flushes)\n",
                    snapshotMs, diskMs);
        std::filesystem::remove_all(memoryFolder, shm);
    } else {
        snapshotMs = SnapshotCost(runs, folder + "/snapshots-on-disk", ok);
        std::printf("snapshot read afresh                median %.3f ms on disk (budget 5 ms)\n", snapshotMs);
    }

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    bool within = readMs < 50 && applyMs < 30 && flushes <= 4 && peakMb < 20 && snapshotMs < 5;
    return ok && within ? 0 : 1;
}
