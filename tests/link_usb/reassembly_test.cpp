// UsbReadResponse fed with scripted transfers: how messages are put back together from the
// 32-byte reads of the read pipe.
#include <gtest/gtest.h>

#include "tests/link_usb/usb_test_util.h"

using namespace usbtest;

namespace {

uint16_t DataLenOf(const Bytes& message) { return static_cast<uint16_t>((message[1] << 8) | message[2]); }

TEST(UsbReassembly, WholeReplyInOneTransfer) {
    const Bytes reply = Sized(20);
    Script script({reply});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
    EXPECT_EQ(script.reads(), 1u);
    EXPECT_EQ(reader.secondLength, 0u);
}

TEST(UsbReassembly, ReplySplitAcrossThreeTransfers) {
    const Bytes reply = Sized(70);
    Script script(Transfers(reply));
    ASSERT_EQ(script.remaining(), 3u);  // 32 + 32 + 6
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
    EXPECT_EQ(script.remaining(), 0u);
}

TEST(UsbReassembly, BytesAfterAReplyStartTheNextMessage) {
    const Bytes reply = Sized(9);
    const Bytes alert = Sized(30, 0x01, 0xF0, 0x40);
    Script script(Transfers(Cat({reply, alert})));  // 9 + 23 of the alert, then the last 7
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
    EXPECT_EQ(reader.kept(), Slice(alert, 0, 23));
    EXPECT_EQ(script.reads(), 1u);
    EXPECT_EQ(reader.next(script.source()), alert);
    EXPECT_EQ(script.reads(), 2u);
    EXPECT_EQ(reader.secondLength, 0u);
}

TEST(UsbReassembly, SeveralWholeMessagesInOneTransferComeOutOneByOne) {
    const Bytes a = Sized(9, 0x11, 0xE0, 1), b = Sized(9, 0x11, 0xE0, 2), c = Sized(14, 0x01, 0xF0, 3);
    Script script({Cat({a, b, c})});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), a);
    EXPECT_EQ(reader.next(script.source()), b);
    EXPECT_EQ(reader.next(script.source()), c);
    EXPECT_EQ(script.reads(), 1u);
}

TEST(UsbReassembly, ContinuedPacketsBecomeOnePacketWithTheLastFlags) {
    const Bytes first = Sized(13, 0x30, 0xE0, 0x10);   // DataLen 10, continue bit
    const Bytes second = Sized(23, 0x11, 0xE0, 0x60);  // DataLen 20
    Script script(Transfers(Cat({first, second})));
    Reader reader;
    const Bytes message = reader.next(script.source());
    ASSERT_EQ(message.size(), 31u);
    EXPECT_EQ(DataLenOf(message), 28);
    EXPECT_EQ(message[3], 0x11);
    EXPECT_EQ(Slice(message, 5, 8), Slice(first, 5, 8));
    EXPECT_EQ(Slice(message, 13, 18), Slice(second, 5, 18));
}

TEST(UsbReassembly, ContinuedPacketsAcrossManyTransfers) {
    // Three packets, the middle one truncated twice, the last split off its header.
    const Bytes p1 = Sized(40, 0x30, 0xE0, 1);
    const Bytes p2 = Sized(70, 0x30, 0xE0, 2);
    const Bytes p3 = Sized(20, 0x10, 0xE0, 3);
    Script script(Transfers(Cat({p1, p2, p3})));
    Reader reader;
    const Bytes message = reader.next(script.source());
    Bytes expected = Cat({p1, Slice(p2, 5, 65), Slice(p3, 5, 15)});
    expected[1] = 0;
    expected[2] = static_cast<uint8_t>(expected.size() - 3);
    expected[3] = 0x10;
    EXPECT_EQ(message, expected);
}

TEST(UsbReassembly, ContinuedPacketFillingATransferIsStoredOnce) {
    const Bytes first = Sized(32, 0x30, 0xE0, 1);
    const Bytes second = Sized(12, 0x10, 0xE0, 0x80);
    Script script({first, second});
    Reader reader;
    const Bytes message = reader.next(script.source());
    ASSERT_EQ(message.size(), 32u + 7u);
    EXPECT_EQ(DataLenOf(message), 36);
    EXPECT_EQ(Slice(message, 32, 7), Slice(second, 5, 7));
    EXPECT_EQ(script.reads(), 2u);
}

TEST(UsbReassembly, ShortPacketStartIsJoinedWithTheNextTransfer) {
    const Bytes reply = Sized(20);
    Script script({Slice(reply, 0, 4), Slice(reply, 4, 16)});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, JoinedStartIsNotMistakenForANewPacketWhenTheNextByteIsA5) {
    // DataLen 0x00A5: the transfer after the two-byte start begins with 0xA5.
    const Bytes reply = Sized(0xA5 + 3);
    Bytes transfers_run = Slice(reply, 2, reply.size() - 2);
    std::vector<Bytes> transfers{Slice(reply, 0, 2)};
    for (const Bytes& t : Transfers(transfers_run)) transfers.push_back(t);
    Script script(transfers);
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, TruncatedPacketContinuesEvenWhenItsNextByteIsA5) {
    Bytes reply = Sized(50);
    reply[32] = 0xA5;  // first byte of the second transfer
    Script script(Transfers(reply));
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, TailOfATransferShorterThanAHeaderWaitsForTheRest) {
    const Bytes reply = Sized(29);
    const Bytes alert = Sized(11, 0x01, 0xF0);
    Script script(Transfers(Cat({reply, alert})));  // 29 + 3 bytes of the alert, then 8
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
    EXPECT_EQ(reader.secondLength, 3u);
    EXPECT_EQ(reader.next(script.source()), alert);
}

TEST(UsbReassembly, GarbageBeforeAPacketIsSkipped) {
    const Bytes reply = Sized(20);
    Script script({Cat({{0x00, 0x13, 0x7F}, reply})});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, GarbageWithoutA5YieldsNoMessageAndTheNextReplyStillComes) {
    const Bytes reply = Sized(20);
    Script script({Bytes(32, 0x42), reply});
    Reader reader;
    EXPECT_TRUE(reader.next(script.source()).empty());
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, A5WithTooSmallDataLenIsSkippedAsGarbage) {
    const Bytes reply = Sized(20);
    Script script({Cat({{0xA5, 0x00, 0x01, 0x00}, reply})});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, ReplyLongerThanASlotComesOutWhole) {
    const Bytes reply = Sized(3000);
    Script script(Transfers(reply));
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, ClaimedLengthsBeyondTheBufferAreCutToItsCapacity) {
    // Continued packets of 65538 bytes each: the message claims far more than the buffer holds.
    const Bytes big = Sized(65538, 0x30);
    const Bytes last = Sized(65538, 0x10);
    Script script(Transfers(Cat({big, big, last}), USB_TRANSFER_SIZE));
    Reader reader;
    const Bytes message = reader.next(script.source(), 1000);
    ASSERT_EQ(message.size(), 1000u);
    EXPECT_EQ(message[3], 0x10);
    EXPECT_EQ(Slice(message, 4, 36), Slice(big, 4, 36));
    EXPECT_EQ(script.remaining(), 0u);
}

TEST(UsbReassembly, TimedOutReadsInsideAMessageAreWaitedOut) {
    const Bytes reply = Sized(40);
    Script script({Slice(reply, 0, 32), {}, {}, Slice(reply, 32, 8)});
    Reader reader;
    EXPECT_EQ(reader.next(script.source()), reply);
}

TEST(UsbReassembly, TimedOutReadWithNothingPendingYieldsNoMessage) {
    Script script({{}, Sized(9)});
    Reader reader;
    EXPECT_TRUE(reader.next(script.source()).empty());
    EXPECT_EQ(script.reads(), 1u);
}

TEST(UsbReassembly, StopInsideAMessageDropsWhatWasAssembled) {
    const Bytes reply = Sized(40);
    Script script({Slice(reply, 0, 32)});  // then the source stops
    Reader reader;
    EXPECT_TRUE(reader.next(script.source()).empty());
}

}  // namespace
