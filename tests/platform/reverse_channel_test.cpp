// Telling a parallel port without a reverse channel from one whose printer is off or gone, by
// the signs the port gives without being sent anything.
#include "platform/reverse_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <string>

namespace {

// What a port shows of its reverse channel without being sent anything: the device ID it gives,
// how a read that must not wait ends, and its status lines.
struct PortSigns {
    const char* name;
    std::string deviceId;   // empty: the device-ID read fails
    int readErrno;          // 0: the instant read succeeds with nothing; else it fails with this errno
    bool statusReadable;
    platform::ParallelStatus status;
    bool oneWay;            // what ReadyPrinterWithoutReverseChannel must say
};
void PrintTo(const PortSigns& c, std::ostream* os) { *os << c.name; }

class SignsChannel : public platform::ParallelChannel {
public:
    explicit SignsChannel(const PortSigns& signs) : signs_(signs) {}
    long write(const uint8_t*, size_t) override {
        ADD_FAILURE() << "the printer must be sent nothing";
        return -1;
    }
    long read(uint8_t*, size_t, int) override {
        // Only a read that returns at once is allowed: the serial-port convention.
        EXPECT_EQ(timeouts_.readInterval, std::numeric_limits<uint32_t>::max());
        EXPECT_EQ(timeouts_.readTotalConstant, 0u);
        EXPECT_EQ(timeouts_.readTotalMultiplier, 0u);
        error_ = signs_.readErrno;
        return signs_.readErrno == 0 ? 0 : -1;
    }
    void cancel() override {}
    int lastError() const override { return error_; }
    bool readDeviceId(uint8_t* buffer, size_t size, size_t& length) override {
        if (signs_.deviceId.empty()) {
            error_ = EIO;
            return false;
        }
        length = std::min(size, signs_.deviceId.size());
        std::copy(signs_.deviceId.begin(), signs_.deviceId.begin() + static_cast<long>(length), buffer);
        return true;
    }
    bool getTimeouts(platform::CommTimeouts& t) override {
        t = timeouts_;
        return true;
    }
    bool setTimeouts(const platform::CommTimeouts& t) override {
        timeouts_ = t;
        return true;
    }

private:
    const PortSigns& signs_;
    platform::CommTimeouts timeouts_;
    int error_ = 0;
};

class SignsPorts : public platform::ParallelPorts {
public:
    explicit SignsPorts(const PortSigns& signs) : signs_(signs) {}
    std::unique_ptr<platform::ParallelChannel> open(const std::string&, int&) override {
        return std::make_unique<SignsChannel>(signs_);
    }
    std::unique_ptr<platform::Channel> openWriteOnly(const std::string&, int& error) override {
        error = EACCES;
        return nullptr;
    }
    bool readStatus(const std::string&, platform::ParallelStatus& status, int& error) override {
        if (!signs_.statusReadable) {
            error = ENOTTY;
            return false;
        }
        status = signs_.status;
        return true;
    }

private:
    const PortSigns& signs_;
};

class ReverseChannelSigns : public ::testing::TestWithParam<PortSigns> {};

// Only a port that gives no device ID, fails the instant read with EIO (as the lp driver does
// when the reverse mode cannot be negotiated) and reports a ready printer is taken for one
// without a reverse channel. A read failing for another reason (the device went away, the port
// is busy) says nothing about the reverse channel.
TEST_P(ReverseChannelSigns, OneWayOnlyForEioWithoutIdOnAReadyPrinter) {
    const PortSigns& c = GetParam();
    SignsPorts ports(c);
    EXPECT_EQ(platform::ReadyPrinterWithoutReverseChannel(ports, "LPT1:"), c.oneWay);
}

const platform::ParallelStatus kReady{true, false, false};
const platform::ParallelStatus kOffLine{false, false, false};

INSTANTIATE_TEST_SUITE_P(
    Ports, ReverseChannelSigns,
    ::testing::Values(PortSigns{"EioWithoutIdReady", "", EIO, true, kReady, true},
                      PortSigns{"EnodevWithoutIdReady", "", ENODEV, true, kReady, false},
                      PortSigns{"EbusyWithoutIdReady", "", EBUSY, true, kReady, false},
                      PortSigns{"EnxioWithoutIdReady", "", ENXIO, true, kReady, false},
                      PortSigns{"ReadableWithoutIdReady", "", 0, true, kReady, false},
                      PortSigns{"EioWithAnIdReady", "MFG:Altrin;CMD:PCL, NPAP,;", EIO, true, kReady, false},
                      PortSigns{"EioWithoutIdOffLine", "", EIO, true, kOffLine, false},
                      PortSigns{"EioWithoutIdStatusUnreadable", "", EIO, false, kReady, false}),
    [](const ::testing::TestParamInfo<PortSigns>& info) { return std::string(info.param.name); });

}  // namespace
