// Snapshots of a printer's settings: what the printer held before an apply (taken by
// CPrinterDoc::Apply on every two-way port), an exported file, or a file to import. One JSON
// object per file:
//
//   {
//     "format": 1,
//     "model": "Altrin Pressline T90",
//     "serial": "T90V000001",            (only when known: USB printers)
//     "port": "USB001",
//     "time": "2026-12-07T14:39:59.123Z", (UTC)
//     "settings": { "NPA NAME": "value token", ... },
//     "skipped": [ "NPA NAME", ... ]      (values that could not be recorded faithfully)
//   }
//
// The settings are the value tokens `devpanel-cli read --json` prints. A setting whose value the
// printer holds in a form that cannot be written back unchanged is not in "settings" but named in
// "skipped": restoring the file leaves it as the printer has it and says so.
//
// The store keeps the snapshots of each printer in a folder of its own under
// $XDG_STATE_HOME/devpanel/snapshots/ (%LOCALAPPDATA%\devpanel\snapshots on Windows): the model
// and serial number for a USB printer, the port otherwise. A file is named by its UTC time, so
// names sort oldest first; it is created whole (a temporary that takes a free name only, mode
// 0600) and the newest kKeepPerPrinter of a printer are kept. No call throws; failures come back
// as false (or empty) with a sentence in error.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transactions/transactions.h"

namespace snapshot {

constexpr int kFormatVersion = 1;
constexpr size_t kKeepPerPrinter = 50;
// Larger files are refused unread: a snapshot of every setting is a few kilobytes.
constexpr size_t kMaxFileBytes = 1024 * 1024;

struct Snapshot {
    int formatVersion = kFormatVersion;
    std::string model;                 // "Altrin Pressline T90"
    std::string serial;                // empty when unknown (not written then)
    std::string port;                  // "USB001", "LPT1:"
    std::string time;                  // UTC, "YYYY-MM-DDTHH:MM:SS.mmmZ"
    ValueMap settings;                 // NPA name -> value token
    std::vector<std::string> skipped;  // NPA names left out of settings, sorted
};

// The file text: pretty-printed JSON, keys of "settings" sorted, ending with a newline. Bytes of
// a text that are not UTF-8 are written as the character of the same number, so the file is
// always valid JSON.
std::string ToJson(const Snapshot& snapshot);
// Parses a file's text. False with a sentence in error when it is not JSON, not an object, of
// another format version, or a field has the wrong type (settings must map names to strings).
// Unknown fields are ignored; model, port and time may be missing (empty). A name listed in
// "skipped" is dropped from the settings.
bool FromJson(std::string_view text, Snapshot& out, std::string& error);

// The settings as one JSON object, keys sorted (`read --json`).
std::string SettingsToJson(const ValueMap& values);

// The current UTC time in the form of Snapshot::time.
std::string UtcNow();

// Who a snapshot belongs to.
struct PrinterIdentity {
    std::string model;
    std::string serial;  // USB only; empty when the printer has none
    std::string port;
};
// The identity of the printer on port, from the installed platform: for a USB port the device
// ID's manufacturer and model and the device's serial number; otherwise (and when the USB
// interface cannot be found) the first model of the configuration's "DriverNames" and no serial.
// Does not talk to the printer.
PrinterIdentity IdentifyPrinter(const std::string& port);

// One file of the store.
struct StoredSnapshot {
    std::string path;
    std::string printerFolder;  // the folder's name, e.g. "Altrin_Pressline_T90-T90V000001"
    Snapshot snapshot;          // as loaded; formatVersion 0 when the file could not be read
    std::string problem;        // why it could not be read, else empty
};

// The default root: $XDG_STATE_HOME/devpanel/snapshots (see platform::UserStateFile); empty when
// no state folder is known.
std::string DefaultRoot();
// The folder name of a printer: model and serial for USB, the port otherwise; characters other
// than letters, digits, '.', '-' and '_' become '_'.
std::string PrinterFolderName(const PrinterIdentity& printer);
// root/PrinterFolderName(printer); empty when root is empty (Write then fails and says why).
std::string PrinterFolder(const std::string& root, const PrinterIdentity& printer);

// Writes snapshot into folder (made, private, when missing) under a new name from its time,
// whole and mode 0600. The name is taken by creating the file (platform::CreateFileAtomically),
// so two programs writing in the same millisecond get a name each and never replace another
// snapshot. Then removes all but the newest keep files of the folder, and the temporaries of
// snapshot writes that were killed more than a minute ago. The path written, or empty with error
// set; nothing of the folder is removed then.
std::string Write(const std::string& folder, const Snapshot& snapshot, std::string& error,
                  size_t keep = kKeepPerPrinter);
// The snapshot files of one folder, newest first (by name). Unreadable ones are listed with
// their problem. An empty list when the folder does not exist.
std::vector<StoredSnapshot> List(const std::string& folder);
// Every printer folder of root, all snapshots, newest first.
std::vector<StoredSnapshot> ListAll(const std::string& root);
// Reads one file (at most kMaxFileBytes, a regular file). False with error.
bool Load(const std::string& path, Snapshot& out, std::string& error);
// Removes all but the newest keep snapshot files of folder; the number removed.
size_t Prune(const std::string& folder, size_t keep = kKeepPerPrinter);

// One setting that differs between two maps.
struct Difference {
    std::string name;
    std::optional<std::string> now;   // nullopt: the setting is missing from now
    std::optional<std::string> then;  // value of the other map
};
// The settings of then whose value now does not have (the same token, exactly), sorted by name.
// Names only now has are no difference: an import or a restore leaves them alone.
std::vector<Difference> Diff(const ValueMap& now, const ValueMap& then);

}  // namespace snapshot
