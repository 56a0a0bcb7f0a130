// NAME=VALUE arguments of `apply` and `save` checked against the shipped configuration, as the
// command-line tool checks them before anything is sent. Input: up to eight assignments, one per
// line. Every value the check accepts is a token whose write packet gives the printer back the
// same value: the write can be built and decoded to that token again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "config/profile.h"
#include "document/printer_doc.h"
#include "fuzz/fuzz_check.h"
#include "transactions/transactions.h"

using fuzz::Check;

namespace {

const CPrinterDoc& Document() {
    static CPrinterDoc* doc = [] {
        SetConfigPath(DEVPANEL_SHIPPED_INI);
        auto* d = new CPrinterDoc(nullptr);
        d->LoadDescriptors();
        return d;
    }();
    return *doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CPrinterDoc& doc = Document();
    std::vector<std::string> assignments;
    std::string line;
    for (size_t i = 0; i < size && assignments.size() < 8; ++i) {
        if (data[i] == '\n') {
            assignments.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(data[i]);
        }
    }
    if (assignments.size() < 8) assignments.push_back(line);

    std::map<std::string, std::string> tokens;
    std::string error;
    if (!cli::ValidateAssignments(doc, assignments, tokens, error)) {
        Check(!error.empty());
        return 0;
    }
    Check(error.empty());
    ValueMap values(tokens.begin(), tokens.end());
    // Nothing was read: every value is one the user asked for.
    Check(NpaValuesNotWritableBack(values, {}).empty());
    return 0;
}
