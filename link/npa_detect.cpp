// NPA detection on a two-way parallel port: is the device one of ours (its IEEE 1284 device ID),
// and in which NPA mode is it (the device ID, or else a PJL query).
#include "link/npa_detect.h"

#include <string_view>

#include "link/link_private.h"
#include "protocol/packets.h"

namespace {

constexpr uint32_t kQueryReplySize = 128;
constexpr uint32_t kQueryWriteMultiplierMs = 10;
constexpr uint32_t kQueryWriteConstantMs = 2500;
constexpr uint8_t kFormFeed = 0x0C;   // the last byte of every PJL reply
constexpr uint32_t kPacketStart = 3;  // SOP and DataLen, which counts the bytes after them

// The ID is searched as the bytes the device returned: a length prefix with a zero byte in
// front must not hide the text behind it.
bool Contains(const char* text, size_t length, std::string_view marker) {
    return text != nullptr && std::string_view(text, length).find(marker) != std::string_view::npos;
}

}  // namespace

bool IsRecognizedDeviceId(const char* deviceId, size_t length) {
    static constexpr std::string_view kMarkers[] = {"Corvane", "QNPAP",    "qnpap",    "Qnpap",   " NPAP,",
                                                    " NPAP;",  "CPDNPA00", "cpdnpa00", "Cpdnpa00"};
    for (std::string_view marker : kMarkers) {
        if (Contains(deviceId, length, marker)) return true;
    }
    return false;
}

bool BceEnumGetDeviceID(platform::ParallelChannel& channel, uint8_t* buffer, size_t size, size_t& length) {
    for (size_t i = 0; i < 4 && i < size; ++i) buffer[i] = 0;
    length = 0;
    size_t returned = 0;
    if (!channel.readDeviceId(buffer, size, returned)) {
        SlcLog(SLC_LOG_TRACE, "Get Device ID Error : %d \n", channel.lastError());
        return false;
    }
    length = returned < size ? returned : size;
    // The caller's buffer has one byte beyond size, so the ID can be logged as text.
    buffer[length] = 0;
    SlcLog(SLC_LOG_TRACE, "Device ID String = %s \n", reinterpret_cast<const char*>(buffer));
    return true;
}

int CheckPJLQueryResponse(const uint8_t* reply, uint32_t count) {
    const std::string text(reinterpret_cast<const char*>(reply), count);
    SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse(%s)\n", text.c_str());
    if (count == 0) {
        SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - no bytes, returning NPA_OFF\n");
        return NPA_OFF;
    }
    SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - received %d bytes\n", static_cast<int>(count));

    if (reply[0] == npa::SOP) {
        SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - looks like NPA\n");
        if (count >= npa::HEADER_SIZE && reply[2] == 0x02 && (reply[3] & npa::FLAG_ERROR) != 0 && reply[4] == 0x00) {
            SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - looks like NPA_ON\n");
            return NPA_ON;
        }
        SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - returning -1\n");
        return -1;
    }
    if (Contains(text.data(), text.size(), "@PJL")) {
        SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - looks like PJL\n");
        if (Contains(text.data(), text.size(), "OFF")) {
            SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - looks like NPA_OFF\n");
            return NPA_OFF;
        }
        if (Contains(text.data(), text.size(), "AUTO")) {
            SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - looks like NPA_AUTO\n");
            return NPA_AUTO;
        }
        SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - I give up, returning NPA_OFF\n");
        return NPA_OFF;
    }
    SlcLog(SLC_LOG_TRACE, "CheckPJLQueryResponse() - no bytes, returning NPA_OFF\n");
    return NPA_OFF;
}

bool IsWholeModeQueryReply(const uint8_t* reply, uint32_t count) {
    if (reply == nullptr || count == 0) return false;
    if (reply[0] == npa::SOP) return count >= kPacketStart && count >= kPacketStart + npa::ReadDataLen(reply);
    return reply[count - 1] == kFormFeed;
}

int SendNpaActiveQuery(platform::ParallelChannel& channel, bool* answered) {
    if (answered != nullptr) *answered = false;
    SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - before WriteFile()\n");
    const long written = channel.write(npa::kPjlModeQuery.data(), npa::kPjlModeQuery.size());
    SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - after WriteFile()\n");
    if (written != static_cast<long>(npa::kPjlModeQuery.size())) {
        SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - rc=%d, returning NPA_OFF\n", channel.lastError());
        return NPA_OFF;
    }

    uint8_t reply[kQueryReplySize] = {};
    uint32_t count = 0;
    SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - before ParNT95ReadFile()\n");
    // The reply comes in well under the read's time-out: the read ends once it is whole, and
    // waits the time-out out only for a printer that never completes it.
    const bool ok = ParNT95ReadFile(channel, reply, kQueryReplySize, count, IsWholeModeQueryReply);
    SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - after ParNT95ReadFile()\n");
    if (!ok) {
        SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - rc=%d, returning NPA_OFF\n", channel.lastError());
        return NPA_OFF;
    }
    if (count == 0) {
        SlcLog(SLC_LOG_TRACE, "SendNpaActiveQuery() - no bytes received, returning NPA_AUTO\n");
        return NPA_AUTO;
    }
    if (answered != nullptr) *answered = true;
    return CheckPJLQueryResponse(reply, count);
}

int16_t IsNpaActive(platform::ParallelChannel& channel, const char* deviceId, size_t length, bool* answered) {
    if (answered != nullptr) *answered = false;
    if (Contains(deviceId, length, "QNPAP") || Contains(deviceId, length, "CPDNPA001")) {
        SlcLog(SLC_LOG_TRACE, "IsNpaActive() - QNPAP or CPD, returning NPA_AUTO\n");
        return NPA_AUTO;
    }

    platform::CommTimeouts saved;
    const bool restore = channel.getTimeouts(saved);
    SlcLog(SLC_LOG_TRACE, restore ? "IsNpaActive() - RestoreTimeouts = TRUE\n" : "IsNpaActive() - RestoreTimeouts = FALSE\n");

    const SlcTiming& timing = SlcTimingTable();
    platform::CommTimeouts query;
    query.readInterval = timing.queryReadIntervalMs;
    query.readTotalMultiplier = timing.queryReadMultiplierMs;
    query.readTotalConstant = timing.queryReadTotalMs;
    query.writeTotalMultiplier = kQueryWriteMultiplierMs;
    query.writeTotalConstant = kQueryWriteConstantMs;
    channel.setTimeouts(query);
    SlcLog(SLC_LOG_TRACE, "IsNpaActive() - SetCommTimeouts()\n");

    SlcLog(SLC_LOG_TRACE, "IsNpaActive() - before SendNpaActiveQuery(1)\n");
    int mode = SendNpaActiveQuery(channel, answered);
    if (mode == -1) {
        // The reply looked like NPA but not like "active": ask once more.
        SlcLog(SLC_LOG_TRACE, "IsNpaActive() - after SendNpaActiveQuery(1)\n");
        SlcLog(SLC_LOG_TRACE, "IsNpaActive() - before SendNpaActiveQuery(2)\n");
        mode = SendNpaActiveQuery(channel, answered);
        SlcLog(SLC_LOG_TRACE, "IsNpaActive() - after SendNpaActiveQuery(2)\n");
        if (mode == -1) {
            SlcLog(SLC_LOG_TRACE, "IsNpaActive() - NPA_OFF\n");
            mode = NPA_OFF;
        }
    }

    if (restore) {
        SlcLog(SLC_LOG_TRACE, "IsNpaActive() - SetCommTimeouts()\n");
        channel.setTimeouts(saved);
    }
    return static_cast<int16_t>(mode);
}
