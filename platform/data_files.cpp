#include "platform/data_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramFolder = "devpanel";

fs::path PathOf(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string TextOf(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

bool IsAbsolute(const std::string& path) { return !path.empty() && PathOf(path).is_absolute(); }

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ConfigHome() {
    const std::string config = Environment("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) return config;
    const std::string home = Environment("HOME");
    return home.empty() ? std::string() : home + "/.config";
}

// Relative entries are ignored, as the base-directory rules ask: they would depend on the
// folder the program happens to be started in.
std::vector<std::string> DataDirs() {
    std::string list = Environment("XDG_DATA_DIRS");
    if (list.empty()) list = "/usr/local/share:/usr/share";
    std::vector<std::string> dirs;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (IsAbsolute(dir)) dirs.push_back(dir);
        start = end + 1;
    }
    return dirs;
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

// The source tree's data/ only serves a program that runs from the build folder it was built
// in (the tests, ./run.sh): an installed or unpacked copy must never depend on the source tree.
std::string BuildTreeDataFor(const std::string& executableFolder) {
#if defined(DEVPANEL_BUILD_DIR) && defined(DEVPANEL_SOURCE_DATA_DIR)
    if (executableFolder.empty()) return {};
    std::error_code ec;
    const fs::path build = PathOf(DEVPANEL_BUILD_DIR);
    for (fs::path folder = PathOf(executableFolder);; folder = folder.parent_path()) {
        if (fs::equivalent(folder, build, ec)) return DEVPANEL_SOURCE_DATA_DIR;
        if (!folder.has_relative_path()) break;
    }
#else
    (void)executableFolder;
#endif
    return {};
}

DataFilePlaces ProcessDataFilePlaces(DataFileScope scope) {
    DataFilePlaces places;
    places.currentFolder = scope == DataFileScope::CurrentFolderFirst;
    places.configHome = ConfigHome();
    places.executableFolder = ExecutableFolder();
    places.dataDirs = DataDirs();
    places.buildTreeData = BuildTreeDataFor(places.executableFolder);
    return places;
}

std::vector<std::string> DataFileCandidates(const std::string& name, const DataFilePlaces& places) {
    std::vector<std::string> candidates;
    auto add = [&](const std::string& path) {
        if (std::find(candidates.begin(), candidates.end(), path) == candidates.end()) candidates.push_back(path);
    };
    if (places.currentFolder) add(name);
    if (!places.configHome.empty()) add(Joined(Joined(places.configHome, kProgramFolder), name));
    if (!places.executableFolder.empty()) {
        // ../share/devpanel beside bin/, written out without "..": the message then names a
        // folder the user can go to.
        const fs::path prefix = PathOf(places.executableFolder).lexically_normal().parent_path();
        add(Joined(TextOf(prefix / "share" / kProgramFolder), name));
    }
    for (const std::string& dir : places.dataDirs) add(Joined(Joined(dir, kProgramFolder), name));
    if (!places.buildTreeData.empty()) add(Joined(places.buildTreeData, name));
    return candidates;
}

// The first candidate where anything is: a file there that cannot be read is still the one
// meant, and its own problem (unreadable, a folder) is reported rather than silently passed
// over for another configuration.
DataFileSearch FindDataFile(const std::string& name, const DataFilePlaces& places) {
    DataFileSearch search;
    search.looked = DataFileCandidates(name, places);
    for (const std::string& candidate : search.looked) {
        std::error_code ec;
        if (fs::exists(PathOf(candidate), ec)) {
            search.path = candidate;
            break;
        }
    }
    return search;
}

DataFileSearch FindDataFile(const std::string& name, DataFileScope scope) {
    return FindDataFile(name, ProcessDataFilePlaces(scope));
}

std::string DataFileNotFoundText(const std::string& name, const DataFileSearch& search) {
    std::string text = name + " was not found in any of: ";
    for (size_t i = 0; i < search.looked.size(); ++i) text += (i == 0 ? "" : ", ") + search.looked[i];
    return text + ".";
}

}  // namespace platform
