// Taking the printer offline and online: the exchange on a two-way parallel port, the FILE port's
// records and the one-way workaround's transfer.
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "link_fixture.h"

namespace linktest {
namespace {

using Offline = LinkTest;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

Bytes WithFlags(Bytes packet, uint8_t flags) {
    packet[3] = flags;
    return packet;
}

TEST_F(Offline, ParallelExchangeAcceptedInEitherOrder) {
    for (bool alertFirst : {false, true}) {
        SCOPED_TRACE(alertFirst);
        sim::PrinterConfig config;
        config.alertFirst = alertFirst;
        sim::VirtualPrinter& printer = AddPrinter(config, alertFirst ? "LPT2:" : "LPT1:");
        const char* port = alertFirst ? "LPT2:" : "LPT1:";
        ASSERT_EQ(SlcOpenPort(port), SLC_OK);
        printer.clearWire();

        ASSERT_EQ(SlcOffline(port, 1), SLC_OK);
        EXPECT_TRUE(printer.offline());
        EXPECT_FALSE(printer.alertRegistered());
        const Bytes start = ToBytes(npa::kStart);
        EXPECT_EQ(printer.receivedPackets(),
                  (std::vector<Bytes>{start, ToBytes(npa::kRegisterAlert), start, ToBytes(npa::kOffline), start,
                                      ToBytes(npa::kDeregisterAlert)}));

        ASSERT_EQ(SlcOffline(port, 0), SLC_OK);
        EXPECT_FALSE(printer.offline());
        EXPECT_EQ(SlcClosePort(port), SLC_OK);
    }
}

TEST_F(Offline, ParallelExchangeRefusedInEitherOrder) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
    sim::VirtualPrinter& printer = AddPrinter();
    for (bool alertFirst : {false, true}) {
        for (int offline : {1, 0}) {
            SCOPED_TRACE(testing::Message() << "alertFirst " << alertFirst << " offline " << offline);
            sim::PrinterConfig config;
            config.alertFirst = alertFirst;
            printer.setConfig(config);
            printer.setFaults({});
            ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
            // Start from the opposite state, so that a refusal leaves the alert telling the old one.
            ASSERT_EQ(SlcOffline("LPT1:", offline != 0 ? 0 : 1), SLC_OK);
            sim::Faults refuse;
            refuse.refuseOffline = true;
            printer.setFaults(refuse);
            printer.clearWire();
            sim_->clearLog();

            EXPECT_EQ(SlcOffline("LPT1:", offline), SLC_REJECTED);
            EXPECT_EQ(printer.offline(), offline == 0);
            EXPECT_TRUE(LogHas(alertFirst ? "ParOffline(): 9th byte NOT OK - rejected\n"
                                          : "ParOffline(): the command appears to have been rejected:\n"));
            // The registration is left in place: no deregister packet follows.
            EXPECT_EQ(printer.receivedPackets().size(), 4u);
            EXPECT_TRUE(printer.alertRegistered());
        }
    }
}

TEST_F(Offline, FilePortRecordsEveryPacketAfterAStartPacket) {
    const std::string path = TempPath("settings.npa");
    const std::string offlinePath = TempPath("offline.dat");
    {
        std::ofstream old(offlinePath, std::ios::binary);
        old << std::string(100, 'x');
    }
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(path)), SLC_OK);
    ASSERT_EQ(SlcOffline(path.c_str(), 1), SLC_OK);
    EXPECT_EQ(SlcGlobals().offlineFile, offlinePath);

    const Bytes command = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0xE7, 0x01, 0x00, 0x10, 0x02};
    uint8_t reply[16];
    uint32_t replyLength = sizeof reply;
    ASSERT_EQ(SlcSendCommand(path.c_str(), command.data(), static_cast<uint32_t>(command.size()), reply, &replyLength),
              SLC_OK);
    EXPECT_EQ(replyLength, 0u);
    ASSERT_EQ(SlcOffline(path.c_str(), 0), SLC_OK);
    ASSERT_EQ(SlcClosePort(path.c_str()), SLC_OK);

    const Bytes start = ToBytes(npa::kStart);
    EXPECT_EQ(ReadFile(offlinePath), Concat({start, ToBytes(npa::kFileOffline)}));
    EXPECT_EQ(ReadFile(offlinePath).size(), 28u);
    EXPECT_EQ(ReadFile(path), Concat({start, WithFlags(command, 0x40), start, ToBytes(npa::kFileOnline)}));
    EXPECT_TRUE(Exists(offlinePath));  // it stays beside the command file
}

TEST_F(Offline, OneWayPortCollectsCommandsAndCopiesThemOnClose) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = AddPrinter();
    sim_->setLoggingLevel(SLC_LOG_PUBLIC);
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_UNIDIRECTIONAL);
    const std::string tempFile = SlcGlobals().tempFile;
    // A folder of this open's own, that nobody else may enter.
    const std::string folder = SlcGlobals().workFolder;
    EXPECT_EQ(folder.rfind(sim_->tempFolder() + "/devpanel-", 0), 0u) << folder;
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(tempFile.rfind(folder + "/LPT1", 0), 0u) << tempFile;

    const Bytes first = BatchRead();
    const Bytes second = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0xE7, 0x01, 0x00, 0x10, 0x02};
    ASSERT_EQ(SlcOffline("LPT1:", 1), SLC_OK);
    const std::string offlinePath = SlcGlobals().offlineFile;
    EXPECT_EQ(offlinePath, folder + "/offline.dat");
    for (const Bytes* c : {&first, &second}) {
        uint32_t zero = 0;
        ASSERT_EQ(SlcSendCommand("LPT1:", c->data(), static_cast<uint32_t>(c->size()), nullptr, &zero), SLC_OK);
    }
    ASSERT_EQ(SlcOffline("LPT1:", 0), SLC_OK);
    EXPECT_TRUE(printer.receivedBytes().empty());  // nothing reaches the printer before the close

    ASSERT_EQ(SlcClosePort("LPT1:"), SLC_OK);
    EXPECT_TRUE(LogHas("SlcClosePort(Unidirectional workaround)\n"));
    const Bytes start = ToBytes(npa::kStart);
    EXPECT_EQ(printer.receivedBytes(), Concat({start, ToBytes(npa::kFileOffline), start, WithFlags(first, 0x40), start,
                                               WithFlags(second, 0x40), start, ToBytes(npa::kFileOnline)}));
    const std::vector<uint32_t> sleeps = sim_->sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 5000u), sleeps.end());
    EXPECT_FALSE(Exists(tempFile));
    EXPECT_FALSE(Exists(offlinePath));
    EXPECT_NE(::lstat(folder.c_str(), &st), 0) << "the folder goes with its files";
    EXPECT_TRUE(SlcGlobals().tempFile.empty());
    EXPECT_FALSE(SlcGlobals().unidirectional);

    // A port that can only be written takes the same road on a two-way machine.
    sim_->setOsKind(platform::OsKind::TwoWay);
    SlcResetForTesting();
    sim_->addParallelPrinter("LPT2:", true);
    EXPECT_EQ(SlcOpenPort("LPT2:"), SLC_UNIDIRECTIONAL);
}

TEST_F(Offline, CollectedCommandsThatAreNotSentLeaveNoFiles) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = AddPrinter();
    const Bytes command = BatchRead();

    // Closed without an offline packet: nothing is sent and the temporary file goes.
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_UNIDIRECTIONAL);
    std::string tempFile = SlcGlobals().tempFile;
    ASSERT_EQ(SlcSendCommand("LPT1:", command.data(), static_cast<uint32_t>(command.size()), nullptr, nullptr), SLC_OK);
    ASSERT_EQ(SlcClosePort("LPT1:"), SLC_OK);
    EXPECT_FALSE(Exists(tempFile));

    // Replaced by another port: the transfer is dropped with both of its files.
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_UNIDIRECTIONAL);
    tempFile = SlcGlobals().tempFile;
    ASSERT_EQ(SlcOffline("LPT1:", 1), SLC_OK);
    const std::string offlinePath = SlcGlobals().offlineFile;
    ASSERT_EQ(SlcSendCommand("LPT1:", command.data(), static_cast<uint32_t>(command.size()), nullptr, nullptr), SLC_OK);
    const std::string folder = SlcGlobals().workFolder;
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(TempPath("settings.npa"))), SLC_OK);
    EXPECT_FALSE(Exists(tempFile));
    EXPECT_FALSE(Exists(offlinePath));
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(printer.receivedBytes().empty());
}

TEST_F(Offline, OfflineFileOfACommandFileIsNeverCopiedToThePrinter) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = AddPrinter();
    const std::string commandFile = TempPath("settings.npa");
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(commandFile)), SLC_OK);
    ASSERT_EQ(SlcOffline(commandFile.c_str(), 1), SLC_OK);
    ASSERT_EQ(SlcClosePort(commandFile.c_str()), SLC_OK);

    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_UNIDIRECTIONAL);
    ASSERT_EQ(SlcClosePort("LPT1:"), SLC_OK);
    EXPECT_TRUE(printer.receivedBytes().empty());
    EXPECT_TRUE(Exists(TempPath("offline.dat")));
}

}  // namespace
}  // namespace linktest
