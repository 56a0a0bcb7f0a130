// UsbReadResponse fed with scripted transfers: how messages are put back together from the
// 32-byte reads of the read pipe.
#include <gtest/gtest.h>

#include "tests/link/usb_test_util.h"

using namespace usbtest;

namespace {

// The message the link makes of continued packets: the first packet's header and data, the
// data of the others, DataLen of the whole and the flags of the last packet.
Bytes Joined(std::initializer_list<Bytes> packets) {
    Bytes out;
    for (const Bytes& p : packets) out.insert(out.end(), p.begin() + (out.empty() ? 0 : 5), p.end());
    out[1] = static_cast<uint8_t>((out.size() - 3) >> 8);
    out[2] = static_cast<uint8_t>((out.size() - 3) & 0xFF);
    out[3] = (packets.end() - 1)->at(3);
    return out;
}

struct Case {
    const char* name;
    std::vector<Bytes> transfers;
    std::vector<Bytes> messages;  // in order; an empty one is a call that yields no message
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::vector<Case> Cases() {
    const Bytes r20 = Sized(20), r70 = Sized(70), r9 = Sized(9), alert30 = Sized(30, 0x01, 0xF0, 0x40);
    const Bytes c13 = Sized(13, 0x30, 0xE0, 0x10), c23 = Sized(23, 0x11, 0xE0, 0x60);
    const Bytes c40 = Sized(40, 0x30, 0xE0, 1), c70 = Sized(70, 0x30, 0xE0, 2), c20 = Sized(20, 0x10, 0xE0, 3);
    const Bytes c32 = Sized(32, 0x30, 0xE0, 1), c12 = Sized(12, 0x10, 0xE0, 0x80);
    const Bytes r29 = Sized(29), alert11 = Sized(11, 0x01, 0xF0);
    const Bytes r168 = Sized(0xA5 + 3);  // DataLen 0x00A5
    Bytes r50 = Sized(50);
    r50[32] = 0xA5;  // the first byte of the second transfer
    const Bytes r3000 = Sized(3000);
    const Bytes a = Sized(9, 0x11, 0xE0, 1), b = Sized(9, 0x11, 0xE0, 2), c = Sized(14, 0x01, 0xF0, 3);

    std::vector<Bytes> fragmentThenA5{Slice(r168, 0, 2)};
    for (const Bytes& t : Transfers(Slice(r168, 2, r168.size() - 2))) fragmentThenA5.push_back(t);

    return {
        {"WholeReplyInOneTransfer", {r20}, {r20}},
        {"ReplyAs32And32And6", Transfers(r70), {r70}},
        {"ReplyThenTheHeadOfAnAlert", Transfers(Cat({r9, alert30})), {r9, alert30}},
        {"ThreeMessagesInOneTransfer", {Cat({a, b, c})}, {a, b, c}},
        {"ContinuedPacketsOf10And20", Transfers(Cat({c13, c23})), {Joined({c13, c23})}},
        {"ContinuedPacketsTruncatedTwice", Transfers(Cat({c40, c70, c20})), {Joined({c40, c70, c20})}},
        {"ContinuedPacketFillingATransfer", {c32, c12}, {Joined({c32, c12})}},
        {"FourByteStartJoinedWithTheNextTransfer", {Slice(r20, 0, 4), Slice(r20, 4, 16)}, {r20}},
        {"JoinedStartWhoseNextByteIsA5", fragmentThenA5, {r168}},
        {"TruncatedPacketWhoseNextByteIsA5", Transfers(r50), {r50}},
        {"TailShorterThanAHeaderIsKept", Transfers(Cat({r29, alert11})), {r29, alert11}},
        {"LeadingGarbageSkipped", {Cat({{0x00, 0x13, 0x7F}, r20})}, {r20}},
        {"GarbageOnlyYieldsNothing", {Bytes(32, 0x42), r20}, {{}, r20}},
        {"A5WithTooSmallDataLenIsGarbage", {Cat({{0xA5, 0x00, 0x01, 0x00}, r20})}, {r20}},
        {"ReplyOf3000Bytes", Transfers(r3000), {r3000}},
        {"TimedOutReadsInsideAMessage", {Slice(r70, 0, 32), {}, {}, Slice(r70, 32, 32), {}, Slice(r70, 64, 6)}, {r70}},
        {"TimedOutReadWithNothingPending", {{}, r9}, {{}, r9}},
        {"StopInsideAMessageDropsIt", {Slice(r70, 0, 32)}, {{}}},
    };
}

class UsbReassemblyCase : public ::testing::TestWithParam<Case> {};

TEST_P(UsbReassemblyCase, YieldsTheMessagesInOrder) {
    const Case& c = GetParam();
    Script script(c.transfers);
    Reader reader;
    for (size_t i = 0; i < c.messages.size(); ++i) EXPECT_EQ(reader.next(script.source()), c.messages[i]) << "message " << i;
    EXPECT_EQ(script.remaining(), 0u);
    EXPECT_EQ(reader.secondLength, 0u);
}

INSTANTIATE_TEST_SUITE_P(Scripts, UsbReassemblyCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(UsbReassembly, BytesAfterAMessageAreKeptAndUsedBeforeTheNextRead) {
    const Bytes reply = Sized(9), alert = Sized(30, 0x01, 0xF0, 0x40);
    Script script(Transfers(Cat({reply, alert})));
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
    EXPECT_EQ(reader.kept(), Slice(alert, 0, 23));
    EXPECT_EQ(script.reads(), 1u);
    EXPECT_EQ(reader.next(script.source()), alert);
    EXPECT_EQ(script.reads(), 2u);
}

TEST(UsbReassembly, ContinuedPacketFillingATransferIsReadOnce) {
    Script script({Sized(32, 0x30), Sized(12, 0x10)});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()).size(), 39u);
    EXPECT_EQ(script.reads(), 2u);
}

TEST(UsbReassembly, ClaimedLengthsBeyondTheBufferAreCutToItsCapacity) {
    // Continued packets of 65538 bytes each: the message claims far more than the buffer holds.
    const Bytes big = Sized(65538, 0x30), last = Sized(65538, 0x10);
    Script script(Transfers(Cat({big, big, last})));
    Reader reader;
    const Bytes message = reader.next(script.source(), 1000);
    ASSERT_EQ(message.size(), 1000u);
    EXPECT_EQ(message[3], 0x10);
    EXPECT_EQ(Slice(message, 4, 36), Slice(big, 4, 36));
    EXPECT_EQ(script.remaining(), 0u);
}

}  // namespace

namespace {

TEST(UsbReassembly, StopInsideAPacketStartLeavesNothingForTheNextMessage) {
    // A three-byte packet start, then the source stops: the next message starts clean.
    const Bytes reply = Sized(20);
    Script first({Slice(Sized(30, 0x11, 0xE0, 9), 0, 3)});
    Reader reader;
    EXPECT_TRUE(reader.next(first.source()).empty());
    Script second({reply});
    EXPECT_EQ(reader.next(second.source()), reply);
    EXPECT_EQ(reader.secondLength, 0u);
}

TEST(UsbReassembly, BytesKeptAfterAMessageNeverExceedOneTransferAndAFragment) {
    // Two messages in one transfer of the largest size: the second is kept whole.
    const Bytes a = Sized(12), b = Sized(USB_MAX_TRANSFER_SIZE - 12, 0x11, 0xE0, 5);
    UsbReassembly assembly;
    const Bytes run = Cat({a, b});
    const UsbTransferSource source = [&run](uint8_t* buffer, uint32_t size) -> long {
        std::copy(run.begin(), run.begin() + std::min<size_t>(size, run.size()), buffer);
        return static_cast<long>(std::min<size_t>(size, run.size()));
    };
    ASSERT_EQ(assembly.next(source, USB_BUFFER_CAPACITY, USB_MAX_TRANSFER_SIZE), a.size());
    EXPECT_EQ(assembly.keptLength(), b.size());
    EXPECT_LE(assembly.keptLength(), UsbReassembly::kWorkSize);
    EXPECT_EQ(Bytes(assembly.kept(), assembly.kept() + assembly.keptLength()), b);
}

}  // namespace
