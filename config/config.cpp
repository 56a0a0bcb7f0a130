#include "config/config.h"

#include <algorithm>

#include "config/profile.h"
#include "strings/string_table.h"

namespace config {

namespace {

// Buffer sizes of the string keys: the longest value kept plus its terminating zero.
constexpr size_t NAME_BUFFER = 70;        // "NpaName": 69 characters
constexpr size_t LONG_LIST_BUFFER = 255;  // list "Values", "ValueIds", "Children": 254
constexpr size_t SHORT_LIST_BUFFER = 25;  // "Values" of the other kinds: 24

// A count from the file, never more than the items present nor the fixed limit of the reader
// (so a "NumValues" or "NumChildren" that overstates the list cannot take us past either), and
// never negative.
size_t ClampCount(int declared, size_t present, size_t limit) {
    if (declared <= 0) return 0;
    return std::min({static_cast<size_t>(declared), present, limit});
}

template <typename Descriptor>
void LoadRange(const Profile& ini, const std::string& section, Descriptor& d) {
    d.npaName = ini.GetString(section, "NpaName", "", NAME_BUFFER);
    d.minVal = ini.GetInt(section, "MinVal", 0);
    d.maxVal = ini.GetInt(section, "MaxVal", 120);
}

TreeNode LoadNode(const Profile& ini, const std::string& section) {
    TreeNode node;
    node.section = section;
    node.stringId = ini.GetInt(section, "StringId", 0);
    node.viewId = ini.GetInt(section, "ViewId", 0);
    return node;
}

// The first "NumChildren" names of a section's "Children", at most MAX_CHILDREN.
std::vector<std::string> ChildNames(const Profile& ini, const std::string& section) {
    std::vector<std::string> names = SplitList(ini.GetString(section, "Children", "", LONG_LIST_BUFFER));
    names.resize(ClampCount(ini.GetInt(section, "NumChildren", 0), names.size(), MAX_CHILDREN));
    return names;
}

}  // namespace

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

std::string KeyName(const std::string& key) { return key.substr(0, key.find(':')); }

std::string KeyToken(const std::string& key) {
    size_t colon = key.find(':');
    return colon == std::string::npos ? std::string() : key.substr(colon + 1);
}

ListDescriptor LoadListDescriptor(const Profile& ini, const std::string& section) {
    ListDescriptor d;
    int declared = ini.GetInt(section, "NumValues", 0);
    if (declared <= 0) return d;
    std::string npaName = ini.GetString(section, "NpaName", "", NAME_BUFFER);
    std::vector<std::string> values = SplitList(ini.GetString(section, "Values", "", LONG_LIST_BUFFER));
    std::vector<std::string> ids = SplitList(ini.GetString(section, "ValueIds", "", LONG_LIST_BUFFER));
    // At most MAX_LIST_VALUES entries, and only for tokens that are present; a value without its
    // "ValueIds" item gets the empty label, as an unknown id does.
    size_t count = ClampCount(declared, values.size(), MAX_LIST_VALUES);
    for (size_t i = 0; i < count; ++i) {
        std::string key = npaName + ":" + values[i];
        std::string label = i < ids.size() ? res::String(ParseLeadingInt(ids[i])) : "";
        // A repeated token overwrites the label but keeps its first place in the list.
        if (d.labels.insert_or_assign(key, label).second) d.orderedKeys.push_back(key);
    }
    return d;
}

SwitchDescriptor LoadSwitchDescriptor(const Profile& ini, const std::string& section) {
    SwitchDescriptor d;
    std::string npaName = ini.GetString(section, "NpaName", "", NAME_BUFFER);
    if (ini.GetInt(section, "NumValues", 0) != 2) return d;
    std::vector<std::string> tokens = SplitList(ini.GetString(section, "Values", "", SHORT_LIST_BUFFER));
    // A check box needs both values; with fewer the switch stays unset, and tokens past the
    // second are ignored.
    if (tokens.size() < MAX_SWITCH_VALUES) return d;
    for (size_t k = 0; k < MAX_SWITCH_VALUES; ++k) d.entry[k] = npaName + ":" + tokens[k];
    return d;
}

TextDescriptor LoadTextDescriptor(const Profile& ini, const std::string& section) {
    TextDescriptor d;
    d.npaName = ini.GetString(section, "NpaName", "", NAME_BUFFER);
    d.maxLength = ini.GetInt(section, "MaxLength", 40);
    return d;
}

RangeDescriptor LoadRangeDescriptor(const Profile& ini, const std::string& section) {
    RangeDescriptor d;
    LoadRange(ini, section, d);
    return d;
}

RangeOffDescriptor LoadRangeOffDescriptor(const Profile& ini, const std::string& section) {
    RangeOffDescriptor d;
    LoadRange(ini, section, d);
    d.offValue = ini.GetString(section, "Values", "", SHORT_LIST_BUFFER);
    return d;
}

RangeChoiceDescriptor LoadRangeChoiceDescriptor(const Profile& ini, const std::string& section) {
    RangeChoiceDescriptor d;
    LoadRange(ini, section, d);
    if (ini.GetInt(section, "NumRadios", 0) == 0) return d;
    std::vector<std::string> tokens = SplitList(ini.GetString(section, "Values", "", SHORT_LIST_BUFFER));
    // Both radio choices or none, as for a switch; tokens past the second are ignored.
    if (tokens.size() < MAX_SWITCH_VALUES) return d;
    d.choices.assign(tokens.begin(), tokens.begin() + MAX_SWITCH_VALUES);
    return d;
}

std::vector<TreeNode> LoadTree(const Profile& ini) {
    std::vector<TreeNode> nodes;
    for (const std::string& name : ChildNames(ini, "TreeRoot")) {
        TreeNode node = LoadNode(ini, name);
        for (const std::string& child : ChildNames(ini, name)) node.children.push_back(LoadNode(ini, child));
        nodes.push_back(std::move(node));
    }
    return nodes;
}

std::vector<std::string> LoadDriverNames(const Profile& ini) { return ini.GetSection("DriverNames", 32767); }

const SettingSection kSettingSections[84] = {
    {"BlankPgs", Kind::List},       {"SepSheets", Kind::List},      {"SepSrc", Kind::List},
    {"Tray1PapType", Kind::List},   {"Tray1PapSize", Kind::List},   {"Tray2PapType", Kind::List},
    {"Tray2PapSize", Kind::List},

    {"Cust1Type", Kind::List},      {"Cust2Type", Kind::List},      {"Cust3Type", Kind::List},
    {"Cust4Type", Kind::List},      {"Cust5Type", Kind::List},      {"Cust6Type", Kind::List},

    {"Cust1Name", Kind::Text},      {"Cust2Name", Kind::Text},      {"Cust3Name", Kind::Text},
    {"Cust4Name", Kind::Text},      {"Cust5Name", Kind::Text},      {"Cust6Name", Kind::Text},

    {"PlainTxt", Kind::List},       {"CardStkTxt", Kind::List},     {"TrnsprncyTxt", Kind::List},
    {"LabelTxt", Kind::List},       {"BondTxt", Kind::List},        {"EnvTxt", Kind::List},
    {"LtrHdTxt", Kind::List},       {"PreprntTxt", Kind::List},     {"ColorTxt", Kind::List},
    {"Cust1Txt", Kind::List},       {"Cust2Txt", Kind::List},       {"Cust3Txt", Kind::List},
    {"Cust4Txt", Kind::List},       {"Cust5Txt", Kind::List},       {"Cust6Txt", Kind::List},

    {"PlainWgt", Kind::List},       {"CardStkWgt", Kind::List},     {"TrnsprncyWgt", Kind::List},
    {"LabelWgt", Kind::List},       {"BondWgt", Kind::List},        {"EnvWgt", Kind::List},
    {"LtrHdWgt", Kind::List},       {"PreprntWgt", Kind::List},     {"ColorWgt", Kind::List},
    {"Cust1Wgt", Kind::List},       {"Cust2Wgt", Kind::List},       {"Cust3Wgt", Kind::List},
    {"Cust4Wgt", Kind::List},       {"Cust5Wgt", Kind::List},       {"Cust6Wgt", Kind::List},

    {"TonerAlarm", Kind::List},     {"PQET", Kind::Switch},

    {"Emulation", Kind::List},      {"JamRcvry", Kind::List},       {"Language", Kind::List},
    {"PrtArea", Kind::List},        {"PropTag", Kind::Text},        {"PwrSvr", Kind::RangeOff},
    {"PrtTimeout", Kind::RangeOff}, {"AutoCont", Kind::RangeOff},   {"ResRed", Kind::Switch},
    {"ResSav", Kind::Switch},       {"ResetCtrl", Kind::Switch},    {"PrtBufCtrl", Kind::Switch},

    {"A4Width", Kind::List},        {"AutoCR", Kind::Switch},       {"AutoLF", Kind::Switch},
    {"LinesPerPg", Kind::Range},

    {"AssignTray1", Kind::RangeChoice},    {"AssignTray2", Kind::RangeChoice},
    {"AssignManPaper", Kind::RangeChoice}, {"AssignManEnv", Kind::RangeChoice},

    {"FeedTimeout", Kind::RangeOff}, {"JobTimeout", Kind::RangeOff}, {"WaitTimeout", Kind::RangeOff},
    {"FontPriority", Kind::List},

    {"Mode1", Kind::Switch},         {"Mode2", Kind::Switch},        {"AdvStatus", Kind::Switch},
    {"HonorInit", Kind::Switch},     {"ParPclAutoLng", Kind::Switch}, {"ParPsAutoLng", Kind::Switch},
    {"Protocol", Kind::List},

    {"UsbPclAutoLng", Kind::Switch}, {"UsbPsAutoLng", Kind::Switch},
};

}  // namespace config
