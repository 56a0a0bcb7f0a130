// The Windows platform's readings of system data, from records taken on Windows machines: the
// system itself cannot show a USB printer or a spooler queue to these tests (not under Wine,
// not on Linux).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/windows/system_replies.h"
#include "platform/windows/win32_errors.h"
#include "platform/port_name.h"

namespace {

using namespace platform::windows_impl;
using Bytes = std::vector<uint8_t>;

const std::string kId = "MFG:Altrin;CMD:PJL,PCL;MDL:Pressline T90;CLS:PRINTER;";

Bytes Prefixed(uint8_t high, uint8_t low, const std::string& text) {
    Bytes reply(text.size() + 2);
    reply[0] = high;
    reply[1] = low;
    std::copy(text.begin(), text.end(), reply.begin() + 2);
    return reply;
}

struct ReplyCase {
    const char* name;
    Bytes reply;
    bool prefixedRequest;  // the USB printing request (else the parallel port's)
    std::optional<std::string> id;
};

class DeviceIdReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(DeviceIdReplyTest, TakesTheIdOutOfTheReply) {
    const ReplyCase& c = GetParam();
    auto id = c.prefixedRequest ? deviceIdFromPrefixedReply(c.reply.data(), c.reply.size())
                                : deviceIdFromParallelReply(c.reply.data(), c.reply.size());
    ASSERT_EQ(id.has_value(), c.id.has_value());
    if (id) {
        EXPECT_EQ(std::string(id->begin(), id->end()), *c.id);
    }
}

const uint8_t kLength = static_cast<uint8_t>(kId.size() + 2);

INSTANTIATE_TEST_SUITE_P(
    Replies, DeviceIdReplyTest,
    ::testing::Values(
        ReplyCase{"UsbBigEndian", Prefixed(0, kLength, kId), true, kId},
        ReplyCase{"UsbLittleEndian", Prefixed(kLength, 0, kId), true, kId},
        // The driver's buffer is larger than the ID: the length says where it ends.
        ReplyCase{"UsbTrailingGarbage", Prefixed(0, kLength, kId + "XXXX"), true, kId},
        ReplyCase{"UsbLengthPastReply", Prefixed(0x40, 0, kId.substr(0, 20)), true, kId.substr(0, 20)},
        ReplyCase{"UsbEndsAtNul", Prefixed(0, kLength, std::string("MFG:Altrin;MDL:T\0junk;", 23)), true,
                  std::string("MFG:Altrin;MDL:T")},
        ReplyCase{"UsbTooShort", Prefixed(0, 5, "MFG"), true, std::nullopt},
        ReplyCase{"UsbNothing", Bytes{}, true, std::nullopt},
        ReplyCase{"ParallelPlainText", Bytes(kId.begin(), kId.end()), false, kId},
        ReplyCase{"ParallelTextWithNul", Prefixed('M', 'F', std::string("G:A;MDL:B;\0\0", 12)), false,
                  std::string("MFG:A;MDL:B;")},
        ReplyCase{"ParallelPrefixed", Prefixed(0, kLength, kId), false, kId},
        ReplyCase{"ParallelEmpty", Bytes{0, 0, 0}, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortNamesTest, ParallelPortsAndTheirDeviceNames) {
    EXPECT_EQ(platform::ParallelPortNumber("LPT1:"), 1);
    EXPECT_EQ(platform::ParallelPortNumber("LPT12"), 12);
    for (const char* notAPort : {"lpt1:", "LPT", "LPT0", "LPT01", "LPT256", "LPT1:x", "COM1", "USB001"})
        EXPECT_FALSE(platform::ParallelPortNumber(notAPort)) << notAPort;
    EXPECT_EQ(parallelDeviceNames(1), (std::vector<std::string>{"\\\\.\\LPT1", "LPT1:"}));
    EXPECT_EQ(parallelDeviceNames(10).front(), "\\\\.\\LPT10");
}

TEST(PortNamesTest, UsbPortNameOfPortNumber) {
    EXPECT_EQ(usbPortName(1), "USB001");
    EXPECT_EQ(usbPortName(42), "USB042");
    EXPECT_EQ(usbPortName(999), "USB999");
    EXPECT_EQ(usbPortName(0), "");
    EXPECT_EQ(usbPortName(1000), "");
}

// SetupAPI's list of USB printing interfaces on a machine with two printers of one model, a
// stale interface left by an earlier driver, and one without device parameters.
const std::string kGuid = "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const std::vector<UsbInterfaceRecord> kInterfaces = {
    {"\\\\?\\usb#vid_1a2b&pid_0090#t90a0001" + kGuid, 1},
    {"\\\\?\\usb#vid_1a2b&pid_0090#t90a0002" + kGuid, 3},
    {"\\\\?\\usb#vid_1a2b&pid_0090#6&1c2d3e4f&0&2" + kGuid, std::nullopt},
    {"\\\\?\\usb#vid_1a2b&pid_0090#t90a0003" + kGuid, 3},
};

TEST(UsbMatchTest, PortNumberPicksItsInterface) {
    EXPECT_EQ(devicePathForPort(kInterfaces, 1), kInterfaces[0].devicePath);
    EXPECT_EQ(devicePathForPort(kInterfaces, 3), kInterfaces[1].devicePath) << "the first of duplicates";
    EXPECT_FALSE(devicePathForPort(kInterfaces, 2));
    EXPECT_FALSE(devicePathForPort(kInterfaces, 0));
    EXPECT_FALSE(devicePathForPort({}, 1));
}

TEST(UsbMatchTest, DevicePathsCompareWithoutCase) {
    EXPECT_TRUE(sameDevicePath("\\\\?\\USB#VID_1A2B&PID_0090#T90A0001", "\\\\?\\usb#vid_1a2b&pid_0090#t90a0001"));
    EXPECT_FALSE(sameDevicePath("\\\\?\\usb#vid_1a2b&pid_0090#t90a0001", "\\\\?\\usb#vid_1a2b&pid_0090#t90a0002"));
    EXPECT_FALSE(sameDevicePath("abc", "abcd"));
}

struct SerialCase {
    const char* name;
    std::string path;
    std::string serial;
};

class SerialTest : public ::testing::TestWithParam<SerialCase> {};

TEST_P(SerialTest, SerialNumberOfPath) { EXPECT_EQ(serialFromInterfacePath(GetParam().path), GetParam().serial); }

INSTANTIATE_TEST_SUITE_P(
    Paths, SerialTest,
    ::testing::Values(
        SerialCase{"InterfacePath", "\\\\?\\usb#vid_1a2b&pid_0090#T90A0001" + kGuid, "T90A0001"},
        SerialCase{"UpperCaseInterfacePath", "\\\\?\\USB#VID_1A2B&PID_0090#X12#{GUID}", "X12"},
        SerialCase{"InstanceId", "USB\\VID_1A2B&PID_0090\\T90A0001", "T90A0001"},
        SerialCase{"InstanceIdWithInterfaceNumber", "USB\\VID_1A2B&PID_0090&MI_00\\7&3a2b1c&0&0000", ""},
        SerialCase{"MadeUpBySystem", "\\\\?\\usb#vid_1a2b&pid_0090#6&1c2d3e4f&0&2" + kGuid, ""},
        SerialCase{"InstanceName", "\\\\?\\usb#vid_1a2b&pid_0090#Inst_0" + kGuid, ""},
        SerialCase{"LowerCaseInstanceName", "\\\\?\\usb#vid_1a2b&pid_0090#inst_3" + kGuid, ""},
        SerialCase{"NoProductId", "\\\\?\\usb#vid_1a2b#T90" + kGuid, ""},
        SerialCase{"NothingAfterProduct", "\\\\?\\usb#vid_1a2b&pid_0090", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpoolerRecordsTest, InstalledPrintersOfEnumPrintersRecords) {
    // Recorded PRINTER_INFO_2 records (names, drivers, ports) of one machine.
    const std::vector<SpoolerRecord> records = {
        {"Pressline T90", "Altrin Pressline T90 PCL", "LPT1:"},
        {"Pressline T90 (USB)", "Altrin Pressline T90 PCL", "USB001"},
        {"Pool", "Altrin Pressline T90 PS", "LPT2:, LPT3:"},
        {"Lower case", "Altrin Pressline T90 PCL", "lpt3:"},
        {"Lower USB", "Altrin Pressline T90 PCL", "usb002"},
        {"\\\\server\\T90", "Altrin Pressline T90 PCL", "\\\\server\\T90"},
        {"PDF", "Microsoft Print To PDF", "PORTPROMPT:"},
        {"Network", "Altrin Pressline T90 PCL", "IP_192.168.1.20"},
        {"", "No name", "LPT1:"},
    };
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Pressline T90", "LPT1:"}, {"Pressline T90 (USB)", "USB001"}, {"Pool", "LPT2:"},
        {"Lower case", "LPT3:"},    {"Lower USB", "USB002"},           {"\\\\server\\T90", "\\\\server\\T90"},
        {"PDF", "PORTPROMPT:"},     {"Network", "IP_192.168.1.20"},
    };
    const auto printers = installedPrinters(records);
    ASSERT_EQ(printers.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(printers[i].name, expected[i].first);
        EXPECT_EQ(printers[i].port, expected[i].second) << printers[i].name;
        EXPECT_EQ(printers[i].driverName, records[i].driverName);
    }
}

TEST(ErrorsTest, Win32ErrorsAsErrnoValues) {
    const std::vector<std::pair<uint32_t, int>> table = {
        {0, 0},          {2, ENOENT},     {3, ENOENT},      {5, EACCES},     {32, EBUSY},
        {80, EEXIST},    {183, EEXIST},   {112, ENOSPC},    {1167, ENODEV},  {995, ECANCELED},
        {1460, ETIMEDOUT}, {1, ENOTSUP},  {145, ENOTEMPTY}, {31, EIO},       {0xDEADu, EIO},
        // Network paths that lead nowhere, malformed names, too many links on the way.
        {53, ENOENT},    {67, ENOENT},    {123, EINVAL},    {161, EINVAL},   {1113, EINVAL},
        {1921, ELOOP},   {6, EBADF},      {206, ENAMETOOLONG},
    };
    for (const auto& [win32, expected] : table) EXPECT_EQ(errnoFromWin32(win32), expected) << win32;
}

TEST(LogFolderTest, UnderLocalApplicationData) {
    EXPECT_EQ(logFolder("C:\\Users\\kim\\AppData\\Local"), "C:\\Users\\kim\\AppData\\Local\\devpanel");
    EXPECT_EQ(logFolder("C:\\Users\\kim\\AppData\\Local\\"), "C:\\Users\\kim\\AppData\\Local\\devpanel");
    EXPECT_EQ(logFolder(""), "");
}

}  // namespace
