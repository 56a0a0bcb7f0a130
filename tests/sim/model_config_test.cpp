// The virtual printer's model and the host's devPanel.ini describe the same printer: every
// setting id and enumerated value the configuration's NPA sections name exists in the model,
// every one of the model's exists in the configuration, and the defaults agree.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "config/profile.h"
#include "sim/model.h"

namespace {

struct IniSetting {
    std::string name;
    uint16_t id = 0;
    std::set<std::string> enumValues;  // value bytes as hex
    std::string kind = "enum";
    int numberBytes = 0;
    long min = 0, max = 0;
    std::string defaultToken;  // as the host derives it
    std::string defaultHex;    // for enumerated defaults
    std::string templateHex;   // a number's template value bytes
    bool hasDefault = false;
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

uint16_t IdOf(const std::string& hex) { return static_cast<uint16_t>(std::stoul(hex.substr(14, 4), nullptr, 16)); }

class ModelAgreesWithConfig : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(model.load(sim::Model::defaultPath(), error)) << error;
        const Profile ini = Profile::Load(std::string(DEVPANEL_DATA_DIR) + "/devPanel.ini");
        for (const std::string& line : ini.GetSection("NPA READ SETTING")) {
            const std::string l = Upper(line);
            const auto eq = l.find('=');
            ASSERT_NE(eq, std::string::npos) << line;
            readIds[l.substr(0, eq)] = IdOf(l.substr(eq + 1));
        }
        ASSERT_FALSE(readIds.empty()) << "devPanel.ini has no NPA READ SETTING section";
        for (std::string l : ini.GetSection("NPA WRITE VALUES")) {
            l = Upper(l);
            const bool star = !l.empty() && l[0] == '*';
            if (star) l.erase(0, 1);
            const auto eq = l.find('='), colon = l.find(':');
            ASSERT_TRUE(eq != std::string::npos && colon < eq) << l;
            const std::string name = l.substr(0, colon), token = l.substr(colon + 1, eq - colon - 1), hex = l.substr(eq + 1);
            IniSetting& s = settings[name];
            s.name = name;
            s.id = IdOf(hex);
            if (token.empty()) {
                s.kind = "text";
            } else if (token.find("..") != std::string::npos) {
                s.kind = "number";
                s.numberBytes = static_cast<int>(hex.size() / 2) - 9;
                s.templateHex = hex.substr(18);
                const auto a = token.find(".."), b = token.find("..", a + 2);
                s.min = std::stol(token.substr(0, a));
                s.max = std::stol(token.substr(b + 2));
                if (star) {
                    s.hasDefault = true;
                    s.defaultToken = token.substr(a + 2, b - a - 2);
                }
            } else {
                s.enumValues.insert(hex.substr(18));
                if (star) {
                    s.hasDefault = true;
                    s.defaultToken = token;
                    s.defaultHex = hex.substr(18);
                }
            }
            if (token.empty() && star) s.hasDefault = true;
        }
    }

    sim::Model model;
    std::map<std::string, uint16_t> readIds;
    std::map<std::string, IniSetting> settings;
};

}  // namespace

TEST_F(ModelAgreesWithConfig, SameIdsBothWays) {
    std::set<uint16_t> iniIds;
    for (const auto& [name, id] : readIds) {
        iniIds.insert(id);
        EXPECT_NE(model.find(id), nullptr) << name;
        ASSERT_TRUE(settings.count(name)) << name << " can be read but not written";
        EXPECT_EQ(settings[name].id, id) << name << ": read and write packets name different ids";
    }
    for (const auto& [name, s] : settings) EXPECT_TRUE(readIds.count(name)) << name << " can be written but not read";
    for (const auto& [id, def] : model.settings()) EXPECT_TRUE(iniIds.count(id)) << def.name << " is unknown to devPanel.ini";
    EXPECT_EQ(model.settings().size(), iniIds.size());
}

TEST_F(ModelAgreesWithConfig, SameKindsValuesAndBounds) {
    for (const auto& [name, s] : settings) {
        SCOPED_TRACE(name);
        const sim::SettingDef* def = model.find(s.id);
        ASSERT_NE(def, nullptr);
        std::set<std::string> modelValues;
        for (const auto& v : def->values) modelValues.insert(sim::ToHex(v));
        EXPECT_EQ(modelValues, s.enumValues) << "enumerated values (or a number's extra values)";
        if (s.kind == "text") {
            EXPECT_EQ(def->kind, sim::SettingKind::Text);
        } else if (s.kind == "number") {
            ASSERT_EQ(def->kind, sim::SettingKind::Number);
            EXPECT_EQ(def->numberBytes, s.numberBytes);
            EXPECT_EQ(def->min, s.min);
            EXPECT_EQ(def->max, s.max);
            // The host maps a template's value bytes to the range token, so a value the printer
            // can hold must never look like the template.
            EXPECT_FALSE(def->accepts(*sim::ParseHex(s.templateHex))) << s.templateHex;
        } else {
            EXPECT_EQ(def->kind, sim::SettingKind::Enum);
        }
        for (const std::string& hex : s.enumValues) EXPECT_TRUE(def->accepts(*sim::ParseHex(hex))) << hex;
    }
}

TEST_F(ModelAgreesWithConfig, SameDefaults) {
    for (const auto& [name, s] : settings) {
        if (!s.hasDefault) continue;
        SCOPED_TRACE(name);
        const sim::SettingDef* def = model.find(s.id);
        ASSERT_NE(def, nullptr);
        if (s.kind == "text") {
            EXPECT_TRUE(def->defaultValue.empty());
        } else if (!s.defaultHex.empty() || s.kind == "enum") {
            EXPECT_EQ(sim::ToHex(def->defaultValue), s.defaultHex);
        } else {
            // a numeric default: the model's default bytes read as the host reads a number
            uint32_t v = 0;
            for (uint8_t b : def->defaultValue) v = (v << 8) | b;
            const long value = def->defaultValue.size() == 4 ? static_cast<int32_t>(v) : static_cast<long>(v);
            EXPECT_EQ(std::to_string(value), s.defaultToken);
        }
    }
}
