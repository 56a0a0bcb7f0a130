// Where the programs find the data files they ship with (devPanel.ini, the virtual printer's
// model) when no option names one. An installed tree may be unpacked under any prefix, so the
// search starts from the running program's own folder rather than from a path fixed at build
// time; the source tree is used only by a program that runs from its build folder.
//
// The places, in order:
//   1. the current folder (only for files the user may keep beside their work: devPanel.ini)
//   2. $XDG_CONFIG_HOME/devpanel/ (an absolute XDG_CONFIG_HOME; else $HOME/.config/devpanel/)
//   3. ../share/devpanel/ beside the folder of the executable
//   4. DIR/devpanel/ for each absolute DIR of $XDG_DATA_DIRS (default /usr/local/share:/usr/share)
//   5. the source tree's data/, for a program run from inside its build folder
//
// None of these calls blocks beyond file-system look-ups; none creates anything.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Whether the current folder is the first place searched.
enum class DataFileScope { CurrentFolderFirst, InstalledOnly };

// The folders to search, in order; an empty entry is skipped.
struct DataFilePlaces {
    bool currentFolder = false;
    std::string configHome;             // XDG_CONFIG_HOME or its default, without "/devpanel"
    std::string executableFolder;       // the folder of the running program
    std::vector<std::string> dataDirs;  // XDG_DATA_DIRS or its default
    std::string buildTreeData;          // the source tree's data/ when run from the build folder
};

struct DataFileSearch {
    std::string path;                 // the file found; empty when none was
    std::vector<std::string> looked;  // every candidate path, in the order tried
    bool found() const { return !path.empty(); }
};

// The places of this process: its environment, its executable, and whether it runs from the
// build folder it was built in.
DataFilePlaces ProcessDataFilePlaces(DataFileScope scope);

// The source tree's data/ for a program whose executable lies in executableFolder, when that
// folder is inside the build folder this was built in; empty otherwise (an installed or
// unpacked copy never uses the source tree).
std::string BuildTreeDataFor(const std::string& executableFolder);

// The candidate paths of name in places, in search order, without duplicates.
std::vector<std::string> DataFileCandidates(const std::string& name, const DataFilePlaces& places);

// The first candidate that is a regular file the user may read.
DataFileSearch FindDataFile(const std::string& name, const DataFilePlaces& places);
DataFileSearch FindDataFile(const std::string& name, DataFileScope scope);

// One sentence for a file found nowhere: "NAME was not found in any of: A, B, C."
std::string DataFileNotFoundText(const std::string& name, const DataFileSearch& search);

// The folder of the running program's executable; empty when the system cannot say.
// linux/data_files.cpp reads /proc/self/exe, windows/data_files.cpp asks GetModuleFileNameW.
std::string ExecutableFolder();

}  // namespace platform
