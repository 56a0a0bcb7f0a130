// The USB half of the printer link (usb.cpp, usb_discovery.cpp). Included by the link core, the
// link's tests and the fuzz target of the system's texts (fuzz/system_texts: the USB port table).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// USB branch of SlcOpenPort: 0 or -1.
int UsbOpenPort(const char* portName);
int UsbSendCommand(const std::string& devicePath, const uint8_t* command, uint32_t length,
                   uint8_t* reply, uint32_t* replyLength);
// Waits for the reply to a command whose command byte is command: only a message with that
// command byte, never an alert, answers it; others are dropped and the wait goes on within
// the reply wait. anyMessage takes the next message of any kind (a reader test's wait).
int UsbWaitReply(uint8_t* reply, uint32_t* replyLength, uint8_t command, bool anyMessage);
// UsbWaitReply for command, any message when command is 0.
int UsbGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t command);
int UsbOffline(const std::string& devicePath, int offline);
// Opens PIPE00 (write) or PIPE01 (read) with the retry rule; nullptr after two failures, with
// the last errno in *error when given.
std::unique_ptr<platform::Channel> OpenUsbHandle(const std::string& devicePath, platform::UsbPipe pipe,
                                                 int* error = nullptr);

// The reader thread's body: stores every message from the read pipe of devicePath in the
// response slots until it finds bExpectingResponse cleared (or readerStop set), or the pipe
// cannot be opened. Started by SlcStartReaderLocked from the first wait for a reply.
void UsbReadPort(const std::string& devicePath);
// Ends the USB reader's read in progress at once, so that SlcStopReader need not wait out the
// bounded read. Call after bExpectingResponse is cleared and readerStop set (from SlcStopReader,
// beside the parallel cancel); harmless when no reader runs.
void UsbCancelReader();

// --- Discovery (usb_discovery.cpp)

constexpr size_t USB_MAX_DEVICES = 20;   // interfaces looked at per class
constexpr size_t USB_MODEL_MAX = 128;    // characters of MODEL kept in a custom port name
constexpr size_t USB_SERIAL_MAX = 24;    // characters of the serial number kept in it

// One recognised printer interface.
struct UsbPortEntry {
    std::string portName;    // custom port name, e.g. "usb-laser_100(ab12)"
    std::string devicePath;
    std::string deviceId;    // the bytes as read
};

// The value of key in an IEEE 1284 device ID: from the character after the key (its colon) up to
// the next ";" or the end, cut to maxLength characters. False when the key does not occur.
bool GetDeviceIdField(std::string_view deviceId, std::string_view key, size_t maxLength, std::string& value);
// "usb-" + model + "(serial)" when a serial is known, spaces as "_", lower case. Model and serial
// are cut to USB_MODEL_MAX and USB_SERIAL_MAX characters.
std::string UsbCustomPortName(std::string_view model, std::string_view serial);
// Adds the interface to the table when its device ID names a supported printer with a MODEL.
void AddUsbPortEntry(const platform::UsbInterface& usbInterface, std::vector<UsbPortEntry>& table);
// The custom port name of a system port name ("USB001"); empty when no interface has its number.
std::string BuildUsbPortName(const char* portName);
