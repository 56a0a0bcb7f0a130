// data/devPanel.ini through the NPA layer's own tables: whatever value the printer reports in the
// bytes our write packets carry must decode back to the token, number or text a page shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/profile.h"
#include "transactions/transactions.h"
#include "protocol/packets.h"

namespace {

using Bytes = std::vector<uint8_t>;

class DevPanelIniNpa : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetConfigPath(std::string(DEVPANEL_SOURCE_DIR) + "/data/devPanel.ini");
        NpaResetForTesting();
        NpaLoadTables();
        // The ids and value bytes as the file writes them, looked up many times below.
        for (const std::string& line : Ini().GetSection("NPA READ SETTING")) {
            Bytes request = npa::HexToBytes(line.substr(line.find('=') + 1));
            if (request.size() >= 9) readIds()[line.substr(0, line.find('='))] = {request[7], request[8]};
        }
        for (std::string line : Ini().GetSection("NPA WRITE VALUES")) {
            if (!line.empty() && line[0] == '*') line.erase(0, 1);
            size_t eq = line.find('=');
            Bytes packet = npa::HexToBytes(line.substr(eq + 1));
            std::string key = line.substr(0, eq);
            if (packet.size() >= 9) writtenValues()[key] = Bytes(packet.begin() + 9, packet.end());
            if (config::KeyToken(key).find("..") != std::string::npos)
                numericWidths()[config::KeyName(key)] = packet.size() - 9;
        }
    }

    static const Profile& Ini() { return ConfigFile(); }
    static std::map<std::string, Bytes>& readIds() {
        static std::map<std::string, Bytes> m;
        return m;
    }
    static std::map<std::string, Bytes>& writtenValues() {
        static std::map<std::string, Bytes> m;
        return m;
    }
    static std::map<std::string, size_t>& numericWidths() {
        static std::map<std::string, size_t> m;
        return m;
    }

    static std::string NameOf(const config::SettingSection& s) {
        return Ini().GetString(s.section, "NpaName", "", 70);
    }

    // Decodes the single-setting reply the printer would give for the setting and these bytes.
    static std::string Decode(const std::string& name, const Bytes& value) {
        const Bytes& id = readIds().at(name);
        Bytes reply = {0xA5, 0x00, static_cast<uint8_t>(value.size() + 6), 0x51, 0xE0, 0xE7, 0x00, id[0], id[1]};
        reply.insert(reply.end(), value.begin(), value.end());
        return NpaDecodeValue(name, reply.data(), static_cast<uint32_t>(reply.size()));
    }

    // The printer's bytes for a number: as wide as the setting's template.
    static Bytes NumberBytes(const std::string& name, int64_t n) {
        Bytes out(numericWidths().at(name));
        for (size_t i = out.size(); i-- > 0; n >>= 8) out[i] = static_cast<uint8_t>(n & 0xFF);
        return out;
    }
};

TEST_F(DevPanelIniNpa, EnumeratedValuesDecodeToTheirTokens) {
    for (const config::SettingSection& s : config::kSettingSections) {
        if (s.kind == config::Kind::Text || s.kind == config::Kind::Range) continue;
        std::string name = NameOf(s);
        std::string values = Ini().GetString(s.section, "Values", "", 255);
        std::vector<std::string> tokens =
            s.kind == config::Kind::RangeOff ? std::vector<std::string>{values} : config::SplitList(values);
        for (const std::string& token : tokens) {
            SCOPED_TRACE(name + ":" + token);
            ASSERT_TRUE(writtenValues().count(name + ":" + token));
            EXPECT_EQ(Decode(name, writtenValues().at(name + ":" + token)), token);
        }
    }
}

TEST_F(DevPanelIniNpa, NumbersDecodeAcrossTheirWholeRange) {
    for (const config::SettingSection& s : config::kSettingSections) {
        if (s.kind != config::Kind::Range && s.kind != config::Kind::RangeOff && s.kind != config::Kind::RangeChoice)
            continue;
        std::string name = NameOf(s);
        config::RangeDescriptor r = config::LoadRangeDescriptor(Ini(), s.section);
        for (int64_t n = r.minVal; n <= r.maxVal; n += (n < 1000 ? 1 : 251)) {
            ASSERT_EQ(Decode(name, NumberBytes(name, n)), std::to_string(n)) << name;
        }
        EXPECT_EQ(Decode(name, NumberBytes(name, r.maxVal)), std::to_string(r.maxVal)) << name;
    }
}

TEST_F(DevPanelIniNpa, TextSettingsDecodeTheirCharacters) {
    for (const config::SettingSection& s : config::kSettingSections) {
        if (s.kind != config::Kind::Text) continue;
        std::string name = NameOf(s);
        EXPECT_EQ(Decode(name, Bytes{'P', 'h', 'o', 't', 'o', ' ', '1'}), "Photo 1") << name;
        EXPECT_EQ(Decode(name, Bytes{}), "") << name;
    }
}

}  // namespace
