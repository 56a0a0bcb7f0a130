// The commands of devpanel-cli: they take the same roads as the program's start-up read, its
// pages and its apply and save commands, with English messages on stderr instead of boxes.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>

#include "cli/cli.h"
#include "cli/commands_private.h"
#include "cli/doctor.h"
#include "cli/queue_send.h"
#include "link/slc.h"
#include "config/config_check.h"
#include "document/discovery.h"
#include "document/value_tokens.h"
#include "config/profile.h"
#include "platform/port_name.h"
#include "platform/interruption.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/real_platform.h"
#include "platform/whole_files.h"
#include "sim/nvram.h"
#include "sim/sim_platform.h"

namespace cli {

// A command file of that name would be the offline file too: the offline record would be
// overwritten by the commands, and the pair could no longer be sent.
bool IsOfflineFileName(const std::string& path) { return platform::FileNameOfPath(path) == kOfflineFileName; }

// The absolute, normalised form of a UTF-8 path, as UTF-8 (std::filesystem would take a plain
// string in the system's code page on Windows). The path as given when it cannot be made.
std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path given(std::u8string(path.begin(), path.end()));
    const std::filesystem::path absolute = std::filesystem::absolute(given, ec).lexically_normal();
    if (ec) return path;
    const std::u8string text = absolute.u8string();
    return std::string(text.begin(), text.end());
}

namespace {

// Keeps whichever platform the invocation installed alive until it ends.
struct InstalledPlatform {
    std::unique_ptr<sim::SimPlatform> simulated;
    std::unique_ptr<platform::RealPlatform> real;
};

bool InstallPlatform(const Options& options, InstalledPlatform& installed, std::ostream& err) {
    if (options.useVirtual) {
        std::string stateFile = options.stateFile ? *options.stateFile : DefaultStateFile();
        std::string problem;
        installed.simulated = sim::MakeVirtualSetup(stateFile, &problem);
        if (!installed.simulated) {
            err << "devpanel-cli: the virtual printer could not be set up: "
                << (problem.empty() ? std::string("unknown reason") : problem) << "\n";
            return false;
        }
        return true;
    }
    installed.real = platform::MakeRealPlatform();
    installed.real->install();
    return true;
}

}  // namespace

// ": why" when the link said why its last operation failed, else nothing.
std::string Because(const std::string& problem) { return problem.empty() ? std::string() : ": " + problem; }

// The start-up read into the document. EXIT_OK or the status of the failure.
int ReadIntoDocument(const std::string& port, CPrinterDoc& doc, std::ostream& err) {
    StartupResult startup;
    startup.portName = port;
    startup.printerLabel = port;
    startup.readStatus = NpaReadAllSettings(port, startup.values, &startup.rawValues);
    if (startup.readStatus == NPA_ERR_OPEN) {
        err << "devpanel-cli: the port " << port << " could not be opened" << Because(SlcLastProblem()) << "\n";
        return EXIT_OPEN;
    }
    if (startup.readStatus == NPA_ERR_SEND) {
        err << "devpanel-cli: the printer on " << port << " did not answer the read" << Because(SlcLastProblem())
            << "; check that the printer is connected and switched on\n";
        return EXIT_READ;
    }
    doc.OnNewDocument(startup);
    return EXIT_OK;
}

std::atomic<bool> g_interrupted{false};

// What a write to the printer (apply, send) ended in, on stdout or stderr; the exit status.
int ReportPrinterWrite(int result, const NpaWriteReport& report, const std::string& port, const std::string& done,
                       bool interrupted, std::ostream& out, std::ostream& err) {
    for (const std::string& name : report.skipped) {
        err << "devpanel-cli: skipped " << name
            << ": the value read from the printer cannot be written back unchanged, so it was left as it is\n";
    }
    switch (result) {
        case NPA_OK:
            out << done;
            return EXIT_OK;
        case NPA_ERR_VALUE:
            err << "devpanel-cli: nothing was sent: " << value_tokens::JoinTokens(report.invalid, ", ")
                << " cannot be written\n";
            return EXIT_USAGE;
        case NPA_ERR_OPEN:
            err << "devpanel-cli: the port " << port << " could not be opened" << Because(report.problem) << "\n";
            return EXIT_OPEN;
        case NPA_ERR_ONLINE:
            err << "devpanel-cli: the settings were sent, but the printer on " << port
                << " did not come back online" << Because(report.problem) << "; it may still be offline: ask again with "
                << "devpanel-cli --port " << port << " online, or put it online on its operator panel (or switch it off "
                << "and on)\n";
            return EXIT_WRITE;
        case NPA_ERR_VERIFY:
            if (report.notTaken.empty()) {
                err << "devpanel-cli: the settings were sent to " << port << ", but " << report.problem << "\n";
            } else {
                err << "devpanel-cli: read back from " << port << ", these settings did not take: "
                    << value_tokens::JoinTokens(report.notTaken, ", ") << "\n";
            }
            return EXIT_WRITE;
        case NPA_ERR_MEMORY:
            err << "devpanel-cli: out of memory while building the commands\n";
            return EXIT_MEMORY;
        case DOC_ERR_SNAPSHOT:
        case DOC_ERR_BUSY:
            err << "devpanel-cli: " << report.problem << "\n";
            return EXIT_WRITE;
        default:
            if (interrupted) {
                err << "devpanel-cli: interrupted" << Because(report.problem)
                    << "; the printer was brought back online\n";
            } else {
                err << "devpanel-cli: writing the settings to " << port << " failed" << Because(report.problem)
                    << "; check that the printer is connected and switched on\n";
            }
            return EXIT_WRITE;
    }
}

int ReportSave(int result, const NpaWriteReport& report, const std::string& target, size_t sent, std::ostream& out,
               std::ostream& err) {
    if (result == NPA_ERR_OPEN) {
        err << "devpanel-cli: the command file " << target << " could not be created" << Because(report.problem)
            << "\n";
        return EXIT_OPEN;
    }
    if (result == NPA_ERR_WRITE) {
        err << "devpanel-cli: the settings could not be saved to " << target << Because(report.problem)
            << "; any older file there is unchanged\n";
        return EXIT_WRITE;
    }
    return ReportPrinterWrite(result, report, target,
                              "Saved " + std::to_string(sent) + " setting(s) to " + target + " and offline.dat beside it.\n",
                              false, out, err);
}

namespace {

int CommandRead(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    int status = ReadIntoDocument(port, doc, err);
    if (status == EXIT_OK) {
        if (doc.IsOneWay()) {
            err << "devpanel-cli: the port " << port
                << " can only be written; these are the default values of the configuration, "
                   "not the printer's\n";
        }
        const ValueMap values = doc.CurrentValues();
        if (options.json) {
            out << ToJson(values);
        } else {
            for (const auto& [name, value] : values) out << name << "=" << value << "\n";
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
        target = AbsolutePath(options.arguments[0]);
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
    if (doc.IsOneWay()) {
        err << "devpanel-cli: the port " << port
            << " can only be written; only the settings given here are " << (save ? "saved" : "sent") << "\n";
    }

    int result = NPA_OK;
    bool interrupted = false;
    if (save) {
        result = doc.SaveCommandFile(target);
    } else {
        InterruptGuard guard;
        // Only the settings named here: writing every value back would undo whatever another
        // program changed since our read.
        result = options.allValues ? doc.Apply() : doc.ApplyChanges();
        interrupted = guard.interrupted();
    }
    const NpaWriteReport& report = doc.LastWriteReport();
    const size_t sent = doc.LastWriteCount();
    int exitStatus = EXIT_OK;
    if (save) {
        exitStatus = ReportSave(result, report, target, sent, out, err);
    } else {
        exitStatus = ReportPrinterWrite(result, report, port,
                                        "Applied " + std::to_string(sent) + " setting(s) to " + port + ".\n",
                                        interrupted, out, err);
        if (!doc.LastSnapshotPath().empty()) out << "The settings before: " << doc.LastSnapshotPath() << "\n";
    }
    if (result == NPA_OK) doc.SetModifiedFlag(false);
    NpaEndSession(port);
    return exitStatus;
}

// The offline record is one record of a few dozen bytes; anything near this is not one.
constexpr size_t kOfflineFileLimit = 64 * 1024;

// The whole regular file at path (the offline record), or why not ("" when read). Only a regular
// file: a folder cannot be read, and a pipe or a device would never end.
std::string ReadOfflineFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::string text;
    int error = 0;
    switch (platform::ReadWholeFile(path, kOfflineFileLimit, text, error)) {
        case platform::ReadWholeStatus::Ok: bytes.assign(text.begin(), text.end()); return {};
        case platform::ReadWholeStatus::Missing: return "it does not exist";
        case platform::ReadWholeStatus::Link:
        case platform::ReadWholeStatus::NotRegular: return "it is not a regular file";
        case platform::ReadWholeStatus::TooLarge:
            return "it is larger than " + std::to_string(kOfflineFileLimit / 1024) +
                   " KiB, far more than any offline record";
        case platform::ReadWholeStatus::Failed: break;
    }
    return std::strerror(error);
}

// Opens the regular file at path for CommandFileSource, or says why not ("" when open).
std::string OpenCommandFile(const std::string& path, platform::FileReader& reader) {
    int error = 0;
    switch (reader.open(path, error)) {
        case platform::ReadWholeStatus::Ok: return {};
        case platform::ReadWholeStatus::Missing: return "it does not exist";
        case platform::ReadWholeStatus::Link:
        case platform::ReadWholeStatus::NotRegular: return "it is not a regular file";
        case platform::ReadWholeStatus::TooLarge:
        case platform::ReadWholeStatus::Failed: break;
    }
    return std::strerror(error);
}

// A command file on disk as the link's writes read it; counts the bytes of one whole pass.
class CommandFileSource : public NpaCommandSource {
public:
    explicit CommandFileSource(platform::FileReader& reader) : reader_(reader) {}
    long read(uint8_t* buffer, size_t max) override {
        const long got = reader_.read(buffer, max);
        if (got > 0) pass_ += static_cast<uint64_t>(got);
        return got;
    }
    bool rewind() override {
        bytes_ = std::max(bytes_, pass_);
        pass_ = 0;
        return reader_.rewind();
    }
    uint64_t bytes() const { return std::max(bytes_, pass_); }

private:
    platform::FileReader& reader_;
    uint64_t pass_ = 0;
    uint64_t bytes_ = 0;
};

int CommandSend(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    const std::string& file = options.arguments[0];
    if (IsOfflineFileName(file)) {
        // It would take the printer offline a second time and never bring it back online.
        err << "devpanel-cli: " << file << " is the offline record; name the command file beside it\n";
        return EXIT_USAGE;
    }
    const std::string offline = platform::SiblingPath(file, kOfflineFileName);
    std::vector<uint8_t> offlineBytes;
    if (std::string why = ReadOfflineFile(offline, offlineBytes); !why.empty()) {
        err << "devpanel-cli: cannot read " << offline << " (it belongs beside the command file): " << why << "\n";
        return EXIT_USAGE;
    }
    // The command file is read in pieces, once to check it and once to send it, so that its
    // size never decides the memory taken.
    platform::FileReader reader;
    if (std::string why = OpenCommandFile(file, reader); !why.empty()) {
        err << "devpanel-cli: cannot read " << file << ": " << why << "\n";
        return EXIT_USAGE;
    }
    CommandFileSource commands(reader);
    // The link sends the recorded settings between its own offline and online requests, so a
    // file that was cut short is refused before the printer is touched and never strands it.
    NpaWriteReport report;
    int result = NPA_OK;
    bool interrupted = false;
    {
        InterruptGuard guard;
        result = NpaSendCommandStream(port, offlineBytes, commands, &report);
        interrupted = guard.interrupted();
    }
    if (result == NPA_ERR_VALUE) {
        err << "devpanel-cli: nothing was sent: " << value_tokens::JoinTokens(report.invalid, ", ") << "\n";
        NpaEndSession(port);
        return EXIT_USAGE;
    }
    const int status = ReportPrinterWrite(result, report, port,
                                          "Sent " + std::to_string(offlineBytes.size() + commands.bytes()) +
                                              " bytes of " + file + " to " + port + ".\n",
                                          interrupted, out, err);
    NpaEndSession(port);
    return status;
}

}  // namespace

int ExitStatusFor(int result) {
    switch (result) {
        case NPA_OK:
        case NPA_ONEWAY: return EXIT_OK;
        case NPA_ERR_OPEN: return EXIT_OPEN;
        case NPA_ERR_SEND: return EXIT_READ;
        case NPA_ERR_MEMORY: return EXIT_MEMORY;
        case NPA_ERR_VALUE: return EXIT_USAGE;
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
    if (options.version) {
        PrintVersion(out);
        return EXIT_OK;
    }
    if (options.command == "doctor") {
        if (options.useVirtual) return RunVirtualDoctor(options.ini, options.stateFile.value_or(DefaultStateFile()), out);
        if (platform::PortName::Parse(options.port).kind() == platform::PortKind::Socket) {
            return RunNetworkDoctor(options.ini, options.port, out);
        }
        return RunDoctor(options.ini, out);
    }

    // A configuration that cannot drive the program is said to be one, before any printer is
    // looked for: it would otherwise look like a missing or silent printer.
    SetConfigPath(ResolveIniPath(options.ini));
    const std::string problem = config::ConfigurationProblem();
    if (!problem.empty()) {
        err << "devpanel-cli: configuration error: " << problem << "\n";
        return EXIT_USAGE;
    }

    InstalledPlatform installed;
    if (choice == PlatformChoice::FromOptions && !InstallPlatform(options, installed, err)) return EXIT_USAGE;

    const std::string& command = options.command;
    if (command == "printers") return CommandPrinters(out, err);
    if (command == "snapshots") return CommandSnapshots(out, err);
    // These two reach no printer of this computer.
    if (command == "save" && options.from) return CommandSaveFrom(options, out, err);
    if (command == "send" && !options.queues.empty()) {
        return SendToQueues(options.arguments[0], options.queues, out, err);
    }

    std::string port;
    int status = ChoosePort(options, port, err);
    if (status != EXIT_OK) return status;
    if (command == "read") return CommandRead(options, port, out, err);
    if (command == "online") return CommandOnline(port, out, err);
    if (command == "send") return CommandSend(options, port, out, err);
    if (command == "export") return CommandExport(options, port, out, err);
    if (command == "diff") return CommandDiff(options, port, out, err);
    if (command == "restore" || command == "import") return CommandApplyFile(options, port, out, err);
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
