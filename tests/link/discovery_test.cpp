// USB discovery: which interface a system port name opens, told by MODEL and serial number.
// A small fake of the USB printer interfaces gives each case exactly the device IDs it needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "sim/sim_platform.h"
#include "tests/link/fake_usb.h"

namespace {

constexpr const char* kOurId = "MFG:Altrin;CMD:PJL,QNPAP;MODEL:Pressline T90;CLS:PRINTER;";

using usbtest::FakeUsb;

class UsbDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        sim_.setSleepScale(0);
        sim_.setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
        platform::Platform p = sim_.interfaces();
        p.usb = &usb_;
        platform::install(p);
        SlcResetForTesting();
    }
    void TearDown() override {
        SlcResetForTesting();
    }

    bool logged(const std::string& line) const {
        const std::string text = sim_.logText();
        return text.find(line) != std::string::npos;
    }

    sim::SimPlatform sim_;
    FakeUsb usb_;
};

TEST(UsbPortName, BuiltFromModelAndSerial) {
    EXPECT_EQ(UsbCustomPortName("Laser 100", "AB12"), "usb-laser_100(ab12)");
    EXPECT_EQ(UsbCustomPortName("Laser 100", ""), "usb-laser_100");
    // Overlong parts are cut to the same limits on every side.
    const std::string model(200, 'M'), serial(40, 'S');
    const std::string name = UsbCustomPortName(model, serial);
    EXPECT_EQ(name, "usb-" + std::string(USB_MODEL_MAX, 'm') + "(" + std::string(USB_SERIAL_MAX, 's') + ")");
}

TEST(UsbPortName, DeviceIdFieldRunsToTheNextSemicolonOrTheEnd) {
    std::string value;
    EXPECT_TRUE(GetDeviceIdField("MFG:Altrin;MODEL:Laser 100;CLS:PRINTER;", "MODEL", 128, value));
    EXPECT_EQ(value, "Laser 100");
    EXPECT_TRUE(GetDeviceIdField("MFG:Altrin;MODEL:Laser 100", "MODEL", 128, value));
    EXPECT_EQ(value, "Laser 100");
    EXPECT_TRUE(GetDeviceIdField("MODEL:Laser 100;", "MODEL", 5, value));
    EXPECT_EQ(value, "Laser");
    EXPECT_TRUE(GetDeviceIdField("MODEL", "MODEL", 128, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(GetDeviceIdField("MFG:Altrin;MDL:X;", "MODEL", 128, value));
}

TEST_F(UsbDiscovery, PortNumberSelectsTheInterfaceAndRecordsIt) {
    usb_.add(0, 1, "MFG:Altrin;CMD:QNPAP;MODEL:Pressline T90 A;", "S1");
    usb_.add(0, 2, "MFG:Altrin;CMD:QNPAP;MODEL:Pressline T90 B;", "S2");
    ASSERT_EQ(SlcOpenPort("USB002"), SLC_OK);
    SlcState& st = SlcGlobals();
    EXPECT_EQ(st.devicePath, "fake/lp1");
    EXPECT_EQ(st.deviceId, "MFG:Altrin;CMD:QNPAP;MODEL:Pressline T90 B;");
    EXPECT_EQ(st.openPort, "USB002");
    EXPECT_EQ(st.npaMode, NPA_AUTO);
    EXPECT_EQ(st.port, nullptr);
    EXPECT_TRUE(logged("SlcOpenPort(USB) - found port usb-pressline_t90_b(s2), device path is fake/lp1\n"));
    EXPECT_TRUE(logged("SlcOpenPort(USB) - USB CreateFile worked\n"));
    EXPECT_EQ(usb_.opened, std::vector<std::string>{"fake/lp1"});
}

TEST_F(UsbDiscovery, TwoIdenticalPrintersAreToldApartBySerial) {
    usb_.add(0, 1, kOurId, "T90-0001");
    usb_.add(0, 2, kOurId, "T90-0002");
    ASSERT_EQ(SlcOpenPort("USB002"), SLC_OK);
    EXPECT_EQ(SlcGlobals().devicePath, "fake/lp1");
    ASSERT_EQ(SlcOpenPort("USB001"), SLC_OK);
    EXPECT_EQ(SlcGlobals().devicePath, "fake/lp0");
}

TEST_F(UsbDiscovery, FirstClassWithInterfacesIsTheOnlyOneSearched) {
    usb_.add(0, 5, "MFG:Other;MODEL:Inkjet;", "");
    usb_.add(1, 1, kOurId, "A");
    EXPECT_EQ(SlcOpenPort("USB001"), SLC_FAIL);
    EXPECT_EQ(usb_.enumerated, std::vector<int>{0});
    EXPECT_TRUE(logged("SlcOpenPort(USB) - after loop, bFound=true"));

    usb_.devices.erase(usb_.devices.begin());
    usb_.enumerated.clear();
    EXPECT_EQ(SlcOpenPort("USB001"), SLC_OK);
    EXPECT_EQ((usb_.enumerated), (std::vector<int>{0, 1}));
}

TEST_F(UsbDiscovery, UnsupportedOrModelessDevicesAreLeftOut) {
    // Same MODEL and serial as the requested port, but another maker: not in the table.
    usb_.add(0, 1, "MFG:Other;MODEL:Pressline T90;", "X");
    usb_.add(0, 2, "MFG:Altrin;CMD:QNPAP;MDL:Pressline T90;", "Y");
    EXPECT_EQ(SlcOpenPort("USB001"), SLC_FAIL);
    EXPECT_TRUE(logged("not a recognized printer\n"));
    EXPECT_EQ(SlcOpenPort("USB002"), SLC_FAIL);
    EXPECT_TRUE(logged("didn't find [MODEL] in:\n"));
    EXPECT_TRUE(usb_.opened.empty());
    EXPECT_TRUE(SlcGlobals().openPort.empty());
}

TEST_F(UsbDiscovery, NoInterfaceOrNoPortNumberFails) {
    EXPECT_EQ(SlcOpenPort("USB001"), SLC_FAIL);
    EXPECT_TRUE(logged("SlcOpenPort(USB) - after loop, bFound=false"));
    usb_.add(0, 1, kOurId, "A");
    EXPECT_EQ(SlcOpenPort("USB007"), SLC_FAIL);
    EXPECT_TRUE(logged("UsbGetSymbolicNameFromRegistry(): sysPortName:USB007 returning API_FAIL\n"));
}

TEST_F(UsbDiscovery, WritePipeThatWillNotOpenFailsAfterTwoAttempts) {
    usb_.add(0, 1, kOurId, "A");
    usb_.pipesFail = true;
    EXPECT_EQ(SlcOpenPort("USB001"), SLC_FAIL);
    EXPECT_EQ(usb_.opened.size(), 2u);
    EXPECT_EQ(sim_.sleeps(), (std::vector<uint32_t>{100, 100}));
    EXPECT_TRUE(logged("OpenUsbHandle()->CreateFile Failed to give a handle to PIPE00\n"));
    EXPECT_TRUE(logged("USB32DLL: OpenUsbHandle(PIPE00) failed error:5 after retries:1, devName:fake/lp0\\PIPE00, "
                       "so going to do global enumeration\n"));
    EXPECT_TRUE(logged("USB32DLL: OpenUsbHandle() failed after 2 retries, sleep(100)\n"));
    EXPECT_TRUE(logged("SlcOpenPort(USB) - port USB001 not found\n"));
    EXPECT_TRUE(SlcGlobals().openPort.empty());
    EXPECT_TRUE(SlcGlobals().devicePath.empty());
}

TEST_F(UsbDiscovery, AtMostTwentyInterfacesAreLookedAt) {
    for (int i = 0; i < 21; ++i) usb_.add(0, i + 1, kOurId, "S" + std::to_string(i));
    EXPECT_EQ(SlcOpenPort("USB020"), SLC_OK);
    EXPECT_EQ(SlcOpenPort("USB021"), SLC_FAIL);
}

}  // namespace
