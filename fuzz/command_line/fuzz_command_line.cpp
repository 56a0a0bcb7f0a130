// The command lines of the programs, as a script or a fleet tool writes them: devpanel-cli's
// options and commands, and the options every window front end reads. Input: the arguments,
// separated by NUL bytes (at most 16).
// A refused command line always says why; every argument the window programs do not know is
// named among the unknown ones, never silently taken.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "flows/command_line.h"
#include "fuzz/fuzz_check.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size && args.size() <= 16; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    if (args.size() > 16) args.resize(16);

    cli::Options options;
    std::string error;
    if (!cli::ParseOptions(args, options, error)) {
        Check(!error.empty());
    } else if (options.stateFile) {
        Check(options.useVirtual);
    }

    const CommandLine line = ParseCommandLine(args);
    Check(line.unknown.size() <= args.size());
    for (const std::string& unknown : line.unknown) Check(std::find(args.begin(), args.end(), unknown) != args.end());
    if (line.virtualPrinter) {
        Check(std::any_of(args.begin(), args.end(), [](const std::string& a) { return a.rfind("--virtual", 0) == 0; }));
    }
    return 0;
}
