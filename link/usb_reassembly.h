// Reassembly of NPA messages from the read transfers of a USB printer's read pipe. The printer
// splits a message across transfers, packs several into one transfer and chains packets with the
// continue bit; UsbReadResponse turns that stream back into one message per call. It reads
// through a transfer source, so it runs the same against a pipe, a test script or a fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Capacity of the assembled message and of the bytes kept for the next message.
constexpr uint32_t USB_BUFFER_CAPACITY = 100000;
// One read transfer of the reader (ReadPkt).
constexpr uint32_t USB_TRANSFER_SIZE = 32;
// Largest transfer size UsbReadResponse accepts; larger requests are cut to it.
constexpr uint32_t USB_MAX_TRANSFER_SIZE = 512;

// Fills buffer with the next transfer of at most size bytes. Returns the count (> 0), 0 when
// nothing came (an empty read or a wait that timed out), or USB_TRANSFER_STOP to give up the
// message in progress (read error, or nobody waits for replies any more).
using UsbTransferSource = std::function<long(uint8_t* buffer, uint32_t size)>;
constexpr long USB_TRANSFER_STOP = -1;

// Assembles one message. responseBuffer holds *responseBufLen bytes on entry; on return
// *responseBufLen is the message length (0: no message), never more than the capacity, so a
// message that did not fit comes back with exactly the capacity. secondResBuf (capacity
// USB_BUFFER_CAPACITY) with *secondResBufCurrentLen holds the bytes that followed the previous
// message: they are used first, and the bytes after this message are left there.
void UsbReadResponse(const UsbTransferSource& readPkt, uint8_t* responseBuffer, uint32_t* responseBufLen,
                     uint8_t* secondResBuf, uint32_t* secondResBufCurrentLen, uint32_t transferSize);
