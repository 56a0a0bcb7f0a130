// devpanel-cli on a network port (socket://127.0.0.1:PORT) against devpanel-printer --tcp on
// loopback: one group by outcome, each with the fault the printer's raw port shows. The commands
// run in this process on the real platform, with the link's waits shrunk.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
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
#include "link/snmp.h"
#include "platform/udp_socket.h"
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
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class NetworkFixture : public ::testing::Test {
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

class NetworkPort : public NetworkFixture, public ::testing::WithParamInterface<NetworkCase> {};

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
    const std::string name = "socket://127.0.0.1:" + port + "?snmp=false";
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
                    "was reset or closed by the printer", false, Client::SecondToAHeldPrinter}),
    [](const ::testing::TestParamInfo<NetworkCase>& info) { return std::string(info.param.name); });

// Debian's SNMP agent on a free loopback UDP port, with a configuration file of its own whose
// override lines set the objects the identity check asks for. Ended by its process id.
class SnmpAgent {
public:
    SnmpAgent(const std::string& folder, const std::vector<std::string>& overrides) {
        port_ = FreeUdpPort();
        std::filesystem::create_directories(folder + "/persist");
        const std::string config = folder + "/agent.conf";
        std::ofstream(config) << "rocommunity public 127.0.0.1\n" << Join(overrides);
        const std::string persist = "SNMP_PERSISTENT_DIR=" + folder + "/persist";
        const std::string endpoint = "udp:127.0.0.1:" + std::to_string(port_);
        std::vector<std::string> args = {"/usr/sbin/snmpd", "-f", "-Lf", folder + "/agent.log", "-C", "-c", config,
                                         "-M", "/nonexistent", endpoint};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {persist, "PATH=/usr/sbin:/usr/bin"};
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (::posix_spawn(&pid_, args[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    }
    ~SnmpAgent() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    uint16_t port() const { return port_; }
    // Waits (at most 5 s, in 100 ms requests) until the agent answers a GET of any object.
    bool answering() const {
        if (pid_ <= 0) return false;
        const std::vector<uint8_t> request = snmp::EncodeGet(snmp::kVersion1, "public", 1, *snmp::ParseOid("1.3.6.1.2.1.1.1.0"));
        uint8_t reply[snmp::kMaxMessage];
        for (int attempt = 0; attempt < 50; ++attempt) {
            const platform::UdpResult r = platform::UdpRequest("127.0.0.1", port_, request.data(), request.size(), reply,
                                                               sizeof reply, 100, [](const uint8_t*, size_t) { return true; });
            if (r.outcome == platform::UdpOutcome::Answered) return true;
            ::usleep(20000);
        }
        return false;
    }
    static uint16_t FreeUdpPort() {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        uint16_t port = 0;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port = ntohs(address.sin_port);
        }
        if (fd >= 0) ::close(fd);
        return port;
    }

private:
    static std::string Join(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& l : lines) text += l + "\n";
        return text;
    }
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

struct IdentityCase {
    const char* name;
    std::vector<std::string> overrides;  // the agent's override lines; none: no agent at all
    int status;
    std::string said;
};

class NetworkIdentity : public NetworkFixture, public ::testing::WithParamInterface<IdentityCase> {};

const std::string kThisModel =
    "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;";

TEST_P(NetworkIdentity, OnlyThisModelGetsAByte) {
    const IdentityCase& c = GetParam();
    const std::string folder = std::string(std::getenv("XDG_RUNTIME_DIR"));
    std::unique_ptr<SnmpAgent> agent;
    uint16_t snmpPort = SnmpAgent::FreeUdpPort();  // nothing listens there when there is no agent
    if (!c.overrides.empty()) {
        agent = std::make_unique<SnmpAgent>(folder, c.overrides);
        ASSERT_TRUE(agent->answering()) << "snmpd did not answer on its port";
        snmpPort = agent->port();
    }
    const std::string record = folder + "/printer.record";
    std::unique_ptr<PrinterProcess> printer = StartPrinter({"--record", record});
    ASSERT_NE(printer, nullptr);
    const Outcome o = Run("socket://127.0.0.1:" + PortOf(*printer) + "?snmp-port=" + std::to_string(snmpPort), {"read"});
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE((c.status == 0 ? o.out : o.err).find(c.said), std::string::npos) << o.err;
    printer->kill();
    if (c.status != 0) {
        EXPECT_EQ(ReadFile(record), "") << "bytes reached a printer that was refused";
    } else {
        EXPECT_NE(ReadFile(record), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    BySnmpd, NetworkIdentity,
    ::testing::Values(
        IdentityCase{"ThisModelsDeviceId",
                     {"override 1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1 octet_str \"" + kThisModel + "\""}, 0, "AUTOCR="},
        IdentityCase{"ThisModelsDescriptionWithoutADeviceId",
                     {"override 1.3.6.1.2.1.25.3.2.1.3.1 octet_str \"Altrin Pressline T90\""}, 0, "AUTOCR="},
        IdentityCase{"AnotherModelsDeviceId",
                     {"override 1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1 octet_str "
                      "\"MFG:Hewlett-Packard;CMD:PJL,PCL;MDL:LaserJet 4250;CLS:PRINTER;\""},
                     3, "127.0.0.1's SNMP device ID names LaserJet 4250, not an Altrin Pressline T90"},
        IdentityCase{"AnotherModelsDescription",
                     {"override 1.3.6.1.2.1.25.3.2.1.3.1 octet_str \"Brother HL-L2350DW\""}, 3,
                     "names Brother HL-L2350DW, not an Altrin Pressline T90"},
        IdentityCase{"NoAgent", {}, 3, "no SNMP answer from 127.0.0.1"}),
    [](const ::testing::TestParamInfo<IdentityCase>& info) { return std::string(info.param.name); });

// doctor on a network port says whether the printer can be used, and sends it nothing.
struct DoctorCase {
    const char* name;
    std::vector<std::string> printerArgs;
    int status;
    std::string said;
};

class NetworkDoctor : public NetworkFixture, public ::testing::WithParamInterface<DoctorCase> {};

TEST_P(NetworkDoctor, SaysWhatToMendAndSendsNothing) {
    const DoctorCase& c = GetParam();
    const std::string record = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/printer.record";
    std::vector<std::string> args = c.printerArgs;
    args.insert(args.end(), {"--record", record});
    std::unique_ptr<PrinterProcess> printer = StartPrinter(args);
    ASSERT_NE(printer, nullptr);
    const Outcome o = Run("socket://127.0.0.1:" + PortOf(*printer) + "?snmp=false", {"doctor"});
    EXPECT_EQ(o.status, c.status) << o.out;
    EXPECT_NE(o.out.find(c.said), std::string::npos) << o.out;
    printer->kill();
    EXPECT_EQ(ReadFile(record), "");
}

INSTANTIATE_TEST_SUITE_P(
    ByPrinter, NetworkDoctor,
    ::testing::Values(DoctorCase{"ListeningPrinterIsUsable", {}, 0, "takes a connection (closed again, nothing sent)"},
                      DoctorCase{"RefusingPortIsAProblem", {"--tcp-refuse"}, 1, "PROBLEM  127.0.0.1 port"}),
    [](const ::testing::TestParamInfo<DoctorCase>& info) { return std::string(info.param.name); });

// The change an apply made is what the next read finds, over two connections.
TEST_F(NetworkFixture, AnAppliedChangeIsReadBack) {
    std::unique_ptr<PrinterProcess> printer = StartPrinter({});
    ASSERT_NE(printer, nullptr);
    const std::string name = "socket://127.0.0.1:" + PortOf(*printer) + "?snmp=false";
    ASSERT_EQ(Run(name, {"apply", "AUTOCR=ON"}).status, 0);
    const Outcome read = Run(name, {"read"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find("AUTOCR=ON\n"), std::string::npos);
}

}  // namespace
