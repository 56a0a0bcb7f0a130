// USB transport: commands on the write pipe (opened per command), replies and alerts from the
// read pipe through one reader thread that fills the response slots, and the offline/online
// exchange on USB.
#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <vector>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "link/usb_reassembly.h"
#include "protocol/packets.h"

namespace {

constexpr uint8_t kAlertNibble = 0xF0;
constexpr uint8_t kCommandErrorFlags = npa::FLAG_ERROR | npa::FLAG_ERROR_DETAIL;

uint8_t ByteAt(const uint8_t* bytes, uint32_t length, uint32_t index) { return index < length ? bytes[index] : 0; }

// The USB waiter takes every slot the reader filled; the time-out line names the reply wait.
SlcResponseWait UsbWait(uint32_t waitMs) {
    SlcResponseWait wait;
    wait.name = "UsbGetResponse";
    wait.waitMs = waitMs;
    wait.loggedWaitMs = SlcTimingTable().responseWaitMs;
    wait.slots = SLC_SLOT_COUNT;
    wait.logSlots = true;
    return wait;
}

// Stores a message (or the too-large mark) in the first empty slot; all three full drops it.
void StoreInSlot(const uint8_t* message, uint32_t length, const char* kind) {
    SlcState& st = SlcGlobals();
    {
        std::lock_guard<std::mutex> lock(st.responseMutex);
        for (int slot = 0; slot < SLC_SLOT_COUNT; ++slot) {
            if (st.slotLength[slot] != 0) continue;
            if (length > SLC_SLOT_SIZE) {
                SlcLog(SLC_LOG_TRACE, "UsbReadPort() - message of %u bytes does not fit a slot\n", length);
                // The header stays, so that the waiter can tell whose reply it was.
                std::memcpy(st.responseSlots[slot], message, npa::HEADER_SIZE);
                st.slotLength[slot] = SLC_SLOT_TOO_LARGE;
            } else {
                std::memcpy(st.responseSlots[slot], message, length);
                st.slotLength[slot] = static_cast<int32_t>(length);
            }
            SlcLog(SLC_LOG_TRACE, "UsbReadPort() - saving %s in slot %d\n", kind, slot);
            break;
        }
    }
    SlcSignal(st.semResponse);
}

// Tells the waiter that nothing more will come: the stream the pipes were views of is gone.
void StoreStreamLost() {
    SlcState& st = SlcGlobals();
    {
        std::lock_guard<std::mutex> lock(st.responseMutex);
        for (int slot = 0; slot < SLC_SLOT_COUNT; ++slot) {
            if (st.slotLength[slot] != 0) continue;
            std::memset(st.responseSlots[slot], 0, npa::HEADER_SIZE);
            st.slotLength[slot] = SLC_SLOT_FAILED;
            SlcLog(SLC_LOG_TRACE, "UsbReadPort() - the stream is gone, marking slot %d\n", slot);
            break;
        }
    }
    SlcSignal(st.semResponse);
}

// Starts the reader unless one runs (it keeps running across commands).
void EnsureReader() {
    SlcState& st = SlcGlobals();
    std::lock_guard<std::mutex> lock(st.transactionInfo);
    if (st.readThreadRunning) return;
    // The reader serves the device of the port open now, handed over with its body.
    const int serial = SlcStartReaderLocked([devicePath = st.devicePath] { UsbReadPort(devicePath); }, UsbCancelReader);
    SlcLog(SLC_LOG_TRACE, "UsbGetResponse: no G_hReadThread - started ReadThread and got hReadThread:%d\n", serial);
}

enum class Written { Whole, NoPipe, NoStart, Short };

// One request on a write pipe opened for it: a late reply to an earlier request that timed out
// is drained and what the reader stored for earlier requests is dropped first, and the start
// packet goes ahead of the request. Logged as who's. The pipe stays open in pipe until the caller
// has waited for the reply: closing the last descriptor of a usblp node cancels a transfer still
// in flight.
Written WriteRequest(const std::string& devicePath, const char* who, const uint8_t* bytes, size_t length,
                     std::unique_ptr<platform::Channel>& pipe) {
    int error = 0;
    pipe = OpenUsbHandle(devicePath, platform::UsbPipe::Write, &error);
    if (!pipe) {
        SlcSetProblem("the USB printer's write pipe " + devicePath + " cannot be opened: " + SlcErrnoReason(error));
        return Written::NoPipe;
    }
    SlcDrainLateReplies(who, {});
    SlcDropStoredMessages("UsbSendCommand");
    if (!SlcSendStart(*pipe, who)) return Written::NoStart;
    SlcLog(SLC_LOG_TRACE, "%s(): before WriteFile()\n", who);
    const long written = pipe->write(bytes, length);
    SlcLog(SLC_LOG_TRACE, "%s(): after WriteFile()\n", who);
    return written == static_cast<long>(length) ? Written::Whole : Written::Short;
}

// Closes a write pipe once the driver has finished what was written to it (within the write
// time-out), so that the close cancels nothing. False when the write did not finish: it was not
// sent, whatever the write call returned.
bool CloseWritePipe(std::unique_ptr<platform::Channel>& pipe, const char* who) {
    if (!pipe) return true;
    const bool finished = pipe->sync();
    if (!finished) {
        SlcLog(SLC_LOG_TRACE, "%s(): the USB driver did not finish the write, error %d\n", who, pipe->lastError());
        SlcSetProblem(std::string("the USB printer did not take the request within ") +
                      std::to_string(SlcTimingTable().writeWaitMs) + " ms (is it switched on and not jammed?)");
    }
    pipe.reset();
    return finished;
}

// The reader's open read pipe, registered so that UsbCancelReader can end a read in progress.
// Registration and the open happen under transactionInfo, after the reader saw
// bExpectingResponse set; so a stop that clears the flag either keeps the pipe from opening or
// finds it here.
class ReaderPipe {
public:
    ~ReaderPipe() { close(); }
    platform::Channel* get() const { return channel_.get(); }
    explicit operator bool() const { return channel_ != nullptr; }
    void open(const std::string& devicePath) {
        std::unique_ptr<platform::Channel> channel = OpenUsbHandle(devicePath, platform::UsbPipe::Read);
        std::lock_guard<std::mutex> lock(mutex());
        channel_ = std::move(channel);
        current() = channel_.get();
    }
    void close() {
        std::lock_guard<std::mutex> lock(mutex());
        current() = nullptr;
        channel_.reset();
    }
    static void cancelCurrent() {
        std::lock_guard<std::mutex> lock(mutex());
        if (current() != nullptr) current()->cancel();
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static platform::Channel*& current() {
        static platform::Channel* channel = nullptr;
        return channel;
    }
    std::unique_ptr<platform::Channel> channel_;
};

bool ReaderStopping() {
    SlcState& st = SlcGlobals();
    if (st.readerStop.load(std::memory_order_acquire)) return true;
    std::lock_guard<std::mutex> lock(st.transactionInfo);
    return !st.expectingResponse;
}

// The reader's ReadPkt: one bounded read of at most size bytes. A wait that timed out yields no
// bytes; mid-message the reader then checks whether anyone still waits, so that a close ends it
// within one read wait. A read error closes the pipe, pauses and gives up the message.
long ReadPkt(ReaderPipe& pipe, uint8_t* buffer, uint32_t size) {
    if (!pipe || SlcGlobals().readerStop.load(std::memory_order_acquire)) return USB_TRANSFER_STOP;
    SlcLog(SLC_LOG_TRACE, "ReadPkt()\n");
    const long got = pipe.get()->read(buffer, size, static_cast<int>(SlcTimingTable().usbReadWaitMs));
    if (got > 0) {
        SlcLog(SLC_LOG_TRACE, "ReadPkt() - GetOverLappedResult(!IoPending) [2] success currBytesRead :  %d\n",
               static_cast<int>(got));
        return std::min<long>(got, size);
    }
    if (got == 0) return ReaderStopping() ? USB_TRANSFER_STOP : 0;
    // A read cancelled by a stop is no pipe error.
    if (ReaderStopping()) return USB_TRANSFER_STOP;
    SlcLog(SLC_LOG_TRACE, "ReadPkt(): after ReadFileEx(not pendingIO) call got lastError:%d\n", pipe.get()->lastError());
    pipe.close();
    SlcSleep(SlcTimingTable().pipeErrorPauseMs);
    return USB_TRANSFER_STOP;
}

}  // namespace

int UsbGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t command) {
    return UsbWaitReply(reply, replyLength, command, command == 0);
}

int UsbWaitReply(uint8_t* reply, uint32_t* replyLength, uint8_t command, bool anyMessage) {
    SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - command = %0X\n", command);
    EnsureReader();
    SlcResponseWait wait = UsbWait(SlcTimingTable().responseWaitMs);
    // Only a message with the command's own command byte answers it, never an alert.
    wait.judge = [command, anyMessage](const SlcSlotMessage& message) {
        if (message.length == SLC_SLOT_FAILED) return SlcVerdict::Take;  // the stream is gone
        const uint8_t got = ByteAt(message.bytes.data(), static_cast<uint32_t>(message.bytes.size()), 4);
        if (anyMessage || (got == command && (got & 0xF0) != kAlertNibble)) return SlcVerdict::Take;
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - dropping a message with command byte %02X, not the reply to %02X\n",
               got, command);
        return SlcVerdict::Drop;
    };
    return SlcAwaitReply(wait, reply, replyLength);
}

int UsbSendCommand(const std::string& devicePath, const uint8_t* command, uint32_t length, uint8_t* reply,
                   uint32_t* replyLength) {
    if (length > SLC_MAX_COMMAND) {
        SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): command too large!\n");
        return SLC_REFUSED;
    }
    uint8_t buffer[SLC_MAX_COMMAND];
    if (length > 0) std::memcpy(buffer, command, length);
    const uint8_t flags = ByteAt(buffer, length, 3);
    const bool hasBuffer = reply != nullptr && replyLength != nullptr && *replyLength > 0;
    const bool responseRequested = (flags & npa::FLAG_RESPONSE) != 0;
    if (!hasBuffer) {
        if (responseRequested) SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): no buffer but response requested!\n");
        if (replyLength != nullptr) *replyLength = 0;
    }

    std::unique_ptr<platform::Channel> pipe;
    switch (WriteRequest(devicePath, "UsbSendCommand", buffer, length, pipe)) {
    case Written::NoPipe:
        return SLC_FAIL;
    case Written::NoStart:
        return SLC_SEND_WRITEFAIL;
    case Written::Short:
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_WRITEFAIL;
    case Written::Whole:
        break;
    }
    SlcLog(SLC_LOG_TRACE, "Successfully wrote %d bytes\n", static_cast<int>(length));
    int rc = SLC_OK;
    if (hasBuffer || responseRequested) {
        SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): before UsbGetResponse()\n");
        rc = UsbWaitReply(hasBuffer ? reply : nullptr, replyLength, ByteAt(buffer, length, 4), false);
        SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): after UsbGetResponse(), return code is %d\n", rc);
    }
    // The write pipe is closed only after the reply wait, and only once the driver is done.
    if (!CloseWritePipe(pipe, "UsbSendCommand") && rc == SLC_OK) {
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_WRITEFAIL;
    }
    return rc;
}

void UsbReadPort(const std::string& devicePath) {
    SlcState& st = SlcGlobals();
    UsbReassembly assembly(st.loggingLevel);
    ReaderPipe pipe;
    const UsbTransferSource source = [&pipe](uint8_t* buffer, uint32_t size) { return ReadPkt(pipe, buffer, size); };

    std::unique_lock<std::mutex> lock(st.transactionInfo);
    pipe.open(devicePath);
    while (st.expectingResponse && pipe) {
        lock.unlock();
        const uint32_t responseBufLen = assembly.next(source, USB_BUFFER_CAPACITY, USB_TRANSFER_SIZE);
        const uint8_t* message = assembly.message();
        if (responseBufLen == 0) {
            SlcLog(SLC_LOG_TRACE, "returned from UsbReadResponse with responseBufLen=%d\n", 0);
        } else if ((ByteAt(message, responseBufLen, 4) & 0xF0) == kAlertNibble) {
            SlcLog(SLC_LOG_TRACE, "UsbReadPort(): It's an alert!\n");
            StoreInSlot(message, responseBufLen, "alert");
            pipe.close();
        } else {
            SlcLog(SLC_LOG_TRACE, "UsbReadPort(): It's a response!\n");
            if ((ByteAt(message, responseBufLen, 3) & kCommandErrorFlags) == kCommandErrorFlags) {
                SlcLog(SLC_LOG_TRACE, "UsbReadPort(): It's a command error, tossing.\n");
            } else {
                StoreInSlot(message, responseBufLen, "response");
            }
            pipe.close();
        }
        lock.lock();
        // The read pipe is opened afresh for every message (and after a read error).
        if (!pipe && st.expectingResponse && !st.readerStop.load(std::memory_order_acquire)) pipe.open(devicePath);
    }
    // Pipes that are views of a stream no longer open when the stream is gone for good: whoever
    // waits is told now instead of waiting out the reply wait.
    const bool streamGone = !pipe && st.expectingResponse && st.streamPipes &&
                            !st.readerStop.load(std::memory_order_acquire);
    lock.unlock();
    if (streamGone) StoreStreamLost();
    SlcLog(SLC_LOG_TRACE, "UsbReadPort(), couldn't open port or no one is expecting a response, exiting...\n");
    pipe.close();
    SlcLog(SLC_LOG_TRACE, "UsbReadPort(), Closed G_hReadThread\n");
    SlcLog(SLC_LOG_TRACE, "UsbReadPort(), going to call _endthreadex  after setting handle to NULL\n");
    // Last: once this is clear the next wait may join this thread and start another.
    lock.lock();
    st.readThreadRunning = false;
}

void UsbCancelReader() { ReaderPipe::cancelCurrent(); }

int UsbOffline(const std::string& devicePath, int offline) {
    SlcOfflineTransport transport;
    transport.prefix = "UsbOffline(): ";
    transport.waitName = "UsbGetResponse";
    // The write pipe of the request stays open until the exchange has its answers.
    std::unique_ptr<platform::Channel> pipe;
    transport.writePacket = [&devicePath, &pipe](const uint8_t* packet, size_t length) -> int {
        switch (WriteRequest(devicePath, "UsbOffline", packet, length, pipe)) {
        case Written::NoPipe:
            return SLC_FAIL;
        case Written::NoStart:
        case Written::Short:
            pipe.reset();  // a failed write has nothing in flight worth waiting for
            return SLC_REFUSED;
        case Written::Whole:
            break;
        }
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - command = %0X\n", 0);
        EnsureReader();
        return SLC_OK;
    };
    // The response and the alert may both be stored before this thread wakes; every message
    // taken from the slots is kept here and handed out in order, so neither is lost.
    std::deque<SlcSlotMessage> pending;
    transport.nextMessage = [&pending](std::vector<uint8_t>& message, uint32_t waitMs) -> int {
        if (pending.empty()) {
            std::vector<SlcSlotMessage> taken;
            const int rc = SlcAwaitMessages(UsbWait(waitMs), taken);
            if (rc != SLC_OK) return rc;
            pending.insert(pending.end(), std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
        }
        SlcSlotMessage next = std::move(pending.front());
        pending.pop_front();
        if (next.length == SLC_SLOT_FAILED) return SLC_SEND_READFAIL;  // the stream is gone: nothing more comes
        if (next.length < 0) return SLC_SEND_TOOLARGE;
        message = std::move(next.bytes);
        return SLC_OK;
    };
    const int rc = SlcOfflineExchange(transport, offline);
    if (!CloseWritePipe(pipe, "UsbOffline") && rc == SLC_OK) return SLC_REFUSED;
    return rc;
}
