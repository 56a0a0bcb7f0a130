#include "platform/linux/device_id.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/linux/unique_fd.h"

namespace platform::linux_impl {
namespace {

// The prefix counts itself; "MFG:x;MDL:y;" with its two length bytes is about the least a usable
// ID can hold.
constexpr size_t kShortestDeviceId = 14;

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string joinAutoprobeLines(std::string_view text) {
    std::string joined;
    joined.reserve(text.size());
    for (char c : text) {
        if (c == '\n' || c == '\r') continue;
        if (c == '\0') break;
        joined += c;
    }
    return joined;
}

std::optional<std::vector<uint8_t>> stripDeviceIdPrefix(const uint8_t* data, size_t received) {
    if (data == nullptr || received < 2) return std::nullopt;
    size_t length = (static_cast<size_t>(data[0]) << 8) | data[1];
    if (length > received || length < kShortestDeviceId)
        length = (static_cast<size_t>(data[1]) << 8) | data[0];
    length = std::min(length, received);
    if (length < kShortestDeviceId) return std::nullopt;
    const uint8_t* begin = data + 2;
    const uint8_t* end = std::find(begin, data + length, uint8_t{0});
    return std::vector<uint8_t>(begin, end);
}

std::optional<std::string> deviceIdField(std::string_view deviceId,
                                         std::initializer_list<std::string_view> keys) {
    size_t pos = 0;
    while (pos < deviceId.size()) {
        size_t end = deviceId.find(';', pos);
        if (end == std::string_view::npos) end = deviceId.size();
        std::string_view field = deviceId.substr(pos, end - pos);
        size_t colon = field.find(':');
        if (colon != std::string_view::npos) {
            std::string_view key = trimSpaces(field.substr(0, colon));
            for (std::string_view wanted : keys) {
                if (equalsIgnoreCase(key, wanted)) return std::string(trimSpaces(field.substr(colon + 1)));
            }
        }
        pos = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> readSmallFile(const std::string& path, size_t limit, int& errorNumber) {
    errorNumber = 0;
    // Non-blocking so that a FIFO put in place of an attribute cannot hold the caller.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        errorNumber = errno;
        return std::nullopt;
    }
    std::string text(limit, '\0');
    size_t got = 0;
    while (got < limit) {
        ssize_t r = ::read(fd.get(), text.data() + got, limit - got);
        if (r > 0) {
            got += static_cast<size_t>(r);
            continue;
        }
        if (r == 0) break;
        if (errno == EINTR) continue;
        if (errno == EAGAIN && got > 0) break;
        errorNumber = errno;
        return std::nullopt;
    }
    text.resize(got);
    return text;
}

std::string trimLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) text.pop_back();
    return text;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace platform::linux_impl
