// The link's surroundings for the fuzz targets that drive link code: an empty platform (no log
// sink, so log entries are formatted and dropped), installed once, and the logging level the
// input asks for, so that the log formats run on fuzzed bytes too.
#pragma once

#include "link/link_private.h"

namespace fuzz {

inline void UseQuietLink(bool logEverything) {
    static const bool installed = [] {
        platform::install(platform::Platform{});
        return true;
    }();
    (void)installed;
    SlcGlobals().loggingLevel = logEverything ? (SLC_LOG_PUBLIC | SLC_LOG_TRACE | SLC_LOG_DATA) : 0;
}

}  // namespace fuzz
