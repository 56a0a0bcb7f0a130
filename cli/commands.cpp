// The commands of devpanel-cli: they take the same roads as the program's start-up read, its
// pages and its apply and save commands, with English messages on stderr instead of boxes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <ostream>

#include "cli/cli.h"
#include "link/timing.h"
#include "model/discovery.h"
#include "model/profile.h"
#include "platform/platform.h"
#include "sim/sim_platform.h"

#ifdef DEVPANEL_HAVE_LINUX_PLATFORM
#include "platform/linux/linux_platform.h"
#endif

namespace cli {

namespace {

// The document's window: nothing to show, and a question is answered "no" (the commands apply
// explicitly and end the session themselves).
class HeadlessFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status_; }
    void setStatusText(const std::string& text) override { status_ = text; }
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int) override { return true; }
    void setMenuItemEnabled(int, bool) override {}
    void redraw() override {}
    bool replaceView(int) override { return false; }
    int messageBox(const std::string&, const std::string&, unsigned style, bool) override {
        return (style & MB_YESNO) ? IDNO : IDOK;
    }

private:
    std::string status_;
};

// The name of the offline record's file, which the link puts beside every command file.
constexpr const char* kOfflineFileName = "offline.dat";

// A command file of that name would be the offline file too: the offline record would be
// overwritten by the commands, and the pair could no longer be sent.
bool IsOfflineFileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, kOfflineFileName) == 0;
}

// The virtual printer saves its settings after every write and cannot report a failed save to
// the host (as a real printer cannot), so a state file that cannot be kept would let a write
// report success and then lose it: check the place before the printer exists.
bool StateFileUsable(const std::string& stateFile, std::string& problem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path path(stateFile);
    if (path.filename().empty()) {
        problem = "names a folder, not a file";
        return false;
    }
    fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        problem = "cannot be kept: its folder cannot be created";
        return false;
    }
    fs::file_status status = fs::status(path, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        problem = "is not a regular file";
        return false;
    }
    // Saving writes a new file beside it and renames it over the old one.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        problem = "cannot be kept: its folder cannot be written";
        return false;
    }
    return true;
}

// Keeps whichever platform the invocation installed alive until it ends.
struct InstalledPlatform {
    std::unique_ptr<sim::SimPlatform> simulated;
#ifdef DEVPANEL_HAVE_LINUX_PLATFORM
    std::unique_ptr<platform::linux_impl::LinuxPlatform> real;
#endif
};

bool InstallPlatform(const Options& options, InstalledPlatform& installed, std::ostream& err) {
    if (options.useVirtual) {
        std::string stateFile = options.stateFile ? *options.stateFile : DefaultStateFile();
        std::string problem;
        if (!stateFile.empty() && !StateFileUsable(stateFile, problem)) {
            err << "devpanel-cli: the virtual printer's state file " << stateFile << " " << problem
                << "; name another one with --virtual=STATEFILE\n";
            return false;
        }
        installed.simulated = sim::MakeVirtualSetup(stateFile);
        if (!installed.simulated) {
            err << "devpanel-cli: the virtual printer could not be set up\n";
            return false;
        }
        return true;
    }
#ifdef DEVPANEL_HAVE_LINUX_PLATFORM
    installed.real = std::make_unique<platform::linux_impl::LinuxPlatform>();
    installed.real->install();
    return true;
#else
    err << "devpanel-cli: this build has no support for real printers; only --virtual is available\n";
    return false;
#endif
}

// The port to talk to: the one named, or the one supported printer.
int ChoosePort(const Options& options, std::string& port, std::ostream& err) {
    if (!options.port.empty()) {
        port = options.port;
        return EXIT_OK;
    }
    DiscoveryResult found = DiscoverPrinters();
    if (!found.listReadable) {
        err << "devpanel-cli: the list of installed printers cannot be read\n";
        return EXIT_NO_PRINTER;
    }
    if (found.printers.empty()) {
        err << "devpanel-cli: no supported printer is installed; name its port with --port\n";
        return EXIT_NO_PRINTER;
    }
    if (found.printers.size() > 1) {
        err << "devpanel-cli: several supported printers found; choose one with --port:\n";
        for (const auto& [label, printerPort] : found.printers) err << "  " << printerPort << "\t" << label << "\n";
        return EXIT_USAGE;
    }
    port = found.printers.begin()->second;
    return EXIT_OK;
}

// The start-up read into the document. EXIT_OK or the status of the failure.
int ReadIntoDocument(const std::string& port, CPrinterDoc& doc, std::ostream& err) {
    StartupResult startup;
    startup.portName = port;
    startup.printerLabel = port;
    startup.readStatus = NpaReadAllSettings(port, startup.values);
    if (startup.readStatus == NPA_ERR_OPEN) {
        err << "devpanel-cli: the port " << port << " could not be opened\n";
        return EXIT_OPEN;
    }
    if (startup.readStatus == NPA_ERR_SEND) {
        err << "devpanel-cli: the printer on " << port << " did not answer the read\n";
        return EXIT_READ;
    }
    doc.OnNewDocument(startup);
    return EXIT_OK;
}

int CommandPrinters(std::ostream& out, std::ostream& err) {
    DiscoveryResult found = DiscoverPrinters();
    if (!found.listReadable) {
        err << "devpanel-cli: the list of installed printers cannot be read\n";
        return EXIT_NO_PRINTER;
    }
    if (found.printers.empty()) err << "devpanel-cli: no supported printer is installed\n";
    for (const auto& [label, port] : found.printers) out << label << "\t" << port << "\n";
    return EXIT_OK;
}

int CommandRead(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    int status = ReadIntoDocument(port, doc, err);
    if (status == EXIT_OK) {
        if (doc.m_queryStatus == NPA_ONEWAY) {
            err << "devpanel-cli: the port " << port
                << " can only be written; these are the default values of the configuration, "
                   "not the printer's\n";
        }
        if (options.json) {
            out << ToJson(doc.m_values);
        } else {
            for (const auto& [name, value] : doc.m_values) out << name << "=" << value << "\n";
        }
    }
    NpaEndSession(port);
    return status;
}

// apply and save: validate, read, store each value as a page would, then write.
int CommandWrite(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    bool save = options.command == "save";
    std::vector<std::string> assignments(options.arguments.begin() + (save ? 1 : 0), options.arguments.end());
    std::string target;
    if (save) {
        // The link tells a file from a port by its first three letters and puts "offline.dat"
        // in the file's folder: an absolute path gives it both without surprises.
        std::error_code ec;
        target = std::filesystem::absolute(options.arguments[0], ec).lexically_normal().string();
        if (ec) target = options.arguments[0];
        if (IsOfflineFileName(target)) {
            err << "devpanel-cli: the command file cannot be named " << kOfflineFileName
                << ": that file is written beside it with the offline record\n";
            return EXIT_USAGE;
        }
    }

    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    doc.LoadDescriptors();
    std::map<std::string, std::string> changes;
    std::string error;
    if (save) {
        // "save POWERSAVER=5" forgot the file: it would become a command file of that name.
        std::map<std::string, std::string> ignored;
        if (ValidateAssignments(doc, {options.arguments[0]}, ignored, error)) {
            err << "devpanel-cli: save needs the command file first, then NAME=VALUE ('" << options.arguments[0]
                << "' is a setting)\n";
            return EXIT_USAGE;
        }
        error.clear();
    }
    if (!ValidateAssignments(doc, assignments, changes, error)) {
        err << "devpanel-cli: " << error << "\n";
        return EXIT_USAGE;
    }

    int status = ReadIntoDocument(port, doc, err);
    if (status != EXIT_OK) {
        NpaEndSession(port);
        return status;
    }
    for (const auto& [name, token] : changes) {
        doc.MarkChanged();
        doc.StoreValue(name, token);
    }
    if (doc.m_queryStatus == NPA_ONEWAY) {
        err << "devpanel-cli: the port " << port
            << " can only be written; only the settings given here are " << (save ? "saved" : "sent") << "\n";
    }

    int result = save ? doc.SaveCommandFile(target) : doc.Apply();
    size_t sent = doc.m_queryStatus == NPA_ONEWAY ? doc.m_changes.size() : doc.m_values.size();
    if (result == NPA_OK) {
        doc.SetModifiedFlag(false);
        if (save) out << "Saved " << sent << " setting(s) to " << target << " and offline.dat beside it.\n";
        else out << "Applied " << sent << " setting(s) to " << port << ".\n";
    } else if (result == NPA_ERR_OPEN) {
        err << "devpanel-cli: " << (save ? "the command file " + target : "the port " + port)
            << " could not be opened\n";
    } else if (result == NPA_ERR_MEMORY) {
        err << "devpanel-cli: out of memory while building the commands\n";
    } else if (save) {
        err << "devpanel-cli: writing the settings into " << target << " failed\n";
    } else {
        // Whether the printer is back online is not known here: it may have gone away.
        err << "devpanel-cli: writing the settings to " << port
            << " failed; check that the printer is connected and switched on\n";
    }
    NpaEndSession(port);
    return ExitStatusFor(result);
}

// Only a regular file: a folder cannot be read, and a pipe or a device would never end.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    uint8_t buffer[65536];
    while (ok) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return ok;
}

bool WriteAll(platform::Channel& channel, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        long n = channel.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The port's write side: the parallel device opened for writing, or the USB write pipe.
std::unique_ptr<platform::Channel> OpenForSending(const std::string& port) {
    const platform::Platform& p = platform::current();
    int errorNumber = 0;
    if (port.compare(0, 3, "LPT") == 0) {
        return p.parallel ? p.parallel->openWriteOnly(port, errorNumber) : nullptr;
    }
    int number = ParseLeadingInt(port.substr(3));
    platform::UsbInterface usb;
    if (!p.usb || !p.usb->interfaceForPort(number, usb)) return nullptr;
    return p.usb->openPipe(usb.devicePath, platform::UsbPipe::Write, errorNumber);
}

int CommandSend(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    const std::string& file = options.arguments[0];
    if (IsOfflineFileName(file)) {
        // It would take the printer offline a second time and never bring it back online.
        err << "devpanel-cli: " << file << " is the offline record; name the command file beside it\n";
        return EXIT_USAGE;
    }
    std::filesystem::path offline = std::filesystem::path(file).parent_path() / "offline.dat";
    std::vector<uint8_t> offlineBytes, commandBytes;
    if (!ReadWholeFile(offline.string(), offlineBytes)) {
        err << "devpanel-cli: cannot read " << offline.string() << " (it belongs beside the command file)\n";
        return EXIT_USAGE;
    }
    if (!ReadWholeFile(file, commandBytes)) {
        err << "devpanel-cli: cannot read " << file << "\n";
        return EXIT_USAGE;
    }
    std::unique_ptr<platform::Channel> channel = OpenForSending(port);
    if (!channel) {
        err << "devpanel-cli: the port " << port << " could not be opened\n";
        return EXIT_OPEN;
    }
    // The printer needs time to go offline before it takes the commands.
    if (!WriteAll(*channel, offlineBytes)) {
        err << "devpanel-cli: writing offline.dat to " << port << " failed\n";
        return EXIT_WRITE;
    }
    platform::current().clock->sleepMs(SlcTimingTable().copyPauseMs);
    if (!WriteAll(*channel, commandBytes)) {
        err << "devpanel-cli: writing " << file << " to " << port << " failed\n";
        return EXIT_WRITE;
    }
    out << "Sent " << offlineBytes.size() + commandBytes.size() << " bytes to " << port << ".\n";
    return EXIT_OK;
}

}  // namespace

int ExitStatusFor(int result) {
    switch (result) {
        case NPA_OK:
        case NPA_ONEWAY: return EXIT_OK;
        case NPA_ERR_OPEN: return EXIT_OPEN;
        case NPA_ERR_SEND: return EXIT_READ;
        case NPA_ERR_MEMORY: return EXIT_MEMORY;
        default: return EXIT_WRITE;
    }
}

namespace {

enum class PlatformChoice { FromOptions, AlreadyInstalled };

int RunWith(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, PlatformChoice choice) {
    Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        err << "devpanel-cli: " << error << "\nRun devpanel-cli --help for the usage.\n";
        return EXIT_USAGE;
    }
    if (options.help) {
        PrintHelp(out);
        return EXIT_OK;
    }

    std::string ini = ResolveIniPath(options.ini);
    std::error_code ec;
    if (!options.ini.empty() && !std::filesystem::is_regular_file(ini, ec)) {
        err << "devpanel-cli: cannot read the configuration file " << ini << "\n";
        return EXIT_USAGE;
    }
    SetConfigPath(ini);

    InstalledPlatform installed;
    if (choice == PlatformChoice::FromOptions && !InstallPlatform(options, installed, err)) return EXIT_USAGE;

    if (options.command == "printers") return CommandPrinters(out, err);

    std::string port;
    int status = ChoosePort(options, port, err);
    if (status != EXIT_OK) return status;
    if (options.command == "read") return CommandRead(options, port, out, err);
    if (options.command == "send") return CommandSend(options, port, out, err);
    return CommandWrite(options, port, out, err);
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunWith(args, out, err, PlatformChoice::FromOptions);
}

int RunOnInstalledPlatform(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunWith(args, out, err, PlatformChoice::AlreadyInstalled);
}

}  // namespace cli
