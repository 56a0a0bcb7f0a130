// One table of operations per kind of port. The core (open, send, offline, close, shutdown)
// calls through the table of the open port instead of asking which kind of port it is; each kind
// fills its table in its own file (transport_*.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "platform/port_name.h"

struct SlcTransport {
    const char* kind;  // for the log: "parallel" (two-way or one-way), "USB" or "FILE"
    // Opens the port named portName and records it as the open port (SlcRecordOpenPort): 0, or
    // the open's failure code. A parallel port decides here whether it is two-way or one-way.
    int (*open)(const std::string& portName);
    // One command on the open port: the results of SlcSendCommand.
    int (*send)(const std::string& portName, const uint8_t* command, uint32_t length, uint8_t* reply,
                uint32_t* replyLength);
    // Takes the printer offline (offline != 0) or online: the results of SlcOffline.
    int (*offline)(const std::string& portName, int offline);
    // Closes the open port, completing what it collected (a command file, the one-way copy): the
    // results of SlcClosePort. The core forgets the port afterwards.
    int (*close)(const std::string& portName);
    // Lets go of the open port without sending or completing anything (another port opens, the
    // link shuts down): readers end, temporaries are deleted.
    void (*cancel)();
};

// The tables of the five kinds.
const SlcTransport& SlcTwoWayParallelTransport();
const SlcTransport& SlcOneWayParallelTransport();
const SlcTransport& SlcUsbTransport();
const SlcTransport& SlcFileTransport();
const SlcTransport& SlcSocketTransport();

// The table a parsed port's kind opens with (link/port_kinds.cpp): parallel (two-way; its open
// may turn it into the one-way workaround), USB, a command file; nullptr for a kind the link has
// no transport for (platform::PortKindInfo::supported is false for it).
const SlcTransport* SlcTransportForKind(platform::PortKind kind);
