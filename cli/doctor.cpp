#include "cli/doctor.h"

#include <ostream>

#include "config/config.h"
#include "config/config_check.h"
#include "config/profile.h"
#include "link/network_check.h"
#include "platform/data_files.h"
#include "platform/paths.h"
#include "sim/model.h"
#include "sim/virtual_printer.h"

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

// The nearest folder on the way to path that exists (path's own folder first), or empty.
std::string NearestExistingFolder(const std::string& path) {
    std::string folder = platform::FolderOfPath(path);
    for (int error = 0; platform::KindOfPath(folder, error) == platform::Files::Kind::Missing;) {
        const std::string up = platform::FolderOfPath(folder);
        if (up == folder) return {};
        folder = up;
    }
    return folder;
}

// What the virtual printer of --virtual needs: its model, and a state file it may read and
// replace (or, before its first save, a folder where it may be made). Nothing is created: the
// printer is set up in memory and dropped again.
DoctorSection CheckVirtualPrinter(const std::string& stateFile, bool& usable) {
    DoctorSection section{"Virtual printer", {}};
    usable = false;
    sim::Model model;
    std::string error;
    const std::string modelPath = sim::Model::defaultPath();
    if (!model.load(modelPath, error)) {
        section.findings.push_back({false, "its model cannot be used: " + error,
                                    "reinstall the package (sudo apt install --reinstall devpanel-cli)"});
        return section;
    }
    section.findings.push_back(
        {true, "model " + modelPath + " (" + std::to_string(model.settings().size()) + " settings)", {}});
    if (stateFile.empty()) {
        section.findings.push_back({true, "its settings are kept in memory only (--virtual= names no state file)", {}});
        usable = true;
        return section;
    }
    sim::PrinterConfig config;
    config.stateFile = stateFile;
    config.recordWire = false;
    const sim::VirtualPrinter printer(config);
    if (const std::string problem = printer.stateError(); !problem.empty()) {
        section.findings.push_back({false, problem, "devpanel-cli --virtual=OTHER-FILE doctor, or move the file away"});
        return section;
    }
    int kindError = 0;
    if (platform::KindOfPath(stateFile, kindError) == platform::Files::Kind::Regular) {
        section.findings.push_back({true, "state file " + stateFile + " can be read and replaced by you", {}});
        usable = true;
        return section;
    }
    const std::string folder = platform::FolderOfPath(stateFile), existing = NearestExistingFolder(stateFile);
    const std::string where = existing == folder ? "its folder " + folder : existing + ", where its folder " + folder +
                                                                                " will be made,";
    if (!existing.empty() && platform::UserMayWrite(existing)) {
        section.findings.push_back({true, "state file " + stateFile + " does not exist yet (the defaults until the "
                                              "first apply); " + where + " may be written by you", {}});
        usable = true;
    } else {
        section.findings.push_back({false, "state file " + stateFile + " cannot be made: " + where +
                                               " cannot be written by you",
                                    "name a state file in a folder of yours: devpanel-cli --virtual=FILE ..."});
    }
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

int RunVirtualDoctor(const std::string& iniPath, const std::string& stateFile, std::ostream& out) {
    std::vector<std::string> driverNames;
    std::vector<DoctorSection> sections{CheckConfiguration(iniPath, driverNames)};
    bool usable = false;
    sections.push_back(CheckVirtualPrinter(stateFile, usable));
    PrintDoctorSections(sections, out);
    if (!usable || driverNames.empty()) {
        out << "\nThe virtual printer cannot be used: mend the problems above, then run devpanel-cli --virtual "
               "doctor again.\n";
        return 1;
    }
    out << "\nUsable: USB001 (the virtual printer; e.g. devpanel-cli --virtual" << (stateFile.empty() ? "=" : "")
        << " read)\n";
    return 0;
}

int RunNetworkDoctor(const std::string& iniPath, const std::string& port, std::ostream& out) {
    std::vector<std::string> driverNames;
    std::vector<DoctorSection> sections{CheckConfiguration(iniPath, driverNames)};
    DoctorSection network{"Network printer " + port, {}};
    bool usable = true;
    for (const SlcNetworkFinding& f : SlcCheckNetworkPort(port)) {
        network.findings.push_back({f.ok, f.text, f.fix});
        usable = usable && f.ok;
    }
    sections.push_back(std::move(network));
    PrintDoctorSections(sections, out);
    if (!usable || driverNames.empty()) {
        out << "\nThe network printer cannot be used: mend the problems above, then run devpanel-cli --port " << port
            << " doctor again.\n";
        return 1;
    }
    out << "\nUsable: " << port << "  (e.g. devpanel-cli --port " << port << " read)\n";
    return 0;
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
