// The SNMP codec of the network port's identity check, against replies recorded from Debian's
// snmpd (net-snmp 5.9) and against what a hostile host could send instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/snmp.h"

namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

const std::string kDeviceIdOid = "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1";
const std::string kDescriptionOid = "1.3.6.1.2.1.25.3.2.1.3.1";
const std::string kDeviceId =
    "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;";

// snmpd's answer (v1, request id 0x1234) to a GET of the device-ID object set by an override line.
const std::string kValueReply =
    "30818a02010004067075626c6963a27d020212340201000201003071306f060f2b06010401950b0102010201010301045c4d414e55464143"
    "54555245523a416c7472696e3b434f4d4d414e44205345543a50434c2c504a4c2c504f53545343524950542c204e5041502c3b4d4f44454c"
    "3a50726573736c696e65205439303b434c4153533a5052494e5445523b";

struct ReplyCase {
    const char* name;
    std::string hex;
    int version;
    std::string oid;
    snmp::Answer answer;
    std::string value;
};

class SnmpReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SnmpReply, TellsWhatTheAgentSaid) {
    const ReplyCase& c = GetParam();
    const std::vector<uint8_t> bytes = Hex(c.hex);
    const auto r = snmp::DecodeResponse(bytes.data(), bytes.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->version, c.version);
    EXPECT_EQ(r->requestId, 0x1234);
    EXPECT_EQ(snmp::FormatOid(r->oid), c.oid);
    EXPECT_EQ(r->answer, c.answer);
    EXPECT_EQ(r->value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    RecordedFromSnmpd, SnmpReply,
    ::testing::Values(
        ReplyCase{"DeviceIdValue", kValueReply, snmp::kVersion1, kDeviceIdOid, snmp::Answer::Value, kDeviceId},
        // v1 has no exception values: a missing object is error status noSuchName (2).
        ReplyCase{"Version1NoSuchName",
                  "302a02010004067075626c6963a21d020212340201020201013011300f060b2b060102011903020103010500",
                  snmp::kVersion1, kDescriptionOid, snmp::Answer::NoObject, ""},
        ReplyCase{"Version2cNoSuchInstance",
                  "302a02010104067075626c6963a21d020212340201000201003011300f060b2b060102011903020103018100",
                  snmp::kVersion2c, kDescriptionOid, snmp::Answer::NoObject, ""}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

// Replies that must be refused whole, each made from the recorded one.
struct HostileCase {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Recorded() { return Hex(kValueReply); }
std::vector<uint8_t> With(std::vector<uint8_t> b, size_t at, uint8_t value) {
    b[at] = value;
    return b;
}
std::vector<uint8_t> Cut(std::vector<uint8_t> b, size_t n) {
    b.resize(b.size() - n);
    return b;
}
std::vector<uint8_t> Append(std::vector<uint8_t> b, uint8_t value) {
    b.push_back(value);
    return b;
}
// A reply whose value has length bytes, every length written in the two-byte long form.
std::vector<uint8_t> ValueOf(size_t length) {
    std::vector<uint8_t> value{0x04, 0x82, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    value.resize(4 + length, 'x');
    auto tlv = [](uint8_t tag, const std::vector<uint8_t>& c) {
        std::vector<uint8_t> out{tag, 0x82, static_cast<uint8_t>(c.size() >> 8), static_cast<uint8_t>(c.size())};
        out.insert(out.end(), c.begin(), c.end());
        return out;
    };
    std::vector<uint8_t> binding = Hex("060f2b06010401950b0102010201010301");
    binding.insert(binding.end(), value.begin(), value.end());
    std::vector<uint8_t> pdu = Hex("020212340201000201");
    pdu.push_back(0x00);
    const std::vector<uint8_t> list = tlv(0x30, tlv(0x30, binding));
    pdu.insert(pdu.end(), list.begin(), list.end());
    std::vector<uint8_t> message = Hex("02010004067075626c6963");
    const std::vector<uint8_t> p = tlv(0xA2, pdu);
    message.insert(message.end(), p.begin(), p.end());
    return tlv(0x30, message);
}

class SnmpHostileReply : public ::testing::TestWithParam<HostileCase> {};

TEST_P(SnmpHostileReply, IsRefusedWhole) {
    const HostileCase& c = GetParam();
    EXPECT_FALSE(snmp::DecodeResponse(c.bytes.data(), c.bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(
    MadeFromTheRecordedReply, SnmpHostileReply,
    ::testing::Values(HostileCase{"Empty", {}},
                      HostileCase{"CutByOneByte", Cut(Recorded(), 1)},
                      HostileCase{"TrailingByte", Append(Recorded(), 0)},
                      HostileCase{"OuterLengthPastTheEnd", With(Recorded(), 2, 0xFF)},
                      HostileCase{"FourByteLength", With(Recorded(), 1, 0x84)},
                      HostileCase{"IndefiniteLength", With(Recorded(), 1, 0x80)},
                      HostileCase{"ARequestNotAResponse", With(Recorded(), 14, 0xA0)},
                      HostileCase{"VersionThree", With(Recorded(), 5, 0x03)},
                      HostileCase{"ValueLongerThanAnyDeviceId", ValueOf(snmp::kMaxValue + 1)},
                      HostileCase{"LongerThanADatagram", std::vector<uint8_t>(snmp::kMaxMessage + 1, 0x30)}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

TEST(SnmpRequest, IsTheGetSnmpdAnswered) {
    // The request that drew the recorded reply (written by hand from the BER rules, not by us).
    EXPECT_EQ(snmp::EncodeGet(snmp::kVersion1, "public", 0x1234, *snmp::ParseOid(kDeviceIdOid)),
              Hex("302e02010004067075626c6963a0210202123402010002010030153013060f2b06010401950b01020102010103010500"));
    // The longest value a device ID may have is still taken.
    const std::vector<uint8_t> longest = ValueOf(snmp::kMaxValue);
    const auto r = snmp::DecodeResponse(longest.data(), longest.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->value, std::string(snmp::kMaxValue, 'x'));
}

}  // namespace
