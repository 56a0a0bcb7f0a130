// USB transport: commands on the write pipe (opened per command), replies and alerts from the
// read pipe through one reader thread that fills the response slots, and the offline/online
// exchange on USB.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "link/usb_reassembly.h"
#include "protocol/packets.h"

namespace {

constexpr uint8_t kAlertNibble = 0xF0;
constexpr uint8_t kCommandErrorFlags = npa::FLAG_ERROR | npa::FLAG_ERROR_DETAIL;
// Slot length of a message that did not fit into a slot; the waiter turns it into -7.
constexpr int32_t kSlotTooLarge = -2;
constexpr uint32_t kReplyBuffer = SLC_SLOT_SIZE;

uint8_t ByteAt(const uint8_t* bytes, uint32_t length, uint32_t index) { return index < length ? bytes[index] : 0; }

// One message taken out of the response slots.
struct SlotMessage {
    int32_t length = 0;  // > 0 bytes, kSlotTooLarge for a message that did not fit
    std::vector<uint8_t> bytes;
};

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
                st.slotLength[slot] = kSlotTooLarge;
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

// Waits up to waitMs for the reader to signal and takes every stored message, oldest slot
// first. Returns 0, or -6 when nothing was signalled in time.
int WaitForMessages(std::vector<SlotMessage>& out, uint32_t* replyLength, uint32_t waitMs) {
    SlcState& st = SlcGlobals();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() : Before wfso(G_hSemResponse)\n");
        const bool signalled = st.semResponse.try_acquire_until(deadline);
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() : Returned from wfso(G_hSemResponse)\n");
        if (!signalled) {
            if (replyLength != nullptr) *replyLength = 0;
            SlcLog(SLC_LOG_TRACE,
                   "UsbGetResponse() - RESPONSE_WAIT_TIMEOUT occured after %d ms, returning SLC_SEND_READFAIL\n",
                   static_cast<int>(SlcTimingTable().responseWaitMs));
            return SLC_SEND_READFAIL;
        }
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - The read thread got a response and signalled us\n");
        {
            std::lock_guard<std::mutex> lock(st.responseMutex);
            for (int slot = 0; slot < SLC_SLOT_COUNT; ++slot) {
                const int32_t length = st.slotLength[slot];
                if (length == 0) continue;
                SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - found response in slot %d\n", slot);
                SlotMessage message;
                message.length = length;
                const int32_t kept = length > 0 ? length : static_cast<int32_t>(npa::HEADER_SIZE);
                message.bytes.assign(st.responseSlots[slot], st.responseSlots[slot] + kept);
                out.push_back(std::move(message));
                st.slotLength[slot] = 0;
            }
        }
        if (!out.empty()) return SLC_OK;
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - Since LookAgain is true, we will look for a response\n");
    }
}

// Drops what the reader stored before a new request goes out: replies and alerts that came
// after their waiter gave up must not answer the new request.
void DropStoredMessages() {
    SlcState& st = SlcGlobals();
    std::lock_guard<std::mutex> lock(st.responseMutex);
    for (int slot = 0; slot < SLC_SLOT_COUNT; ++slot) {
        if (st.slotLength[slot] == 0) continue;
        SlcLog(SLC_LOG_TRACE, "UsbSendCommand() - dropping a stored message (command byte %02X) from slot %d\n",
               st.responseSlots[slot][4], slot);
        st.slotLength[slot] = 0;
    }
    (void)st.semResponse.try_acquire();
}

// The device path the next reader serves, handed over when the reader is started.
std::string g_readerDevicePath;

void UsbReaderBody() { UsbReadPort(g_readerDevicePath); }

// Starts the reader unless one runs (it keeps running across commands).
void EnsureReader() {
    SlcState& st = SlcGlobals();
    std::lock_guard<std::mutex> lock(st.transactionInfo);
    if (st.readThreadRunning) return;
    g_readerDevicePath = st.devicePath;
    const int serial = SlcStartReaderLocked(&UsbReaderBody);
    SlcLog(SLC_LOG_TRACE, "UsbGetResponse: no G_hReadThread - started ReadThread and got hReadThread:%d\n", serial);
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

// Hands the message to the caller's buffer: 0, or -7 when it does not fit (or did not fit a slot).
int DeliverMessage(const SlotMessage& message, uint8_t* reply, uint32_t* replyLength) {
    const bool hasBuffer = reply != nullptr && replyLength != nullptr && *replyLength > 0;
    if (message.length < 0) {
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_TOOLARGE;
    }
    if (!hasBuffer) {
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_OK;
    }
    const uint32_t length = static_cast<uint32_t>(message.length);
    if (length > *replyLength) {
        *replyLength = 0;
        return SLC_SEND_TOOLARGE;
    }
    std::memcpy(reply, message.bytes.data(), length);
    *replyLength = length;
    return SLC_OK;
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
    platform::Clock& clock = *platform::current().clock;
    const uint32_t waitMs = SlcTimingTable().responseWaitMs;
    const uint32_t start = clock.tickCount();
    for (;;) {
        const uint32_t elapsed = clock.tickCount() - start;
        std::vector<SlotMessage> messages;
        const int rc = elapsed >= waitMs ? SLC_SEND_READFAIL : WaitForMessages(messages, replyLength, waitMs - elapsed);
        if (rc != SLC_OK) {
            if (replyLength != nullptr) *replyLength = 0;
            return rc;
        }
        // Only a message with the command's own command byte answers it, never an alert. Of
        // several such messages announced by one signal the most recent one is the answer.
        const SlotMessage* answer = nullptr;
        for (const SlotMessage& message : messages) {
            const uint8_t got = ByteAt(message.bytes.data(), static_cast<uint32_t>(message.bytes.size()), 4);
            if (anyMessage || (got == command && (got & 0xF0) != kAlertNibble)) {
                answer = &message;
            } else {
                SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - dropping a message with command byte %02X, not the reply to %02X\n",
                       got, command);
            }
        }
        if (answer != nullptr) return DeliverMessage(*answer, reply, replyLength);
    }
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

    int error = 0;
    std::unique_ptr<platform::Channel> pipe = OpenUsbHandle(devicePath, platform::UsbPipe::Write, &error);
    if (!pipe) {
        SlcSetProblem("the USB printer's write pipe " + devicePath + " cannot be opened: " + SlcErrnoReason(error));
        return SLC_FAIL;
    }
    DropStoredMessages();

    SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): NeedNPAStart = TRUE\n");
    SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): SendNPAStart()\n");
    const int startRc = SendNPAStart(*pipe);
    if (startRc != 0) {
        SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", startRc);
        return SLC_SEND_WRITEFAIL;
    }

    SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): before WriteFile()\n");
    const long written = pipe->write(buffer, length);
    SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): after WriteFile()\n");
    if (written != static_cast<long>(length)) {
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_WRITEFAIL;
    }
    SlcLog(SLC_LOG_TRACE, "Successfully wrote %d bytes\n", static_cast<int>(written));
    if (!hasBuffer && !responseRequested) return SLC_OK;

    SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): before UsbGetResponse()\n");
    const int rc = UsbWaitReply(hasBuffer ? reply : nullptr, replyLength, ByteAt(buffer, length, 4), false);
    SlcLog(SLC_LOG_TRACE, "UsbSendCommand(): after UsbGetResponse(), return code is %d\n", rc);
    return rc;
}

void UsbReadPort(const std::string& devicePath) {
    SlcState& st = SlcGlobals();
    std::vector<uint8_t> responseBuffer(USB_BUFFER_CAPACITY);
    std::vector<uint8_t> secondResBuf(USB_BUFFER_CAPACITY);
    uint32_t secondResBufCurrentLen = 0;
    uint32_t responseBufLen = USB_BUFFER_CAPACITY;
    ReaderPipe pipe;
    const UsbTransferSource source = [&pipe](uint8_t* buffer, uint32_t size) { return ReadPkt(pipe, buffer, size); };

    std::unique_lock<std::mutex> lock(st.transactionInfo);
    pipe.open(devicePath);
    while (st.expectingResponse && pipe) {
        lock.unlock();
        responseBufLen = USB_BUFFER_CAPACITY;
        UsbReadResponse(source, responseBuffer.data(), &responseBufLen, secondResBuf.data(), &secondResBufCurrentLen,
                        USB_TRANSFER_SIZE);
        const uint8_t* message = responseBuffer.data();
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
    lock.unlock();
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
    transport.writePacket = [&devicePath](const uint8_t* packet, size_t length) -> int {
        int error = 0;
        std::unique_ptr<platform::Channel> pipe = OpenUsbHandle(devicePath, platform::UsbPipe::Write, &error);
        if (!pipe) {
            SlcSetProblem("the USB printer's write pipe " + devicePath + " cannot be opened: " + SlcErrnoReason(error));
            return SLC_FAIL;
        }
        DropStoredMessages();
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): NeedNPAStart = TRUE\n");
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): SendNPAStart()\n");
        const int startRc = SendNPAStart(*pipe);
        if (startRc != 0) {
            SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", startRc);
            return SLC_REFUSED;
        }
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): before WriteFile()\n");
        const long written = pipe->write(packet, length);
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): after WriteFile()\n");
        if (written != static_cast<long>(length)) return SLC_REFUSED;
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - command = %0X\n", 0);
        EnsureReader();
        return SLC_OK;
    };
    // The response and the alert may both be stored before this thread wakes; every message
    // taken from the slots is kept here and handed out in order, so neither is lost.
    std::deque<SlotMessage> pending;
    transport.nextMessage = [&pending](std::vector<uint8_t>& message, uint32_t waitMs) -> int {
        if (pending.empty()) {
            std::vector<SlotMessage> taken;
            uint32_t unused = kReplyBuffer;
            const int rc = WaitForMessages(taken, &unused, waitMs);
            if (rc != SLC_OK) return rc;
            pending.insert(pending.end(), taken.begin(), taken.end());
        }
        SlotMessage next = std::move(pending.front());
        pending.pop_front();
        if (next.length < 0) return SLC_SEND_TOOLARGE;
        message = std::move(next.bytes);
        return SLC_OK;
    };
    return SlcOfflineExchange(transport, offline);
}
