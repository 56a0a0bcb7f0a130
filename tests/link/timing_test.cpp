#include <gtest/gtest.h>

#include "link/timing.h"

namespace {

TEST(LinkTiming, DefaultsAreThePrintersRealTimings) {
    const SlcTiming t = SlcDefaultTiming();
    EXPECT_EQ(t.readPauseMs, 385u);
    EXPECT_EQ(t.responseWaitMs, 5000u);
    EXPECT_EQ(t.readGiveUpMs, 10000u);
    EXPECT_EQ(t.copyPauseMs, 5000u);
    EXPECT_EQ(t.pipeErrorPauseMs, 500u);
    EXPECT_EQ(t.pipeRetryMs, 100u);
    EXPECT_EQ(t.queryReadTotalMs, 2500u);
    EXPECT_EQ(t.queryReadIntervalMs, 50u);
    EXPECT_EQ(t.queryReadMultiplierMs, 5u);
    EXPECT_EQ(t.readErrorPauseMs, 100u);
    EXPECT_EQ(t.writeWaitMs, 10000u);
    EXPECT_EQ(t.lateReplyDrainMs, 1000u);
    EXPECT_EQ(t.npaModeReuseMs, 60000u);
}

}  // namespace
