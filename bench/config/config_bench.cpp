// Loading the whole configuration: every setting descriptor, the tree, the driver names and the
// two NPA sections. Once from a profile parsed once, as the program does, and once re-reading and
// re-parsing the file for every key read, as a reader without a cache would.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/config.h"
#include "config/profile.h"

namespace {

namespace fs = std::filesystem;

// A file of the same shape as data/devPanel.ini, for a checkout that does not have it yet.
std::string GenerateIni() {
    std::string ini = "; generated for the benchmark\n[DriverNames]\nAltrin Pressline T90\nAltrin Pressline T90 PS\n";
    ini += "[TreeRoot]\nNumChildren=6\nChildren=N0,N1,N2,N3,N4,N5\n";
    for (int n = 0; n < 6; ++n) {
        ini += "[N" + std::to_string(n) + "]\nStringId=6121" + std::to_string(n) + "\nViewId=" +
               std::to_string(n + 1) + "\nNumChildren=2\nChildren=N" + std::to_string(n) + "a,N" +
               std::to_string(n) + "b\n";
        ini += "[N" + std::to_string(n) + "a]\nStringId=61220\nViewId=3\n";
        ini += "[N" + std::to_string(n) + "b]\nStringId=61221\nViewId=4\n";
    }
    std::string read = "[NPA READ SETTING]\n", write = "[NPA WRITE VALUES]\n";
    int id = 0x100;
    for (const config::SettingSection& s : config::kSettingSections) {
        std::string name = s.section;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        char idHex[5];
        std::snprintf(idHex, sizeof idHex, "%04X", id++);
        ini += "\n; " + name + "\n[" + s.section + "]\nNpaName=" + name + "\n";
        read += name + "=A5000650E0E70101" + idHex + "\n";
        switch (s.kind) {
        case config::Kind::List:
            ini += "NumValues=4\nValues=ONE,TWO,THREE,FOUR\nValueIds=61231,61232,61233,61234\n";
            for (const char* token : {"ONE", "TWO", "THREE", "FOUR"})
                write += name + ":" + token + "=A5000740E0E70201" + idHex + "01\n";
            break;
        case config::Kind::Switch:
            ini += "NumValues=2\nValues=OFF,ON\n";
            write += "*" + name + ":OFF=A5000740E0E70201" + idHex + "00\n" + name + ":ON=A5000740E0E70201" + idHex + "01\n";
            break;
        case config::Kind::Text:
            ini += "MaxLength=16\n";
            write += "*" + name + ":=A5000650E0E70301" + idHex + "\n";
            break;
        default:
            ini += "MinVal=1\nMaxVal=240\nNumRadios=1\nValues=OFF,AUTO\n";
            write += "*" + name + ":1..60..240=A5000740E0E70201" + idHex + "3C\n";
            break;
        }
    }
    return ini + read + write;
}

const std::string& IniPath() {
    static const std::string path = [] {
        if (fs::exists(DEVPANEL_DATA_INI)) return std::string(DEVPANEL_DATA_INI);
        std::string generated = (fs::temp_directory_path() / "devpanel-bench-devPanel.ini").string();
        std::ofstream(generated, std::ios::binary) << GenerateIni();
        return generated;
    }();
    return path;
}

// How many keys each kind's loader reads (with its optional reads taken).
int KeyReads(config::Kind kind) {
    switch (kind) {
    case config::Kind::List: return 4;
    case config::Kind::Switch: return 3;
    case config::Kind::Text: return 2;
    case config::Kind::Range: return 3;
    case config::Kind::RangeOff: return 4;
    case config::Kind::RangeChoice: return 5;
    }
    return 0;
}

size_t LoadDescriptor(const Profile& ini, const config::SettingSection& s) {
    switch (s.kind) {
    case config::Kind::List: return config::LoadListDescriptor(ini, s.section).labels.size();
    case config::Kind::Switch: return config::LoadSwitchDescriptor(ini, s.section).entry[0].size();
    case config::Kind::Text: return config::LoadTextDescriptor(ini, s.section).npaName.size();
    case config::Kind::Range: return config::LoadRangeDescriptor(ini, s.section).npaName.size();
    case config::Kind::RangeOff: return config::LoadRangeOffDescriptor(ini, s.section).offValue.size();
    case config::Kind::RangeChoice: return config::LoadRangeChoiceDescriptor(ini, s.section).choices.size();
    }
    return 0;
}

size_t LoadEverything(const Profile& ini) {
    size_t total = 0;
    for (const config::SettingSection& s : config::kSettingSections) total += LoadDescriptor(ini, s);
    total += ini.GetSection("NPA READ SETTING").size();
    total += ini.GetSection("NPA WRITE VALUES").size();
    total += config::LoadTree(ini).size();
    total += config::LoadDriverNames(ini).size();
    return total;
}

void BM_LoadAllFromParsedProfile(benchmark::State& state) {
    const Profile ini = Profile::Load(IniPath());
    for (auto _ : state) benchmark::DoNotOptimize(LoadEverything(ini));
}
BENCHMARK(BM_LoadAllFromParsedProfile)->Unit(benchmark::kMicrosecond);

void BM_ParseOnceAndLoadAll(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(LoadEverything(Profile::Load(IniPath())));
}
BENCHMARK(BM_ParseOnceAndLoadAll)->Unit(benchmark::kMicrosecond);

// The same reads, each one reading and parsing the file again.
void BM_RereadFilePerKey(benchmark::State& state) {
    const std::string& path = IniPath();
    for (auto _ : state) {
        size_t total = 0;
        for (const config::SettingSection& s : config::kSettingSections) {
            for (int k = 1; k < KeyReads(s.kind); ++k) benchmark::DoNotOptimize(Profile::Load(path));
            total += LoadDescriptor(Profile::Load(path), s);
        }
        total += Profile::Load(path).GetSection("NPA READ SETTING").size();
        total += Profile::Load(path).GetSection("NPA WRITE VALUES").size();
        total += config::LoadDriverNames(Profile::Load(path)).size();
        // The tree: two keys of the root, four per node, two per child.
        const Profile once = Profile::Load(path);
        std::vector<config::TreeNode> tree = config::LoadTree(once);
        size_t treeReads = 2;
        for (const config::TreeNode& node : tree) treeReads += 4 + 2 * node.children.size();
        for (size_t k = 0; k < treeReads; ++k) benchmark::DoNotOptimize(Profile::Load(path));
        total += tree.size();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_RereadFilePerKey)->Unit(benchmark::kMicrosecond);

}  // namespace
