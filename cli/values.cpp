// NAME=VALUE arguments checked the way the pages constrain their controls, and the JSON form of
// a value map (the snapshot format's, document/snapshot.h).
#include <algorithm>
#include <cstdint>
#include <string>

#include "cli/cli.h"
#include "cli/nearest_names.h"
#include "config/ascii.h"
#include "config/config.h"
#include "config/profile.h"
#include "document/snapshot.h"
#include "protocol/printer_text.h"

namespace cli {

namespace {


// A whole decimal number, optional sign, nothing else; false when it does not fit 32 bits.
bool ParseWholeNumber(const std::string& text, long long& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
        if (value > 0xFFFFFFFFLL) return false;
    }
    if (negative) value = -value;
    return true;
}

std::string JoinTokens(const std::vector<std::string>& tokens, const std::string& last) {
    std::string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i) out += i + 1 == tokens.size() ? last : ", ";
        out += tokens[i];
    }
    return out;
}

std::string RangeText(int minVal, int maxVal) {
    return "a whole number from " + std::to_string(minVal) + " to " + std::to_string(maxVal);
}

// The token a page would store for value, or false with what the setting accepts.
struct Checker {
    const std::string& value;
    std::string& token;
    std::string& accepts;

    bool Among(const std::vector<std::string>& tokens) {
        for (const std::string& t : tokens) {
            if (EqualsAsciiNoCase(t, value)) {
                token = t;
                return true;
            }
        }
        return false;
    }
    bool InRange(int minVal, int maxVal) {
        long long number = 0;
        if (!ParseWholeNumber(value, number) || number < minVal || number > maxVal) return false;
        token = std::to_string(number);
        return true;
    }

    bool operator()(const config::ListDescriptor* d) {
        std::vector<std::string> tokens;
        for (const std::string& key : d->orderedKeys) tokens.push_back(config::KeyToken(key));
        accepts = "one of " + JoinTokens(tokens, " or ");
        return Among(tokens);
    }
    bool operator()(const config::SwitchDescriptor* d) {
        std::vector<std::string> tokens = {config::KeyToken(d->entry[0]), config::KeyToken(d->entry[1])};
        accepts = tokens[0] + " or " + tokens[1];
        return Among(tokens);
    }
    bool operator()(const config::TextDescriptor* d) {
        // The printer keeps a text setting in a field of maxLength bytes of its Korean code page
        // and refuses a longer value without a word (writes expect no reply), so the limit is in
        // code-page bytes: a letter or digit takes one, a Korean character two.
        accepts = "a text of at most " + std::to_string(d->maxLength) +
                  " bytes on one line (a letter or digit takes one, a Korean character two)";
        const size_t length = npa::PrinterTextLength(value);
        if (length == SIZE_MAX) {
            accepts += ", in characters the printer's Korean code page has";
            return false;
        }
        if (length > static_cast<size_t>(d->maxLength < 0 ? 0 : d->maxLength)) return false;
        // One line, as a page's edit field holds: a line break would also split `read`'s output.
        for (unsigned char c : value) {
            if (c < 0x20 || c == 0x7F) return false;
        }
        token = value;
        return true;
    }
    bool operator()(const config::RangeDescriptor* d) {
        accepts = RangeText(d->minVal, d->maxVal);
        return InRange(d->minVal, d->maxVal);
    }
    bool operator()(const config::RangeOffDescriptor* d) {
        accepts = d->offValue + " or " + RangeText(d->minVal, d->maxVal);
        return (!d->offValue.empty() && Among({d->offValue})) || InRange(d->minVal, d->maxVal);
    }
    bool operator()(const config::RangeChoiceDescriptor* d) {
        accepts = (d->choices.empty() ? std::string() : JoinTokens(d->choices, ", ") + " or ") +
                  RangeText(d->minVal, d->maxVal);
        return Among(d->choices) || InRange(d->minVal, d->maxVal);
    }
};

}  // namespace

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
        return "unknown setting " + name + ": did you mean " + JoinTokens(hints, " or ") + "?";
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
        std::string token, accepts;
        if (!std::visit(Checker{value, token, accepts}, setting.descriptor)) {
            error = "bad value '" + value + "' for " + setting.npaName + " (" + setting.section +
                    "): it accepts " + accepts;
            return false;
        }
        // Twice the same setting (perhaps once by its section name) leaves it unclear which
        // value was meant.
        if (!out.emplace(setting.npaName, token).second) {
            error = setting.npaName + " (" + setting.section + ") is given more than once";
            return false;
        }
    }
    return true;
}

std::string ToJson(const ValueMap& values) { return snapshot::SettingsToJson(values); }

}  // namespace cli
