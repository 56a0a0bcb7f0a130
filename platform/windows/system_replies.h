// What the Windows platform reads from the system, taken apart without calling the system: the
// replies of device-ID requests, the "Port Number" of a USB printing interface, serial numbers in
// interface paths, the spooler's printer records. Plain C++ on purpose: SetupAPI
// and the spooler cannot show a printer under Wine, so these are tested with recorded data, on
// Linux as well as on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace platform::windows_impl {

// The device ID of a device-ID reply whose first two bytes are its length (the USB printing
// class request; the parallel port's raw request). The length counts itself and is big-endian;
// a device that sends it little-endian is understood too (the other order is tried when the
// first is past the received bytes or too short for an ID). The ID ends at the first NUL and never
// reaches past the received bytes. nullopt when nothing usable came (fewer than 14 bytes).
std::optional<std::vector<uint8_t>> deviceIdFromPrefixedReply(const uint8_t* data, size_t received);

// The device ID of a parallel port's device-ID reply, which is the ID text itself on most
// drivers and length-prefixed on others: a reply whose first two bytes are not both printable is
// taken as prefixed. The ID ends at the first NUL. nullopt when it is empty.
std::optional<std::vector<uint8_t>> deviceIdFromParallelReply(const uint8_t* data, size_t received);

// The names CreateFile takes for port n: the device namespace name "\\.\LPTn" (any n), then
// the DOS name "LPTn:" (the one older drivers register alone).
std::vector<std::string> parallelDeviceNames(int portNumber);

// The system port name of a USB printing interface's "Port Number" value: 1 -> "USB001".
// Empty for 0 and for numbers past 999 (not a port the spooler makes).
std::string usbPortName(uint32_t portNumber);

// One USB printing interface as SetupAPI lists it, with the "Port Number" of its device
// parameters when it has one.
struct UsbInterfaceRecord {
    std::string devicePath;
    std::optional<uint32_t> portNumber;
};

// The device path of the interface whose "Port Number" is portNumber; the first one when the
// registry holds stale duplicates. nullopt when none has it or portNumber < 1.
std::optional<std::string> devicePathForPort(const std::vector<UsbInterfaceRecord>& interfaces, int portNumber);

// The USB serial number in an interface path ("\\?\usb#vid_04b8&pid_0005#SERIAL#{guid}") or a
// device instance ID ("USB\VID_04B8&PID_0005\SERIAL"): the part after the product ID up to the
// next separator. Empty when the device has none: the part is missing, or it is an ID Windows made
// up for a device without a serial number (it names an "Inst_" or holds "&").
std::string serialFromInterfacePath(std::string_view path);

// Two device paths are the same interface: Windows compares them without regard to case.
bool sameDevicePath(std::string_view a, std::string_view b);

// One PRINTER_INFO_2 record of EnumPrinters, its texts converted to UTF-8.
struct SpoolerRecord {
    std::string printerName;
    std::string driverName;
    std::string portName;
};

// The installed printers of spooler records. A printer on several ports (a pool: "LPT1:,LPT2:")
// is listed on its first; blanks around port names are dropped; the link's port names are made
// upper case ("lpt1:" -> "LPT1:", "usb001" -> "USB001") because the link tells a port's kind by
// its upper-case prefix while Windows takes either. Records without a name are left out.
std::vector<InstalledPrinter> installedPrinters(const std::vector<SpoolerRecord>& records);

// The log file's folder under the user's local application data ("%LOCALAPPDATA%\devpanel").
// Empty when localAppData is empty (no profile: the log is then not written).
std::string logFolder(const std::string& localAppData);

}  // namespace platform::windows_impl
