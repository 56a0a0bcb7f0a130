// The NPA transactions against the virtual printer and the file port.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "transactions/transactions.h"
#include "protocol/packets.h"
#include "sim_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::SimFixture;

// A small configuration: an enumerated setting (with a name line repeated in other letter case),
// a 10-byte and a 13-byte numeric one, a numeric default without a second "..", a text one.
// Write packets ask for a reply (flags 0x50) so the file port's clearing of 0x10 shows.
const char* kSmallIni = R"([NPA READ SETTING]
alpha=A5000650E0E7010101
Num=A5000650E0E7010102
TXT=A5000650E0E7010103

[NPA WRITE VALUES]
*alpha:off=A5000750E0E702010100
Alpha:On=A5000750E0E702010101
*NUM:1..60..240=A5000750E0E702010200
BIG:0..5..100000=A5000A50E0E702010500000000
*NOMID:1..60=A5000750E0E702010600
*TXT:=A5000650E0E7020103
*OFFABLE:1..5..9=A5000750E0E702010400
OFFABLE:OFF=A5000750E0E7020104FF
)";

Bytes SingleReply(uint16_t id, const Bytes& value) {
    Bytes p = {0xA5, 0x00, static_cast<uint8_t>(value.size() + 6), 0x51, 0xE0, 0xE7, 0x00,
               static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)};
    p.insert(p.end(), value.begin(), value.end());
    return p;
}

std::string Decode(const std::string& name, uint16_t id, const Bytes& value) {
    Bytes p = SingleReply(id, value);
    return NpaDecodeValue(name, p.data(), static_cast<uint32_t>(p.size()));
}

// Splits a command file into its records, checking that each begins with the start packet.
std::vector<Bytes> Records(const Bytes& file) {
    std::vector<Bytes> records;
    size_t pos = 0;
    while (pos + 19 + 3 <= file.size()) {
        EXPECT_TRUE(std::equal(npa::kStart.begin(), npa::kStart.end(), file.begin() + pos));
        pos += 19;
        size_t length = 3 + ((file[pos + 1] << 8) | file[pos + 2]);
        records.emplace_back(file.begin() + pos, file.begin() + pos + length);
        pos += length;
    }
    EXPECT_EQ(pos, file.size());
    return records;
}

const Bytes kFileOnline(npa::kFileOnline.begin(), npa::kFileOnline.end());

class NpaSmallIniTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        UseIni(kSmallIni);
    }
};

TEST_F(NpaSmallIniTest, DecodesEnumeratedNumericAndTextValues) {
    NpaLoadTables();
    // Enumerated: the value bytes name the token; unknown bytes name nothing.
    EXPECT_EQ(Decode("ALPHA", 0x0101, {0x01}), "ON");
    EXPECT_EQ(Decode("ALPHA", 0x0101, {0x00}), "OFF");
    EXPECT_EQ(Decode("ALPHA", 0x0101, {0x07}), "");
    // Numeric: big-endian, signed 32 bits; a value equal to the template's placeholder byte is
    // still a number, not the template's token.
    EXPECT_EQ(Decode("NUM", 0x0102, {0x01, 0x2C}), "300");
    EXPECT_EQ(Decode("NUM", 0x0102, {0xFF}), "255");
    EXPECT_EQ(Decode("NUM", 0x0102, {0xFF, 0xFF, 0xFF, 0xFF}), "-1");
    EXPECT_EQ(Decode("NUM", 0x0102, {0x00}), "0");
    // Text: up to the first zero byte, letter case kept.
    EXPECT_EQ(Decode("TXT", 0x0103, {'A', 'b', 0x00, 'z'}), "Ab");
    // No value bytes at all, and an unknown name.
    EXPECT_EQ(Decode("NUM", 0x0102, {}), "");
    EXPECT_EQ(Decode("NOSUCH", 0x0999, {0x01}), "");
}

TEST_F(NpaSmallIniTest, OneWayReadReturnsExactlyTheDefaultsAndSendsNothing) {
    sim::VirtualPrinter& printer = sim_->addParallelPrinter("LPT1", /*writeOnly=*/true);
    ValueMap values;
    EXPECT_EQ(NpaReadAllSettings("LPT1:", values), NPA_ONEWAY);
    EXPECT_EQ(values, (ValueMap{{"ALPHA", "OFF"}, {"NUM", "60"}, {"NOMID", ""}, {"TXT", ""}, {"OFFABLE", "5"}}));
    EXPECT_EQ(NpaEndSession("LPT1:"), 0);
    EXPECT_TRUE(printer.receivedBytes().empty());
}

TEST_F(NpaSmallIniTest, CommandFileHoldsStartPacketsCommandsAndOnline) {
    const std::string path = tmp_ + "/settings.npa";
    ASSERT_EQ(NpaWriteValues(platform::PortName::CommandFile(path), {{"alpha", "on"}, {"Txt", "MixedCase"}, {"NUM", "200"}}, nullptr), NPA_OK);

    Bytes file = testsupport::ReadFileBytes(path);
    EXPECT_EQ(file.size(), 4 * 19 + 10 + (9 + 9) + 10 + 9u);
    std::vector<Bytes> records = Records(file);
    ASSERT_EQ(records.size(), 4u);
    // The enumerated value is found whatever its letter case; every command has 0x10 cleared.
    EXPECT_EQ(records[0], (Bytes{0xA5, 0x00, 0x07, 0x40, 0xE0, 0xE7, 0x02, 0x01, 0x01, 0x01}));
    // The text keeps its case and DataLen covers it.
    Bytes text = {0xA5, 0x00, 0x0F, 0x40, 0xE0, 0xE7, 0x02, 0x01, 0x03};
    for (char c : std::string("MixedCase")) text.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(records[1], text);
    EXPECT_EQ(records[2], (Bytes{0xA5, 0x00, 0x07, 0x40, 0xE0, 0xE7, 0x02, 0x01, 0x02, 0xC8}));
    EXPECT_EQ(records[3], kFileOnline);

    Bytes offline = testsupport::ReadFileBytes(tmp_ + "/offline.dat");
    ASSERT_EQ(offline.size(), 28u);
    EXPECT_EQ(Bytes(offline.begin() + 19, offline.end()),
              Bytes(npa::kFileOffline.begin(), npa::kFileOffline.end()));

    // Saved again over the longer file with one four-byte number: nothing of the old file stays.
    ASSERT_EQ(NpaWriteValues(platform::PortName::CommandFile(path), {{"BIG", "70000"}}, nullptr), NPA_OK);
    records = Records(testsupport::ReadFileBytes(path));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (Bytes{0xA5, 0x00, 0x0A, 0x40, 0xE0, 0xE7, 0x02, 0x01, 0x05, 0x00, 0x01, 0x11, 0x70}));
    EXPECT_EQ(records[1], kFileOnline);
    EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/offline.dat").size(), 28u);
}

// Texts travel in the printer's Korean code page (two bytes a Korean character), so that the
// printer's field sizes hold; a character the code page lacks makes the command unsendable, and
// damaged bytes from the printer are shown, not dropped.
TEST_F(NpaSmallIniTest, TextsTravelInThePrintersKoreanCodePage) {
    const std::string path = tmp_ + "/korean.npa";
    ASSERT_EQ(NpaWriteValues(platform::PortName::CommandFile(path), {{"TXT", "가나 A"}}, nullptr), NPA_OK);
    std::vector<Bytes> records = Records(testsupport::ReadFileBytes(path));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (Bytes{0xA5, 0x00, 0x0C, 0x40, 0xE0, 0xE7, 0x02, 0x01, 0x03, 0xB0, 0xA1, 0xB3, 0xAA, ' ', 'A'}));

    NpaLoadTables();
    EXPECT_EQ(Decode("TXT", 0x0103, {0xB0, 0xA1, 0xB3, 0xAA, ' ', 'A'}), "가나 A");
    EXPECT_EQ(Decode("TXT", 0x0103, {'x', 0xFF, 'y'}), "x\xEF\xBF\xBDy");

}

// The OFF line comes after the template line: each keeps its own packet.
TEST_F(NpaSmallIniTest, NumberOrOffSettingKeepsBothPacketsWhateverTheLineOrder) {
    const std::string path = tmp_ + "/offable.npa";
    ASSERT_EQ(NpaWriteValues(platform::PortName::CommandFile(path), {{"OFFABLE", "off"}, {"OFFABLE", "7"}}, nullptr), NPA_OK);
    std::vector<Bytes> records = Records(testsupport::ReadFileBytes(path));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0][9], 0xFF);
    EXPECT_EQ(records[1][9], 0x07);
    EXPECT_EQ(Decode("OFFABLE", 0x0104, {0xFF}), "OFF");
    EXPECT_EQ(Decode("OFFABLE", 0x0104, {0x07}), "7");
}

// A list with one command that cannot be written faithfully is refused whole before anything is
// written: the command file and its offline.dat keep their old bytes, and the command is named.
TEST_F(NpaSmallIniTest, CommandThatCannotBeWrittenRefusesTheWholeList) {
    const std::string path = tmp_ + "/stop.npa";
    ASSERT_EQ(NpaWriteValues(platform::PortName::CommandFile(path), {{"ALPHA", "ON"}}, nullptr), NPA_OK);
    const Bytes before = testsupport::ReadFileBytes(path);
    const Bytes offlineBefore = testsupport::ReadFileBytes(tmp_ + "/offline.dat");
    for (const NpaCommand& bad : std::vector<NpaCommand>{{"NOSUCH", "1"}, {"ALPHA", "MAYBE"}, {"NUM", "300"},
                                                         {"TXT", "smile \U0001F600"}, {"TXT", std::string(600, 'x')}}) {
        const std::string named = bad.name + ":" + bad.token;
        SCOPED_TRACE(named);
        NpaWriteReport report;
        EXPECT_EQ(NpaWriteValues(platform::PortName::CommandFile(path), {{"NUM", "5"}, bad, {"ALPHA", "OFF"}}, nullptr, &report), NPA_ERR_VALUE);
        EXPECT_EQ(report.invalid, std::vector<std::string>{named});
        EXPECT_EQ(testsupport::ReadFileBytes(path), before);
        EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/offline.dat"), offlineBefore);
    }
}

// With the printer's own configuration and the virtual printer.
class NpaPrinterTest : public SimFixture {
protected:
    std::vector<std::string> ReadNames() {
        std::vector<std::string> names;
        for (const std::string& line : ConfigFile().GetSection("NPA READ SETTING")) {
            names.push_back(line.substr(0, line.find('=')));
        }
        return names;
    }

    void ExpectFullRead(sim::VirtualPrinter& printer, const std::string& port) {
        printer.setValue(0x0305, {'L', 'a', 'b', ' ', '3'});  // PROPTAG
        printer.setValue(0x0306, {0x1E});                     // POWERSAVER 30
        printer.setValue(0x0101, {0x01});                     // BLANKPAGES PRINT
        printer.clearWire();

        ValueMap values;
        ASSERT_EQ(NpaReadAllSettings(port, values), NPA_OK);
        std::vector<std::string> names = ReadNames();
        ASSERT_FALSE(names.empty());
        for (const std::string& name : names) EXPECT_TRUE(values.count(name)) << name;
        EXPECT_EQ(values.size(), names.size());
        EXPECT_EQ(values["PROPTAG"], "Lab 3");
        EXPECT_EQ(values["POWERSAVER"], "30");
        EXPECT_EQ(values["BLANKPAGES"], "PRINT");

        // One request for every setting, one reply.
        std::vector<Bytes> traffic = SettingsTraffic(printer);
        ASSERT_EQ(traffic.size(), 1u);
        EXPECT_TRUE(testsupport::IsBatchRead(traffic[0]));
        EXPECT_EQ(traffic[0][7], names.size());
        EXPECT_EQ(traffic[0].size(), 8 + 2 * names.size());
        EXPECT_EQ(Only(printer.sentPackets(), testsupport::IsSettingsReply).size(), 1u);
        NpaEndSession(port);
    }
};

TEST_F(NpaPrinterTest, TwoWayParallelReadReturnsEverySettingInOneExchange) {
    ExpectFullRead(sim_->addParallelPrinter("LPT1"), "LPT1:");
}

TEST_F(NpaPrinterTest, UsbReadReturnsEverySettingInOneExchange) {
    ExpectFullRead(sim_->addUsbPrinter(1, "T90V000001"), "USB001");
}

TEST_F(NpaPrinterTest, WritesBetweenOfflineAndOnline) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    ASSERT_EQ(NpaWriteValues("USB001", {{"blankpages", "print"}, {"PropTag", "Lab Three"}, {"LINESPERPAGE", "70"}},
                             nullptr),
              NPA_OK);
    EXPECT_EQ(printer.value(0x0101), Bytes{0x01});
    EXPECT_EQ(printer.value(0x0305), (Bytes{'L', 'a', 'b', ' ', 'T', 'h', 'r', 'e', 'e'}));
    EXPECT_EQ(printer.value(0x0404), Bytes{70});
    EXPECT_FALSE(printer.offline());

    // Offline, the three writes, online, and the one batch read that confirms them.
    std::vector<Bytes> traffic = SettingsTraffic(printer);
    ASSERT_EQ(traffic.size(), 6u);
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic.front(), 1));
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[4], 0));
    EXPECT_TRUE(testsupport::IsBatchRead(traffic[5]));

    // An empty list still brackets nothing with offline and online, and succeeds.
    printer.clearWire();
    EXPECT_EQ(NpaWriteValues("USB001", {}, nullptr), NPA_OK);
    traffic = SettingsTraffic(printer);
    ASSERT_EQ(traffic.size(), 3u);
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[0], 1));
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[1], 0));
}

// Nothing reaches the printer, not even the offline request, when one command of the list cannot
// be sent as it stands.
TEST_F(NpaPrinterTest, CommandThatCannotBeSentLeavesThePrinterUntouched) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    for (const NpaCommand& middle : std::vector<NpaCommand>{{"BOGUS", "1"}, {"PROPTAG", std::string(600, 'x')}}) {
        const std::string named = middle.name + ":" + middle.token;
        SCOPED_TRACE(named);
        printer.setValue(0x0101, {0x00});
        printer.clearWire();
        NpaWriteReport report;
        EXPECT_EQ(NpaWriteValues("USB001", {{"BLANKPAGES", "PRINT"}, middle, {"PQET", "ON"}}, nullptr, &report),
                  NPA_ERR_VALUE);
        EXPECT_EQ(report.invalid, std::vector<std::string>{named});
        EXPECT_EQ(printer.value(0x0101), Bytes{0x00});
        EXPECT_TRUE(SettingsTraffic(printer).empty());
    }
}

}  // namespace
