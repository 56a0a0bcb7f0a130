#include "cli/doctor.h"

#include <ostream>

#include "config/config.h"
#include "config/config_check.h"
#include "config/profile.h"
#include "platform/data_files.h"

namespace cli {

namespace {

constexpr const char* kIniName = "devPanel.ini";

// Where the configuration comes from, and whether it can drive the program. The path is made
// the process's configuration, so that the checks after it read the same file.
DoctorSection CheckConfiguration(const std::string& iniPath, std::vector<std::string>& driverNames) {
    DoctorSection section{"Configuration", {}};
    std::string path = iniPath;
    if (path.empty()) {
        const platform::DataFileSearch search =
            platform::FindDataFile(kIniName, platform::DataFileScope::CurrentFolderFirst);
        if (!search.found()) {
            section.findings.push_back({false, platform::DataFileNotFoundText(kIniName, search),
                                        "reinstall the package (sudo apt install --reinstall devpanel), or name "
                                        "the file: devpanel-cli --ini PATH doctor"});
            return section;
        }
        path = search.path;
        section.findings.push_back({true, "found " + path + " (no --ini given)", {}});
    } else {
        section.findings.push_back({true, "using " + path + " (named with --ini)", {}});
    }
    SetConfigPath(path);
    if (const std::string problem = config::ConfigurationProblem(); !problem.empty()) {
        section.findings.push_back({false, problem, "restore the file from the package: sudo apt install "
                                                    "--reinstall devpanel"});
        return section;
    }
    driverNames = config::LoadDriverNames(ConfigFile());
    std::string names;
    for (const std::string& n : driverNames) names += (names.empty() ? "" : ", ") + n;
    section.findings.push_back({true, "it can be used; supported printers (DriverNames): " + names, {}});
    return section;
}

}  // namespace

void PrintDoctorSections(const std::vector<DoctorSection>& sections, std::ostream& out) {
    for (const DoctorSection& section : sections) {
        out << section.title << "\n";
        for (const DoctorFinding& f : section.findings) {
            out << (f.ok ? "  OK       " : "  PROBLEM  ") << f.text << "\n";
            if (!f.ok && !f.fix.empty()) out << "           fix: " << f.fix << "\n";
        }
    }
}

int RunDoctor(const std::string& iniPath, std::ostream& out) {
    std::vector<std::string> driverNames;
    std::vector<DoctorSection> sections{CheckConfiguration(iniPath, driverNames)};
    std::vector<std::string> usablePorts;
    for (DoctorSection& s : CheckSystemSetUp(driverNames, usablePorts)) sections.push_back(std::move(s));
    PrintDoctorSections(sections, out);

    if (usablePorts.empty() || driverNames.empty()) {
        out << "\nNo usable printer: mend the problems above, then run devpanel-cli doctor again.\n";
        return 1;
    }
    out << "\nUsable:";
    for (const std::string& port : usablePorts) out << " " << port;
    out << "  (e.g. devpanel-cli --port " << usablePorts.front() << " read)\n";
    return 0;
}

}  // namespace cli
