#include "config/config_check.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "config/ascii.h"
#include "config/config.h"
#include "config/profile.h"

namespace config {

namespace {

constexpr const char* kDriverNames = "DriverNames";
constexpr const char* kReadSection = "NPA READ SETTING";
constexpr const char* kWriteSection = "NPA WRITE VALUES";

// What the two NPA sections offer, by upper-case name: the packets to read a setting, and the
// NAME:TOKEN keys that can be written ("*" marks the default and is dropped). A numeric line
// "NAME:min..default..max" also gives the setting's default.
struct NpaTables {
    std::set<std::string> readNames;
    std::set<std::string> writeKeys;
    std::map<std::string, int> numericDefaults;
};

NpaTables LoadNpaTables(const Profile& ini) {
    NpaTables t;
    for (const std::string& line : ini.GetSection(kReadSection))
        t.readNames.insert(AsciiUpper(line.substr(0, line.find('='))));
    for (std::string line : ini.GetSection(kWriteSection)) {
        if (!line.empty() && line[0] == '*') line.erase(0, 1);
        const std::string key = AsciiUpper(line.substr(0, line.find('=')));
        t.writeKeys.insert(key);
        const std::string token = KeyToken(key);
        const size_t first = token.find("..");
        const size_t second = first == std::string::npos ? std::string::npos : token.find("..", first + 2);
        if (second != std::string::npos)
            t.numericDefaults.emplace(KeyName(key), ParseLeadingInt(token.substr(first + 2, second - first - 2)));
    }
    return t;
}

class Checker {
public:
    explicit Checker(const Profile& ini) : ini_(ini), npa_(LoadNpaTables(ini)) {}

    // The first fault of a setting section, or empty.
    std::string check(const SettingSection& s) {
        section_ = s.section;
        if (!ini_.HasSection(section_)) return "has no section [" + section_ + "], which the settings pages need.";
        switch (s.kind) {
        case Kind::List: return checkList();
        case Kind::Switch: return checkSwitch();
        case Kind::Text: {
            const TextDescriptor d = LoadTextDescriptor(ini_, section_);
            if (d.maxLength <= 0)
                return in() + "has MaxLength " + std::to_string(d.maxLength) + ", which leaves no room for text.";
            return checkName(d.npaName);
        }
        case Kind::Range: {
            const RangeDescriptor d = LoadRangeDescriptor(ini_, section_);
            return checkRange(d.npaName, d.minVal, d.maxVal);
        }
        case Kind::RangeOff: {
            const RangeOffDescriptor d = LoadRangeOffDescriptor(ini_, section_);
            if (auto problem = checkRange(d.npaName, d.minVal, d.maxVal); !problem.empty()) return problem;
            if (d.offValue.empty()) return in() + "has no Values entry for the \"off\" choice.";
            return checkKey(d.npaName + ":" + d.offValue);
        }
        case Kind::RangeChoice: {
            const RangeChoiceDescriptor d = LoadRangeChoiceDescriptor(ini_, section_);
            if (auto problem = checkRange(d.npaName, d.minVal, d.maxVal); !problem.empty()) return problem;
            if (ini_.GetInt(section_, "NumRadios", 0) != 0 && d.choices.empty())
                return in() + "has NumRadios but not the two Values of its choices.";
            for (const std::string& choice : d.choices) {
                if (auto problem = checkKey(d.npaName + ":" + choice); !problem.empty()) return problem;
            }
            return {};
        }
        }
        return {};
    }

private:
    std::string in() const { return "has a section [" + section_ + "] that "; }

    // The setting must be readable: its NPA name has a packet in the read section.
    std::string checkName(const std::string& npaName) const {
        if (npaName.empty()) return in() + "names no NpaName.";
        if (!npa_.readNames.count(AsciiUpper(npaName)))
            return in() + "names the setting " + npaName + ", which [" + kReadSection + "] does not know.";
        return {};
    }

    std::string checkKey(const std::string& key) const {
        if (!npa_.writeKeys.count(AsciiUpper(key)))
            return in() + "names the value " + key + ", which [" + kWriteSection + "] does not know.";
        return {};
    }

    std::string checkList() const {
        const int declared = ini_.GetInt(section_, "NumValues", 0);
        const ListDescriptor d = LoadListDescriptor(ini_, section_);
        if (d.empty()) return in() + "lists no values.";
        const size_t present = SplitList(ini_.GetString(section_, "Values", "", 4096)).size();
        if (static_cast<size_t>(declared) > present)
            return in() + "declares NumValues=" + std::to_string(declared) + " but lists " +
                   std::to_string(present) + ".";
        if (auto problem = checkName(KeyName(d.orderedKeys.front())); !problem.empty()) return problem;
        for (const std::string& key : d.orderedKeys) {
            if (auto problem = checkKey(key); !problem.empty()) return problem;
        }
        return {};
    }

    std::string checkSwitch() const {
        const SwitchDescriptor d = LoadSwitchDescriptor(ini_, section_);
        if (d.entry[0].empty() || d.entry[1].empty()) return in() + "does not give the two Values a check box needs.";
        if (auto problem = checkName(KeyName(d.entry[0])); !problem.empty()) return problem;
        for (const std::string& key : d.entry) {
            if (auto problem = checkKey(key); !problem.empty()) return problem;
        }
        return {};
    }

    std::string checkRange(const std::string& npaName, int minVal, int maxVal) const {
        if (auto problem = checkName(npaName); !problem.empty()) return problem;
        if (minVal > maxVal)
            return in() + "has MinVal " + std::to_string(minVal) + " greater than MaxVal " +
                   std::to_string(maxVal) + ".";
        auto it = npa_.numericDefaults.find(AsciiUpper(npaName));
        if (it != npa_.numericDefaults.end() && (it->second < minVal || it->second > maxVal))
            return in() + "allows " + std::to_string(minVal) + " to " + std::to_string(maxVal) + ", but the default " +
                   std::to_string(it->second) + " in [" + kWriteSection + "] lies outside.";
        return {};
    }

    const Profile& ini_;
    NpaTables npa_;
    std::string section_;
};

std::string LoadProblem(int error) {
    switch (error) {
    case ENOENT: return "does not exist.";
    case EISDIR: return "is a folder, not a file.";
    case ENOTDIR: return "cannot exist, because part of its path is not a folder.";
    default: return std::string("cannot be read (") + std::strerror(error) + ").";
    }
}

}  // namespace

std::string ConfigurationProblem() {
    const std::string path = ConfigPath();
    const std::string file = "The configuration file " + path + " ";
    const Profile& ini = ConfigFile();
    if (ini.loadError() != 0) return file + LoadProblem(ini.loadError());
    // The owner's read permission counts even for a superuser, or anyone else the system lets
    // read it: a file its owner made unreadable is not one to run on. (Windows reports every
    // file readable by its owner, so this never refuses one there.)
    std::error_code ec;
    const std::filesystem::file_status status =
        std::filesystem::status(std::filesystem::path(std::u8string(path.begin(), path.end())), ec);
    if (!ec && (status.permissions() & std::filesystem::perms::owner_read) == std::filesystem::perms::none)
        return file + LoadProblem(EACCES);
    if (ini.looksBinary()) return file + "is not a text file; it must hold sections such as [" + kDriverNames + "].";
    for (const char* required : {kDriverNames, kReadSection, kWriteSection}) {
        if (!ini.HasSection(required)) return file + "has no section [" + required + "].";
        if (ini.GetSection(required).empty()) return file + "has an empty section [" + required + "].";
    }
    Checker checker(ini);
    for (const SettingSection& s : kSettingSections) {
        if (auto problem = checker.check(s); !problem.empty()) return file + problem;
    }
    return {};
}

}  // namespace config
