#include "protocol/packets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Entry {
    Bytes single;  // the handed single-setting reply, as long as its stated length
    bool zeroAfter = false;
};

std::vector<Entry> Walk(const Bytes& reply, bool* ok) {
    std::vector<Entry> entries;
    *ok = npa::WalkBatchReply(reply.data(), reply.size(), [&](const uint8_t* single, size_t length) {
        EXPECT_LT(length, npa::DECODE_BUFFER);
        Entry e;
        e.single.assign(single, single + length);
        e.zeroAfter = single[length] == 0;
        entries.push_back(e);
    });
    return entries;
}

Bytes ReplyHeader() { return {0xA5, 0x00, 0x00, 0x51, 0xE0, 0xE7, 0x20}; }

TEST(HexTest, RendersUpperCasePairs) {
    std::string out = "stale";
    const uint8_t bytes[] = {0x0A, 0xFF};
    NpaHexString(bytes, 2, out);
    EXPECT_EQ(out, "0AFF");
    NpaHexString(bytes, 0, out);
    EXPECT_EQ(out, "");
    EXPECT_EQ(NpaSwap16(0x1234), 0x3412);
    EXPECT_EQ(NpaSwap32(0x12345678u), 0x78563412u);
}

TEST(HexTest, ParsesPairsFromTheStart) {
    EXPECT_EQ(npa::HexToBytes("A50010"), (Bytes{0xA5, 0x00, 0x10}));
    EXPECT_EQ(npa::HexToBytes("a5ff1"), (Bytes{0xA5, 0xFF}));  // odd last digit ignored
    EXPECT_EQ(npa::HexToBytes("A5G0FF"), Bytes{0xA5});          // stops at a damaged pair
    EXPECT_TRUE(npa::HexToBytes("").empty());
    EXPECT_TRUE(npa::HexToBytes("F").empty());
    // The count is 16 bits: more pairs are dropped.
    EXPECT_EQ(npa::HexToBytes(std::string(2 * 70000, 'E')).size(), 65535u);
}

TEST(FixedPacketsTest, DataLenMatchesEveryPacketLength) {
    auto check = [](const uint8_t* p, size_t size) {
        EXPECT_EQ(p[0], npa::SOP);
        EXPECT_EQ(npa::ReadDataLen(p) + 3u, size);
    };
    check(npa::kStart.data(), npa::kStart.size());
    check(npa::kRegisterAlert.data(), npa::kRegisterAlert.size());
    check(npa::kDeregisterAlert.data(), npa::kDeregisterAlert.size());
    check(npa::kOffline.data(), npa::kOffline.size());
    check(npa::kOnline.data(), npa::kOnline.size());
    check(npa::kFileOffline.data(), npa::kFileOffline.size());
    check(npa::kFileOnline.data(), npa::kFileOnline.size());
    EXPECT_EQ(std::string(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end()),
              "\x1B%-12345X@PJL DINQUIRE QNPAP\r\n\x1B%-12345X");
}

TEST(BatchRequestTest, SizesUpToTheLimit) {
    Bytes out;
    ASSERT_TRUE(npa::BuildBatchRequest({}, out));
    EXPECT_EQ(out, (Bytes{0xA5, 0x00, 0x05, 0x50, 0xE0, 0xE7, 0x20, 0x00}));

    ASSERT_TRUE(npa::BuildBatchRequest({0x0102, 0xFFEE}, out));
    EXPECT_EQ(out, (Bytes{0xA5, 0x00, 0x09, 0x50, 0xE0, 0xE7, 0x20, 0x02, 0x01, 0x02, 0xFF, 0xEE}));

    std::vector<uint16_t> ids(npa::MAX_BATCH_IDS, 0x1234);
    ASSERT_TRUE(npa::BuildBatchRequest(ids, out));
    EXPECT_EQ(out.size(), 258u);
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(out[7], 125);
    EXPECT_EQ(npa::ReadDataLen(out.data()) + 3u, out.size());

    ids.push_back(0x0001);
    Bytes untouched = {1, 2, 3};
    EXPECT_FALSE(npa::BuildBatchRequest(ids, untouched));
    EXPECT_EQ(untouched, (Bytes{1, 2, 3}));
}

TEST(BatchReplyTest, EntriesBecomeSingleSettingReplies) {
    Bytes reply = ReplyHeader();
    reply.insert(reply.end(), {0x00, 0x11, 0x02, 0x01, 0x2C});  // id 0011, two bytes
    reply.insert(reply.end(), {0x00, 0x22, 0x00});              // id 0022, empty value
    reply.insert(reply.end(), {0x00, 0x33, 0x03, 'a', 'b', 'c'});
    bool ok = false;
    std::vector<Entry> e = Walk(reply, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].single, (Bytes{0xA5, 0x00, 0x08, 0x51, 0xE0, 0xE7, 0x00, 0x00, 0x11, 0x01, 0x2C}));
    EXPECT_EQ(e[1].single, (Bytes{0xA5, 0x00, 0x06, 0x51, 0xE0, 0xE7, 0x00, 0x00, 0x22}));
    EXPECT_EQ(e[2].single.size(), 12u);
    EXPECT_TRUE(e[2].zeroAfter);

    ok = false;
    EXPECT_TRUE(Walk(ReplyHeader(), &ok).empty());
    EXPECT_TRUE(ok);
}

TEST(BatchReplyTest, LongValuesAreCutAndTheWalkGoesOn) {
    Bytes reply = ReplyHeader();
    reply.insert(reply.end(), {0x00, 0x01, 255});
    reply.insert(reply.end(), 255, 'x');
    reply.insert(reply.end(), {0x00, 0x02, 41});
    reply.insert(reply.end(), 41, 'y');
    reply.insert(reply.end(), {0x00, 0x03, 40});
    reply.insert(reply.end(), 40, 'z');
    reply.insert(reply.end(), {0x00, 0x04, 0x01, 0x07});
    bool ok = false;
    std::vector<Entry> e = Walk(reply, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(e.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(e[i].single.size(), npa::VALUE_OFFSET + npa::MAX_ENTRY_VALUE);
        EXPECT_EQ(npa::ReadDataLen(e[i].single.data()) + 3u, e[i].single.size());
        EXPECT_TRUE(e[i].zeroAfter);
    }
    EXPECT_EQ(e[1].single.back(), 'y');
    EXPECT_EQ(e[3].single, (Bytes{0xA5, 0x00, 0x07, 0x51, 0xE0, 0xE7, 0x00, 0x00, 0x04, 0x07}));
}

TEST(BatchReplyTest, TruncatedRepliesAreMalformedButKeepEarlierEntries) {
    Bytes good = ReplyHeader();
    good.insert(good.end(), {0x00, 0x11, 0x01, 0x05});

    Bytes shortValue = good;
    shortValue.insert(shortValue.end(), {0x00, 0x22, 0x05, 0x01, 0x02});  // claims 5, has 2
    Bytes shortHead = good;
    shortHead.insert(shortHead.end(), {0x00, 0x22});  // no length byte
    for (const Bytes& reply : {shortValue, shortHead}) {
        bool ok = true;
        std::vector<Entry> e = Walk(reply, &ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].single.back(), 0x05);
    }
    bool ok = true;
    EXPECT_TRUE(Walk(Bytes{0xA5, 0x00, 0x04, 0x51, 0xE0, 0xE7}, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(npa::WalkBatchReply(nullptr, 10, nullptr));
}

TEST(NumericTest, DecodesSignedBigEndian) {
    const uint8_t v300[] = {0x01, 0x2C};
    const uint8_t ff[] = {0xFF, 0xFF, 0xFF, 0xFF};
    const uint8_t min[] = {0x80, 0x00, 0x00, 0x00};
    const uint8_t padded[] = {0xAB, 0x00, 0x00, 0x00, 0x01, 0x2C};
    EXPECT_EQ(npa::DecodeNumeric(v300, 2), "300");
    EXPECT_EQ(npa::DecodeNumeric(ff, 1), "255");
    EXPECT_EQ(npa::DecodeNumeric(ff, 3), "16777215");
    EXPECT_EQ(npa::DecodeNumeric(ff, 4), "-1");
    EXPECT_EQ(npa::DecodeNumeric(min, 4), "-2147483648");
    EXPECT_EQ(npa::DecodeNumeric(padded, 6), "300");  // only the last four bytes count
    EXPECT_EQ(npa::DecodeNumeric(v300, 0), "0");
}

TEST(NumericTest, WritesIntoTenAndThirteenByteTemplates) {
    Bytes ten = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0xE8, 0x02, 0x00, 0x31, 0x00};
    Bytes thirteen = {0xA5, 0x00, 0x0A, 0x50, 0xE0, 0xE8, 0x02, 0x00, 0x32, 0x00, 0x00, 0x00, 0x00};
    Bytes written = npa::ComposeNumericWrite(ten, 300);
    EXPECT_EQ(written.size(), 10u);
    EXPECT_EQ(written[9], 0x2C);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 9), Bytes(ten.begin(), ten.begin() + 9));

    written = npa::ComposeNumericWrite(thirteen, 300);
    EXPECT_EQ(Bytes(written.begin() + 9, written.end()), (Bytes{0x00, 0x00, 0x01, 0x2C}));
    written = npa::ComposeNumericWrite(thirteen, -1);
    EXPECT_EQ(Bytes(written.begin() + 9, written.end()), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));

    Bytes eleven(11, 0x33);
    EXPECT_EQ(npa::ComposeNumericWrite(eleven, 300), eleven);
    EXPECT_TRUE(npa::ComposeNumericWrite({}, 300).empty());
}

TEST(TextWriteTest, AppendsTextAndFixesDataLen) {
    Bytes tmpl = {0xA5, 0x00, 0x06, 0x50, 0xE0, 0xE8, 0x03, 0x00, 0x40};
    Bytes packet = npa::ComposeTextWrite(tmpl, "abc");
    EXPECT_EQ(packet, (Bytes{0xA5, 0x00, 0x09, 0x50, 0xE0, 0xE8, 0x03, 0x00, 0x40, 'a', 'b', 'c'}));
    EXPECT_EQ(npa::ComposeTextWrite(tmpl, ""), tmpl);

    // DataLen past one byte uses both bytes.
    packet = npa::ComposeTextWrite(tmpl, std::string(300, 'q'));
    EXPECT_EQ(packet.size(), 309u);
    EXPECT_EQ(npa::ReadDataLen(packet.data()), 306);

    // No room for DataLen, or more than it can count: nothing to send.
    EXPECT_TRUE(npa::ComposeTextWrite(Bytes{0xA5, 0x00}, "abc").empty());
    EXPECT_TRUE(npa::ComposeTextWrite(tmpl, std::string(65535 - 5, 'q')).empty());
    EXPECT_EQ(npa::ComposeTextWrite(tmpl, std::string(65535 - 6, 'q')).size(), 65538u);
}

}  // namespace
