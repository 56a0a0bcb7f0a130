// A settings file as `import`, `restore`, `diff` and `save --from` take it: parsed, written out
// again, and its settings checked against the shipped configuration's descriptors, as the
// commands check them before anything is sent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "config/profile.h"
#include "document/printer_doc.h"
#include "document/snapshot.h"
#include "fuzz/fuzz_check.h"

using fuzz::Check;

namespace {

const CPrinterDoc& Document() {
    static const CPrinterDoc* doc = [] {
        SetConfigPath(DEVPANEL_FUZZ_INI);
        auto* d = new CPrinterDoc;
        d->LoadDescriptors();
        return d;
    }();
    return *doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    snapshot::Snapshot file;
    std::string error;
    if (!snapshot::FromJson(text, file, error)) {
        Check(!error.empty() && file.settings.empty());
        return 0;
    }

    // What is read can be written, and reads back the same.
    const std::string written = snapshot::ToJson(file);
    Check(!written.empty());
    snapshot::Snapshot again;
    Check(snapshot::FromJson(written, again, error));
    Check(again.model == file.model && again.serial == file.serial && again.port == file.port &&
          again.time == file.time && again.settings == file.settings && again.skipped == file.skipped);

    // The import's checks: every accepted value is a token the document stores.
    std::vector<std::string> assignments;
    for (const auto& [name, value] : file.settings) assignments.push_back(name + "=" + value);
    std::map<std::string, std::string> tokens;
    if (cli::ValidateAssignments(Document(), assignments, tokens, error)) {
        Check(tokens.size() == file.settings.size());
    } else {
        Check(!error.empty());
    }
    Check(snapshot::Diff(tokens, tokens).empty());
    return 0;
}
