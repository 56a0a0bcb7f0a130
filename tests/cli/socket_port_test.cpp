// devpanel-cli on a network port (socket://127.0.0.1:PORT) against devpanel-printer --tcp on
// loopback: one group by outcome, each with the fault the printer's raw port shows. The commands
// run in this process on the real platform, with the link's waits shrunk.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "link/link_testing.h"
#include "link/timing.h"
#include "platform/real_platform.h"
#include "protocol/packets.h"
#include "testbed.h"
#include "transactions/transactions.h"
#include "../support/private_user_folders.h"

namespace {

using testbed::PrinterProcess;

// What the user meets, and what the printer went through.
enum class Client { Alone, SecondToAHeldPrinter };

struct NetworkCase {
    const char* name;
    std::vector<std::string> printerArgs;  // fault knobs of devpanel-printer --tcp
    std::vector<std::string> command;      // after --port
    int status;                            // devpanel-cli's exit status
    std::string said;                      // in stdout (status 0) or stderr
    bool wentOfflineAndBack = false;       // the printer printed "offline", then "online"
    Client client = Client::Alone;
    bool resetAfterOffline = false;        // --tcp-reset-after: just past the offline request
    bool identityChecked = false;          // the port without ?snmp=false: nothing may reach the printer
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class NetworkPort : public ::testing::TestWithParam<NetworkCase> {
protected:
    static void SetUpTestSuite() {
        static std::unique_ptr<platform::RealPlatform> real = platform::MakeRealPlatform();
        real->install();
    }

    void SetUp() override {
        SlcResetForTesting();
        NpaResetForTesting();
        SlcTiming& t = SlcTimingTable();
        t = SlcDefaultTiming();
        t.responseWaitMs = 300;
        t.lateReplyDrainMs = 50;
        t.pipeErrorPauseMs = 10;
        t.usbReadWaitMs = 100;
        t.connectWaitMs = 1000;
        t.writeWaitMs = 1000;
    }
    void TearDown() override {
        SlcResetForTesting();
        NpaResetForTesting();
        SlcTimingTable() = SlcDefaultTiming();
    }

    std::unique_ptr<PrinterProcess> StartPrinter(std::vector<std::string> args) {
        args.insert(args.begin(), {"--tcp", "127.0.0.1:0", "--model-file", std::string(DEVPANEL_SOURCE_DIR) + "/data/virtual-t90.model"});
        std::string error;
        std::unique_ptr<PrinterProcess> printer = PrinterProcess::start(DEVPANEL_PRINTER_PROGRAM, args, error);
        EXPECT_NE(printer, nullptr) << error;
        return printer;
    }

    static std::string PortOf(const PrinterProcess& printer) {
        return printer.slavePath().substr(printer.slavePath().rfind(':') + 1);
    }

    struct Outcome {
        int status = -1;
        std::string out, err;
    };
    Outcome Run(const std::string& port, std::vector<std::string> args) {
        args.insert(args.begin(), {"--ini", std::string(DEVPANEL_SOURCE_DIR) + "/data/devPanel.ini", "--port", port});
        std::ostringstream out, err;
        Outcome o;
        o.status = cli::RunOnInstalledPlatform(args, out, err);
        o.out = out.str();
        o.err = err.str();
        SlcResetForTesting();
        NpaResetForTesting();
        return o;
    }

    // Where the bytes of one clean apply pass the end of its offline request: a reset there
    // falls between going offline and coming back.
    long OfflineEndOfAnApply(const std::string& record) {
        std::unique_ptr<PrinterProcess> clean = StartPrinter({"--record", record});
        if (!clean) return -1;
        EXPECT_EQ(Run("socket://127.0.0.1:" + PortOf(*clean) + "?snmp=false", {"apply", "AUTOCR=ON"}).status, 0);
        clean->kill();
        const std::string bytes = ReadFile(record);
        const std::string offline(npa::kOffline.begin(), npa::kOffline.end());
        const size_t at = bytes.find(offline);
        return at == std::string::npos ? -1 : static_cast<long>(at + offline.size() + 1);
    }

    guitest::PrivateUserFolders folders_{"/tmp/devpanel-net-XXXXXX"};
};

// A client that holds the printer's raw port, as another computer printing would.
int HoldPort(const std::string& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

TEST_P(NetworkPort, OutcomeAsTheUserMeetsIt) {
    const NetworkCase& c = GetParam();
    const std::string record = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/printer.record";
    std::vector<std::string> args = c.printerArgs;
    if (c.resetAfterOffline) {
        const long at = OfflineEndOfAnApply(record + ".clean");
        ASSERT_GT(at, 0) << "no offline request in a clean apply";
        args.insert(args.end(), {"--tcp-reset-after", std::to_string(at)});
    }
    args.insert(args.end(), {"--record", record});
    std::unique_ptr<PrinterProcess> printer = StartPrinter(args);
    ASSERT_NE(printer, nullptr);
    const std::string port = PortOf(*printer);
    int held = -1;
    if (c.client == Client::SecondToAHeldPrinter) {
        held = HoldPort(port);
        ASSERT_GE(held, 0);
    }
    const std::string name = "socket://127.0.0.1:" + port + (c.identityChecked ? "" : "?snmp=false");
    const Outcome o = Run(name, c.command);
    if (held >= 0) ::close(held);

    EXPECT_EQ(o.status, c.status) << o.err;
    const std::string& said = c.status == 0 ? o.out : o.err;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    // Every failure names where the printer was looked for.
    if (c.status != 0) {
        EXPECT_NE(o.err.find("127.0.0.1 port " + port), std::string::npos) << o.err;
    }

    if (c.wentOfflineAndBack) {
        EXPECT_EQ(printer->nextLine(2000), "offline");
        EXPECT_EQ(printer->nextLine(2000), "online");
    }
    if (c.identityChecked) {
        printer->kill();
        EXPECT_EQ(ReadFile(record), "") << "bytes reached a printer whose identity was not checked";
    }
}

INSTANTIATE_TEST_SUITE_P(
    ByOutcome, NetworkPort,
    ::testing::Values(
        NetworkCase{"ReadListsTheSettings", {}, {"read"}, 0, "AUTOCR="},
        NetworkCase{"ApplyTakesThePrinterOfflineAndBack", {}, {"apply", "AUTOCR=ON"}, 0, "Applied 1 setting(s)", true},
        NetworkCase{"RefusedConnectNamesThePort", {"--tcp-refuse"}, {"read"}, 3, "refused the connection: nothing listens on port"},
        NetworkCase{"SilentPrinterIsNoAnswer", {"--tcp-silent"}, {"read"}, 4, "took the request but did not answer"},
        NetworkCase{"ResetMidApplyIsReportedAndThePrinterIsBackOnline", {}, {"apply", "AUTOCR=ON"}, 5,
                    "was reset or closed by the printer", true, Client::Alone, true},
        NetworkCase{"PrinterClosingOnHalfCloseStillAnswersEverything", {"--tcp-close-on-half-close"},
                    {"apply", "AUTOCR=ON"}, 0, "Applied 1 setting(s)", true},
        NetworkCase{"SecondClientOfAHeldPrinterIsToldItIsBusy", {}, {"read"}, 4, "busy with another connection", false,
                    Client::SecondToAHeldPrinter},
        NetworkCase{"SecondClientResetByAHeldPrinterIsTold", {"--tcp-refuse-second"}, {"read"}, 4,
                    "was reset or closed by the printer", false, Client::SecondToAHeldPrinter},
        NetworkCase{"UncheckedIdentityGetsNotOneByte", {}, {"read"}, 3, "not one byte was sent", false, Client::Alone,
                    false, true}),
    [](const ::testing::TestParamInfo<NetworkCase>& info) { return std::string(info.param.name); });

// The change an apply made is what the next read finds, over two connections.
TEST_F(NetworkPort, AnAppliedChangeIsReadBack) {
    std::unique_ptr<PrinterProcess> printer = StartPrinter({});
    ASSERT_NE(printer, nullptr);
    const std::string name = "socket://127.0.0.1:" + PortOf(*printer) + "?snmp=false";
    ASSERT_EQ(Run(name, {"apply", "AUTOCR=ON"}).status, 0);
    const Outcome read = Run(name, {"read"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find("AUTOCR=ON\n"), std::string::npos);
}

}  // namespace
