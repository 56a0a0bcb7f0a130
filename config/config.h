// What devPanel.ini says: the setting descriptors, the tree description and the driver names.
// The loaders read through model/profile and never read or write past the fixed limits of the
// file format (at most 15 list values, 2 switch or choice values, 10 children per node).
#pragma once

#include <map>
#include <string>
#include <vector>

class Profile;

namespace config {

constexpr size_t MAX_LIST_VALUES = 15;
constexpr size_t MAX_SWITCH_VALUES = 2;
constexpr size_t MAX_CHILDREN = 10;

// Key NPANAME:TOKEN -> display label. Kept in "Values" order as well, because pages fill their
// lists in that order (orderedKeys).
struct ListDescriptor {
    std::map<std::string, std::string> labels;
    std::vector<std::string> orderedKeys;
    bool empty() const { return labels.empty(); }
};

// entry[0]: NPANAME:TOKEN for a clear box, entry[1] for a ticked one; both empty unless the
// section has exactly two values.
struct SwitchDescriptor {
    std::string entry[2];
};

struct TextDescriptor {
    std::string npaName;
    int maxLength = 40;
};

struct RangeDescriptor {
    std::string npaName;
    int minVal = 0;
    int maxVal = 120;
};

struct RangeOffDescriptor {
    std::string npaName;
    int minVal = 0;
    int maxVal = 120;
    std::string offValue;  // the whole "Values" text
};

struct RangeChoiceDescriptor {
    std::string npaName;
    int minVal = 0;
    int maxVal = 120;
    std::vector<std::string> choices;  // two tokens, or empty when "NumRadios" is 0
};

ListDescriptor LoadListDescriptor(const Profile& ini, const std::string& section);
SwitchDescriptor LoadSwitchDescriptor(const Profile& ini, const std::string& section);
TextDescriptor LoadTextDescriptor(const Profile& ini, const std::string& section);
RangeDescriptor LoadRangeDescriptor(const Profile& ini, const std::string& section);
RangeOffDescriptor LoadRangeOffDescriptor(const Profile& ini, const std::string& section);
RangeChoiceDescriptor LoadRangeChoiceDescriptor(const Profile& ini, const std::string& section);

// Splits at every ",", skipping empty items, trimming nothing.
std::vector<std::string> SplitList(const std::string& text);

// The NPA name part of a NPANAME:TOKEN key and its token part.
std::string KeyName(const std::string& key);
std::string KeyToken(const std::string& key);

struct TreeNode {
    std::string section;
    int stringId = 0;
    int viewId = 0;
    std::vector<TreeNode> children;  // second level only
};

// The nodes below the root, from "TreeRoot" and the node sections.
std::vector<TreeNode> LoadTree(const Profile& ini);

// The lines of "DriverNames", in file order.
std::vector<std::string> LoadDriverNames(const Profile& ini);

// The 84 setting sections, in the order the document loads them, with their kinds.
enum class Kind { List, Switch, Text, Range, RangeOff, RangeChoice };
struct SettingSection {
    const char* section;
    Kind kind;
};
extern const SettingSection kSettingSections[84];

}  // namespace config
