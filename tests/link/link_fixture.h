// Shared set-up of the link tests that run against the virtual printer: a fresh simulated
// platform per test, sleeps recorded but not slept, and a timing table short enough for tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "link/link_private.h"
#include "link/slc.h"
#include "link/timing.h"
#include "protocol/packets.h"
#include "sim/sim_platform.h"
#include "sim/virtual_printer.h"

namespace linktest {

using Bytes = std::vector<uint8_t>;

inline SlcTiming FastTiming() {
    SlcTiming t = SlcDefaultTiming();  // pauses stay at their real values: the sim records them
    t.responseWaitMs = 2000;           // a reply that is coming arrives well within this
    t.readGiveUpMs = 2000;
    t.queryReadTotalMs = 30;
    t.queryReadIntervalMs = 5;
    t.queryReadMultiplierMs = 0;
    t.lateReplyDrainMs = 150;
    return t;
}

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

template <size_t N>
Bytes ToBytes(const std::array<uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A batch read of settings the virtual printer knows; it answers with one reply packet (E0).
inline Bytes BatchRead() {
    Bytes out;
    EXPECT_TRUE(npa::BuildBatchRequest({0x0101, 0x0102, 0x0104, 0x0105, 0x0106, 0x0107}, out));
    return out;
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        SlcResetForTesting();
        sim_ = std::make_unique<sim::SimPlatform>();
        sim_->setSleepScale(0);
        sim_->setOsKind(platform::OsKind::TwoWay);
        sim_->install();
        SlcTimingTable() = FastTiming();
    }
    void TearDown() override {
        SlcResetForTesting();
        SlcTimingTable() = SlcDefaultTiming();
        sim_.reset();
    }

    sim::VirtualPrinter& AddPrinter(sim::PrinterConfig config = {}, const std::string& port = "LPT1:") {
        return sim_->addParallelPrinter(port, false, config);
    }

    // True when an entry carries message (its trailing "\n" ends the log line).
    bool LogHas(std::string message) const {
        if (!message.empty() && message.back() == '\n') message.pop_back();
        const std::vector<std::string> lines = sim_->logLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            const size_t colon = line.find(": ");
            return colon != std::string::npos && line.compare(colon + 2, std::string::npos, message) == 0;
        });
    }

    std::string TempPath(const std::string& name) const { return sim_->tempFolder() + "/" + name; }

    std::unique_ptr<sim::SimPlatform> sim_;
};

}  // namespace linktest
