// USB transport: commands on the write pipe (opened per command), replies and alerts from the
// read pipe through one reader thread that fills the response slots, and the offline/online
// exchange on USB.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "link/usb_reassembly.h"
#include "npa/packets.h"

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

// Waits for the reader to signal and takes every stored message, oldest slot first. Returns 0,
// or -6 when nothing was signalled within the reply wait.
int WaitForMessages(std::vector<SlotMessage>& out, uint32_t* replyLength) {
    SlcState& st = SlcGlobals();
    const uint32_t waitMs = SlcTimingTable().responseWaitMs;
    for (;;) {
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() : Before wfso(G_hSemResponse)\n");
        const bool signalled = st.semResponse.try_acquire_for(std::chrono::milliseconds(waitMs));
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() : Returned from wfso(G_hSemResponse)\n");
        if (!signalled) {
            if (replyLength != nullptr) *replyLength = 0;
            SlcLog(SLC_LOG_TRACE,
                   "UsbGetResponse() - RESPONSE_WAIT_TIMEOUT occured after %d ms, returning SLC_SEND_READFAIL\n",
                   static_cast<int>(waitMs));
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
                if (length > 0) message.bytes.assign(st.responseSlots[slot], st.responseSlots[slot] + length);
                out.push_back(std::move(message));
                st.slotLength[slot] = 0;
            }
        }
        if (!out.empty()) return SLC_OK;
        SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - Since LookAgain is true, we will look for a response\n");
    }
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

// Judges byte 8 of the offline/online response: the printer puts 1 there when it accepts.
bool ResponseAccepted(const std::vector<uint8_t>& message) { return message.size() > 8 && message[8] == 1; }
// The alert carries the new state in byte 8: 1 offline, 0 online.
bool AlertMatches(const std::vector<uint8_t>& message, int offline) {
    const uint8_t state = message.size() > 8 ? message[8] : 0;
    return state == (offline ? 1 : 0);
}

}  // namespace

int UsbGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t command) {
    SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - command = %0X\n", command);
    EnsureReader();
    std::vector<SlotMessage> messages;
    const int rc = WaitForMessages(messages, replyLength);
    if (rc != SLC_OK) return rc;
    // Several messages can be announced by one signal; the most recent one is the answer.
    return DeliverMessage(messages.back(), reply, replyLength);
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

    std::unique_ptr<platform::Channel> pipe = OpenUsbHandle(devicePath, platform::UsbPipe::Write);
    if (!pipe) return SLC_FAIL;

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
    const int rc = UsbGetResponse(hasBuffer ? reply : nullptr, replyLength, ByteAt(buffer, length, 4));
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
    const auto& packet = offline ? npa::kOffline : npa::kOnline;
    std::unique_ptr<platform::Channel> pipe = OpenUsbHandle(devicePath, platform::UsbPipe::Write);
    if (!pipe) return SLC_FAIL;

    SlcLog(SLC_LOG_TRACE, "UsbOffline(): NeedNPAStart = TRUE\n");
    SlcLog(SLC_LOG_TRACE, "UsbOffline(): SendNPAStart()\n");
    const int startRc = SendNPAStart(*pipe);
    if (startRc != 0) {
        SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", startRc);
        return SLC_REFUSED;
    }
    SlcLog(SLC_LOG_TRACE, "UsbOffline(): before WriteFile()\n");
    const long written = pipe->write(packet.data(), packet.size());
    SlcLog(SLC_LOG_TRACE, "UsbOffline(): after WriteFile()\n");
    if (written != static_cast<long>(packet.size())) return SLC_REFUSED;
    SlcLog(SLC_LOG_TRACE, "UsbOffline(): Successfully wrote %d bytes\n", static_cast<int>(written));

    // The response and the alert may both be stored before this thread wakes; every message
    // taken from the slots is kept here, so neither is lost to the other.
    std::vector<SlotMessage> pending;
    uint32_t length = kReplyBuffer;
    SlcLog(SLC_LOG_TRACE, "UsbOffline(): before UsbGetResponse()\n");
    SlcLog(SLC_LOG_TRACE, "UsbGetResponse() - command = %0X\n", 0);
    EnsureReader();
    int rc = WaitForMessages(pending, &length);
    if (rc == SLC_OK && pending.front().length < 0) rc = SLC_SEND_TOOLARGE;
    SlcLog(SLC_LOG_TRACE, "UsbOffline(): returned from UsbGetResponse, iReturn=%d\n", rc);
    if (rc != SLC_OK) return rc;
    const std::vector<uint8_t> first = pending.front().bytes;
    pending.erase(pending.begin());
    SlcLogHex(first.data(), static_cast<uint32_t>(first.size()));

    // The second message of the exchange: one already taken, or one from the next wake-up.
    auto awaitSecond = [&pending](uint8_t commandByte, std::vector<uint8_t>& out) -> int {
        auto take = [&]() {
            for (auto it = pending.begin(); it != pending.end(); ++it) {
                if (it->length > 0 && ByteAt(it->bytes.data(), static_cast<uint32_t>(it->bytes.size()), 4) == commandByte) {
                    out = it->bytes;
                    pending.erase(it);
                    return true;
                }
            }
            return false;
        };
        if (take()) return SLC_OK;
        pending.clear();
        uint32_t unused = kReplyBuffer;
        const int waitRc = WaitForMessages(pending, &unused);
        if (waitRc != SLC_OK) return waitRc;
        return take() ? SLC_OK : SLC_SEND_READFAIL;
    };

    const uint8_t command = ByteAt(first.data(), static_cast<uint32_t>(first.size()), 4);
    SlcLog(SLC_LOG_TRACE, "pRcvData[4]=%02X\n", command);
    if (command == npa::CMD_SETTINGS) {
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): we got the response back first\n");
        if (!ResponseAccepted(first)) {
            SlcLog(SLC_LOG_TRACE, "UsbOffline(): the command appears to have been rejected:\n");
            SlcLogHex(first.data(), static_cast<uint32_t>(first.size()));
            return SLC_REJECTED;
        }
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): before UsbGetResponse() - this time for alert\n");
        std::vector<uint8_t> alert;
        const int secondRc = awaitSecond(npa::CMD_ALERT, alert);
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): after UsbGetResponse(), return code is %d\n", secondRc);
        // A lost alert leaves the accepted response to decide.
        if (secondRc == SLC_OK && !AlertMatches(alert, offline)) {
            SlcLog(SLC_LOG_TRACE, "UsbOffline(): 9th byte NOT OK - rejected\n");
            return SLC_REJECTED;
        }
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): 9th byte OK\n");
        return SLC_OK;
    }
    if (command == npa::CMD_ALERT) {
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): we got the alert back first\n");
        if (!AlertMatches(first, offline)) {
            SlcLog(SLC_LOG_TRACE, "UsbOffline(): 9th byte NOT OK - rejected\n");
            return SLC_REJECTED;
        }
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): 9th byte OK\n");
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): before UsbGetResponse() - this time for the response\n");
        std::vector<uint8_t> response;
        const int secondRc = awaitSecond(npa::CMD_SETTINGS, response);
        SlcLog(SLC_LOG_TRACE, "UsbOffline(): after UsbGetResponse(), return code is %d\n", secondRc);
        // A lost response leaves the alert, which already showed the new state, to decide.
        if (secondRc == SLC_OK && !ResponseAccepted(response)) {
            SlcLog(SLC_LOG_TRACE, "UsbOffline(): the command appears to have been rejected:\n");
            SlcLogHex(response.data(), static_cast<uint32_t>(response.size()));
            return SLC_REJECTED;
        }
        return SLC_OK;
    }
    return SLC_OK;
}
