// IEEE 1284 device IDs as Linux hands them over: the kernel's parport autoprobe text, the
// length-prefixed bytes of a device-ID request, and the fields inside an ID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::linux_impl {

// The kernel writes one "KEY:VALUE;" field per line into parport autoprobe files; a device ID is
// one line, so the line breaks are dropped.
std::string joinAutoprobeLines(std::string_view text);

// Strips the two-byte length prefix of a device ID as returned by a device-ID request (usblp
// ioctl, IEEE 1284 negotiation). Some devices send the length little-endian, so a big-endian
// value that is larger than what was received or shorter than the shortest usable ID is retried
// in the other byte order; the length never reaches past the received bytes, and an ID shorter
// than 14 bytes (prefix included) is refused. The ID ends at the first NUL.
std::optional<std::vector<uint8_t>> stripDeviceIdPrefix(const uint8_t* data, size_t received);

// The value of the first field whose key is one of keys (compared without regard to case),
// without surrounding spaces; nullopt when none is present. A value without its closing ";"
// runs to the end.
std::optional<std::string> deviceIdField(std::string_view deviceId,
                                         std::initializer_list<std::string_view> keys);

// Reads a small text file (sysfs, procfs) of at most limit bytes. nullopt (errorNumber set) when
// it cannot be opened or read; never follows the read past limit.
std::optional<std::string> readSmallFile(const std::string& path, size_t limit, int& errorNumber);

// Whether two texts are equal without regard to the case of ASCII letters (device-ID keys and
// values, usb:// URI parts).
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Drops trailing line breaks and NUL bytes (sysfs attributes end with a newline).
std::string trimLineEnd(std::string text);

}  // namespace platform::linux_impl
