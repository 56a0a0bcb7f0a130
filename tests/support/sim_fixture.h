// A test fixture with the simulated platform installed, the link's waits shrunk, the NPA tables
// and the link reset, devPanel.ini of the data folder as configuration and XDG folders in a
// private temporary folder. Shared by the NPA, document and CLI tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "link/link_testing.h"
#include "link/timing.h"
#include "config/profile.h"
#include "transactions/transactions.h"
#include "sim/sim_platform.h"
#include "test_env.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;

inline SlcTiming FastTiming() {
    SlcTiming t;
    t.readPauseMs = 1;
    t.responseWaitMs = 1500;
    t.readGiveUpMs = 1500;
    t.copyPauseMs = 0;
    t.pipeErrorPauseMs = 1;
    t.pipeRetryMs = 1;
    t.usbReadWaitMs = 20;
    t.queryReadTotalMs = 200;
    t.queryReadIntervalMs = 20;
    t.queryReadMultiplierMs = 0;
    t.lateReplyDrainMs = 100;
    return t;
}

inline Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Packet shapes on the wire.
inline bool IsStart(const Bytes& p) { return p.size() == 19 && p[3] == 0x80; }
inline bool IsBatchRead(const Bytes& p) { return p.size() >= 8 && p[4] == 0xE0 && p[5] == 0xE7 && p[6] == 0x20; }
inline bool IsOfflineOnline(const Bytes& p, int offline) {
    return p.size() == 9 && p[4] == 0xE0 && p[5] == 0xE7 && p[6] == 0x0C && p[7] == offline;
}
inline bool IsSettingWrite(const Bytes& p) { return p.size() >= 9 && p[4] == 0xE0 && p[5] == 0xE7 && p[6] == 0x02; }
// Any reply of the settings command (the start packet and the mode query get none of these).
inline bool IsSettingsReply(const Bytes& p) { return p.size() >= 5 && p[4] == 0xE0; }
inline uint16_t SettingId(const Bytes& p) { return static_cast<uint16_t>((p[7] << 8) | p[8]); }

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        tmp_ = MakeTempFolder("devpanel-e-");
        ASSERT_FALSE(tmp_.empty());
        std::filesystem::create_directories(tmp_ + "/state");
        std::filesystem::create_directories(tmp_ + "/config");
        std::filesystem::create_directories(tmp_ + "/simtmp");
        ASSERT_TRUE(SetEnvironment("XDG_STATE_HOME", tmp_ + "/state"));
        ASSERT_TRUE(SetEnvironment("XDG_CONFIG_HOME", tmp_ + "/config"));
        SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");

        sim_ = std::make_unique<sim::SimPlatform>(tmp_ + "/simtmp");
        sim_->setSleepScale(0);
        // Public operations and internal steps, so that tests can see the link shut down.
        sim_->setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
        sim_->install();
        SlcResetForTesting();
        NpaResetForTesting();
        SlcTimingTable() = FastTiming();
    }

    void TearDown() override {
        SlcResetForTesting();
        NpaResetForTesting();
        SlcTimingTable() = SlcDefaultTiming();
        sim_.reset();
        std::error_code ec;
        std::filesystem::remove_all(tmp_, ec);
    }

    // A configuration of the test's own, written into the temporary folder and made current.
    void UseIni(const std::string& text, const std::string& name = "test.ini") {
        std::string path = tmp_ + "/" + name;
        WriteFileBytes(path, text);
        SetConfigPath(path);
    }

    // The link has been shut down since the log was last cleared, and no port is open.
    bool LinkShutDown() const {
        return sim_->logText().find("SlcShutdown() - in") != std::string::npos && !SlcHoldsChannelForTesting();
    }

    static std::vector<Bytes> Only(const std::vector<Bytes>& packets, bool (*keep)(const Bytes&)) {
        std::vector<Bytes> out;
        for (const Bytes& p : packets) {
            if (keep(p)) out.push_back(p);
        }
        return out;
    }

    // The packets the printer received apart from start packets and alert (de)registration.
    static std::vector<Bytes> SettingsTraffic(const sim::VirtualPrinter& printer) {
        std::vector<Bytes> out;
        for (const Bytes& p : printer.receivedPackets()) {
            if (IsStart(p) || (p.size() >= 6 && p[5] == 0x03)) continue;
            out.push_back(p);
        }
        return out;
    }

    std::string tmp_;
    std::unique_ptr<sim::SimPlatform> sim_;
};

}  // namespace testsupport
