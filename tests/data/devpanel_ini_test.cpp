// data/devPanel.ini, the configuration we ship for the printer, read with our own reader: every
// setting the pages show must be readable and writable with the packets the file carries, every
// label must exist, and the tree must have the shape the page titles describe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/config_check.h"
#include "config/profile.h"
#include "protocol/packets.h"
#include "strings/string_table.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Profile& Ini() {
    static const Profile ini = Profile::Load(std::string(DEVPANEL_SOURCE_DIR) + "/data/devPanel.ini");
    return ini;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// A raw key, read with a buffer far larger than the loaders', to see what a loader would cut.
std::string Raw(const std::string& section, const std::string& key) {
    return Ini().GetString(section, key, "", 4096);
}

uint16_t IdOf(const Bytes& packet) { return static_cast<uint16_t>(packet[7] << 8 | packet[8]); }
Bytes ValueOf(const Bytes& packet) { return Bytes(packet.begin() + 9, packet.end()); }

// The two NPA sections parsed by the file format's plain rules: lines upper-cased, "*" marks a
// default, an empty token makes a text setting, ".." a numeric one, and once a name is text or
// numeric its later lines are stored under the bare name. Our NPA layer is more forgiving on the
// last point; the file is kept so that both readings mean the same.
struct NpaSections {
    std::map<std::string, Bytes> reads;
    std::map<std::string, Bytes> writes;
    std::set<std::string> textNames, numericNames;
    std::map<std::string, std::vector<std::string>> defaults;  // every "*" line's default
    std::map<std::string, std::vector<std::string>> lines;     // NAME -> its tokens in file order
};

NpaSections ParseNpa() {
    NpaSections t;
    for (std::string line : Ini().GetSection("NPA READ SETTING")) {
        line = Upper(line);
        size_t eq = line.find('=');
        t.reads[line.substr(0, eq)] = npa::HexToBytes(eq == std::string::npos ? "" : line.substr(eq + 1));
    }
    for (std::string line : Ini().GetSection("NPA WRITE VALUES")) {
        line = Upper(line);
        bool isDefault = !line.empty() && line[0] == '*';
        if (isDefault) line.erase(0, 1);
        size_t eq = line.find('=');
        std::string key = line.substr(0, eq);
        std::string hex = eq == std::string::npos ? "" : line.substr(eq + 1);
        std::string name = config::KeyName(key);
        std::string token = config::KeyToken(key);
        size_t dots = token.find("..");
        if (isDefault) {
            std::string def = token;
            if (dots != std::string::npos) {
                size_t end = token.find("..", dots + 2);
                def = end == std::string::npos ? "" : token.substr(dots + 2, end - dots - 2);
            }
            t.defaults[name].push_back(def);
        }
        if (token.empty()) t.textNames.insert(name);
        if (dots != std::string::npos) t.numericNames.insert(name);
        bool bare = t.textNames.count(name) || t.numericNames.count(name);
        t.writes[bare ? name : key] = npa::HexToBytes(hex);
        t.lines[name].push_back(token);
    }
    return t;
}

const NpaSections& Npa() {
    static const NpaSections t = ParseNpa();
    return t;
}

std::string NpaNameOf(const config::SettingSection& s) { return Raw(s.section, "NpaName"); }

// A packet's value bytes read as the unsigned big-endian number a template would carry.
int64_t Number(const Bytes& value) {
    int64_t n = 0;
    for (uint8_t b : value) n = n * 256 + b;
    return n;
}

bool IsDecimal(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

TEST(DevPanelIni, LoadsAll84SettingSectionsWithTheirKinds) {
    std::map<config::Kind, int> kinds;
    std::set<std::string> names;
    for (const config::SettingSection& s : config::kSettingSections) {
        SCOPED_TRACE(s.section);
        ++kinds[s.kind];
        ASSERT_TRUE(Ini().HasSection(s.section));
        std::string name = NpaNameOf(s);
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 69u);
        EXPECT_EQ(name, Upper(name)) << "the document looks values up case-sensitively";
        EXPECT_EQ(name.find_first_of(":=,* "), std::string::npos);
        EXPECT_TRUE(names.insert(name).second) << "NPA name used twice: " << name;

        switch (s.kind) {
        case config::Kind::List: {
            config::ListDescriptor d = config::LoadListDescriptor(Ini(), s.section);
            std::vector<std::string> values = config::SplitList(Raw(s.section, "Values"));
            std::vector<std::string> ids = config::SplitList(Raw(s.section, "ValueIds"));
            int declared = Ini().GetInt(s.section, "NumValues", 0);
            EXPECT_GE(declared, 1);
            EXPECT_LE(declared, 15);
            EXPECT_EQ(values.size(), static_cast<size_t>(declared));
            EXPECT_EQ(ids.size(), values.size());
            EXPECT_LE(Raw(s.section, "Values").size(), 254u);
            EXPECT_LE(Raw(s.section, "ValueIds").size(), 254u);
            EXPECT_EQ(d.labels.size(), values.size()) << "a token repeats or the loader cut the list";
            for (const std::string& id : ids) EXPECT_TRUE(res::HasString(ParseLeadingInt(id))) << id;
            for (const auto& [key, label] : d.labels) EXPECT_FALSE(label.empty()) << key;
            // Two values with one label could not be told apart in the list.
            std::set<std::string> labels;
            for (const auto& entry : d.labels) labels.insert(entry.second);
            EXPECT_EQ(labels.size(), d.labels.size());
            break;
        }
        case config::Kind::Switch: {
            config::SwitchDescriptor d = config::LoadSwitchDescriptor(Ini(), s.section);
            EXPECT_EQ(Ini().GetInt(s.section, "NumValues", 0), 2);
            EXPECT_LE(Raw(s.section, "Values").size(), 24u);
            EXPECT_EQ(config::SplitList(Raw(s.section, "Values")).size(), 2u);
            EXPECT_EQ(config::KeyName(d.entry[0]), name);
            EXPECT_EQ(config::KeyName(d.entry[1]), name);
            EXPECT_NE(Upper(d.entry[0]), Upper(d.entry[1]));
            break;
        }
        case config::Kind::Text: {
            config::TextDescriptor d = config::LoadTextDescriptor(Ini(), s.section);
            EXPECT_TRUE(Raw(s.section, "MaxLength").size() > 0) << "the length is chosen, not defaulted";
            EXPECT_GE(d.maxLength, 1);
            EXPECT_LE(d.maxLength, 40) << "a batch reply keeps at most 40 value bytes";
            break;
        }
        case config::Kind::Range: {
            config::RangeDescriptor d = config::LoadRangeDescriptor(Ini(), s.section);
            EXPECT_LT(d.minVal, d.maxVal);
            EXPECT_GE(d.minVal, 0);
            break;
        }
        case config::Kind::RangeOff: {
            config::RangeOffDescriptor d = config::LoadRangeOffDescriptor(Ini(), s.section);
            EXPECT_LT(d.minVal, d.maxVal);
            EXPECT_FALSE(d.offValue.empty());
            EXPECT_EQ(d.offValue.find(','), std::string::npos) << "the off value is one token";
            EXPECT_FALSE(IsDecimal(d.offValue)) << "a numeric off value would read as a number";
            break;
        }
        case config::Kind::RangeChoice: {
            config::RangeChoiceDescriptor d = config::LoadRangeChoiceDescriptor(Ini(), s.section);
            EXPECT_LT(d.minVal, d.maxVal);
            ASSERT_EQ(d.choices.size(), 2u);
            EXPECT_NE(Upper(d.choices[0]), Upper(d.choices[1]));
            for (const std::string& c : d.choices) EXPECT_FALSE(IsDecimal(c));
            break;
        }
        }
    }
    EXPECT_EQ(kinds[config::Kind::List], 51);
    EXPECT_EQ(kinds[config::Kind::Switch], 15);
    EXPECT_EQ(kinds[config::Kind::Text], 7);
    EXPECT_EQ(kinds[config::Kind::RangeOff], 6);
    EXPECT_EQ(kinds[config::Kind::RangeChoice], 4);
    EXPECT_EQ(kinds[config::Kind::Range], 1);
}

TEST(DevPanelIni, EverySettingHasItsReadRequestWithAUniqueId) {
    const NpaSections& t = Npa();
    EXPECT_LE(t.reads.size(), npa::MAX_BATCH_IDS) << "all settings go in one batch read";
    std::set<std::string> settingNames;
    for (const config::SettingSection& s : config::kSettingSections) settingNames.insert(NpaNameOf(s));
    std::map<uint16_t, std::string> owners;
    for (const auto& [name, packet] : t.reads) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(settingNames.count(name)) << "read request of no setting";
        ASSERT_GE(packet.size(), 9u);
        EXPECT_EQ(packet[0], npa::SOP);
        EXPECT_EQ(npa::ReadDataLen(packet.data()), packet.size() - 3);
        auto [it, fresh] = owners.emplace(IdOf(packet), name);
        EXPECT_TRUE(fresh) << "id shared with " << it->second;
    }
    for (const std::string& name : settingNames) EXPECT_TRUE(t.reads.count(name)) << name;
}

TEST(DevPanelIni, WritePacketsAreWellFormedAndCarryTheReadId) {
    const NpaSections& t = Npa();
    for (const auto& [key, packet] : t.writes) {
        SCOPED_TRACE(key);
        ASSERT_GE(packet.size(), 9u);
        EXPECT_EQ(packet[0], npa::SOP);
        EXPECT_EQ(npa::ReadDataLen(packet.data()), packet.size() - 3);
        EXPECT_LE(packet.size(), npa::MAX_COMMAND);
        // No reply requested: a two-way parallel port would stop the write on the reply.
        EXPECT_EQ(packet[3], npa::FLAG_BUILT);
        EXPECT_EQ(packet[4], npa::CMD_SETTINGS);
        std::string name = config::KeyName(key);
        ASSERT_TRUE(t.reads.count(name)) << "write packet of a setting that is never read";
        EXPECT_EQ(IdOf(packet), IdOf(t.reads.at(name)));
    }
}

TEST(DevPanelIni, EveryValueTokenHasAWritePacketAndADistinctValue) {
    const NpaSections& t = Npa();
    for (const config::SettingSection& s : config::kSettingSections) {
        SCOPED_TRACE(s.section);
        std::string name = NpaNameOf(s);
        std::vector<std::string> tokens;
        if (s.kind == config::Kind::List || s.kind == config::Kind::Switch || s.kind == config::Kind::RangeChoice)
            tokens = config::SplitList(Raw(s.section, "Values"));
        else if (s.kind == config::Kind::RangeOff)
            tokens = {Raw(s.section, "Values")};
        // Decoding maps value bytes back to a token, so two tokens must never share bytes.
        std::map<Bytes, std::string> byValue;
        for (const std::string& token : tokens) {
            auto it = t.writes.find(name + ":" + Upper(token));
            ASSERT_NE(it, t.writes.end()) << token << " has no write packet";
            EXPECT_FALSE(ValueOf(it->second).empty()) << token;
            auto [other, fresh] = byValue.emplace(ValueOf(it->second), token);
            EXPECT_TRUE(fresh) << token << " and " << other->second << " write the same bytes";
        }
        bool enumerated = s.kind == config::Kind::List || s.kind == config::Kind::Switch;
        EXPECT_EQ(t.textNames.count(name), s.kind == config::Kind::Text ? 1u : 0u);
        EXPECT_EQ(t.numericNames.count(name), enumerated || s.kind == config::Kind::Text ? 0u : 1u);
        if (enumerated) {
            // No packet for a token the page cannot show.
            std::set<std::string> shown;
            for (const std::string& token : tokens) shown.insert(Upper(token));
            for (const std::string& token : t.lines.at(name)) EXPECT_TRUE(shown.count(token)) << token;
        }
    }
}

TEST(DevPanelIni, TemplatesHaveTheRightSizeAndNeverShadowAValue) {
    const NpaSections& t = Npa();
    for (const config::SettingSection& s : config::kSettingSections) {
        std::string name = NpaNameOf(s);
        SCOPED_TRACE(s.section);
        if (s.kind == config::Kind::Text) {
            ASSERT_TRUE(t.writes.count(name));
            EXPECT_EQ(t.writes.at(name).size(), 9u) << "the text goes right after the id";
            continue;
        }
        if (s.kind != config::Kind::Range && s.kind != config::Kind::RangeOff && s.kind != config::Kind::RangeChoice)
            continue;
        config::RangeDescriptor r = config::LoadRangeDescriptor(Ini(), s.section);
        ASSERT_TRUE(t.writes.count(name)) << "no numeric template under the bare name";
        const Bytes& tmpl = t.writes.at(name);
        ASSERT_TRUE(tmpl.size() == 10 || tmpl.size() == 13) << tmpl.size();
        int64_t largest = tmpl.size() == 10 ? 0xFF : 0x7FFFFFFF;
        EXPECT_LE(r.maxVal, largest) << "the number does not fit the template";
        // A plain reader also files the template's value bytes under the range token, so they
        // must be a pattern the setting never holds.
        int64_t placeholder = Number(ValueOf(tmpl));
        EXPECT_TRUE(placeholder < r.minVal || placeholder > r.maxVal) << placeholder;
        std::vector<std::string> tokens = s.kind == config::Kind::RangeOff
                                              ? std::vector<std::string>{Raw(s.section, "Values")}
                                              : config::SplitList(Raw(s.section, "Values"));
        for (const std::string& token : tokens) {
            auto it = t.writes.find(name + ":" + Upper(token));
            if (it == t.writes.end()) continue;  // reported by the token test
            EXPECT_NE(ValueOf(it->second), ValueOf(tmpl)) << token;
            EXPECT_EQ(it->second.size(), tmpl.size()) << token << ": the printer holds one width";
            int64_t v = Number(ValueOf(it->second));
            EXPECT_TRUE(v < r.minVal || v > r.maxVal) << token << " writes an in-range number";
        }
    }
}

TEST(DevPanelIni, EverySettingHasOneDefaultThatItCanHold) {
    const NpaSections& t = Npa();
    for (const config::SettingSection& s : config::kSettingSections) {
        std::string name = NpaNameOf(s);
        SCOPED_TRACE(s.section);
        ASSERT_TRUE(t.defaults.count(name)) << "no default for a one-way port";
        ASSERT_EQ(t.defaults.at(name).size(), 1u);
        const std::string& def = t.defaults.at(name)[0];
        std::set<std::string> tokens;
        for (const std::string& v : config::SplitList(Raw(s.section, "Values"))) tokens.insert(Upper(v));
        switch (s.kind) {
        case config::Kind::List:
        case config::Kind::Switch:
            EXPECT_TRUE(tokens.count(def)) << def;
            break;
        case config::Kind::Text:
            EXPECT_EQ(def, "");
            break;
        case config::Kind::Range:
        case config::Kind::RangeOff:
        case config::Kind::RangeChoice: {
            config::RangeDescriptor r = config::LoadRangeDescriptor(Ini(), s.section);
            if (IsDecimal(def)) {
                EXPECT_GE(std::stoi(def), r.minVal);
                EXPECT_LE(std::stoi(def), r.maxVal);
            } else {
                EXPECT_NE(s.kind, config::Kind::Range) << def;
                EXPECT_TRUE(tokens.count(def)) << def;
            }
            break;
        }
        }
    }
}

TEST(DevPanelIni, TreeMatchesThePageTitles) {
    struct Expected {
        const char* caption;
        int viewId;
        std::vector<std::pair<const char*, int>> children;
    };
    const std::vector<Expected> expected = {
        {"용지", 1, {{"사용자", 2}, {"용지 종류", 3}, {"용지 무게", 4}}},
        {"마무리", 5, {}},
        {"설정", 6, {}},
        {"PCL 에뮬레이션", 7, {{"트레이 번호", 8}}},
        {"포스트스크립트", 9, {}},
        {"포트", 0, {{"병렬", 10}, {"USB", 11}}},
    };
    std::vector<config::TreeNode> tree = config::LoadTree(Ini());
    ASSERT_EQ(tree.size(), expected.size());
    for (size_t i = 0; i < tree.size(); ++i) {
        SCOPED_TRACE(tree[i].section);
        EXPECT_GE(tree[i].stringId, 61211);
        EXPECT_LE(tree[i].stringId, 61225);
        EXPECT_EQ(res::String(tree[i].stringId), expected[i].caption);
        EXPECT_EQ(tree[i].viewId, expected[i].viewId);
        ASSERT_EQ(tree[i].children.size(), expected[i].children.size());
        for (size_t j = 0; j < tree[i].children.size(); ++j) {
            EXPECT_EQ(res::String(tree[i].children[j].stringId), expected[i].children[j].first);
            EXPECT_EQ(tree[i].children[j].viewId, expected[i].children[j].second);
        }
    }
    // The counts must not promise more names than the lists hold.
    EXPECT_EQ(config::SplitList(Raw("TreeRoot", "Children")).size(),
              static_cast<size_t>(Ini().GetInt("TreeRoot", "NumChildren", 0)));
}

TEST(DevPanelIni, NamesThePrinterDrivers) {
    std::vector<std::string> drivers = config::LoadDriverNames(Ini());
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "Altrin Pressline T90"), drivers.end());
    for (const std::string& d : drivers) {
        EXPECT_EQ(d.find('='), std::string::npos) << d;
        EXPECT_EQ(d.rfind("Altrin Pressline T90", 0), 0u) << d;
    }
}

TEST(DevPanelIni, PassesTheStartUpCheck) {
    const std::string saved = ConfigPath();
    SetConfigPath(std::string(DEVPANEL_SOURCE_DIR) + "/data/devPanel.ini");
    EXPECT_EQ(config::ConfigurationProblem(), "");
    SetConfigPath(saved);
}

}  // namespace
