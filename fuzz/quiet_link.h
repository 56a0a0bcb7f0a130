// The link's surroundings for the fuzz targets that drive link code: an empty platform (no log
// sink, so log entries are formatted and dropped), installed once, and the logging level the
// input asks for, so that the log formats run on fuzzed bytes too.
#pragma once

#include "link/link_testing.h"
#include "platform/platform.h"

namespace fuzz {

// The log level bits a target runs the link with (and hands to a reassembly it drives).
inline uint32_t LinkLogLevel(bool logEverything) {
    return logEverything ? (SLC_LOG_PUBLIC | SLC_LOG_TRACE | SLC_LOG_DATA) : 0;
}

inline void UseQuietLink(bool logEverything) {
    static const bool installed = [] {
        platform::install(platform::Platform{});
        return true;
    }();
    (void)installed;
    SlcSetLoggingLevelForTesting(LinkLogLevel(logEverything));
}

}  // namespace fuzz
