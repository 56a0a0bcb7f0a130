// What a printer answers to the offline or online request, as both transports hand it to the
// exchange that judges it: messages in any order, time-outs, messages that cannot be used, on a
// clock that moves. Input: one option byte, then records. Option bit 0: the offline request
// (else online); bit 1 turns every log level on. A record is a code byte: 0xFE a wait that timed
// out, 0xFF a message that cannot be used, 0xFD 3 seconds passing, anything else a message of
// (code % 48) bytes that follow.
// The request written is the fixed packet; the printer is taken as agreeing only after a response
// whose 9th byte says so, and as refusing only after a response or an alert that says otherwise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "link/link_private.h"
#include "link/slc.h"
#include "link/timing.h"
#include "platform/platform.h"
#include "protocol/packets.h"

using fuzz::Check;

namespace {

class FuzzClock : public platform::Clock {
public:
    uint32_t tickCount() override { return now; }
    std::string timeOfDay() override { return "12:00:00"; }
    void sleepMs(uint32_t ms) override { now += ms; }
    uint32_t now = 0;
};

FuzzClock& InstallClock() {
    static FuzzClock* clock = [] {
        auto* c = new FuzzClock;
        platform::Platform p;
        p.clock = c;
        platform::install(p);
        SlcTimingTable() = SlcDefaultTiming();
        return c;
    }();
    return *clock;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FuzzClock& clock = InstallClock();
    const int offline = data[0] & 1;
    SlcGlobals().loggingLevel = (data[0] & 2) != 0 ? (SLC_LOG_PUBLIC | SLC_LOG_TRACE | SLC_LOG_DATA) : 0;
    const uint8_t state = offline != 0 ? 1 : 0;

    size_t at = 1;
    std::vector<uint8_t> written;
    bool agreed = false;   // a usable response said yes
    bool refused = false;  // a usable response or alert said no
    SlcOfflineTransport transport;
    transport.prefix = "FuzzOffline(): ";
    transport.waitName = "FuzzGetResponse";
    transport.writePacket = [&](const uint8_t* packet, size_t length) {
        written.insert(written.end(), packet, packet + length);
        return SLC_OK;
    };
    transport.nextMessage = [&](std::vector<uint8_t>& message, uint32_t waitMs) {
        clock.now += 10;
        while (at < size && data[at] == 0xFD) {
            clock.now += 3000;
            ++at;
        }
        if (at >= size) {
            clock.now += waitMs;
            return static_cast<int>(SLC_SEND_READFAIL);
        }
        const uint8_t code = data[at++];
        if (code == 0xFE) {
            clock.now += waitMs;
            return static_cast<int>(SLC_SEND_READFAIL);
        }
        if (code == 0xFF) return -5;
        const size_t length = std::min<size_t>(code % 48, size - at);
        message.assign(data + at, data + at + length);
        at += length;
        if (message.size() > 8) {
            if (message[4] == npa::CMD_SETTINGS) (message[8] == 1 ? agreed : refused) = true;
            if (message[4] == npa::CMD_ALERT && message[8] != state) refused = true;
        }
        return static_cast<int>(SLC_OK);
    };

    const int result = SlcOfflineExchange(transport, offline);
    const auto& request = offline != 0 ? npa::kOffline : npa::kOnline;
    Check(written == std::vector<uint8_t>(request.begin(), request.end()));
    Check(result == SLC_OK || result == SLC_REJECTED || result == SLC_SEND_READFAIL);
    if (result == SLC_OK) Check(agreed && SlcGlobals().exchangeResponseCame);
    if (result == SLC_REJECTED) Check(refused);
    return 0;
}
