#include "link/npa_mode_memory.h"

#include <string_view>

#include "link/link_private.h"

namespace {

struct KeptNpaMode {
    bool kept = false;
    std::string portName;
    std::string deviceId;
    int16_t mode = NPA_OFF;
    uint32_t askedAtTick = 0;
    std::string askedAtTime;  // "HH:MM:SS", for the log
};

KeptNpaMode& Kept() {
    static KeptNpaMode kept;
    return kept;
}

const char* ModeName(int16_t mode) { return mode == NPA_ON ? "NPA_ON" : "NPA_AUTO"; }

}  // namespace

void SlcRememberNpaMode(const std::string& portName, const char* deviceId, size_t length, int16_t mode) {
    platform::Clock& clock = *platform::current().clock;
    KeptNpaMode& k = Kept();
    k.kept = true;
    k.portName = portName;
    k.deviceId.assign(deviceId, length);
    k.mode = mode;
    k.askedAtTick = clock.tickCount();
    k.askedAtTime = clock.timeOfDay();
}

std::optional<int16_t> SlcReusableNpaMode(const std::string& portName, const char* deviceId, size_t length) {
    const KeptNpaMode& k = Kept();
    if (!k.kept) return std::nullopt;
    // Unsigned difference: right across the wrap of the tick count too.
    const uint32_t age = platform::current().clock->tickCount() - k.askedAtTick;
    const uint32_t window = SlcTimingTable().npaModeReuseMs;
    const char* why = nullptr;
    if (portName != k.portName) {
        why = "it was found on another port";
    } else if (std::string_view(deviceId, length) != k.deviceId) {
        why = "the device ID differs";
    } else if (age >= window) {
        why = "it is too old";
    }
    if (why != nullptr) {
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Parallel) - the NPA mode asked at %s (%u ms ago) on %s is not reused: %s\n",
               k.askedAtTime.c_str(), age, k.portName.c_str(), why);
        return std::nullopt;
    }
    SlcLog(SLC_LOG_PUBLIC,
           "SlcOpenPort(Parallel) - same device ID: reusing NPA mode %s as the printer answered it at %s "
           "(%u ms ago), without asking again\n",
           ModeName(k.mode), k.askedAtTime.c_str(), age);
    return k.mode;
}

void SlcForgetNpaMode() { Kept() = KeptNpaMode{}; }
