// Printer discovery over the simulated printer list.
#include <gtest/gtest.h>

#include "document/discovery.h"
#include "config/profile.h"
#include "sim/sim_platform.h"

namespace {

const Profile kIni = Profile::Parse(
    "[DriverNames]\n"
    "Altrin Pressline T90\n"
    "Altrin 프린터 T90\n");

class DiscoveryTest : public ::testing::Test {
protected:
    DiscoveryResult Discover(std::vector<platform::InstalledPrinter> printers) {
        sim.setInstalledPrinters(std::move(printers));
        return DiscoverPrinters(sim.interfaces().printers, kIni);
    }
    sim::SimPlatform sim;
};

TEST_F(DiscoveryTest, DriverNameMatchesWholeAndWithoutRegardToLetterCase) {
    DiscoveryResult r = Discover({{"Office", "ALTRIN PRESSLINE T90", "LPT1:"},
                                  {"Near miss", "Altrin Pressline T90 XL", "LPT2:"},
                                  {"Other", "Generic Laser", "USB002"},
                                  {"Korean", "Altrin 프린터 T90", "USB003"},
                                  {"Korean case", "altrin 프린터 t90", "USB004"}});
    EXPECT_TRUE(r.listReadable);
    EXPECT_EQ(r.printers, (PrinterTable{{"LPT1: - Office", "LPT1:"},
                                        {"USB003 - Korean", "USB003"},
                                        {"USB004 - Korean case", "USB004"}}));
}

TEST_F(DiscoveryTest, OnlyParallelAndUsbPortsWithCaseSensitivePrefix) {
    DiscoveryResult r = Discover({{"File", "Altrin Pressline T90", "FILE:"},
                                  {"Network", "Altrin Pressline T90", "IP_10.0.0.7"},
                                  {"Lower", "Altrin Pressline T90", "lpt1:"},
                                  {"Usb lower", "Altrin Pressline T90", "usb001"}});
    EXPECT_TRUE(r.listReadable);
    EXPECT_TRUE(r.printers.empty());
}

// A queue printing to a printer's raw port on the network is offered as that network port; a
// queue whose device is found through DNS-SD is not (its address is not resolved yet).
TEST_F(DiscoveryTest, SocketQueuesAreOfferedAsTheirNetworkPort) {
    DiscoveryResult r = Discover({{"Floor 2", "Altrin Pressline T90", "socket://10.0.0.7:9100"},
                                  {"Announced", "Altrin Pressline T90", "dnssd://T90._pdl-datastream._tcp.local/"},
                                  {"Ipp", "Altrin Pressline T90", "ipp://10.0.0.8/ipp/print"}});
    EXPECT_EQ(r.printers, (PrinterTable{{"socket://10.0.0.7:9100 - Floor 2", "socket://10.0.0.7:9100"}}));
}

TEST_F(DiscoveryTest, TableIsSortedByLabelAndLaterDuplicatesReplaceEarlier) {
    DiscoveryResult r = Discover({{"B", "Altrin Pressline T90", "USB001"},
                                  {"A", "Altrin Pressline T90", "LPT1:"},
                                  {"A", "Altrin Pressline T90", "LPT1:"}});
    ASSERT_EQ(r.printers.size(), 2u);
    EXPECT_EQ(r.printers.begin()->first, "LPT1: - A");
    EXPECT_EQ(std::next(r.printers.begin())->first, "USB001 - B");
}

TEST_F(DiscoveryTest, UnreadableListIsReportedWithAnEmptyTable) {
    sim.setPrinterListUnreadable();
    DiscoveryResult r = DiscoverPrinters(sim.interfaces().printers, kIni);
    EXPECT_FALSE(r.listReadable);
    EXPECT_TRUE(r.printers.empty());
    EXPECT_FALSE(DiscoverPrinters(nullptr, kIni).listReadable);
}

TEST_F(DiscoveryTest, AttachedPrintersJoinTheQueuesByPortAndAQueuesLabelWins) {
    sim.setInstalledPrinters({{"Office", "Altrin Pressline T90", "LPT1:"},
                              {"laser", "Generic PCL Laser", "USB002"},
                              {"Spare", "Altrin Pressline T90", "USB004"}});
    const std::vector<SlcAttachedPrinter> attached = {{"LPT1:", "Altrin Pressline T90"},
                                                      {"USB001", "Altrin Pressline T90"},
                                                      {"USB002", "Altrin Pressline T90"}};
    DiscoveryResult r = DiscoverPrinters(sim.interfaces().printers, kIni, attached);
    EXPECT_TRUE(r.listReadable);
    EXPECT_EQ(r.printers, (PrinterTable{{"LPT1: - Office", "LPT1:"},
                                        {"USB001 - Altrin Pressline T90", "USB001"},
                                        {"USB002 - laser", "USB002"},
                                        {"USB004 - Spare", "USB004"}}));
}

TEST_F(DiscoveryTest, AttachedPrintersAreFoundWithoutAPrintServer) {
    sim.setPrinterListUnreadable();
    DiscoveryResult r = DiscoverPrinters(sim.interfaces().printers, kIni, {{"USB001", "Altrin Pressline T90"}});
    EXPECT_FALSE(r.listReadable);
    EXPECT_EQ(r.printers, (PrinterTable{{"USB001 - Altrin Pressline T90", "USB001"}}));
}

TEST_F(DiscoveryTest, AttachedDevicesOfTheSimulatedPlatformAreRecognisedByTheirDeviceId) {
    sim.addUsbPrinter(1, "T90V000001");
    sim::Faults foreign;
    foreign.foreignDeviceId = true;
    sim.addUsbPrinter(2, "X0000002").setFaults(foreign);
    sim.addParallelPrinter("LPT1:");
    sim.install();
    std::vector<SlcAttachedPrinter> found = SlcFindAttachedPrinters();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].portName, "LPT1:");
    EXPECT_EQ(found[0].model, "Altrin Pressline T90");
    EXPECT_EQ(found[1].portName, "USB001");
    EXPECT_EQ(found[1].model, "Altrin Pressline T90");
}

struct IdCase {
    const char* name;
    const char* deviceId;
    const char* model;
};

class DeviceIdModelTest : public ::testing::TestWithParam<IdCase> {};

TEST_P(DeviceIdModelTest, LabelTextComesFromTheMakerAndModelFields) {
    EXPECT_EQ(SlcDeviceIdModel(GetParam().deviceId), GetParam().model);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, DeviceIdModelTest,
    ::testing::Values(
        IdCase{"LongKeys", "MANUFACTURER:Altrin;COMMAND SET:PCL, NPAP,;MODEL:Pressline T90;", "Altrin Pressline T90"},
        IdCase{"ShortKeys", "MFG:Altrin;CMD:PCL;MDL:Pressline T90;CLS:PRINTER;", "Altrin Pressline T90"},
        IdCase{"ModelNamesTheMaker", "MFG:Altrin;MDL:Altrin Pressline T90;", "Altrin Pressline T90"},
        IdCase{"ModelOnly", "MDL: Pressline T90 ;CMD:NPAP;", "Pressline T90"},
        IdCase{"Neither", "CMD:PCL, NPAP,;CLS:PRINTER;", ""},
        IdCase{"KeyInsideAnotherKey", "COMMAND SET:XMODEL:1;MODEL:T90;", "T90"},
        IdCase{"LengthPrefix", "\x01\x2fMFG:Altrin;MDL:Pressline T90;", "Altrin Pressline T90"},
        IdCase{"ControlCharacters", "MFG:Altrin;MDL:T90\tX;", "Altrin T90 X"}),
    [](const ::testing::TestParamInfo<IdCase>& info) { return std::string(info.param.name); });

}  // namespace
