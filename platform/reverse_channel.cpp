#include "platform/reverse_channel.h"

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>

namespace platform {

namespace {

// Room for the longest device ID a port hands over; only whether there is one matters here.
constexpr size_t kDeviceIdProbeSize = 4096;

// Whether the port lacks a reverse channel, by the only signs it gives without being sent
// anything: no device ID, and a read that fails at once with EIO.
bool LacksReverseChannel(ParallelChannel& channel) {
    uint8_t id[kDeviceIdProbeSize];
    size_t length = 0;
    if (channel.readDeviceId(id, sizeof id, length) && length > 0) return false;
    // The serial-port convention for "return at once with whatever is there": a port that can
    // be read answers with 0 bytes, one without a reverse channel fails.
    CommTimeouts atOnce;
    if (channel.getTimeouts(atOnce)) {
        atOnce.readInterval = std::numeric_limits<uint32_t>::max();
        atOnce.readTotalMultiplier = 0;
        atOnce.readTotalConstant = 0;
        channel.setTimeouts(atOnce);
    }
    uint8_t byte = 0;
    return channel.read(&byte, 1) < 0 && channel.lastError() == EIO;
}

}  // namespace

bool ParallelStatusReady(const ParallelStatus& status) {
    return status.selected && !status.paperOut && !status.fault;
}

bool ReadyPrinterWithoutReverseChannel(ParallelPorts& ports, const std::string& portName) {
    {
        int error = 0;
        std::unique_ptr<ParallelChannel> channel = ports.open(portName, error);
        if (!channel || !LacksReverseChannel(*channel)) return false;
    }
    ParallelStatus status;
    int error = 0;
    return ports.readStatus(portName, status, error) && ParallelStatusReady(status);
}

}  // namespace platform
