#include "platform/linux/device_id.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

using namespace platform::linux_impl;

namespace {

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> prefixed(uint8_t first, uint8_t second, const std::string& id) {
    // Sized first and filled in place (g++ 12 warns falsely about an insert into a two-byte vector).
    std::vector<uint8_t> out(id.size() + 2);
    out[0] = first;
    out[1] = second;
    std::copy(id.begin(), id.end(), out.begin() + 2);
    return out;
}

const std::string kId = "MFG:Corvane;MDL:Pressline T90;CMD:PJL,QNPAP;";  // 45 bytes

}  // namespace

TEST(DeviceIdPrefix, AcceptsEitherByteOrderOfTheLength) {
    const size_t total = kId.size() + 2;
    auto big = prefixed(0, static_cast<uint8_t>(total), kId);
    auto little = prefixed(static_cast<uint8_t>(total), 0, kId);
    ASSERT_TRUE(stripDeviceIdPrefix(big.data(), big.size()));
    EXPECT_EQ(*stripDeviceIdPrefix(big.data(), big.size()), bytes(kId));
    ASSERT_TRUE(stripDeviceIdPrefix(little.data(), little.size()));
    EXPECT_EQ(*stripDeviceIdPrefix(little.data(), little.size()), bytes(kId));
}

TEST(DeviceIdPrefix, NeverReadsPastTheReceivedBytes) {
    // Both byte orders claim far more than arrived: the ID is what arrived, no more.
    auto data = prefixed(0x7F, 0x7F, kId);
    auto id = stripDeviceIdPrefix(data.data(), data.size());
    ASSERT_TRUE(id);
    EXPECT_EQ(*id, bytes(kId));
    // A length that covers less than the received bytes ends the ID there.
    auto shorter = prefixed(0, 16, kId);
    EXPECT_EQ(*stripDeviceIdPrefix(shorter.data(), shorter.size()), bytes(kId.substr(0, 14)));
}

TEST(DeviceIdPrefix, RefusesTooShortOrMissingIds) {
    auto tiny = prefixed(0, 13, "MFG:A;MDL:B;");  // 13 claimed, and 0x0D00 too long: refused
    EXPECT_FALSE(stripDeviceIdPrefix(tiny.data(), 13));
    uint8_t one[1] = {0};
    EXPECT_FALSE(stripDeviceIdPrefix(one, 1));
    EXPECT_FALSE(stripDeviceIdPrefix(nullptr, 0));
    std::vector<uint8_t> zeros(64, 0);  // an ioctl that filled nothing
    EXPECT_FALSE(stripDeviceIdPrefix(zeros.data(), zeros.size()));
}

TEST(DeviceIdPrefix, EndsAtTheFirstNulOfAPaddedBuffer) {
    std::vector<uint8_t> buffer(1024, 0);
    auto data = prefixed(0, static_cast<uint8_t>(kId.size() + 2), kId);
    std::copy(data.begin(), data.end(), buffer.begin());
    buffer[0] = 0x04;  // a length of 0x0400+ in big-endian order, 0x2F04 little: both too long
    auto id = stripDeviceIdPrefix(buffer.data(), buffer.size());
    ASSERT_TRUE(id);
    EXPECT_EQ(*id, bytes(kId));
}

TEST(DeviceIdText, AutoprobeLinesAreJoinedIntoOneId) {
    EXPECT_EQ(joinAutoprobeLines("CLASS:PRINTER;\nMODEL:Pressline T90;\r\nMANUFACTURER:Corvane;\n"),
              "CLASS:PRINTER;MODEL:Pressline T90;MANUFACTURER:Corvane;");
    EXPECT_EQ(joinAutoprobeLines(""), "");
}

TEST(DeviceIdText, FieldsAreFoundByAnyOfTheirKeys) {
    const std::string id = "MANUFACTURER:Corvane; MDL: Pressline T90 ;SN:AB12;CMD:PJL";
    EXPECT_EQ(deviceIdField(id, {"MFG", "MANUFACTURER"}).value_or("?"), "Corvane");
    EXPECT_EQ(deviceIdField(id, {"mdl", "MODEL"}).value_or("?"), "Pressline T90");
    EXPECT_EQ(deviceIdField(id, {"CMD"}).value_or("?"), "PJL");  // no closing ";"
    EXPECT_FALSE(deviceIdField(id, {"DES"}));
    EXPECT_FALSE(deviceIdField("", {"MDL"}));
}
