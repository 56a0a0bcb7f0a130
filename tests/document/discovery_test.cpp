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

}  // namespace
