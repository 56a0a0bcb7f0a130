// The profile reader and every descriptor loader over arbitrary file content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/config.h"
#include "config/profile.h"
#include "fuzz/fuzz_check.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Profile ini = Profile::Parse(text);

    for (const config::SettingSection& s : config::kSettingSections) {
        switch (s.kind) {
        case config::Kind::List: {
            config::ListDescriptor d = config::LoadListDescriptor(ini, s.section);
            Check(d.orderedKeys.size() <= config::MAX_LIST_VALUES && d.orderedKeys.size() == d.labels.size());
            break;
        }
        case config::Kind::Switch: {
            config::SwitchDescriptor d = config::LoadSwitchDescriptor(ini, s.section);
            Check(d.entry[0].empty() == d.entry[1].empty());
            break;
        }
        case config::Kind::Text:
            Check(config::LoadTextDescriptor(ini, s.section).npaName.size() < 70);
            break;
        case config::Kind::Range:
            config::LoadRangeDescriptor(ini, s.section);
            break;
        case config::Kind::RangeOff:
            Check(config::LoadRangeOffDescriptor(ini, s.section).offValue.size() < 25);
            break;
        case config::Kind::RangeChoice: {
            size_t choices = config::LoadRangeChoiceDescriptor(ini, s.section).choices.size();
            Check(choices == 0 || choices == config::MAX_SWITCH_VALUES);
            break;
        }
        }
    }

    for (const config::TreeNode& node : config::LoadTree(ini)) Check(node.children.size() <= config::MAX_CHILDREN);

    size_t bytes = 1;
    for (const std::string& line : ini.GetSection("NPA WRITE VALUES")) bytes += line.size() + 1;
    Check(bytes <= 32767);
    ini.GetSection("NPA READ SETTING", 64);
    config::LoadDriverNames(ini);
    return 0;
}
