// Arbitrary transfer sequences into UsbReassembly, as a printer (or a broken cable) could send
// them. Input: one option byte, then records of a length byte (0: a read that timed out; taken
// modulo 33, so at most one 32-byte transfer) and that many bytes.
// Option byte: bits 0-2 pick the capacity of the response buffer, bit 3 turns every log level on
// (so the log formats run too).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/quiet_link.h"
#include "link/limits.h"
#include "link/usb_reassembly.h"

using fuzz::Check;

namespace {

constexpr uint32_t kCapacities[] = {USB_BUFFER_CAPACITY, SLC_SLOT_SIZE, 64, 9, 5, 4, 1, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint32_t capacity = kCapacities[data[0] & 7];
    const bool logEverything = (data[0] & 8) != 0;
    fuzz::UseQuietLink(logEverything);

    size_t at = 1;
    size_t reads = 0;
    const UsbTransferSource source = [&](uint8_t* buffer, uint32_t max) -> long {
        if (at >= size || ++reads > 100000) return USB_TRANSFER_STOP;
        const size_t claimed = data[at] % 33;
        ++at;
        const size_t length = std::min(claimed, size - at);
        const size_t n = std::min<size_t>(length, max);
        std::memcpy(buffer, data + at, n);
        at += length;
        return static_cast<long>(n);
    };

    // One reassembly per input: nothing of an earlier input may reach this one.
    UsbReassembly reassembly(fuzz::LinkLogLevel(logEverything));
    // One message per call until the input is used up; every call takes bytes or kept bytes.
    for (int calls = 0; calls < 100000 && (at < size || reassembly.keptLength() > 0); ++calls) {
        const uint32_t length = reassembly.next(source, capacity, USB_TRANSFER_SIZE);
        Check(length <= capacity);
        Check(length == reassembly.messageLength());
        Check(reassembly.keptLength() <= USB_MAX_TRANSFER_SIZE + 4);
        if (length > 0 && capacity > 0) Check(reassembly.message()[0] == 0xA5);
    }
    return 0;
}
