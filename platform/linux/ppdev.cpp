// IEEE 1284 device-ID negotiation through ppdev, for machines whose kernel keeps no autoprobe
// text for the port.
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/linux/device_id.h"
#include "platform/linux/parallel.h"
#include "platform/linux/unique_fd.h"

namespace platform::linux_impl {
namespace {

constexpr auto kNegotiationBudget = std::chrono::milliseconds(1000);
constexpr auto kRetrySlice = std::chrono::milliseconds(10);

// Holds the port claimed for the duration of the negotiation and hands it back in
// compatibility mode on every path.
class PortClaim {
public:
    explicit PortClaim(int fd) : fd_(fd) { claimed_ = ::ioctl(fd_, PPCLAIM) == 0; }
    ~PortClaim() {
        if (!claimed_) return;
        int compat = IEEE1284_MODE_COMPAT;
        ::ioctl(fd_, PPNEGOT, &compat);
        ::ioctl(fd_, PPRELEASE);
    }
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;
    bool claimed() const { return claimed_; }

private:
    int fd_;
    bool claimed_ = false;
};

}  // namespace

bool readPpdevDeviceId(const std::string& ppdevPath, uint8_t* buffer, size_t size, size_t& length,
                       int& errorNumber) {
    length = 0;
    errorNumber = 0;
    // Non-blocking: a blocking ppdev read retries a silent peripheral for as long as it likes.
    UniqueFd fd(::open(ppdevPath.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        errorNumber = errno;
        return false;
    }
    timeval perTransfer{0, 200000};
    ::ioctl(fd.get(), PPSETTIME, &perTransfer);
    PortClaim claim(fd.get());
    if (!claim.claimed()) {
        errorNumber = errno;
        return false;
    }
    int mode = IEEE1284_MODE_NIBBLE | IEEE1284_DEVICEID;
    if (::ioctl(fd.get(), PPNEGOT, &mode) != 0) {
        errorNumber = errno;
        return false;
    }
    std::vector<uint8_t> raw(std::max<size_t>(size + 2, 16), 0);
    size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + kNegotiationBudget;
    while (got < raw.size() && std::chrono::steady_clock::now() < deadline) {
        ssize_t r = ::read(fd.get(), raw.data() + got, raw.size() - got);
        if (r > 0) {
            got += static_cast<size_t>(r);
            // Stop once the announced length (either byte order) is in.
            if (got >= 2) {
                size_t be = (size_t{raw[0]} << 8) | raw[1];
                size_t le = (size_t{raw[1]} << 8) | raw[0];
                if (std::min(be, le) >= 14 && got >= std::min(be, le)) break;
            }
            continue;
        }
        if (r == 0) break;
        if (errno != EAGAIN && errno != EINTR) {
            errorNumber = errno;
            return false;
        }
        std::this_thread::sleep_for(kRetrySlice);
    }
    auto id = stripDeviceIdPrefix(raw.data(), got);
    if (!id || id->empty()) {
        errorNumber = ENODATA;
        return false;
    }
    length = std::min(id->size(), size);
    std::memcpy(buffer, id->data(), length);
    return true;
}

}  // namespace platform::linux_impl
