// Replies on a two-way parallel port: the reader's header hunt, joined packets, discarded
// replies, time-outs and size limits.
#include <chrono>
#include <thread>

#include "link_fixture.h"

namespace linktest {
namespace {

class ParallelReply : public LinkTest {
protected:
    sim::VirtualPrinter& OpenPrinter(sim::PrinterConfig config = {}) {
        sim::VirtualPrinter& printer = AddPrinter(config);
        EXPECT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
        printer.clearWire();
        return printer;
    }

    int Send(const Bytes& command, Bytes& reply, uint32_t capacity = 2048) {
        reply.assign(capacity, 0);
        uint32_t length = capacity;
        const int rc = SlcSendCommand("LPT1:", command.data(), static_cast<uint32_t>(command.size()),
                                      capacity > 0 ? reply.data() : nullptr, &length);
        reply.resize(length);
        return rc;
    }

    // The reply the printer gives to the batch read when nothing goes wrong.
    Bytes CleanReply(sim::VirtualPrinter& printer) {
        printer.setFaults({});
        Bytes reply;
        EXPECT_EQ(Send(BatchRead(), reply), SLC_OK);
        return reply;
    }
};

TEST_F(ParallelReply, HeaderHuntSkipsStrayBytes) {
    sim_->setLoggingLevel(SLC_LOG_TRACE);
    sim::VirtualPrinter& printer = OpenPrinter();
    const Bytes expected = CleanReply(printer);
    ASSERT_GE(expected.size(), 9u);
    const char* shiftLines[] = {nullptr, "SOP is 2nd byte, shifting\n", "SOP is 3rd byte, shifting\n", nullptr};
    for (int stray = 1; stray <= 3; ++stray) {
        SCOPED_TRACE(stray);
        sim::Faults faults;
        faults.strayBytes = stray;
        printer.setFaults(faults);
        sim_->clearLog();
        Bytes reply;
        ASSERT_EQ(Send(BatchRead(), reply), SLC_OK);
        EXPECT_EQ(reply, expected);
        if (shiftLines[stray] != nullptr) {
            EXPECT_TRUE(LogHas(shiftLines[stray]));
        }
    }
    sim::Faults garbage;
    garbage.garbageBefore = 50;
    printer.setFaults(garbage);
    Bytes reply;
    ASSERT_EQ(Send(BatchRead(), reply), SLC_OK);
    EXPECT_EQ(reply, expected);
}

TEST_F(ParallelReply, ContinuedPacketsAreJoinedIntoOneMessage) {
    sim::VirtualPrinter& printer = OpenPrinter();
    const Bytes whole = CleanReply(printer);
    ASSERT_GT(whole.size(), 12u);
    sim::Faults faults;
    faults.splitDataBytes = 4;
    printer.setFaults(faults);
    Bytes joined;
    ASSERT_EQ(Send(BatchRead(), joined), SLC_OK);
    // DataLen is the data of all packets plus flags and command; the flags are the last packet's
    // (no continue bit), so the result is the unsplit reply.
    EXPECT_EQ(joined, whole);
    EXPECT_EQ(npa::ReadDataLen(joined.data()), joined.size() - 3);
    EXPECT_EQ(joined[3] & npa::FLAG_CONTINUE, 0);
}

TEST_F(ParallelReply, RepliesThatAreNotOursAreDiscarded) {
    sim_->setLoggingLevel(SLC_LOG_TRACE);
    sim::VirtualPrinter& printer = OpenPrinter();
    const Bytes expected = CleanReply(printer);
    sim::Faults faults;
    faults.foreignRepliesBefore = 1;
    faults.unsolicitedErrorsBefore = 1;
    faults.commandErrorsBefore = 1;
    printer.setFaults(faults);
    sim_->clearLog();
    Bytes reply;
    ASSERT_EQ(Send(BatchRead(), reply), SLC_OK);
    EXPECT_EQ(reply, expected);
    EXPECT_TRUE(LogHas("ParReadPort() - response doesn't match the command we sent (E0), discarding\n"));
    // A command error (flags 0x88, no response bit) is caught as an unsolicited error.
    EXPECT_TRUE(LogHas("ParReadPort() - unsolicited error reply, discarding\n"));
}

TEST_F(ParallelReply, AnyCommandByteIsAcceptedWhenNoneIsAwaited) {
    sim::VirtualPrinter& printer = OpenPrinter();
    sim::Faults faults;
    faults.echoCommand = 0xE1;
    printer.setFaults(faults);
    const Bytes request = BatchRead();
    ASSERT_EQ(SendNPAStart(*SlcGlobals().port), 0);
    ASSERT_EQ(SlcGlobals().port->write(request.data(), request.size()), static_cast<long>(request.size()));
    uint8_t reply[2048];
    uint32_t length = sizeof reply;
    ASSERT_EQ(ParGetResponse(reply, &length, 0), SLC_OK);
    EXPECT_EQ(reply[4], 0xE1);
}

TEST_F(ParallelReply, SilenceTimesOutAndALateReplyNeverAnswersTheNextRequest) {
    sim_->setLoggingLevel(SLC_LOG_TRACE);
    SlcTimingTable().responseWaitMs = 100;
    sim::VirtualPrinter& printer = OpenPrinter();
    const Bytes expected = CleanReply(printer);

    sim::Faults faults;
    faults.replyDelayMs = 400;
    printer.setFaults(faults);
    Bytes reply;
    EXPECT_EQ(Send(BatchRead(), reply), SLC_SEND_READFAIL);
    EXPECT_TRUE(reply.empty());
    EXPECT_TRUE(LogHas("ParGetResponse() - RESPONSE_WAIT_TIMEOUT occured after 100 ms, returning SLC_SEND_READFAIL\n"));

    // The reader kept hunting and takes the late reply after its waiter has given up: it is
    // stored for that request, and the next request gets its own answer. Whether the next wait
    // sees the stale reply (and logs dropping it) or the reader overwrites it first depends on
    // which thread runs first, so only the answer is checked.
    SlcState& g = SlcGlobals();
    uint32_t timedOutSerial = 0;
    {
        std::lock_guard<std::mutex> lock(g.transactionInfo);
        timedOutSerial = g.requestSerial;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(g.responseMutex);
            if (g.answeredSerial == timedOutSerial) break;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the late reply was never read";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    printer.setFaults({});
    Bytes single;
    ASSERT_TRUE(npa::BuildBatchRequest({0x0107}, single));
    ASSERT_EQ(Send(single, reply), SLC_OK);
    ASSERT_GE(reply.size(), 9u);
    EXPECT_EQ(reply[7], 0x01);
    EXPECT_EQ(reply[8], 0x07) << "the late reply (first entry 0101) answered the new request";
    EXPECT_NE(reply, expected);
}

TEST_F(ParallelReply, AStoredReplyToAnEarlierRequestIsDropped) {
    sim_->setLoggingLevel(SLC_LOG_TRACE);
    OpenPrinter();
    SlcState& g = SlcGlobals();
    {
        std::lock_guard<std::mutex> lock(g.responseMutex);
        g.slotLength[0] = static_cast<int32_t>(npa::HEADER_SIZE);
        g.slotSerial[0] = 41;
    }
    SlcSignal(g.semResponse);
    uint8_t reply[64];
    uint32_t length = sizeof reply;
    EXPECT_EQ(ParWaitMessage(42, reply, &length, 50), SLC_SEND_READFAIL);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(LogHas("ParGetResponse() - discarding a reply to an earlier request\n"));
}

TEST_F(ParallelReply, RepliesBeyondTheBufferAreTooLarge) {
    sim::VirtualPrinter& printer = OpenPrinter();
    Bytes reply;
    EXPECT_EQ(Send(BatchRead(), reply, 4), SLC_SEND_TOOLARGE);
    EXPECT_TRUE(reply.empty());

    // No buffer, but the command asks for a reply: the reply that comes cannot be stored.
    uint32_t zero = 0;
    const Bytes request = BatchRead();
    EXPECT_EQ(SlcSendCommand("LPT1:", request.data(), static_cast<uint32_t>(request.size()), nullptr, &zero),
              SLC_SEND_TOOLARGE);

    sim::Faults faults;
    faults.oversizeReply = true;
    printer.setFaults(faults);
    EXPECT_EQ(Send(BatchRead(), reply), SLC_SEND_TOOLARGE);
    printer.setFaults({});
    EXPECT_EQ(Send(BatchRead(), reply), SLC_OK);
}

TEST_F(ParallelReply, CommandLengthLimit) {
    sim::VirtualPrinter& printer = OpenPrinter();
    // A setting write without reply request, padded to the size under test.
    auto packet = [](size_t size) {
        Bytes p(size, 0x00);
        p[0] = npa::SOP;
        npa::WriteDataLen(p.data(), static_cast<uint16_t>(size - 3));
        p[3] = npa::FLAG_BUILT;
        p[4] = npa::CMD_SETTINGS;
        return p;
    };
    const Bytes tooLong = packet(513);
    EXPECT_EQ(SlcSendCommand("LPT1:", tooLong.data(), 513, nullptr, nullptr), SLC_REFUSED);
    // Only the low 16 bits of this length are 1: still far too long.
    Bytes huge(65537, 0);
    std::copy(tooLong.begin(), tooLong.begin() + 5, huge.begin());
    EXPECT_EQ(SlcSendCommand("LPT1:", huge.data(), 65537, nullptr, nullptr), SLC_REFUSED);
    EXPECT_TRUE(printer.receivedBytes().empty());

    const Bytes longest = packet(512);
    EXPECT_EQ(SlcSendCommand("LPT1:", longest.data(), 512, nullptr, nullptr), SLC_OK);
    EXPECT_EQ(printer.receivedBytes(), Concat({ToBytes(npa::kStart), longest}));
}

// A printer switched off while its reply is awaited makes every read fail at once. The reader
// pauses after each such read instead of spinning (and, with tracing on, flooding the log) for
// the whole wait.
TEST_F(ParallelReply, DeviceGoneWhileWaitingIsReadAtAMeasuredPace) {
    sim_->setLoggingLevel(SLC_LOG_TRACE);
    sim_->setSleepScale(1);  // the pauses must really pass for the pace to show
    SlcTimingTable().readPauseMs = 0;
    SlcTimingTable().readErrorPauseMs = 20;
    SlcTimingTable().responseWaitMs = 300;
    sim::VirtualPrinter& printer = OpenPrinter();
    sim::Faults faults;
    faults.disconnectAfterBytes = static_cast<long>(npa::kStart.size() + BatchRead().size());
    printer.setFaults(faults);

    Bytes reply;
    EXPECT_EQ(Send(BatchRead(), reply), SLC_SEND_READFAIL);
    EXPECT_FALSE(printer.connected());
    const std::vector<std::string> lines = sim_->logLines();
    const auto reads = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("ParNT95ReadFile() - before ReadFile()") != std::string::npos;
    });
    // 300 ms at one read per 20 ms is about 15 reads; spinning makes thousands.
    EXPECT_GT(reads, 0);
    EXPECT_LT(reads, 60);
    const std::vector<uint32_t> sleeps = sim_->sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 20u), sleeps.end());
}

TEST_F(ParallelReply, WriteFailureIsReported) {
    sim::VirtualPrinter& printer = OpenPrinter();
    printer.disconnect();
    Bytes reply;
    EXPECT_EQ(Send(BatchRead(), reply), SLC_SEND_WRITEFAIL);
    EXPECT_TRUE(reply.empty());
}

}  // namespace
}  // namespace linktest
