// The link's log: one entry per message, "time tick: message", written through the platform's
// log sink when the message's level bit is enabled.
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "link/state.h"

namespace {

// The caller's thread and the reader thread both log; entries must not interleave.
std::mutex g_logMutex;

constexpr size_t kMessageLimit = 1024;
constexpr uint32_t kHexColumns = 16;

void AppendEntry(const char* message) {
    const platform::Platform& p = platform::current();
    if (p.log == nullptr) return;
    std::string time = p.clock != nullptr ? p.clock->timeOfDay() : std::string("00:00:00");
    long tick = p.clock != nullptr ? static_cast<long>(p.clock->tickCount()) : 0L;
    char tickText[24];
    std::snprintf(tickText, sizeof tickText, "%ld", tick);
    std::string entry;
    entry.reserve(time.size() + std::char_traits<char>::length(message) + 32);
    entry += time;
    entry += ' ';
    entry += tickText;
    entry += ": ";
    entry += message;
    entry += '\n';
    std::lock_guard<std::mutex> lock(g_logMutex);
    p.log->append(entry);
}

}  // namespace

void SlcLog(uint32_t level, const char* format, ...) {
    if ((level & SlcGlobals().loggingLevel) == 0) return;
    char message[kMessageLimit];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    AppendEntry(message);
}

void SlcLogHex(const uint8_t* bytes, uint32_t count) {
    if ((SLC_LOG_DATA & SlcGlobals().loggingLevel) == 0) return;
    // The count has always been a 16-bit quantity in the dump.
    const uint32_t total = static_cast<uint16_t>(count);
    for (uint32_t start = 0; bytes != nullptr && start < total; start += kHexColumns) {
        std::string line;
        line.reserve(kHexColumns * 4 + 4);
        char cell[4];
        for (uint32_t col = 0; col < kHexColumns; ++col) {
            if (start + col < total) {
                std::snprintf(cell, sizeof cell, "%02X ", bytes[start + col]);
                line += cell;
            } else {
                line += "   ";
            }
        }
        line += " | ";
        for (uint32_t col = 0; col < kHexColumns && start + col < total; ++col) {
            const uint8_t b = bytes[start + col];
            line += (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.';
        }
        SlcLog(SLC_LOG_DATA, "%s\n", line.c_str());
    }
    // The closing entry carries an empty message.
    SlcLog(SLC_LOG_DATA, "%s", "");
}
