// The memory `devpanel-cli send` takes for a large command file: builds a file of the given size
// from the records `save` writes (the same 84 settings again and again, then the online record),
// sends it to the virtual printer once and reports the wall time and the peak resident memory of
// the run.
//
//   send_bench [megabytes]      (default 100)
//
// Exits 1 when the send fails or its peak is over 20 MB: the file is read in pieces, so its size
// must not decide the memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/support/program_run.h"

namespace {

// One run of devpanel-cli in folder, output discarded; the exit status, or -1.
int Run(const std::string& folder, const std::vector<std::string>& args) {
    bench::ProgramRunOptions options;
    options.folder = folder;
    return bench::RunStatus(DEVPANEL_CLI_PATH, args, options);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 100;
    char pattern[] = "/tmp/devpanel-send-bench.XXXXXX";
    if (megabytes <= 0 || mkdtemp(pattern) == nullptr) return 2;
    const std::string folder = pattern;
    const std::string state = folder + "/virtual.state";

    // One saved command file gives the records; its last 28 bytes are the online record.
    if (Run(folder, {"--virtual=" + state, "save", folder + "/one.npa"}) != 0) {
        std::fprintf(stderr, "save failed\n");
        return 1;
    }
    const std::string one = ReadAll(folder + "/one.npa");
    constexpr size_t kOnlineRecord = 28;
    if (one.size() <= kOnlineRecord) return 1;
    const std::string settings = one.substr(0, one.size() - kOnlineRecord);
    {
        std::ofstream big(folder + "/big.npa", std::ios::binary);
        const size_t copies = static_cast<size_t>(megabytes) * 1024 * 1024 / settings.size();
        for (size_t i = 0; i < copies; ++i) big << settings;
        big << one.substr(one.size() - kOnlineRecord);
    }
    const auto size = std::filesystem::file_size(folder + "/big.npa");

    const auto start = std::chrono::steady_clock::now();
    const int status = Run(folder, {"--virtual=" + state, "send", folder + "/big.npa"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double peakMb = usage.ru_maxrss / 1024.0;  // the largest of the runs, in kilobytes on Linux

    std::printf("send of %.1f MB: %.1f s, peak resident memory %.1f MB\n", size / 1048576.0, seconds, peakMb);
    std::filesystem::remove_all(folder);
    if (status != 0) {
        std::fprintf(stderr, "send exited with %d\n", status);
        return 1;
    }
    if (peakMb > 20.0) {
        std::fprintf(stderr, "peak memory %.1f MB is over 20 MB\n", peakMb);
        return 1;
    }
    return 0;
}
