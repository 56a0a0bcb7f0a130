// devpanel-printer on its pseudo-terminal: the PJL query and a batch read by hand, every byte
// value in both directions unchanged, and the ways it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "sim/nvram.h"
#include "sim_test_util.h"

using namespace simtest;

namespace {

void SendTo(int fd, const Bytes& b) {
    size_t done = 0;
    while (done < b.size()) {
        const ssize_t w = ::write(fd, b.data() + done, b.size() - done);
        ASSERT_GT(w, 0);
        done += static_cast<size_t>(w);
    }
}

// Reads until n bytes came or nothing came for a while.
Bytes ReceiveFrom(int fd, size_t n, int quietMs = 2000) {
    Bytes out;
    uint8_t buffer[4096];
    pollfd p{fd, POLLIN, 0};
    while (out.size() < n && ::poll(&p, 1, quietMs) > 0) {
        const ssize_t r = ::read(fd, buffer, sizeof buffer);
        if (r <= 0) break;
        out.insert(out.end(), buffer, buffer + r);
    }
    return out;
}

// One devpanel-printer process with a pipe on its stdin and stdout.
class PrinterProcess {
public:
    // errorFile: where the program's stderr goes (empty: ours). openPath: open the path it
    // prints as a terminal (false: the caller talks to it its own way).
    explicit PrinterProcess(std::vector<std::string> args, const std::string& errorFile = "", bool openPath = true) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            if (!errorFile.empty()) {
                const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                if (err >= 0) ::dup2(err, STDERR_FILENO);
            }
            std::vector<char*> argv;
            std::string program = DEVPANEL_PRINTER_PROGRAM;
            argv.push_back(program.data());
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        // The first line is the terminal's path.
        char c;
        pollfd p{stdout_, POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0 && ::read(stdout_, &c, 1) == 1 && c != '\n') path_ += c;
        if (!path_.empty() && openPath) fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PrinterProcess() {
        if (fd_ >= 0) ::close(fd_);
        if (stdin_ >= 0) ::close(stdin_);
        if (stdout_ >= 0) ::close(stdout_);
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool ok() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    void send(const Bytes& b) { SendTo(fd_, b); }
    Bytes receive(size_t n, int quietMs = 2000) { return ReceiveFrom(fd_, n, quietMs); }
    void closeStdin() {
        ::close(stdin_);
        stdin_ = -1;
    }
    void signal(int sig) { ::kill(pid_, sig); }
    // The exit status, or -1 when it did not end within the time.
    int waitExit(int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 10) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(10000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int stdin_ = -1, stdout_ = -1, fd_ = -1;
    std::string path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(PrinterProgram, AnswersThePjlQueryAndABatchReadByHand) {
    PrinterProcess printer({"--mode", "auto"});
    ASSERT_TRUE(printer.ok()) << printer.path();
    EXPECT_EQ(printer.path().rfind("/dev/pts/", 0), 0u);

    printer.send(Bytes(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end()));
    const std::string pjl = "@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f";
    const Bytes answer = printer.receive(pjl.size());
    EXPECT_EQ(std::string(answer.begin(), answer.end()), pjl);

    printer.send(Hex("A50010 80 A45BA45B10EFA45B11EE00FF13EC2E"  // start
                     "A5000B 50 E0 E7 20 03 0101 0105 0501"));   // batch read of three settings
    const Bytes expected = Hex("A50013 11 E0 E7 00 0101 01 00 0105 01 01 0501 04 00000000");
    EXPECT_EQ(printer.receive(expected.size()), expected);
}

TEST(PrinterProgram, EveryByteValueCrossesUnchangedBothWays) {
    TempDir dir;
    // A printer of 64 four-byte numbers that take any value: 256 value bytes in one reply.
    std::string model;
    std::vector<uint16_t> ids;
    for (int i = 0; i < 64; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%04X N%d number bytes=4 min=-2147483648 max=2147483647 default=00000000\n", 0x0800 + i, i);
        model += line;
        ids.push_back(static_cast<uint16_t>(0x0800 + i));
    }
    std::ofstream(dir.file("all.model")) << model;
    const std::string record = dir.file("record.bin");
    PrinterProcess printer({"--model-file", dir.file("all.model"), "--state", dir.file("all.state"), "--record", record});
    ASSERT_TRUE(printer.ok());

    // Host to printer: go offline, then write the values 00 01 02 03, 04 05 06 07, ... FC FD FE FF,
    // which carry CR, LF, XON, XOFF, the terminal's interrupt and end-of-file characters and 0xA5.
    Bytes traffic = Cat({Start(), Of(npa::kOffline)});
    for (int i = 0; i < 64; ++i) {
        const Bytes value{static_cast<uint8_t>(4 * i), static_cast<uint8_t>(4 * i + 1), static_cast<uint8_t>(4 * i + 2),
                          static_cast<uint8_t>(4 * i + 3)};
        traffic = Cat({traffic, Start(), Write(ids[static_cast<size_t>(i)], value)});
    }
    printer.send(traffic);
    const Bytes offlineResponse = Hex("A5 0006 51 E0 E7 0C 01 01");
    EXPECT_EQ(printer.receive(offlineResponse.size()), offlineResponse);

    // Printer to host: the batch reply holds every byte value.
    printer.send(Cat({Start(), Batch(ids)}));
    Bytes entries;
    for (int i = 0; i < 64; ++i) {
        entries.push_back(0x08);
        entries.push_back(static_cast<uint8_t>(i));
        entries.push_back(4);
        for (int k = 0; k < 4; ++k) entries.push_back(static_cast<uint8_t>(4 * i + k));
    }
    const Bytes expected = Cat({Packet(0x11, 0xE0, Cat({Hex("E700"), entries})), Bytes{}});
    EXPECT_EQ(printer.receive(expected.size()), expected);

    const Bytes batch = Cat({Start(), Batch(ids)});
    const std::string recorded = ReadFile(record);
    EXPECT_EQ(recorded, std::string(traffic.begin(), traffic.end()) + std::string(batch.begin(), batch.end()));
}

TEST(PrinterProgram, UsbFramingKeepsTheBytes) {
    PrinterProcess printer({"--usb", "--serial", "X1", "--mode", "on"});
    ASSERT_TRUE(printer.ok());
    printer.send(Bytes(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end()));
    EXPECT_EQ(printer.receive(5), Hex("A5 0002 80 00")) << "mode on answers in NPA form";
    printer.send(Batch({0x0101, 0x0102, 0x0103, 0x0104, 0x0105, 0x0106, 0x0107, 0x0501}));
    const Bytes reply = printer.receive(42);
    ASSERT_EQ(reply.size(), 42u);
    EXPECT_EQ(reply[3], 0x11);
}

TEST(PrinterProgram, EndsOnEndOfStdinAndOnSignals) {
    {
        PrinterProcess printer({});
        ASSERT_TRUE(printer.ok());
        printer.closeStdin();
        EXPECT_EQ(printer.waitExit(5000), 0);
    }
    for (int sig : {SIGTERM, SIGINT}) {
        PrinterProcess printer({"--ignore-stdin"});
        ASSERT_TRUE(printer.ok());
        printer.signal(sig);
        EXPECT_EQ(printer.waitExit(5000), 0);
    }
    for (const std::vector<std::string>& usage : {std::vector<std::string>{"--mode", "sideways"},
                                                   {"--device", "/dev/null", "--socket", "/tmp/x.sock"}}) {
        PrinterProcess printer(usage);
        EXPECT_FALSE(printer.ok());
        EXPECT_EQ(printer.waitExit(5000), 2) << usage.front();
    }
}

// --device serves a node that exists already: here the terminal end of a pseudo-terminal whose
// other end this test holds, as an emulator holds the host side of its parallel port.
TEST(PrinterProgram, ServesAGivenDevice) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    termios raw{};
    ASSERT_EQ(::tcgetattr(master, &raw), 0);
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(master, TCSANOW, &raw), 0);
    {
        PrinterProcess printer({"--device", terminal, "--ignore-stdin"}, "", false);
        ASSERT_EQ(printer.path(), terminal);
        SendTo(master, Bytes(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end()));
        const std::string pjl = "@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f";
        const Bytes answer = ReceiveFrom(master, pjl.size());
        EXPECT_EQ(std::string(answer.begin(), answer.end()), pjl);
        printer.signal(SIGTERM);
        EXPECT_EQ(printer.waitExit(5000), 0);
    }
    ::close(master);

    TempDir dir;
    PrinterProcess missing({"--device", "/nonexistent/g_printer0"}, dir.file("stderr"), false);
    EXPECT_EQ(missing.waitExit(5000), 1);
    EXPECT_NE(ReadFile(dir.file("stderr")).find("/nonexistent/g_printer0: No such file"), std::string::npos)
        << ReadFile(dir.file("stderr"));
}

// --socket: a host connects, hangs up and connects again (an emulator restarted), and each
// connection is answered; the socket file goes with the program, and an existing path is refused.
TEST(PrinterProgram, ServesAUnixSocketOneConnectionAtATime) {
    TempDir dir;
    const std::string socketPath = dir.file("lpt.sock");
    auto connectToPrinter = [&] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    };
    const std::string pjl = "@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f";
    {
        PrinterProcess printer({"--socket", socketPath, "--ignore-stdin"}, "", false);
        ASSERT_EQ(printer.path(), socketPath);
        for (int connection = 0; connection < 2; ++connection) {
            const int fd = connectToPrinter();
            ASSERT_GE(fd, 0) << "connection " << connection;
            SendTo(fd, Bytes(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end()));
            const Bytes answer = ReceiveFrom(fd, pjl.size());
            EXPECT_EQ(std::string(answer.begin(), answer.end()), pjl) << "connection " << connection;
            ::close(fd);
        }
        printer.signal(SIGTERM);
        EXPECT_EQ(printer.waitExit(5000), 0);
    }
    EXPECT_NE(::access(socketPath.c_str(), F_OK), 0) << "the socket file is left behind";

    std::ofstream(socketPath) << "not a socket";
    PrinterProcess refused({"--socket", socketPath}, dir.file("stderr"), false);
    EXPECT_EQ(refused.waitExit(5000), 1);
    EXPECT_NE(ReadFile(dir.file("stderr")).find(socketPath + ": Address already in use"), std::string::npos)
        << ReadFile(dir.file("stderr"));
    EXPECT_EQ(ReadFile(socketPath), "not a socket");
}

TEST(PrinterProgram, StopsOnAStateFileItCannotUse) {
    TempDir dir;
    const std::string state = dir.file("t90.state"), errors = dir.file("stderr");
    std::ofstream(state) << "0101 01\n0105 01\n\x01\x02\x03\n";
    PrinterProcess printer({"--state", state}, errors);
    EXPECT_FALSE(printer.ok());
    EXPECT_EQ(printer.waitExit(5000), 1);
    EXPECT_NE(ReadFile(errors).find(state + " is damaged at line 3"), std::string::npos) << ReadFile(errors);
    EXPECT_EQ(ReadFile(state), "0101 01\n0105 01\n\x01\x02\x03\n");
}

// The program and a printer of this process share one state file, as the command-line tool and
// the window would: while the program's session is open ours is refused, and ours then starts
// from what the program saved.
TEST(PrinterProgram, SharesItsStateFileWithAnotherProgram) {
    TempDir dir;
    const std::string state = dir.file("t90.state");
    PrinterProcess printer({"--state", state});
    ASSERT_TRUE(printer.ok());
    const Bytes start = Hex("A50010 80 A45BA45B10EFA45B11EE00FF13EC2E");
    printer.send(Cat({start, Of(npa::kOffline)}));
    EXPECT_EQ(printer.receive(9), Hex("A5 0006 51 E0 E7 0C 01 01"));

    sim::PrinterConfig c;
    c.stateFile = state;
    sim::VirtualPrinter ours(c);
    ours.setStateLockWaitMs(50);
    Send(ours, Cat({Start(), Of(npa::kOffline)}));
    EXPECT_EQ(Drain(ours), Hex("A5 0006 51 E0 E7 0C 01 00"));

    printer.send(Cat({start, Write(0x0101, {0x01}), start, Of(npa::kOnline)}));
    EXPECT_EQ(printer.receive(9), Hex("A5 0006 51 E0 E7 0C 00 01"));
    Send(ours, Cat({Start(), Of(npa::kOffline)}));
    EXPECT_EQ(Drain(ours), Hex("A5 0006 51 E0 E7 0C 01 01"));
    EXPECT_EQ(ours.value(0x0101), Bytes{0x01});
}

// The state file changes once per write session and only as a whole: killed after its writes but
// before the online request, the printer leaves the old file untouched; once it has acknowledged
// going online, the new values are on disk.
TEST(PrinterProgram, AKillBeforeTheOnlineRequestLeavesTheOldStateWhole) {
    TempDir dir;
    const std::string state = dir.file("t90.state");
    const std::string before = "0101 00\n0105 01\n";
    std::ofstream(state) << before;
    const Bytes start = Hex("A50010 80 A45BA45B10EFA45B11EE00FF13EC2E");
    const Bytes wentOffline = Hex("A5 0006 51 E0 E7 0C 01 01");
    const Bytes writes = Cat({start, Write(0x0101, {0x01}), start, Write(0x0105, {0x03})});
    const Bytes batch = Cat({start, Batch({0x0101, 0x0105})});
    const Bytes newValues = Hex("A5000C 11 E0 E7 00 0101 01 01 0105 01 03");
    {
        PrinterProcess printer({"--state", state});
        ASSERT_TRUE(printer.ok());
        printer.send(Cat({start, Of(npa::kOffline)}));
        ASSERT_EQ(printer.receive(wentOffline.size()), wentOffline);
        // The batch read answers after the writes were taken: they are in the printer's memory.
        printer.send(Cat({writes, batch}));
        ASSERT_EQ(printer.receive(newValues.size()), newValues);
        printer.signal(SIGKILL);
        EXPECT_EQ(printer.waitExit(5000), 128 + SIGKILL);
    }
    EXPECT_EQ(ReadFile(state), before);

    PrinterProcess printer({"--state", state});
    ASSERT_TRUE(printer.ok());
    printer.send(Cat({start, Of(npa::kOffline)}));
    ASSERT_EQ(printer.receive(wentOffline.size()), wentOffline);
    printer.send(Cat({writes, start, Of(npa::kOnline)}));
    ASSERT_EQ(printer.receive(9), Hex("A5 0006 51 E0 E7 0C 00 01"));
    printer.signal(SIGKILL);
    EXPECT_EQ(printer.waitExit(5000), 128 + SIGKILL);
    std::map<uint16_t, Bytes> saved;
    size_t damagedLine = 0;
    ASSERT_TRUE(sim::ParseStateText(ReadFile(state), saved, damagedLine)) << damagedLine;
    EXPECT_EQ(saved[0x0101], Bytes{0x01});
    EXPECT_EQ(saved[0x0105], Bytes{0x03});
}
