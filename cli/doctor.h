// devpanel-cli doctor: a check of this computer's set-up for the printer, for users who meet
// their own machine's problems without us. For each way DevPanel reaches a printer (parallel
// port, USB, CUPS) one line per check: OK, or the problem with the command that mends it; then
// where the configuration was found and where the link logs.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// Runs every check and prints the report to out. iniPath: the configuration named with --ini,
// empty when none was (then the usual search finds it, and the report says where). Returns 0
// when at least one supported printer is usable (its port's node may be opened and its device
// ID is recognised), 1 otherwise. Blocks for at most a few seconds (a CUPS server that does not
// answer); sends the printers nothing and changes nothing (a usable printer's status lines are
// read, which says whether it is on-line).
int RunDoctor(const std::string& iniPath, std::ostream& out);

// devpanel-cli --virtual doctor: the configuration and the virtual printer (its model found and
// read, its state file usable, or before the first save a folder where it may be made); stateFile
// empty: memory only. Returns 0 when the virtual printer can be used, 1 otherwise. Creates
// nothing; blocks only on file reads.
int RunVirtualDoctor(const std::string& iniPath, const std::string& stateFile, std::ostream& out);

// devpanel-cli --port socket://... doctor: the configuration, then the network printer (its SNMP
// identity unless snmp=false, and whether its raw port takes a connection; nothing is sent).
// Returns 0 when the printer can be used, 1 otherwise. Blocks up to the identity's and the
// connect's bounds.
int RunNetworkDoctor(const std::string& iniPath, const std::string& port, std::ostream& out);

struct DoctorFinding {
    bool ok = true;
    std::string text;
    std::string fix;  // for a problem: the command or step that mends it
};

struct DoctorSection {
    std::string title;
    std::vector<DoctorFinding> findings;
};

// The checks of the operating system's side: the ports, the print server, the link's log.
// linux/doctor.cpp checks Linux (under the DEVPANEL_*_ROOT roots); windows/doctor.cpp says that
// Windows has no such check yet. usablePorts gets the ports of usable supported printers.
std::vector<DoctorSection> CheckSystemSetUp(const std::vector<std::string>& driverNames,
                                            std::vector<std::string>& usablePorts);

// Prints sections as the report does: a title line, then "  OK       text" or
// "  PROBLEM  text" with "           fix: command" below it.
void PrintDoctorSections(const std::vector<DoctorSection>& sections, std::ostream& out);

}  // namespace cli
