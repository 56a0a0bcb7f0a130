// What the virtual printer is (its identity and NPA mode) and the faults a test can switch on.
// Both are plain values: a test copies them in with VirtualPrinter::setConfig()/setFaults().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// How the printer treats NPA: Off ignores every NPA packet; Auto accepts them once the NPA start
// packet has been seen (until the next PJL universal exit); On accepts them at any time.
enum class NpaMode { Off, Auto, On };

struct PrinterConfig {
    std::string manufacturer = "Altrin";
    std::string model = "Pressline T90";
    std::string serial;              // USB: appended to the device ID as SERIALNUMBER
    bool usb = false;                // USB transfers (at most 32 bytes per transmit) and the serial in the ID
    NpaMode mode = NpaMode::Auto;
    // In mode On the printer answers the PJL mode query with the NPA packet A5 00 02 80 00 (the
    // only answer a host reads as "NPA active"); false answers in PJL text with the value ON.
    bool npaFormForOn = true;
    bool alertFirst = false;         // offline/online: the alert goes out before the response
    // Flags of a command-error reply: 0x88 by default; 0x98 marks it as a response as well.
    uint8_t commandErrorFlags = 0x88;
    std::string modelFile;           // empty: DEVPANEL_DATA_DIR "/virtual-t90.model"
    std::string stateFile;           // NVRAM kept here across restarts; empty: memory only
    // Keep every byte of both directions for the wire queries (tests). The printer behind
    // `--virtual` does not: a long session would hold all of its traffic.
    bool recordWire = true;
};

// How the printer lays out its response to an offline/online request. A printer is promised to
// give the command byte and the verdict in the 9th byte; bytes 5 to 7 are its own affair.
enum class ControlReplyLayout {
    Echo,                   // E7 0C <state> <verdict>: the request's bytes echoed
    SingleSetting,          // E7 00 <state> <verdict>: the single-setting reply layout
    SingleSettingNoState,   // E7 00 00 <verdict>
    ZeroSubFunction,        // 00 00 <state> <verdict>
};

struct Faults {
    bool silent = false;              // nothing is answered (commands still take effect)
    int replyDelayMs = 0;             // replies become readable this long after the command
    int strayBytes = 0;               // 0..3 bytes (not 0xA5) in front of every reply
    size_t splitDataBytes = 0;        // >0: every reply is cut into packets of this many data bytes, joined by the continue bit
    bool oversizeReply = false;       // every reply is padded to more than 2048 bytes
    int unsolicitedErrorsBefore = 0;  // error packets (flags 0x80 without 0x10) in front of every reply
    int commandErrorsBefore = 0;      // command-error packets in front of every reply
    int foreignRepliesBefore = 0;     // replies with another command byte (0xE1) in front of every reply
    int echoCommand = -1;             // >=0: replies carry this command byte instead of the command's
    bool refuseOffline = false;       // offline/online requests are refused (9th byte 0, state kept)
    size_t garbageBefore = 0;         // this many bytes without 0xA5 in front of every reply
    bool garbageInsteadOfReply = false;  // every reply is replaced by bytes without 0xA5
    long disconnectAfterBytes = -1;   // >=0: the cable is pulled once this many more bytes came in
    bool foreignDeviceId = false;     // the device ID names another maker and no NPA support
    bool deviceIdUnreadable = false;  // the device-ID request fails
    bool openFails = false;           // the device cannot be opened (simulated platform)
    // Faults of the write session (offline, writes, online) and of replies to reads.
    bool ignoreOnline = false;        // the online request is neither obeyed nor answered (the printer stays offline)
    bool noAlert = false;             // offline/online changes are never announced by an alert, registered or not
    bool alertBeforeEveryReply = false;  // an offline alert (9th byte = current state) goes out in front of every reply
    bool emptyBatchReply = false;     // a batch read is answered with no entries
    long stopReadingAfterPackets = -1;  // >=0: after this many more NPA packets the printer takes no more bytes
    std::vector<uint16_t> ignoredWriteIds;
    // Replies in the other layouts a printer may use.
    ControlReplyLayout controlReplyLayout = ControlReplyLayout::Echo;
    int batchReplyBytes = -1;         // >=0: bytes 5 and 6 of a batch reply (big-endian) instead of E7 00
    bool padTexts = false;            // text values are reported padded with zeros to their full length
    bool noControlResponse = false;   // offline/online requests get their alert but no response  // writes of these ids are acknowledged but not stored
};

}  // namespace sim
