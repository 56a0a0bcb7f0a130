// NAME=VALUE arguments checked the way the pages constrain their controls, and the JSON form of
// a value map (the snapshot format's, document/snapshot.h).
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "cli/nearest_names.h"
#include "config/ascii.h"
#include "config/config.h"
#include "config/profile.h"
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
    std::vector<std::string> names;  // every name of every setting, for the hint at a typing error
    for (const SettingRef& s : doc.Settings()) {
        std::string npaName = DescriptorNpaName(s.descriptor);
        if (npaName.empty()) continue;
        Named named{npaName, s.section, s.descriptor};
        byName.emplace(AsciiUpper(npaName), named);
        byName.emplace(AsciiUpper(s.section), named);
        names.push_back(npaName);
        names.push_back(s.section);
    }
    // The settings named most like name, from the configuration alone (no printer is asked).
    const auto unknown = [&](const std::string& name) {
        std::vector<std::string> hints;
        for (const std::string& near : NearestNames(name, names, names.size())) {
            const Named& setting = byName.at(AsciiUpper(near));
            const std::string hint = setting.npaName + " (" + setting.section + ")";
            if (std::find(hints.begin(), hints.end(), hint) == hints.end()) hints.push_back(hint);
            if (hints.size() == 3) break;
        }
        if (hints.empty()) {
            return "unknown setting " + name + ": no setting in " + ConfigPath() +
                   " has a similar name (a setting is named by its NpaName or its section name there)";
        }
        return "unknown setting " + name + ": did you mean " + value_tokens::JoinTokens(hints, " or ") + "?";
    };

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
            error = unknown(name);
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
