#include "link/timing.h"

SlcTiming& SlcTimingTable() {
    static SlcTiming table;
    return table;
}

SlcTiming SlcDefaultTiming() { return SlcTiming{}; }
