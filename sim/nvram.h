// The printer's non-volatile setting values. Starts from the model's defaults and, when a state
// file is given, keeps them there across restarts. Several printers (in this program or in
// another one, such as the command-line tool and the window) may share one state file: each write
// session (offline to online) holds an exclusive lock on "<state file>.lock", starts from what is
// in the file then and saves atomically (temporary file + fsync + rename) at its end, so no
// program's writes are lost to another's stale copy.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/file_lock.h"
#include "sim/model.h"

namespace sim {

// Where `--virtual` keeps the virtual printer's settings when no file is named: the user's state
// folder (platform::UserStateFile): $XDG_STATE_HOME/devpanel/virtual-t90.state, or
// ~/.local/state/devpanel/virtual-t90.state without it; %LOCALAPPDATA%\devpanel\virtual-t90.state
// on Windows. Empty when the system names no such folder.
std::string DefaultStateFile();

// The state file's text: one line per setting, its id and its value bytes in hex ("0107 2D").
std::string StateText(const std::map<uint16_t, Bytes>& values);
// Reads that text back; false with the number of the first damaged line. Blank lines are skipped.
bool ParseStateText(const std::string& text, std::map<uint16_t, Bytes>& stored, size_t& damagedLine);

class Nvram {
public:
    // The longest beginSession() waits for another program's session to end.
    static constexpr int kDefaultLockWaitMs = 3000;

    Nvram() = default;
    ~Nvram();  // an unfinished session is dropped (its writes are lost) and its lock released
    Nvram(const Nvram&) = delete;
    Nvram& operator=(const Nvram&) = delete;

    // Defaults from the model, then the values of stateFile. An empty stateFile keeps everything
    // in memory; a missing one is fine (it is created by the first save). False (see error())
    // when the file exists but cannot be used: the values then stay at the defaults and every
    // session is refused until the file is put right, so the file is never overwritten.
    bool reset(const Model& model, const std::string& stateFile);
    // The last problem with the state file, one sentence naming it and saying what to do;
    // empty when fine.
    const std::string& error() const { return error_; }
    void setLockWaitMs(int ms) { lockWaitMs_ = ms < 0 ? 0 : ms; }

    std::optional<Bytes> get(uint16_t id) const;
    // Outside a session, takes the values the state file holds now: another program may have
    // saved its session since this one last looked. Called before the printer answers a read.
    // Takes no lock (each save replaces the file whole, so it is read whole or not at all); a
    // file that cannot be read now leaves the values and error() as they were.
    void refresh();
    // In a session the value is kept in memory until endSession(). Outside one (the operator
    // panel) it is a session of its own: lock, reload, store, save. False when it was not kept.
    bool set(uint16_t id, const Bytes& value);
    const std::map<uint16_t, Bytes>& values() const { return values_; }

    // The write session, from the accepted offline request to the online request. begin: false
    // when the lock is not had in time or the state file can no longer be read (the printer then
    // refuses to go offline). end: false when what was written cannot be saved (the printer then
    // refuses to go online and the session, with its writes and its lock, stays open).
    bool beginSession();
    bool endSession();
    bool inSession() const { return inSession_; }

private:
    bool load();
    bool lock();
    void unlock();
    bool save();
    std::string describe() const;

    const Model* model_ = nullptr;
    std::map<uint16_t, Bytes> values_;
    std::string stateFile_;
    std::string error_;
    int lockWaitMs_ = kDefaultLockWaitMs;
    platform::FileLock lock_;
    bool inSession_ = false;
    bool dirty_ = false;
};

}  // namespace sim
