// The USB port end to end: the public link calls against virtual USB printers on the simulated
// platform, with the wire as the printer saw it.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "protocol/packets.h"
#include "sim/sim_platform.h"
#include "tests/link/usb_test_util.h"

using usbtest::Bytes;
using usbtest::Cat;
using usbtest::kPort;

namespace {


Bytes Start() { return Bytes(npa::kStart.begin(), npa::kStart.end()); }
template <size_t N>
Bytes Of(const std::array<uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

class UsbPort : public ::testing::Test {
protected:
    void SetUp() override {
        sim_.setSleepScale(0);
        sim_.setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
        sim_.install();
        SlcResetForTesting();
        SlcTiming& t = SlcTimingTable();
        t = SlcDefaultTiming();
        t.responseWaitMs = 2000;
        t.usbReadWaitMs = 20;
    }
    void TearDown() override {
        SlcResetForTesting();
        SlcTimingTable() = SlcDefaultTiming();
    }

    sim::VirtualPrinter& addPrinter(sim::PrinterConfig config = {}) {
        return sim_.addUsbPrinter(1, "T90V000001", 1, config);
    }

    std::vector<uint16_t> allIds(const sim::VirtualPrinter& printer) const {
        std::vector<uint16_t> ids;
        for (const auto& [id, setting] : printer.model().settings()) ids.push_back(id);
        return ids;
    }

    // Sends the batch read of every setting; returns the result and the reply.
    int readAll(const sim::VirtualPrinter& printer, Bytes& reply) {
        Bytes request;
        EXPECT_TRUE(npa::BuildBatchRequest(allIds(printer), request));
        reply.assign(SLC_SLOT_SIZE, 0);
        uint32_t length = SLC_SLOT_SIZE;
        const int rc = SlcSendCommand(kPort, request.data(), static_cast<uint32_t>(request.size()), reply.data(), &length);
        reply.resize(length);
        return rc;
    }

    size_t entries(const Bytes& reply) const {
        size_t count = 0;
        EXPECT_TRUE(npa::WalkBatchReply(reply.data(), reply.size(), [&](const uint8_t*, size_t) { ++count; }));
        return count;
    }

    bool logged(const std::string& line) const { return sim_.logText().find(line) != std::string::npos; }

    // A write packet for the first enumerated setting, choosing a value other than its current one.
    Bytes writePacket(const sim::VirtualPrinter& printer, uint16_t& id, Bytes& value) const {
        for (const auto& [settingId, setting] : printer.model().settings()) {
            if (setting.kind != sim::SettingKind::Enum || setting.values.size() < 2) continue;
            id = settingId;
            value = setting.values[0] == printer.value(id) ? setting.values[1] : setting.values[0];
            Bytes data = value;
            const uint8_t head[] = {printer.model().writeSub(), printer.model().writeFunction(),
                                    static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)};
            data.insert(data.begin(), std::begin(head), std::end(head));
            return usbtest::Packet(0x50, 0xE0, data);
        }
        ADD_FAILURE() << "model has no enumerated setting";
        return {};
    }

    sim::SimPlatform sim_;
};

TEST_F(UsbPort, OpenAndReadAllSettings) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    Bytes reply;
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(reply[4], 0xE0);
    EXPECT_EQ(entries(reply), allIds(printer).size());
    // The start packet precedes the command on a freshly opened write pipe.
    Bytes request;
    npa::BuildBatchRequest(allIds(printer), request);
    EXPECT_EQ(printer.receivedBytes(), Cat({Start(), request}));
    EXPECT_TRUE(logged("UsbReadPort(): It's a response!\n"));
    EXPECT_TRUE(logged("UsbReadPort() - saving response in slot 0\n"));

    // The reader keeps running across commands.
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(entries(reply), allIds(printer).size());
    EXPECT_EQ(SlcClosePort(kPort), SLC_OK);
    EXPECT_FALSE(SlcGlobals().readThreadRunning);
}

TEST_F(UsbPort, ReadAllSurvivesSplitContinuedAndNoisyReplies) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    sim::Faults faults;
    faults.splitDataBytes = 20;
    faults.strayBytes = 3;
    faults.commandErrorsBefore = 1;
    printer.setFaults(faults);
    Bytes reply;
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(entries(reply), allIds(printer).size());
    EXPECT_TRUE(logged("UsbReadPort(): It's a command error, tossing.\n"));
}

TEST_F(UsbPort, WritesReachThePrinter) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    uint16_t id = 0;
    Bytes value;
    const Bytes packet = writePacket(printer, id, value);
    uint32_t zero = 0;
    ASSERT_EQ(SlcOffline(kPort, 1), SLC_OK);
    // Response requested without a buffer: the reply is awaited and dropped.
    EXPECT_EQ(SlcSendCommand(kPort, packet.data(), static_cast<uint32_t>(packet.size()), nullptr, &zero), SLC_OK);
    EXPECT_EQ(zero, 0u);
    EXPECT_EQ(printer.value(id), value);
    ASSERT_EQ(SlcOffline(kPort, 0), SLC_OK);
    EXPECT_TRUE(logged("UsbSendCommand(): no buffer but response requested!\n"));

    const Bytes tooLong(513, 0xA5);
    EXPECT_EQ(SlcSendCommand(kPort, tooLong.data(), 513, nullptr, &zero), SLC_REFUSED);
}

// usblp finishes a write after the call returns and cancels it when the node's last descriptor
// closes: every request, with or without a reply, must still reach the printer.
TEST_F(UsbPort, TransfersStillInFlightAreNotCancelledByTheClose) {
    sim_.setUsbTransfersInFlight(true);
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    Bytes reply;
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(entries(reply), allIds(printer).size());
    uint16_t id = 0;
    Bytes value;
    Bytes packet = writePacket(printer, id, value);
    packet[3] = 0x40;  // no reply asked: nothing but the close tells when the transfer is done
    uint32_t zero = 0;
    ASSERT_EQ(SlcOffline(kPort, 1), SLC_OK);
    EXPECT_EQ(SlcSendCommand(kPort, packet.data(), static_cast<uint32_t>(packet.size()), nullptr, &zero), SLC_OK);
    ASSERT_EQ(SlcOffline(kPort, 0), SLC_OK);
    EXPECT_EQ(printer.value(id), value);
    EXPECT_FALSE(printer.offline());
    EXPECT_EQ(SlcClosePort(kPort), SLC_OK);
    EXPECT_EQ(sim_.usbBytesCancelled(), 0u);
}

// usblp lets go of the device when its last descriptor closes: the reply the printer sent for a
// request is lost unless a pipe stays open until it is read. The first request of a port has no
// reader's pipe open yet, so only its own write pipe keeps the reply.
TEST_F(UsbPort, TheFirstReplyIsReadWhileTheWritePipeIsStillOpen) {
    sim_.setUsbTransfersInFlight(true);
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    Bytes reply;
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(entries(reply), allIds(printer).size());
    EXPECT_EQ(sim_.usbBytesDropped(), 0u);
    EXPECT_EQ(SlcClosePort(kPort), SLC_OK);
}

// A request the driver never gets to the printer (a stalled device) did not go out, whatever the
// write call returned: the send fails, and says so, once the driver's wait for it runs out.
TEST_F(UsbPort, ARequestTheDriverNeverTakesIsAFailedWrite) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    sim_.setUsbWritesNeverTaken(true);
    uint16_t id = 0;
    Bytes value;
    Bytes packet = writePacket(printer, id, value);
    packet[3] = 0x40;  // no reply asked: only the driver can tell that the request did not go out
    uint32_t zero = 0;
    EXPECT_EQ(SlcSendCommand(kPort, packet.data(), static_cast<uint32_t>(packet.size()), nullptr, &zero),
              SLC_SEND_WRITEFAIL);
    EXPECT_NE(SlcLastProblem().find("did not take the request"), std::string::npos) << SlcLastProblem();
    EXPECT_NE(printer.value(id), value);
    EXPECT_TRUE(logged("UsbSendCommand(): the USB driver did not finish the write, error " +
                       std::to_string(ETIMEDOUT) + "\n"));
}

class UsbOfflineOrder : public UsbPort, public ::testing::WithParamInterface<bool> {};

TEST_P(UsbOfflineOrder, OfflineAndOnlineInEitherOrder) {
    sim::PrinterConfig config;
    config.alertFirst = GetParam();
    sim::VirtualPrinter& printer = addPrinter(config);
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    ASSERT_EQ(SlcOffline(kPort, 1), SLC_OK);
    EXPECT_TRUE(printer.offline());
    ASSERT_EQ(SlcOffline(kPort, 0), SLC_OK);
    EXPECT_FALSE(printer.offline());
    EXPECT_EQ(printer.receivedBytes(),
              Cat({Start(), Of(npa::kRegisterAlert), Start(), Of(npa::kOffline), Start(), Of(npa::kDeregisterAlert),
                   Start(), Of(npa::kRegisterAlert), Start(), Of(npa::kOnline), Start(), Of(npa::kDeregisterAlert)}));
    EXPECT_TRUE(logged(GetParam() ? "UsbOffline(): we got the alert back first\n"
                                  : "UsbOffline(): we got the response back first\n"));
    EXPECT_TRUE(logged("UsbReadPort(): It's an alert!\n"));
    EXPECT_TRUE(logged("UsbOffline(): 9th byte OK\n"));
    EXPECT_FALSE(logged("RESPONSE_WAIT_TIMEOUT"));
}

TEST_P(UsbOfflineOrder, RefusedRequestIsRejected) {
    sim::PrinterConfig config;
    config.alertFirst = GetParam();
    sim::VirtualPrinter& printer = addPrinter(config);
    sim::Faults faults;
    faults.refuseOffline = true;
    printer.setFaults(faults);
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    EXPECT_EQ(SlcOffline(kPort, 1), SLC_REJECTED);
    EXPECT_FALSE(printer.offline());
}

INSTANTIATE_TEST_SUITE_P(AlertFirst, UsbOfflineOrder, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AlertBeforeResponse" : "ResponseBeforeAlert");
                         });

TEST_F(UsbPort, AcceptedResponseDecidesWhenNoAlertFollows) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    SlcTimingTable().responseWaitMs = 50;
    // Not registered for the alert: only the response comes back.
    EXPECT_EQ(UsbOffline(SlcGlobals().devicePath, 1), SLC_OK);
    EXPECT_TRUE(printer.offline());
    EXPECT_TRUE(logged("UsbOffline(): after UsbGetResponse(), return code is -6\n"));
}

TEST_F(UsbPort, OfflineWithoutAWritePipeFails) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    printer.disconnect();
    EXPECT_EQ(UsbOffline(SlcGlobals().devicePath, 1), SLC_FAIL);
}

TEST_F(UsbPort, TheMostRecentOfTwoStoredRepliesIsHandedOut) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    Bytes reply;
    ASSERT_EQ(readAll(printer, reply), SLC_OK);  // the reader now runs

    sim::Faults faults;
    faults.foreignRepliesBefore = 1;
    printer.setFaults(faults);
    // The request goes out behind the link's back, so both replies are stored before anyone waits.
    auto pipe = OpenUsbHandle(SlcGlobals().devicePath, platform::UsbPipe::Write);
    ASSERT_TRUE(pipe);
    Bytes request;
    npa::BuildBatchRequest({allIds(printer)[0]}, request);
    const Bytes wire = Cat({Start(), request});
    ASSERT_EQ(pipe->write(wire.data(), wire.size()), static_cast<long>(wire.size()));
    SlcState& st = SlcGlobals();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(st.responseMutex);
            if (st.slotLength[0] != 0 && st.slotLength[1] != 0) break;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    uint8_t buffer[SLC_SLOT_SIZE];
    uint32_t length = sizeof buffer;
    ASSERT_EQ(UsbGetResponse(buffer, &length, 0xE0), SLC_OK);
    EXPECT_EQ(buffer[4], 0xE0);  // not the foreign 0xE1 stored before it
    std::lock_guard<std::mutex> lock(st.responseMutex);
    for (int32_t slotLength : st.slotLength) EXPECT_EQ(slotLength, 0);
}

TEST_F(UsbPort, ReplyLargerThanASlotIsTooLargeAndTheLinkGoesOn) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    sim::Faults faults;
    faults.oversizeReply = true;
    printer.setFaults(faults);
    Bytes reply;
    EXPECT_EQ(readAll(printer, reply), SLC_SEND_TOOLARGE);
    EXPECT_TRUE(reply.empty());
    printer.setFaults({});
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(entries(reply), allIds(printer).size());
}

TEST_F(UsbPort, ReplyLongerThanTheCallersBufferIsTooLarge) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    Bytes request;
    npa::BuildBatchRequest(allIds(printer), request);
    uint8_t small[16];
    uint32_t length = sizeof small;
    EXPECT_EQ(SlcSendCommand(kPort, request.data(), static_cast<uint32_t>(request.size()), small, &length),
              SLC_SEND_TOOLARGE);
    EXPECT_EQ(length, 0u);
}

TEST_F(UsbPort, SilentPrinterTimesOut) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    sim::Faults faults;
    faults.silent = true;
    printer.setFaults(faults);
    SlcTimingTable().responseWaitMs = 50;
    Bytes reply;
    EXPECT_EQ(readAll(printer, reply), SLC_SEND_READFAIL);
    EXPECT_TRUE(logged("UsbGetResponse() - RESPONSE_WAIT_TIMEOUT occured after 50 ms, returning SLC_SEND_READFAIL\n"));
}

TEST_F(UsbPort, NoMatchingPrinterOrNoWritePipeFails) {
    sim::VirtualPrinter& printer = addPrinter();
    EXPECT_EQ(SlcOpenPort("USB002"), SLC_FAIL);
    EXPECT_EQ(SlcLastProblem().rfind("no USB printer on USB002", 0), 0u) << SlcLastProblem();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    EXPECT_TRUE(SlcLastProblem().empty());
    printer.disconnect();
    Bytes reply;
    EXPECT_EQ(readAll(printer, reply), SLC_FAIL);
    EXPECT_NE(SlcLastProblem().find("sim-usb/lp0 cannot be opened: missing:"), std::string::npos) << SlcLastProblem();
    EXPECT_EQ(SlcOpenPort(kPort), SLC_FAIL);
}

TEST_F(UsbPort, ReaderThatLostThePipeIsReplacedByTheNextWait) {
    sim::VirtualPrinter& printer = addPrinter();
    ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    Bytes reply;
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    printer.disconnect();  // the reader's read fails and the pipe cannot be reopened
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(SlcGlobals().transactionInfo);
            if (!SlcGlobals().readThreadRunning) break;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(logged("UsbReadPort(), couldn't open port or no one is expecting a response, exiting...\n"));
    printer.reconnect();
    ASSERT_EQ(readAll(printer, reply), SLC_OK);
    EXPECT_EQ(entries(reply), allIds(printer).size());
}

}  // namespace
