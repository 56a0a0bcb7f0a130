#include "platform/linux/linux_platform.h"

#include <gtest/gtest.h>

#include "testbed.h"

TEST(LinuxPlatform, TakesItsRootsFromTheEnvironmentAndInstallsEveryInterface) {
    testbed::Testbed bed;
    testbed::PtyPair pty;
    bed.addParallelNode(0, pty.slavePath());
    testbed::ScopedEnv dev("DEVPANEL_DEV_ROOT", bed.root());
    testbed::ScopedEnv sys("DEVPANEL_SYS_ROOT", bed.root());
    testbed::ScopedEnv proc("DEVPANEL_PROC_ROOT", bed.root());
    platform::linux_impl::LinuxPlatform linux;
    linux.install();
    const platform::Platform& p = platform::current();
    ASSERT_TRUE(p.system && p.settings && p.log && p.clock && p.parallel && p.usb && p.tempFiles && p.files &&
                p.printers);
    EXPECT_EQ(p.system->osKind(), platform::OsKind::TwoWay);
    int error = 0;
    EXPECT_TRUE(p.parallel->open("LPT1:", error)) << error;
    std::vector<platform::UsbInterface> found;
    EXPECT_FALSE(p.usb->enumerate(1, 20, found));  // the testbed has no usbmisc class
}
