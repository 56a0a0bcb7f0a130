// The installed-printer list against a private cupsd (private_cupsd.h) with queues on parallel,
// usb, socket and file URIs. Skipped when cupsd or lpadmin is not installed.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>

#include "platform/linux/cups_printers.h"
#include "platform/linux/usb.h"
#include "private_cupsd.h"
#include "testbed.h"

namespace {

using Clock = std::chrono::steady_clock;
using testbed::findProgram;
using testbed::PrivateCupsd;
using testbed::ServerOverride;

const char* kPpd =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"SMALL.PPD\"\n*Manufacturer: \"Altrin\"\n"
    "*Product: \"(Pressline T90)\"\n*ModelName: \"Altrin Pressline T90\"\n*ShortNickName: \"Altrin T90\"\n"
    "*NickName: \"Altrin T90\"\n*PSVersion: \"(3010.000) 0\"\n*OpenUI *PageSize: PickOne\n"
    "*DefaultPageSize: A4\n*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
    "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n";

const std::string kDeviceId = "MFG:Altrin;MDL:Pressline T90;CMD:PJL, NPAP,;";

}  // namespace

TEST(CupsPrinterList, MapsEachQueueOfAPrivateServerToItsPort) {
    const std::string cupsd = findProgram("cupsd"), lpadmin = findProgram("lpadmin");
    if (cupsd.empty() || lpadmin.empty()) GTEST_SKIP() << "cupsd or lpadmin is not installed: discovery not tested";
    testbed::Testbed bed;
    PrivateCupsd server(cupsd, bed.path("cups"));
    ASSERT_TRUE(server.ready()) << "private cupsd did not start:\n" << server.log();
    ServerOverride use(server.socket());

    // Two attached USB printers; the usb:// queue belongs to the second by its serial number.
    testbed::PtyPair pty0, pty1;
    bed.addUsbInterface(0, kDeviceId, std::string("AB12"));
    bed.addUsbNode(0, pty0.slavePath());
    bed.addUsbInterface(1, kDeviceId, std::string("CD34"));
    bed.addUsbNode(1, pty1.slavePath());

    bed.writeFile("small.ppd", kPpd);
    const std::vector<std::pair<std::string, std::string>> queues = {
        {"t90_parallel", "parallel:/dev/lp0"},
        {"t90_usb", "usb://Altrin/Pressline%20T90?serial=CD34"},
        {"t90_usb_gone", "usb://Altrin/Pressline%20T90?serial=ZZ99"},
        {"t90_socket", "socket://127.0.0.1:9100"},
        {"t90_file", "file://" + bed.path("out.prn")},
    };
    for (const auto& [name, uri] : queues) {
        ASSERT_EQ(testbed::runProgram({lpadmin, "-p", name, "-v", uri, "-P", bed.path("small.ppd"), "-E"}, bed.path("lpadmin.log"),
                      std::chrono::seconds(10)), 0)
            << name << "\n" << server.log();
    }

    platform::linux_impl::LinuxUsbPrinters usb(bed.roots());
    platform::linux_impl::LinuxPrinterList list(usb, bed.roots());
    std::vector<platform::InstalledPrinter> printers;
    ASSERT_TRUE(list.list(printers));
    std::map<std::string, platform::InstalledPrinter> byName;
    for (const auto& p : printers) byName[p.name] = p;
    ASSERT_EQ(byName.size(), queues.size());
    for (const auto& [name, p] : byName) EXPECT_EQ(p.driverName, "Altrin T90") << name;
    EXPECT_EQ(byName["t90_parallel"].port, "LPT1:");
    EXPECT_EQ(byName["t90_usb"].port, "USB002");
    EXPECT_EQ(byName["t90_usb_gone"].port, "usb://Altrin/Pressline%20T90?serial=ZZ99");
    EXPECT_EQ(byName["t90_socket"].port, "socket://127.0.0.1:9100");
    EXPECT_EQ(byName["t90_file"].port.rfind("file:", 0), 0u);
}

TEST(CupsPrinterList, AServerThatCannotBeReachedIsAFailureWithinItsBound) {
    testbed::TempDir dir;
    platform::linux_impl::LinuxUsbPrinters usb(platform::linux_impl::Roots::under(dir.path()));
    std::vector<platform::InstalledPrinter> printers;
    {
        ServerOverride use(dir.path() + "/no-such.sock");
        platform::linux_impl::LinuxPrinterList list(usb, platform::linux_impl::Roots::under(dir.path()), 500, 500);
        EXPECT_FALSE(list.list(printers));
        EXPECT_TRUE(printers.empty());
    }
    // A server that accepts the connection and then never answers.
    std::string path = dir.path() + "/silent.sock";
    int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ServerOverride use(path);
    platform::linux_impl::LinuxPrinterList list(usb, platform::linux_impl::Roots::under(dir.path()), 500, 500);
    auto start = Clock::now();
    EXPECT_FALSE(list.list(printers));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
    ::close(listener);
}
