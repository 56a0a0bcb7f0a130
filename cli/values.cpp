// NAME=VALUE arguments checked the way the pages constrain their controls, and the JSON form of
// a value map (the snapshot format's, document/snapshot.h).
#include <optional>
#include <string>

#include "cli/cli.h"
#include "config/ascii.h"
#include "config/config.h"
#include "document/snapshot.h"
#include "document/value_tokens.h"
#include "protocol/printer_text.h"

namespace cli {

bool ValidateAssignments(const CPrinterDoc& doc, const std::vector<std::string>& assignments,
                         std::map<std::string, std::string>& out, std::string& error) {
    // A setting is named by its NPA name or its section name, in any letter case.
    struct Named {
        std::string npaName;
        std::string section;
        DescriptorRef descriptor;
    };
    std::map<std::string, Named> byName;
    for (const SettingRef& s : doc.Settings()) {
        std::string npaName = DescriptorNpaName(s.descriptor);
        if (npaName.empty()) continue;
        Named named{npaName, s.section, s.descriptor};
        byName.emplace(AsciiUpper(npaName), named);
        byName.emplace(AsciiUpper(s.section), named);
    }

    for (const std::string& assignment : assignments) {
        size_t eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "'" + assignment + "' is not of the form NAME=VALUE";
            return false;
        }
        std::string name = assignment.substr(0, eq);
        std::string value = assignment.substr(eq + 1);
        auto it = byName.find(AsciiUpper(name));
        if (it == byName.end()) {
            error = "unknown setting " + name + " (run `devpanel-cli read` for the names)";
            return false;
        }
        const Named& setting = it->second;
        std::string accepts;
        const std::optional<std::string> token = value_tokens::ForValue(setting.descriptor, value, &accepts);
        if (!token) {
            error = "bad value '" + value + "' for " + setting.npaName + " (" + setting.section +
                    "): it accepts " + accepts;
            return false;
        }
        // Twice the same setting (perhaps once by its section name) leaves it unclear which
        // value was meant.
        if (!out.emplace(setting.npaName, *token).second) {
            error = setting.npaName + " (" + setting.section + ") is given more than once";
            return false;
        }
    }
    return true;
}

std::string ToJson(const ValueMap& values) { return snapshot::SettingsToJson(values); }

}  // namespace cli
