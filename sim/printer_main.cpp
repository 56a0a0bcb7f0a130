// devpanel-printer: one virtual printer served on a pseudo-terminal, so that the real Linux
// transports can talk to it. Prints the terminal's path on stdout (one line) and serves until
// SIGTERM, SIGINT or end of stdin.
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "sim/virtual_printer.h"

namespace {

constexpr const char* kUsage =
    "usage: devpanel-printer [--usb] [--serial S] [--model M] [--state FILE]\n"
    "                        [--mode off|auto|on] [--model-file PATH] [--record FILE]\n"
    "                        [--ignore-stdin] [--reply-layout echo|single|single-zero|zero-sub]\n"
    "                        [--batch-bytes HHHH] [--pad-texts]\n";

void Usage() { std::fputs(kUsage, stderr); }

void Help() {
    std::fputs(kUsage, stdout);
    std::fputs("\n"
               "Serves a virtual Altrin Pressline T90 on a new pseudo-terminal, so that the real\n"
               "parallel and USB transports of devpanel and devpanel-cli can be tested without the\n"
               "printer. Prints the terminal's path on the first line of stdout and serves until\n"
               "SIGTERM, SIGINT, SIGHUP or the end of stdin.\n"
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
               "  -h, --help          show this text\n"
               "  --version           show the version\n",
               stdout);
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

bool MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

bool WriteAll(int fd, const uint8_t* data, size_t n, const std::atomic<bool>& stop) {
    size_t done = 0;
    while (done < n && !stop.load()) {
        ssize_t w = ::write(fd, data + done, n - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return done == n;
}

}  // namespace

int main(int argc, char** argv) {
    sim::PrinterConfig config;
    sim::Faults layout;  // the reply layouts chosen on the command line; no faults
    bool ignoreStdin = false;
    std::string recordPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> const char* {
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

    // Signals arrive through a descriptor, so the main loop can wait for them with poll().
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("devpanel-printer: pseudo-terminal");
        return 1;
    }
    const char* slavePath = ::ptsname(master);
    if (slavePath == nullptr) {
        std::perror("devpanel-printer: ptsname");
        return 1;
    }
    const std::string path = slavePath;
    // Holding the terminal open ourselves keeps the master readable between the host's opens
    // (with no terminal end open, reads of the master fail).
    const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || !MakeRaw(slave) || !MakeRaw(master)) {
        std::perror("devpanel-printer: raw mode");
        return 1;
    }
    // Non-blocking, so that a host that stops reading cannot hold up the end of the program.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // Every byte from the host is appended to the record file as it arrives.
    int record = -1;
    if (!recordPath.empty()) {
        record = ::open(recordPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (record < 0) {
            std::perror("devpanel-printer: record file");
            return 1;
        }
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    std::atomic<bool> stop{false};
    std::thread fromHost([&] {
        uint8_t buffer[4096];
        while (!stop.load()) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                if (record >= 0) WriteAll(record, buffer, static_cast<size_t>(n), stop);
                printer.receive(buffer, static_cast<size_t>(n));
            }
            else if (n < 0 && errno != EINTR && errno != EAGAIN) ::usleep(10000);  // no terminal end open
        }
    });
    std::thread toHost([&] {
        uint8_t buffer[4096];
        while (!stop.load()) {
            // In USB mode each transmit is one transfer of at most 32 bytes.
            const long n = printer.transmit(buffer, sizeof buffer, 100);
            if (n > 0) WriteAll(master, buffer, static_cast<size_t>(n), stop);
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
    ::close(slave);
    ::close(master);
    if (signalFd >= 0) ::close(signalFd);
    if (record >= 0) ::close(record);
    return 0;
}
