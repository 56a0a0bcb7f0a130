#include "platform/linux/usb.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/linux/cups_printers.h"
#include "testbed.h"

using namespace platform::linux_impl;

namespace {

const std::string kIdA = "MFG:Corvane;MDL:Pressline T90;CMD:PJL,QNPAP;";
const std::string kIdB = "MANUFACTURER:Corvane;MODEL:Pressline T90;COMMAND SET:PJL,QNPAP;";

std::string text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// How many descriptors of this process are open on path.
int openCount(const std::string& path) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == path) ++count;
    }
    return count;
}

}  // namespace

class UsbPrintersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty0.ok() && pty2.ok() && pty10.ok());
        bed.addUsbInterface(0, kIdA, std::string("AB12"));
        bed.addUsbNode(0, pty0.slavePath());
        bed.addUsbInterface(2, kIdB + "\n", std::nullopt);  // sysfs attributes may end in a newline
        bed.addUsbNode(2, pty2.slavePath());
        bed.addUsbInterface(10, kIdA, std::string("CD34"));
        bed.addUsbNode(10, pty10.slavePath());
    }
    testbed::Testbed bed;
    testbed::PtyPair pty0, pty2, pty10;
    LinuxUsbPrinters usb{bed.roots()};
};

TEST_F(UsbPrintersTest, EnumeratesUsblpInterfacesInNumericOrderForBothClasses) {
    std::vector<platform::UsbInterface> found;
    ASSERT_TRUE(usb.enumerate(1, 20, found));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].devicePath, bed.path("dev/usb/lp0"));
    EXPECT_EQ(found[1].devicePath, bed.path("dev/usb/lp2"));
    EXPECT_EQ(found[2].devicePath, bed.path("dev/usb/lp10"));  // 10 after 2, not after 1
    EXPECT_EQ(text(found[0].deviceId), kIdA);
    EXPECT_EQ(text(found[1].deviceId), kIdB);
    EXPECT_EQ(found[0].serialNumber, "AB12");  // read from the USB device above the interface
    EXPECT_EQ(found[1].serialNumber, "");
    EXPECT_EQ(found[2].serialNumber, "CD34");

    std::vector<platform::UsbInterface> devices;
    ASSERT_TRUE(usb.enumerate(0, 20, devices));
    EXPECT_EQ(devices.size(), 3u);
    ASSERT_TRUE(usb.enumerate(1, 2, found));
    EXPECT_EQ(found.size(), 2u);
    EXPECT_FALSE(usb.enumerate(2, 20, found));
}

TEST_F(UsbPrintersTest, LeavesOutInterfacesWhoseNodeOrIdCannotBeRead) {
    bed.remove("dev/usb/lp2");  // node gone
    // No ieee1284_id attribute, and the node (a pty) does not answer the driver's ID request.
    testbed::PtyPair pty3;
    bed.addUsbInterface(3, std::nullopt, std::string("X"));
    bed.addUsbNode(3, pty3.slavePath());
    bed.addUsbInterface(4, std::string(""), std::nullopt);  // empty ID
    bed.addUsbNode(4, pty3.slavePath());
    std::vector<platform::UsbInterface> found;
    ASSERT_TRUE(usb.enumerate(1, 20, found));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].devicePath, bed.path("dev/usb/lp10"));

    testbed::Testbed empty;
    LinuxUsbPrinters none(empty.roots());
    EXPECT_FALSE(none.enumerate(1, 20, found));  // no usbmisc class at all
    EXPECT_TRUE(found.empty());
}

TEST_F(UsbPrintersTest, PortNumbersMapToInterfaceIndexPlusOne) {
    platform::UsbInterface found;
    ASSERT_TRUE(usb.interfaceForPort(1, found));
    EXPECT_EQ(found.devicePath, bed.path("dev/usb/lp0"));
    EXPECT_EQ(found.serialNumber, "AB12");
    ASSERT_TRUE(usb.interfaceForPort(11, found));
    EXPECT_EQ(found.serialNumber, "CD34");
    EXPECT_FALSE(usb.interfaceForPort(2, found));  // no lp1
    EXPECT_FALSE(usb.interfaceForPort(0, found));
    EXPECT_FALSE(usb.interfaceForPort(-5, found));
}

TEST_F(UsbPrintersTest, PipesShareTheNodeAndReadInBoundedTransfers) {
    int error = 0;
    const int before = openCount(pty0.slavePath());
    auto reader = usb.openPipe(bed.path("dev/usb/lp0"), platform::UsbPipe::Read, error);
    ASSERT_TRUE(reader) << error;
    auto writer = usb.openPipe(bed.path("dev/usb/lp0"), platform::UsbPipe::Write, error);
    ASSERT_TRUE(writer) << error;
    // usblp admits one open per node: the write pipe must not open it a second time.
    EXPECT_EQ(openCount(pty0.slavePath()), before + 1);
    EXPECT_EQ(writer->write(reinterpret_cast<const uint8_t*>("cmd"), 3), 3);
    EXPECT_EQ(pty0.receive(3, 1000), "cmd");

    uint8_t buf[64];
    pty0.send(std::string(40, 'r'));
    EXPECT_EQ(reader->read(buf, 32, 1000), 32);
    EXPECT_EQ(reader->read(buf, 32, 1000), 8);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(reader->read(buf, 32, 100), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    // Each pipe goes one way only.
    EXPECT_EQ(writer->read(buf, 4, 0), -1);
    EXPECT_EQ(reader->write(buf, 4), -1);
    EXPECT_EQ(reader->lastError(), EBADF);

    // Closing the write pipe leaves the read pipe working; cancel ends it.
    writer.reset();
    pty0.send("z");
    EXPECT_EQ(reader->read(buf, 32, 1000), 1);
    reader->cancel();
    EXPECT_EQ(reader->read(buf, 32, 1000), -1);

    EXPECT_FALSE(usb.openPipe(bed.path("dev/usb/lp7"), platform::UsbPipe::Write, error));
    EXPECT_EQ(error, ENOENT);
}

TEST(DeviceUriPorts, ParallelAndOtherUris) {
    std::vector<platform::UsbInterface> none;
    EXPECT_EQ(portForDeviceUri("parallel:/dev/lp0", none, {}), "LPT1:");
    EXPECT_EQ(portForDeviceUri("parallel:/dev/lp3", none, {}), "LPT4:");
    for (const char* other : {"parallel:/dev/lpX", "parallel:/dev/lp", "parallel:/dev/lp01", "socket://10.0.0.5:9100",
                              "file:///tmp/out.prn", "ipp://host/printers/q", "lpd://host/q", ""})
        EXPECT_EQ(portForDeviceUri(other, none, {}), other);
}

TEST(DeviceUriPorts, UsbUrisFindTheInterfaceByModelAndSerial) {
    platform::UsbInterface a{"/dev/usb/lp0", {kIdA.begin(), kIdA.end()}, "AB12"};
    platform::UsbInterface b{"/dev/usb/lp4", {kIdA.begin(), kIdA.end()}, "CD34"};
    const std::string noSerialId = "MFG:Corvane;MDL:Corvane Pressline T80;SN:EF56;";
    platform::UsbInterface c{"/dev/usb/lp5", {noSerialId.begin(), noSerialId.end()}, ""};
    std::vector<platform::UsbInterface> all{a, b, c};
    std::vector<int> indexes{0, 4, 5};
    EXPECT_EQ(portForDeviceUri("usb://Corvane/Pressline%20T90?serial=AB12", all, indexes), "USB001");
    EXPECT_EQ(portForDeviceUri("usb://Corvane/Pressline%20T90?serial=CD34&interface=1", all, indexes), "USB005");
    // The URI leaves the make out of the model; the serial number is in the device ID.
    EXPECT_EQ(portForDeviceUri("usb://Corvane/Pressline%20T80?serial=EF56", all, indexes), "USB006");
    // No such printer attached: nothing the start-up would offer.
    const std::string absent = "usb://Corvane/Pressline%20T90?serial=ZZ99";
    EXPECT_EQ(portForDeviceUri(absent, all, indexes), absent);
    EXPECT_EQ(portForDeviceUri("usb://Corvane", all, indexes), "usb://Corvane");
    EXPECT_EQ(percentDecode("a%20b%2"), "a b%2");
    EXPECT_EQ(percentDecode("%zz%41"), "%zzA");
}
