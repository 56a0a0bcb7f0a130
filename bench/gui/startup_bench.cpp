// Start-up of devpanel on the virtual printer, from process start to the main window shown,
// against Qt windows measured in the same run (empty; with a line of text; with a menu, a tree
// and a label, the least a window like devpanel's can be); and the peak memory of each.
//   gui_startup_bench [RUNS]   (default 10; QT_QPA_PLATFORM=offscreen unless set)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/program_run.h"

namespace {

struct Sample {
    double ms = -1;     // spawn to window shown
    long peakKb = 0;    // maximum resident set size
};

long long NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Each program writes the moment its window was shown ("shown-at-ns N") into the file that
// DEVPANEL_SHOWN_AT_FILE names; main points it into the benchmark's folder.
Sample Run(const std::vector<std::string>& argv) {
    const char* shownAtFile = std::getenv("DEVPANEL_SHOWN_AT_FILE");
    std::filesystem::remove(shownAtFile);
    const long long start = NowNs();
    const bench::ProgramRun run = bench::RunProgram(argv);
    Sample s;
    s.peakKb = run.peakKb;
    std::ifstream in(shownAtFile);
    std::string word;
    long long shownAt = 0;
    if (in >> word >> shownAt && word == "shown-at-ns") s.ms = (shownAt - start) / 1e6;
    return s;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::filesystem::path tmp = std::filesystem::temp_directory_path() / ("devpanel-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(tmp);
    setenv("XDG_STATE_HOME", (tmp / "state").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (tmp / "config").c_str(), 1);
    setenv("DEVPANEL_SHOWN_AT_FILE", (tmp / "shown-at").c_str(), 1);

    const std::vector<std::string> devpanel = {DEVPANEL_PROGRAM, "--virtual=" + (tmp / "printer.state").string(),
                                               "--ini", DEVPANEL_INI, "--quit-when-shown"};
    const std::vector<std::string> empty = {EMPTY_WINDOW_PROGRAM};
    const std::vector<std::string> withText = {EMPTY_WINDOW_PROGRAM, "--text"};
    const std::vector<std::string> withTree = {EMPTY_WINDOW_PROGRAM, "--tree"};
    Run(devpanel);  // warm the file cache for both
    Run(empty);

    std::vector<double> dp, ew, tw, trw;
    long dpPeak = 0, ewPeak = 0;
    for (int i = 0; i < runs; ++i) {
        Sample a = Run(devpanel);
        Sample b = Run(empty);
        Sample c = Run(withText);
        Sample d = Run(withTree);
        if (a.ms < 0 || b.ms < 0 || c.ms < 0 || d.ms < 0) {
            std::fprintf(stderr, "a program did not report its window\n");
            return 1;
        }
        dp.push_back(a.ms);
        ew.push_back(b.ms);
        tw.push_back(c.ms);
        trw.push_back(d.ms);
        dpPeak = std::max(dpPeak, a.peakKb);
        ewPeak = std::max(ewPeak, b.peakKb);
    }
    std::filesystem::remove_all(tmp);
    const double ratio = Median(dp) / Median(ew);
    std::printf("runs: %d (platform %s)\n", runs, std::getenv("QT_QPA_PLATFORM"));
    std::printf("devpanel --virtual: median %.1f ms to the main window shown, peak memory %.1f MB\n", Median(dp), dpPeak / 1024.0);
    std::printf("empty Qt window:    median %.1f ms, peak memory %.1f MB\n", Median(ew), ewPeak / 1024.0);
    std::printf("empty Qt window with one line of Korean text: median %.1f ms (ratio to it %.2f)\n", Median(tw),
                Median(dp) / Median(tw));
    std::printf("Qt window with a menu, a tree and a label: median %.1f ms (ratio to it %.2f, goal <= 1.3)\n",
                Median(trw), Median(dp) / Median(trw));
    std::printf("ratio: %.2f (goal < 1.5), devpanel peak memory goal < 100 MB: %s\n", ratio,
                dpPeak / 1024.0 < 100 ? "met" : "missed");
    return 0;
}
