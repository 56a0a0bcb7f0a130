// Every wait of the printer link in one table, so that tests can shrink it. The defaults are the
// printer's real timings; see each field.
#pragma once

#include <cstdint>

struct SlcTiming {
    uint32_t readPauseMs = 385;         // the parallel reader's pause before each read transaction
    uint32_t responseWaitMs = 5000;     // how long a caller waits for a reply (RESPONSE_WAIT_TIMEOUT)
    uint32_t readGiveUpMs = 10000;      // an empty parallel read that took longer counts as a failure
    uint32_t copyPauseMs = 5000;        // one-way copy: pause between "offline.dat" and the commands
    uint32_t pipeErrorPauseMs = 500;    // pause after a failed USB read transfer, before the pipe is reopened
    uint32_t pipeRetryMs = 100;         // pause between two attempts to open a USB pipe
    uint32_t usbReadWaitMs = 1000;      // bound of one USB read transfer, so close and shutdown end the reader
    uint32_t queryReadTotalMs = 2500;   // read total constant during the PJL mode query
    uint32_t queryReadIntervalMs = 50;  // read interval during the PJL mode query
    uint32_t queryReadMultiplierMs = 5; // read total multiplier (per requested byte) during the PJL mode query
    uint32_t writeWaitMs = 10000;       // bound of one write to a two-way parallel device: a printer that
                                        // takes no byte for this long has stopped reading (or is gone)
    uint32_t readErrorPauseMs = 100;    // the parallel reader's pause after a read that failed with nothing:
                                        // a device that went away fails every read at once
    uint32_t lateReplyDrainMs = 1000;   // after a wait that timed out, how long a late reply to it is awaited
                                        // and dropped before the next request goes out
    uint32_t connectWaitMs = 10000;     // bound of the connect to a network printer's raw port (all its
                                        // addresses together)
    uint32_t snmpWaitMs = 3000;         // the SNMP identity check of a network printer, both objects together
    uint32_t npaModeReuseMs = 60000;    // a two-way parallel open takes the NPA mode an earlier open of the
                                        // same port asked the printer for less than this long ago, when
                                        // the device ID reads byte-identical (0: always ask)
};

// The table in force. Tests may assign to it while no link operation runs.
SlcTiming& SlcTimingTable();
// The printer's real timings.
SlcTiming SlcDefaultTiming();
