// The commands of devpanel-cli: they take the same roads as the program's start-up read, its
// pages and its apply and save commands, with English messages on stderr instead of boxes.
#include <filesystem>
#include <fstream>
#include <iterator>
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
        if (!stateFile.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(std::filesystem::path(stateFile).parent_path(), ec);
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
    }

    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    doc.LoadDescriptors();
    std::map<std::string, std::string> changes;
    std::string error;
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
    } else {
        err << "devpanel-cli: writing the settings " << (save ? "into " + target : "to " + port)
            << " failed; the printer was brought back online\n";
    }
    NpaEndSession(port);
    return ExitStatusFor(result);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
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
