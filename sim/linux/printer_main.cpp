// devpanel-printer: one virtual printer served on a pseudo-terminal (or a given device node, a
// Unix socket or a TCP port), so that the real Linux transports can talk to it. Prints the path it serves on
// stdout (one line) and serves until SIGTERM, SIGINT or end of stdin.
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

#include "sim/linux/printer_host_end.h"
#include "sim/virtual_printer.h"

namespace {

constexpr const char* kUsage =
    "usage: devpanel-printer [--usb] [--serial S] [--model M] [--state FILE]\n"
    "                        [--mode off|auto|on] [--model-file PATH] [--record FILE]\n"
    "                        [--ignore-stdin] [--device PATH | --socket PATH | --tcp HOST:PORT]\n"
    "                        [--tcp-refuse] [--tcp-silent] [--tcp-reset-after N]\n"
    "                        [--tcp-close-on-half-close] [--tcp-refuse-second]\n"
    "                        [--print-device-id] [--reply-layout echo|single|single-zero|zero-sub]\n"
    "                        [--batch-bytes HHHH] [--pad-texts]\n";

void Usage() { std::fputs(kUsage, stderr); }

void Help() {
    std::fputs(kUsage, stdout);
    std::fputs("\n"
               "Serves a virtual Altrin Pressline T90 on a new pseudo-terminal, so that the real\n"
               "parallel and USB transports of devpanel and devpanel-cli can be tested without the\n"
               "printer. Prints the terminal's path (or the --device or --socket path) on the first\n"
               "line of stdout and serves until SIGTERM, SIGINT, SIGHUP or the end of stdin.\n"
               "\n"
               "  --usb               behave as a USB printer (replies in 32-byte transfers)\n"
               "  --serial S          the serial number of its device ID (USB)\n"
               "  --model M           the MODEL of its device ID\n"
               "  --state FILE        keep its settings in FILE (default: in memory only)\n"
               "  --mode off|auto|on  its NPA mode\n"
               "  --model-file PATH   its model (setting ids, values, defaults); default:\n"
               "                      virtual-t90.model in $XDG_CONFIG_HOME/devpanel/, in\n"
               "                      ../share/devpanel/ beside this program, or in the devpanel/\n"
               "                      folder of each $XDG_DATA_DIRS entry\n"
               "  --record FILE       append every byte received from the host to FILE\n"
               "  --ignore-stdin      do not end at the end of stdin\n"
               "  --reply-layout L    bytes 5 to 7 of its offline/online responses: echo (E7 0C\n"
               "                      STATE, the default), single (E7 00 STATE, the single-setting\n"
               "                      reply layout), single-zero (E7 00 00) or zero-sub (00 00 STATE)\n"
               "  --batch-bytes HHHH  bytes 5 and 6 of its batch replies, as four hex digits\n"
               "                      (default E700)\n"
               "  --pad-texts         report text settings padded with zero bytes to their length\n"
               "  --device PATH       serve the existing node PATH instead of a new pseudo-terminal:\n"
               "                      the printer's side of a USB printer gadget (/dev/g_printer0)\n"
               "                      or the host side of an emulated parallel port (a terminal)\n"
               "  --socket PATH       serve a new Unix socket at PATH, one connection at a time\n"
               "                      (an emulator's parallel port connecting to it)\n"
               "  --tcp HOST:PORT     serve a network printer's raw port on HOST:PORT (an address;\n"
               "                      PORT 0 picks a free port), one client at a time, driven as\n"
               "                      a USB printer; prints HOST:PORT, then \"offline\" and\n"
               "                      \"online\" lines as the printer changes state\n"
               "  --tcp-refuse        take the port but refuse every connection\n"
               "  --tcp-silent        accept connections but never answer\n"
               "  --tcp-reset-after N reset the connection once, after N bytes from clients in all\n"
               "  --tcp-close-on-half-close  close at once when a client half-closes, dropping the\n"
               "                      replies still to go\n"
               "  --tcp-refuse-second reset a second client at once (else it waits unanswered)\n"
               "  --print-device-id   print the IEEE 1284 device ID it answers with and exit\n"
               "  -h, --help          show this text\n"
               "  --version           show the version\n",
               stdout);
}

// HOST:PORT, HOST an IPv4 address or an IPv6 address in brackets.
bool ParseTcpAddress(const std::string& text, std::string& host, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 >= text.size() || colon + 6 < text.size()) return false;
    long value = 0;
    for (char c : text.substr(colon + 1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    if (value > 65535) return false;
    host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = static_cast<uint16_t>(value);
    return !host.empty();
}

bool ParseReplyLayout(const std::string& text, sim::ControlReplyLayout& layout) {
    if (text == "echo") layout = sim::ControlReplyLayout::Echo;
    else if (text == "single") layout = sim::ControlReplyLayout::SingleSetting;
    else if (text == "single-zero") layout = sim::ControlReplyLayout::SingleSettingNoState;
    else if (text == "zero-sub") layout = sim::ControlReplyLayout::ZeroSubFunction;
    else return false;
    return true;
}

bool ParseBatchBytes(const std::string& text, int& bytes) {
    if (text.size() != 4) return false;
    int value = 0;
    for (char c : text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                      : -1;
        if (digit < 0) return false;
        value = value * 16 + digit;
    }
    bytes = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    sim::PrinterConfig config;
    sim::Faults layout;  // the reply layouts chosen on the command line; no faults
    bool ignoreStdin = false;
    bool printDeviceId = false;
    std::string recordPath, devicePath, socketPath, tcpHost;
    uint16_t tcpPort = 0;
    bool tcp = false;
    sim::TcpFaults tcpFaults;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        // "--option=value" as well as "--option value".
        std::string inlineValue;
        bool hasInlineValue = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
            hasInlineValue = true;
        }
        auto next = [&]() -> const char* {
            if (hasInlineValue) return inlineValue.c_str();
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            Help();
            return 0;
        }
        if (arg == "--version") {
            std::printf("devpanel-printer %s\n", DEVPANEL_VERSION);
            return 0;
        }
        if (arg == "--usb") config.usb = true;
        else if (arg == "--serial") config.serial = next();
        else if (arg == "--model") config.model = next();
        else if (arg == "--state") config.stateFile = next();
        else if (arg == "--model-file") config.modelFile = next();
        else if (arg == "--ignore-stdin") ignoreStdin = true;
        else if (arg == "--record") recordPath = next();
        else if (arg == "--pad-texts") layout.padTexts = true;
        else if (arg == "--reply-layout") {
            if (!ParseReplyLayout(next(), layout.controlReplyLayout)) {
                Usage();
                return 2;
            }
        } else if (arg == "--batch-bytes") {
            if (!ParseBatchBytes(next(), layout.batchReplyBytes)) {
                Usage();
                return 2;
            }
        }
        else if (arg == "--device") devicePath = next();
        else if (arg == "--socket") socketPath = next();
        else if (arg == "--tcp") {
            if (!ParseTcpAddress(next(), tcpHost, tcpPort)) {
                Usage();
                return 2;
            }
            tcp = true;
            config.usb = true;  // driven as a USB printer is
        } else if (arg == "--tcp-refuse") tcpFaults.refuse = true;
        else if (arg == "--tcp-silent") tcpFaults.silent = true;
        else if (arg == "--tcp-close-on-half-close") tcpFaults.closeOnHalfClose = true;
        else if (arg == "--tcp-refuse-second") tcpFaults.refuseSecond = true;
        else if (arg == "--tcp-reset-after") {
            char* end = nullptr;
            const char* text = next();
            tcpFaults.resetAfter = std::strtol(text, &end, 10);
            if (end == text || *end != '\0' || tcpFaults.resetAfter < 0) {
                Usage();
                return 2;
            }
        }
        else if (arg == "--print-device-id") printDeviceId = true;
        else if (arg == "--mode") {
            const std::string m = next();
            if (m == "off") config.mode = sim::NpaMode::Off;
            else if (m == "auto") config.mode = sim::NpaMode::Auto;
            else if (m == "on") config.mode = sim::NpaMode::On;
            else {
                Usage();
                return 2;
            }
        } else {
            Usage();
            return 2;
        }
    }

    if ((!devicePath.empty()) + (!socketPath.empty()) + tcp > 1) {
        Usage();
        return 2;
    }

    sim::VirtualPrinter printer(config);
    if (!printer.modelLoaded()) {
        std::fprintf(stderr, "devpanel-printer: %s\n", printer.modelError().c_str());
        return 1;
    }
    printer.setFaults(layout);
    // A state file that cannot be used would otherwise be replaced by the defaults at the first
    // save: stop and say what to do instead.
    if (const std::string problem = printer.stateError(); !problem.empty()) {
        std::fprintf(stderr, "devpanel-printer: %s\n", problem.c_str());
        return 1;
    }

    if (printDeviceId) {
        std::printf("%s\n", printer.deviceId().c_str());
        return 0;
    }

    // Signals arrive through a descriptor, so the main loop can wait for them with poll(). A
    // host that hangs up under a write is seen in the write's result, not as a signal.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);

    std::string problem;
    std::unique_ptr<sim::HostEnd> host = tcp                   ? sim::HostEnd::ListenTcp(tcpHost, tcpPort, tcpFaults, problem)
                                         : !devicePath.empty() ? sim::HostEnd::OpenDevice(devicePath, problem)
                                         : !socketPath.empty() ? sim::HostEnd::Listen(socketPath, problem)
                                                               : sim::HostEnd::OpenPty(problem);
    if (!host) {
        std::fprintf(stderr, "devpanel-printer: %s\n", problem.c_str());
        return 1;
    }
    host->onConnect([&printer] { printer.reconnect(); });
    host->onHalfClose([&printer] { return printer.pendingOutput() > 0; });
    // Every byte from the host is appended to the record file as it arrives.
    int record = -1;
    if (!recordPath.empty()) {
        record = ::open(recordPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (record < 0) {
            std::perror("devpanel-printer: record file");
            return 1;
        }
    }
    std::printf("%s\n", host->path().c_str());
    std::fflush(stdout);

    std::atomic<bool> stop{false};
    std::thread fromHost([&] {
        uint8_t buffer[4096];
        while (!stop.load()) {
            const long n = host->read(buffer, sizeof buffer, 100);
            if (n <= 0) continue;
            for (long done = 0; record >= 0 && done < n;) {
                const ssize_t w = ::write(record, buffer + done, static_cast<size_t>(n - done));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) break;  // a full disk loses the record, not the printer's work
                done += w;
            }
            printer.receive(buffer, static_cast<size_t>(n));
        }
    });
    std::thread toHost([&] {
        uint8_t buffer[4096];
        bool wasOffline = false;
        while (!stop.load()) {
            // On a TCP port, whoever started the printer is told each change of its state.
            if (tcp && printer.offline() != wasOffline) {
                wasOffline = !wasOffline;
                std::printf("%s\n", wasOffline ? "offline" : "online");
                std::fflush(stdout);
            }
            // In USB mode each transmit is one transfer of at most 32 bytes.
            const long n = printer.transmit(buffer, sizeof buffer, 100);
            if (n > 0) host->write(buffer, static_cast<size_t>(n), stop);
            else if (n < 0) ::usleep(10000);
        }
    });

    pollfd waits[2] = {{signalFd, POLLIN, 0}, {ignoreStdin ? -1 : STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (waits[0].revents != 0) break;
        if (waits[1].revents != 0) {
            char b[256];
            const ssize_t n = ::read(STDIN_FILENO, b, sizeof b);
            if (n <= 0) break;  // end of stdin: whoever started us is gone
        }
    }
    stop.store(true);
    printer.wakeReaders();
    fromHost.join();
    toHost.join();
    host.reset();
    if (signalFd >= 0) ::close(signalFd);
    if (record >= 0) ::close(record);
    return 0;
}
