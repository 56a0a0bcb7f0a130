// The NPA message layer: reads every setting with one batch request, decodes values into value
// tokens, writes lists of (name, token) commands between offline and online, produces command
// files and ends the use of the link. Plain functions with signed result codes; process-wide
// tables loaded once from the configuration file, and nothing else kept between calls: what a
// read found travels with its caller.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/profile.h"
#include "platform/port_name.h"

enum : int {
    NPA_OK = 0,
    NPA_ONEWAY = 1,
    NPA_ERR_OPEN = -1,
    NPA_ERR_SEND = -2,
    NPA_ERR_WRITE = -3,
    NPA_ERR_VALUE = -4,    // NpaWriteValues: a command cannot be turned into its packet; nothing was sent
    NPA_ERR_ONLINE = -5,   // NpaWriteValues: the settings were sent, but the printer did not come back online
    NPA_ERR_VERIFY = -6,   // NpaWriteValues: read back after the writes, some settings did not take
    NPA_ERR_MEMORY = -10,  // the document's: a command list that cannot be built
};

using ValueMap = std::map<std::string, std::string>;  // NPA name -> value token

// One setting to write: its NPA name and the value token for it. The name is matched in any
// letter case; an enumerated token too, while a text keeps its letter case.
struct NpaCommand {
    std::string name;
    std::string token;
};

// What a read found for one setting besides its token: the value bytes the printer gave, whole
// (never cut), and the token they decoded to. A write of that very token back must give the
// printer those very bytes, or it is left out.
struct NpaRawValue {
    std::vector<uint8_t> bytes;
    std::string token;
};
using NpaRawValues = std::map<std::string, NpaRawValue>;  // NPA name (upper case) -> what the printer gave

// Parses the two NPA sections of ConfigFile() into the process-wide tables; runs once per
// process (every other operation calls it first).
void NpaLoadTables();
// Replaces the process-wide tables with those parsed from ini's two NPA sections (a fuzz target
// or a test that brings its own configuration text); NpaLoadTables keeps them afterwards.
void NpaLoadTablesFrom(const Profile& ini);
// Opens the port and reads every setting of "NPA READ SETTING" with one batch request, adding
// NPA name -> value token to values and, when raw is given, NPA name -> the bytes and token read
// to raw (entries of settings the reply lacks are kept). NPA_OK (the port stays open),
// NPA_ONEWAY (nothing sent; values gets the configuration's defaults, raw nothing), NPA_ERR_OPEN
// or NPA_ERR_SEND (neither map changed). Reply entries with an id that was not asked for are
// ignored.
int NpaReadAllSettings(const std::string& port, ValueMap& values, NpaRawValues* raw = nullptr);
// The value token of a single-setting reply (value from byte 9): an enumerated token, a text up
// to its first zero byte, or a signed decimal number; empty when nothing matches.
std::string NpaDecodeValue(const std::string& name, const uint8_t* packet, uint32_t length);
// The names of values (as NpaReadAllSettings gave them, with raw from the same read) that a write
// of their token would not give the printer back unchanged, or that have no packet at all: a
// byte the configuration does not know, a text that was cut or could not be decoded, a number
// too wide. Sorted, upper case; sends nothing.
std::vector<std::string> NpaValuesNotWritableBack(const ValueMap& values, const NpaRawValues& raw);
// What NpaWriteValues found besides its result code.
struct NpaWriteReport {
    std::vector<std::string> invalid;   // NAME:VALUE, each command that cannot be written (NPA_ERR_VALUE)
    std::vector<std::string> skipped;   // NPA names read from the printer that cannot be written back
                                        // unchanged; left out of the write-back, not an error
    std::vector<std::string> notTaken;  // NPA names whose value read back differs from what was sent
    std::string problem;                // the link's account of a failure (SlcLastProblem), or empty
};

// The steps of a write as its progress names them: the printer's settings read before it (the
// document's snapshot), the open and the offline exchange, the settings one by one, the online
// request, the read-back that confirms them.
enum class NpaPhase { Reading, Offline, Settings, Online, Verifying };
using NpaProgress = std::function<void(NpaPhase phase, size_t sent, size_t total)>;

// Writes the commands, in order, between offline and online, to a port or into a command file
// with "offline.dat" beside it: port names a printer's port (platform::PortName::Parse; a name no
// kind accepts fails to open, NPA_ERR_OPEN with report->problem listing the accepted forms), and
// a command file is written only to a target made as one (platform::PortName::CommandFile). Every
// command is turned into its packet first: one that cannot be (report->invalid) gives
// NPA_ERR_VALUE with nothing sent. raw is what the printer
// gave when it was last read (nullptr when it was not): a command whose token is the one read
// for its name writes a value back, and is left out (report->skipped) when its packet would not
// give the printer those bytes unchanged. On a port that answers, the read-back after the writes
// is added to raw. Once the printer was asked to go offline, the online request always follows:
// NPA_ERR_ONLINE when the printer does not come back. On a two-way port the settings are then
// read back in one exchange and compared with what was sent: NPA_ERR_VERIFY names the ones that
// did not take (report->notTaken). NPA_OK, NPA_ERR_OPEN, NPA_ERR_WRITE (the printer did not go
// offline, a send failed, or the command file or one-way copy could not be completed),
// NPA_ERR_VALUE, NPA_ERR_ONLINE or NPA_ERR_VERIFY; report->problem has the link's account of a
// failure. An empty list is NPA_OK once the printer went offline and online again.
// progress, when given, is called on the calling thread with (Offline, 0, total) once the commands
// are planned, (Settings, 0, total) once the printer is offline, (Settings, n, total) after each
// of the total settings has been sent, (Online, n, total) before the online request and
// (Verifying, n, total) before the read-back, so that a window can show where a slow port is.
int NpaWriteValues(const std::string& port, const std::vector<NpaCommand>& commands, NpaRawValues* raw,
                   NpaWriteReport* report = nullptr, const NpaProgress& progress = {});
int NpaWriteValues(const platform::PortName& target, const std::vector<NpaCommand>& commands, NpaRawValues* raw,
                   NpaWriteReport* report = nullptr, const NpaProgress& progress = {});
// Sends a command file as NpaWriteValues sends its commands: offlineRecord (the bytes of
// "offline.dat") must be the one offline record and commandFile whole records ending with the
// online record, else NPA_ERR_VALUE with the reason in report->invalid and nothing sent. The
// link takes the printer offline and online itself, so a file that was cut or made for another
// purpose can never leave the printer offline. Results as NpaWriteValues.
int NpaSendCommandFile(const std::string& port, const std::vector<uint8_t>& offlineRecord,
                       const std::vector<uint8_t>& commandFile, NpaWriteReport* report = nullptr);
// A command file read in pieces, so that a file of any size is checked and sent in bounded
// memory: read gives up to max bytes (0 at the end, -1 when the read failed); rewind goes back
// to the first byte (false when it cannot).
class NpaCommandSource {
public:
    virtual ~NpaCommandSource() = default;
    virtual long read(uint8_t* buffer, size_t max) = 0;
    virtual bool rewind() = 0;
};
// NpaSendCommandFile for a file read twice from a source: a first pass checks the pair as
// NpaSendCommandFile does (nothing is sent when it is not whole), the second sends the records.
// A file that reads differently the second time stops the writes (the printer is still brought
// back online) and is a write failure.
int NpaSendCommandStream(const std::string& port, const std::vector<uint8_t>& offlineRecord, NpaCommandSource& file,
                         NpaWriteReport* report = nullptr);
// The check NpaSendCommandFile makes before anything is sent: true with the setting packets of
// commandFile (its online record removed), in order; false with the reason in why and no packets.
bool NpaSplitCommandFile(const std::vector<uint8_t>& offlineRecord, const std::vector<uint8_t>& commandFile,
                         std::vector<std::vector<uint8_t>>& settings, std::string& why);
// While *flag is true, NpaWriteValues sends no further setting (it still brings the printer back
// online). For a program's signal handler; nullptr removes the flag.
void NpaSetInterruptFlag(const std::atomic<bool>* flag);
// Releases the tables for good, closes the port and shuts the link down; the close result.
int NpaEndSession(const std::string& port);

// Test support: forgets the loaded tables so the next operation loads them again.
void NpaResetForTesting();
