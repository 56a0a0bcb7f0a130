// Starts one of our programs from a benchmark and waits for it: the one way the benchmarks that
// time devpanel-cli or devpanel as a whole process start them.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ProgramRunOptions {
    std::string folder;                 // the child's working folder; empty: the benchmark's own
    std::vector<std::string> inFront;   // a program run in front (strace ...), looked up on PATH
    bool captureStdout = false;         // keep what the program writes on stdout (else discarded)
};

struct ProgramRun {
    int status = -1;      // the exit status; -1 when it could not start or did not exit normally
    long peakKb = 0;      // the peak resident memory of the run (the child and what it waited for)
    std::string stdoutText;  // with captureStdout
};

// Runs argv (argv[0] a path, or a name on PATH when inFront is given) with stdin and stderr on
// /dev/null and stdout discarded or captured, and waits for it.
ProgramRun RunProgram(const std::vector<std::string>& argv, const ProgramRunOptions& options = {});

// The exit status of RunProgram({program, args...}).
int RunStatus(const std::string& program, const std::vector<std::string>& args,
              const ProgramRunOptions& options = {});

}  // namespace bench
