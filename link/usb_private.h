// The USB half of the printer link (usb.cpp, usb_discovery.cpp). Included by the link core and
// the link's tests only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

// USB branch of SlcOpenPort: 0 or -1.
int UsbOpenPort(const char* portName);
int UsbSendCommand(const std::string& devicePath, const uint8_t* command, uint32_t length,
                   uint8_t* reply, uint32_t* replyLength);
int UsbGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t command);
int UsbOffline(const std::string& devicePath, int offline);
// Opens PIPE00 (write) or PIPE01 (read) with the retry rule; nullptr after two failures.
std::unique_ptr<platform::Channel> OpenUsbHandle(const std::string& devicePath, platform::UsbPipe pipe);
