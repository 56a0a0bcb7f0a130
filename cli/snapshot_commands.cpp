// The commands around snapshot files: snapshots, restore, export, import, diff and save --from.
// A restore and an import are applies: the file's settings are checked as NAME=VALUE arguments
// are, those whose value differs from the printer's are stored into the document as a page would
// store them, and written by CPrinterDoc::ApplyChanges (every setting by CPrinterDoc::Apply with
// --all-values), which keeps a snapshot of what they replace.
#include <cstring>
#include <map>
#include <ostream>

#include "cli/cli.h"
#include "cli/commands_private.h"
#include "document/snapshot.h"
#include "platform/paths.h"
#include "platform/whole_files.h"

namespace cli {

namespace {

// The file's settings as NAME=VALUE arguments, checked against the document's descriptors: the
// value tokens to store, or false with the message said on err.
bool CheckedSettings(const CPrinterDoc& doc, const std::string& file, const ValueMap& settings,
                     std::map<std::string, std::string>& tokens, std::ostream& err) {
    std::vector<std::string> assignments;
    assignments.reserve(settings.size());
    for (const auto& [name, value] : settings) assignments.push_back(name + "=" + value);
    std::string error;
    if (!ValidateAssignments(doc, assignments, tokens, error)) {
        err << "devpanel-cli: " << file << ": " << error << "; nothing was sent\n";
        return false;
    }
    return true;
}

bool LoadFile(const std::string& file, snapshot::Snapshot& loaded, std::ostream& err) {
    std::string error;
    if (!snapshot::Load(file, loaded, error)) {
        err << "devpanel-cli: " << error << "\n";
        return false;
    }
    return true;
}

// The printer's settings in the document, read now. A port that can only be written has no
// settings to show: the configuration's defaults are no printer's state.
int ReadPrinter(const std::string& port, CPrinterDoc& doc, const std::string& command, std::ostream& err) {
    const int status = ReadIntoDocument(port, doc, err);
    if (status != EXIT_OK) return status;
    if (doc.IsOneWay()) {
        err << "devpanel-cli: the port " << port << " can only be written, so its settings cannot be read for "
            << command << "\n";
        return EXIT_READ;
    }
    return EXIT_OK;
}

std::string PrinterText(const snapshot::Snapshot& s) {
    std::string text = s.model.empty() ? std::string("unknown printer") : s.model;
    if (!s.serial.empty()) text += " " + s.serial;
    if (!s.port.empty()) text += " (" + s.port + ")";
    return text;
}

}  // namespace

int CommandSnapshots(std::ostream& out, std::ostream& err) {
    const std::string root = snapshot::DefaultRoot();
    if (root.empty()) {
        err << "devpanel-cli: no folder for snapshots is known (set XDG_STATE_HOME or HOME)\n";
        return EXIT_USAGE;
    }
    const std::vector<snapshot::StoredSnapshot> all = snapshot::ListAll(root);
    if (all.empty()) err << "devpanel-cli: no snapshots in " << root << "\n";
    for (const snapshot::StoredSnapshot& stored : all) {
        if (!stored.problem.empty()) {
            out << platform::FileNameOfPath(stored.path) << "\t" << stored.printerFolder << "\tunreadable: "
                << stored.problem << "\t" << stored.path << "\n";
            continue;
        }
        const snapshot::Snapshot& s = stored.snapshot;
        out << s.time << "\t" << PrinterText(s) << "\t" << s.settings.size() << " settings";
        if (!s.skipped.empty()) out << " (" << s.skipped.size() << " not recorded)";
        out << "\t" << stored.path << "\n";
    }
    return EXIT_OK;
}

int CommandExport(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    const std::string file = AbsolutePath(options.arguments[0]);
    int kindError = 0;
    const platform::Files::Kind kind = platform::KindOfPath(file, kindError);
    if (kind != platform::Files::Kind::Missing && kind != platform::Files::Kind::Regular) {
        err << "devpanel-cli: " << file << " cannot be written: it is not a regular file\n";
        return EXIT_USAGE;
    }
    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    int status = ReadPrinter(port, doc, "export", err);
    if (status == EXIT_OK) {
        const snapshot::Snapshot taken = doc.SnapshotOfValues();
        int errorNumber = 0;
        const std::string text = snapshot::ToJson(taken);
        if (text.empty()) {
            err << "devpanel-cli: out of memory\n";
            status = EXIT_MEMORY;
        } else if (!platform::WriteFileAtomically(file, text, errorNumber)) {
            err << "devpanel-cli: " << file << " could not be written: " << std::strerror(errorNumber)
                << "; any older file there is unchanged\n";
            status = EXIT_OPEN;
        } else {
            for (const std::string& name : taken.skipped) {
                err << "devpanel-cli: not exported: " << name
                    << ": the value the printer holds cannot be written back unchanged\n";
            }
            out << "Exported " << taken.settings.size() << " setting(s) of " << port << " to " << file << ".\n";
        }
    }
    NpaEndSession(port);
    return status;
}

int CommandDiff(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    const std::string& file = options.arguments[0];
    snapshot::Snapshot loaded;
    if (!LoadFile(file, loaded, err)) return EXIT_USAGE;
    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    doc.LoadDescriptors();
    // The file's names and values as the printer's are spelt (section names, letter case).
    std::map<std::string, std::string> then;
    if (!CheckedSettings(doc, file, loaded.settings, then, err)) return EXIT_USAGE;

    int status = ReadPrinter(port, doc, "diff", err);
    if (status == EXIT_OK) {
        const std::vector<snapshot::Difference> differences = doc.DifferencesTo(then);
        for (const snapshot::Difference& d : differences) {
            out << d.name << ": " << (d.now ? *d.now : std::string("(none)")) << " -> " << *d.then << "\n";
        }
        for (const std::string& name : loaded.skipped) {
            err << "devpanel-cli: " << name << " is not compared: the file could not record its value\n";
        }
        status = differences.empty() ? EXIT_OK : EXIT_DIFFERENT;
    }
    NpaEndSession(port);
    return status;
}

int CommandApplyFile(const Options& options, const std::string& port, std::ostream& out, std::ostream& err) {
    const bool restore = options.command == "restore";
    const snapshot::PrinterIdentity printer = snapshot::IdentifyPrinter(port);

    // The snapshot to restore is chosen before the apply writes a new one.
    std::string file;
    if (restore && options.arguments.empty()) {
        const std::string folder = snapshot::PrinterFolder(snapshot::DefaultRoot(), printer);
        const std::vector<snapshot::StoredSnapshot> kept = snapshot::List(folder);
        if (snapshot::DefaultRoot().empty() || kept.empty()) {
            err << "devpanel-cli: there is no snapshot of the printer on " << port << " to restore (looked in "
                << folder << ")\n";
            return EXIT_USAGE;
        }
        file = kept.front().path;
    } else {
        file = options.arguments[0];
    }
    snapshot::Snapshot loaded;
    if (!LoadFile(file, loaded, err)) return EXIT_USAGE;
    if (!loaded.model.empty() && !printer.model.empty() && loaded.model != printer.model && !options.force) {
        err << "devpanel-cli: " << file << " holds the settings of a " << loaded.model << ", the printer on " << port
            << " is a " << printer.model << "; nothing was sent"
            << (restore ? " (import --force applies it anyway)\n" : " (--force applies it anyway)\n");
        return EXIT_USAGE;
    }

    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    doc.LoadDescriptors();
    std::map<std::string, std::string> tokens;
    if (!CheckedSettings(doc, file, loaded.settings, tokens, err)) return EXIT_USAGE;

    int status = ReadIntoDocument(port, doc, err);
    if (status != EXIT_OK) {
        NpaEndSession(port);
        return status;
    }
    // A setting that already holds the file's value is not written: writing it would only undo
    // what another program may change meanwhile. A one-way port's values are unknown, so all of
    // the file's go.
    const bool oneWay = doc.IsOneWay();
    std::map<std::string, std::string> changes;
    if (options.allValues || oneWay) {
        changes = tokens;
    } else {
        for (const snapshot::Difference& d : doc.DifferencesTo(tokens)) changes[d.name] = *d.then;
    }
    // A setting the snapshot could not record is neither restored nor claimed to be.
    for (const std::string& name : loaded.skipped) {
        err << "devpanel-cli: not " << (restore ? "restored: " : "imported: ") << name
            << ": the file could not record the value the printer held, so it was left as it is\n";
    }
    if (changes.empty()) {
        out << "Nothing to " << (restore ? "restore" : "import") << ": the printer on " << port
            << " already holds the " << tokens.size() << " setting(s) of " << file << ".\n";
        NpaEndSession(port);
        return EXIT_OK;
    }
    for (const auto& [name, token] : changes) {
        doc.MarkChanged();
        doc.StoreValue(name, token);
    }
    if (oneWay) {
        err << "devpanel-cli: the port " << port
            << " can only be written; the settings of the file are sent, no snapshot is kept\n";
    }
    int result = NPA_OK;
    bool interrupted = false;
    {
        InterruptGuard guard;
        result = options.allValues ? doc.Apply() : doc.ApplyChanges();
        interrupted = guard.interrupted();
    }
    std::string done = std::string(restore ? "Restored " : "Imported ") + std::to_string(changes.size()) +
                       " setting(s) of " + file + " to " + port;
    if (changes.size() < tokens.size()) {
        done += " (the other " + std::to_string(tokens.size() - changes.size()) + " already held the file's values)";
    }
    done += ".\n";
    status = ReportPrinterWrite(result, doc.LastWriteReport(), port, done, interrupted, out, err);
    if (!doc.LastSnapshotPath().empty()) out << "The settings before: " << doc.LastSnapshotPath() << "\n";
    if (result == NPA_OK) doc.SetModifiedFlag(false);
    NpaEndSession(port);
    return status;
}

int CommandSaveFrom(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string target = AbsolutePath(options.arguments[0]);
    if (IsOfflineFileName(target)) {
        err << "devpanel-cli: the command file cannot be named " << kOfflineFileName
            << ": that file is written beside it with the offline record\n";
        return EXIT_USAGE;
    }
    snapshot::Snapshot loaded;
    if (!LoadFile(*options.from, loaded, err)) return EXIT_USAGE;

    HeadlessFrame frame;
    CPrinterDoc doc(&frame);
    doc.LoadDescriptors();
    std::map<std::string, std::string> tokens;
    if (!CheckedSettings(doc, *options.from, loaded.settings, tokens, err)) return EXIT_USAGE;

    // No printer was read: the command file carries the file's settings and nothing else.
    StartupResult startup;
    startup.portName = target;
    startup.printerLabel = target;
    startup.readStatus = NPA_OK;
    doc.OnNewDocument(startup);
    for (const auto& [name, token] : tokens) {
        doc.MarkChanged();
        doc.StoreValue(name, token);
    }
    const int result = doc.SaveCommandFile(target);
    for (const std::string& name : loaded.skipped) {
        err << "devpanel-cli: not saved: " << name << ": the file could not record its value\n";
    }
    const int status = ReportSave(result, doc.LastWriteReport(), target, tokens.size(), out, err);
    NpaEndSession(target);
    return status;
}

}  // namespace cli
