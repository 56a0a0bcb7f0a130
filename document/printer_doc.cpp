#include "document/printer_doc.h"

#include <cstring>
#include <iterator>
#include <new>

#include "config/profile.h"
#include "strings/string_table.h"
#include "document/snapshot.h"
#include "platform/file_lock.h"
#include "platform/paths.h"

namespace {

// String ids of the document's messages.
constexpr int kOneWayText = 61240, kOneWayCaption = 61239;
constexpr int kApplyQuestionText = 61243, kApplyQuestionCaption = 61242;
constexpr int kApplyFailedText = 61245, kApplyFailedCaption = 61244;
constexpr int kApplyingStatus = 61304, kSavingStatus = 61305;
constexpr const char* kOfflineFileName = "offline.dat";

using Member = std::variant<config::ListDescriptor CPrinterDoc::*, config::SwitchDescriptor CPrinterDoc::*,
                            config::TextDescriptor CPrinterDoc::*, config::RangeDescriptor CPrinterDoc::*,
                            config::RangeOffDescriptor CPrinterDoc::*, config::RangeChoiceDescriptor CPrinterDoc::*>;

struct SectionMember {
    const char* section;
    Member member;
};

// The setting sections in the order the descriptors are loaded, each with the member it fills.
// The member's type gives the reader of its kind.
const SectionMember kMembers[] = {
    {"BlankPgs", &CPrinterDoc::m_BlankPgs},
    {"SepSheets", &CPrinterDoc::m_SepSheets},
    {"SepSrc", &CPrinterDoc::m_SepSrc},
    {"Tray1PapType", &CPrinterDoc::m_Tray1PapType},
    {"Tray1PapSize", &CPrinterDoc::m_Tray1PapSize},
    {"Tray2PapType", &CPrinterDoc::m_Tray2PapType},
    {"Tray2PapSize", &CPrinterDoc::m_Tray2PapSize},
    {"Cust1Type", &CPrinterDoc::m_Cust1Type},
    {"Cust2Type", &CPrinterDoc::m_Cust2Type},
    {"Cust3Type", &CPrinterDoc::m_Cust3Type},
    {"Cust4Type", &CPrinterDoc::m_Cust4Type},
    {"Cust5Type", &CPrinterDoc::m_Cust5Type},
    {"Cust6Type", &CPrinterDoc::m_Cust6Type},
    {"Cust1Name", &CPrinterDoc::m_Cust1Name},
    {"Cust2Name", &CPrinterDoc::m_Cust2Name},
    {"Cust3Name", &CPrinterDoc::m_Cust3Name},
    {"Cust4Name", &CPrinterDoc::m_Cust4Name},
    {"Cust5Name", &CPrinterDoc::m_Cust5Name},
    {"Cust6Name", &CPrinterDoc::m_Cust6Name},
    {"PlainTxt", &CPrinterDoc::m_PlainTxt},
    {"CardStkTxt", &CPrinterDoc::m_CardStkTxt},
    {"TrnsprncyTxt", &CPrinterDoc::m_TrnsprncyTxt},
    {"LabelTxt", &CPrinterDoc::m_LabelTxt},
    {"BondTxt", &CPrinterDoc::m_BondTxt},
    {"EnvTxt", &CPrinterDoc::m_EnvTxt},
    {"LtrHdTxt", &CPrinterDoc::m_LtrHdTxt},
    {"PreprntTxt", &CPrinterDoc::m_PreprntTxt},
    {"ColorTxt", &CPrinterDoc::m_ColorTxt},
    {"Cust1Txt", &CPrinterDoc::m_Cust1Txt},
    {"Cust2Txt", &CPrinterDoc::m_Cust2Txt},
    {"Cust3Txt", &CPrinterDoc::m_Cust3Txt},
    {"Cust4Txt", &CPrinterDoc::m_Cust4Txt},
    {"Cust5Txt", &CPrinterDoc::m_Cust5Txt},
    {"Cust6Txt", &CPrinterDoc::m_Cust6Txt},
    {"PlainWgt", &CPrinterDoc::m_PlainWgt},
    {"CardStkWgt", &CPrinterDoc::m_CardStkWgt},
    {"TrnsprncyWgt", &CPrinterDoc::m_TrnsprncyWgt},
    {"LabelWgt", &CPrinterDoc::m_LabelWgt},
    {"BondWgt", &CPrinterDoc::m_BondWgt},
    {"EnvWgt", &CPrinterDoc::m_EnvWgt},
    {"LtrHdWgt", &CPrinterDoc::m_LtrHdWgt},
    {"PreprntWgt", &CPrinterDoc::m_PreprntWgt},
    {"ColorWgt", &CPrinterDoc::m_ColorWgt},
    {"Cust1Wgt", &CPrinterDoc::m_Cust1Wgt},
    {"Cust2Wgt", &CPrinterDoc::m_Cust2Wgt},
    {"Cust3Wgt", &CPrinterDoc::m_Cust3Wgt},
    {"Cust4Wgt", &CPrinterDoc::m_Cust4Wgt},
    {"Cust5Wgt", &CPrinterDoc::m_Cust5Wgt},
    {"Cust6Wgt", &CPrinterDoc::m_Cust6Wgt},
    {"TonerAlarm", &CPrinterDoc::m_TonerAlarm},
    {"PQET", &CPrinterDoc::m_PQET},
    {"Emulation", &CPrinterDoc::m_Emulation},
    {"JamRcvry", &CPrinterDoc::m_JamRcvry},
    {"Language", &CPrinterDoc::m_Language},
    {"PrtArea", &CPrinterDoc::m_PrtArea},
    {"PropTag", &CPrinterDoc::m_PropTag},
    {"PwrSvr", &CPrinterDoc::m_PwrSvr},
    {"PrtTimeout", &CPrinterDoc::m_PrtTimeout},
    {"AutoCont", &CPrinterDoc::m_AutoCont},
    {"ResRed", &CPrinterDoc::m_ResRed},
    {"ResSav", &CPrinterDoc::m_ResSav},
    {"ResetCtrl", &CPrinterDoc::m_ResetCtrl},
    {"PrtBufCtrl", &CPrinterDoc::m_PrtBufCtrl},
    {"A4Width", &CPrinterDoc::m_A4Width},
    {"AutoCR", &CPrinterDoc::m_AutoCR},
    {"AutoLF", &CPrinterDoc::m_AutoLF},
    {"LinesPerPg", &CPrinterDoc::m_LinesPerPg},
    {"AssignTray1", &CPrinterDoc::m_AssignTray1},
    {"AssignTray2", &CPrinterDoc::m_AssignTray2},
    {"AssignManPaper", &CPrinterDoc::m_AssignManPaper},
    {"AssignManEnv", &CPrinterDoc::m_AssignManEnv},
    {"FeedTimeout", &CPrinterDoc::m_FeedTimeout},
    {"JobTimeout", &CPrinterDoc::m_JobTimeout},
    {"WaitTimeout", &CPrinterDoc::m_WaitTimeout},
    {"FontPriority", &CPrinterDoc::m_FontPriority},
    {"Mode1", &CPrinterDoc::m_Mode1},
    {"Mode2", &CPrinterDoc::m_Mode2},
    {"AdvStatus", &CPrinterDoc::m_AdvStatus},
    {"HonorInit", &CPrinterDoc::m_HonorInit},
    {"ParPclAutoLng", &CPrinterDoc::m_ParPclAutoLng},
    {"ParPsAutoLng", &CPrinterDoc::m_ParPsAutoLng},
    {"Protocol", &CPrinterDoc::m_Protocol},
    {"UsbPclAutoLng", &CPrinterDoc::m_UsbPclAutoLng},
    {"UsbPsAutoLng", &CPrinterDoc::m_UsbPsAutoLng},
};
static_assert(std::size(kMembers) == 84, "one member per setting section");

void Load(const Profile& ini, const char* section, config::ListDescriptor& d) {
    d = config::LoadListDescriptor(ini, section);
}
void Load(const Profile& ini, const char* section, config::SwitchDescriptor& d) {
    d = config::LoadSwitchDescriptor(ini, section);
}
void Load(const Profile& ini, const char* section, config::TextDescriptor& d) {
    d = config::LoadTextDescriptor(ini, section);
}
void Load(const Profile& ini, const char* section, config::RangeDescriptor& d) {
    d = config::LoadRangeDescriptor(ini, section);
}
void Load(const Profile& ini, const char* section, config::RangeOffDescriptor& d) {
    d = config::LoadRangeOffDescriptor(ini, section);
}
void Load(const Profile& ini, const char* section, config::RangeChoiceDescriptor& d) {
    d = config::LoadRangeChoiceDescriptor(ini, section);
}

}  // namespace

std::string DescriptorNpaName(const DescriptorRef& descriptor) {
    struct Visitor {
        std::string operator()(const config::ListDescriptor* d) const {
            return d->labels.empty() ? std::string() : config::KeyName(d->labels.begin()->first);
        }
        std::string operator()(const config::SwitchDescriptor* d) const { return config::KeyName(d->entry[0]); }
        std::string operator()(const config::TextDescriptor* d) const { return d->npaName; }
        std::string operator()(const config::RangeDescriptor* d) const { return d->npaName; }
        std::string operator()(const config::RangeOffDescriptor* d) const { return d->npaName; }
        std::string operator()(const config::RangeChoiceDescriptor* d) const { return d->npaName; }
    };
    return std::visit(Visitor{}, descriptor);
}

CPrinterDoc::CPrinterDoc(IPrinterFrame* frame) : m_frame(frame) {}

bool CPrinterDoc::OnNewDocument(const StartupResult& startup) {
    m_portName = startup.portName;
    m_printerLabel = startup.printerLabel;
    m_values = startup.values;
    m_rawValues = startup.rawValues;
    m_queryStatus = startup.readStatus;
    m_changes.clear();
    m_changedSinceRead.clear();
    m_readValues = startup.values;
    m_readAt = std::chrono::steady_clock::now();
    m_readFresh = m_queryStatus == NPA_OK;

    if (m_queryStatus == NPA_ONEWAY) {
        m_commandMenuReady = false;
        if (m_frame) {
            m_frame->messageBox(res::String(kOneWayText), res::String(kOneWayCaption),
                                msgbox::kIconInformation | msgbox::kSetForeground, false);
        }
    } else {
        m_commandMenuReady = true;
    }

    LoadDescriptors();
    SetModifiedFlag(false);
    return true;
}

void CPrinterDoc::LoadDescriptors() {
    const Profile& ini = ConfigFile();
    for (const SectionMember& m : kMembers) {
        std::visit([&](auto member) { Load(ini, m.section, this->*member); }, m.member);
    }
}

std::vector<SettingRef> CPrinterDoc::Settings() const {
    std::vector<SettingRef> settings;
    settings.reserve(std::size(kMembers));
    for (const SectionMember& m : kMembers) {
        std::visit([&](auto member) { settings.push_back({m.section, DescriptorRef(&(this->*member))}); },
                   m.member);
    }
    return settings;
}

bool CPrinterDoc::SaveModified() {
    if (IsModified()) {
        int answer = m_frame ? m_frame->messageBox(res::String(kApplyQuestionText),
                                                   res::String(kApplyQuestionCaption),
                                                   msgbox::kYesNo | msgbox::kIconQuestion, true)
                             : msgbox::kIdNo;
        if (answer == msgbox::kIdYes && Apply() != NPA_OK) {
            // The user asked for the changes to reach the printer: closing now would lose them.
            // The session goes on with the edits and the modified flag kept, so the next close
            // asks again.
            if (m_frame) {
                m_frame->messageBox(res::String(kApplyFailedText), res::String(kApplyFailedCaption), msgbox::kIconError,
                                    true);
            }
            return false;
        }
        SetModifiedFlag(false);
    }
    // The link is shut down on every close, changed or not.
    NpaEndSession(m_portName);
    return true;
}

int CPrinterDoc::Apply() { return RunWrite(kApplyingStatus, m_portName, WriteScope::Every); }

int CPrinterDoc::ApplyChanges() { return RunWrite(kApplyingStatus, m_portName, WriteScope::Changed); }

int CPrinterDoc::SaveCommandFile(const std::string& path) {
    // The link writes the offline record into "offline.dat" beside the command file: a command
    // file of that very name would have its offline record overwritten by the commands and could
    // no longer be sent. It cannot be created, as far as the caller is concerned.
    const size_t slash = path.rfind('/');
    if (path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, kOfflineFileName) == 0) {
        return NPA_ERR_OPEN;
    }
    return RunWrite(kSavingStatus, path, WriteScope::Every);
}

// Two-way: every value (Every) or the settings changed since the last read (Changed); one-way:
// only what the user changed, as nothing else is known of the printer.
ValueMap CPrinterDoc::WriteSource(WriteScope scope) const {
    if (scope == WriteScope::Every) return m_queryStatus == NPA_ONEWAY ? m_changes : m_values;
    ValueMap changed;
    for (const std::string& name : m_changedSinceRead) {
        if (auto it = m_values.find(name); it != m_values.end()) changed.insert(*it);
    }
    return changed;
}

int CPrinterDoc::RunWrite(int statusTextId, const std::string& target, WriteScope scope) {
    std::vector<NpaCommand> commands;
    std::string previousStatus;
    if (m_frame) {
        previousStatus = m_frame->statusText();
        m_frame->setStatusText(res::String(statusTextId));
        m_frame->setWaitCursor(true);
    }

    m_lastReport = NpaWriteReport{};
    m_lastWriteCount = 0;
    const bool apply = statusTextId == kApplyingStatus;
    bool valuesTaken = false;
    int result = NPA_ERR_MEMORY;
    if (BuildCommandList(WriteSource(scope), commands)) {
        // The write itself may take half a minute on a paced port: the frame runs it off its
        // own thread. It uses only the document's values (with what the printer gave), the
        // commands, the target and the report, none of which the frame touches until the work
        // has ended.
        IPrinterFrame* frame = m_frame;
        NpaProgress progress;
        if (frame) {
            progress = [frame](NpaPhase phase, size_t sent, size_t total) { frame->workProgress(phase, sent, total); };
        }
        auto write = [&] {
            platform::FileLock turn;
            if (apply) {
                // Writing every value back: from the read on, no other apply may write.
                if (scope == WriteScope::Every) {
                    if (const int had = TakeApplyTurn(turn); had != NPA_OK) return had;
                }
                // The read before the write, which the progress shows as such rather than as
                // a write that has not begun.
                if (progress) progress(NpaPhase::Reading, 0, 0);
                const int taken = SnapshotBeforeApply(valuesTaken, scope);
                if (taken != NPA_OK) return taken;
                if (const int had = TakeApplyTurn(turn); had != NPA_OK) return had;
                // Written back as the printer holds them now, not as they were read before.
                if (valuesTaken && scope == WriteScope::Every && !BuildCommandList(WriteSource(scope), commands)) {
                    return static_cast<int>(NPA_ERR_MEMORY);
                }
            }
            // A save's target is made a command file here; an apply's is a port's name.
            return NpaWriteValues(apply ? platform::PortName::Parse(target) : platform::PortName::CommandFile(target),
                                  commands, &m_rawValues, &m_lastReport, progress);
        };
        result = frame ? frame->runLongWork(res::String(statusTextId), write) : write();
        if (result == NPA_OK) m_lastWriteCount = commands.size() - m_lastReport.skipped.size();
    }
    // Confirmed by the read-back: the printer holds what the document holds.
    if (apply && result == NPA_OK && m_queryStatus == NPA_OK) m_changedSinceRead.clear();

    if (m_frame) {
        m_frame->setWaitCursor(false);
        m_frame->setStatusText(previousStatus);
        if (valuesTaken) m_frame->documentValuesChanged();
    }
    return result;
}

bool CPrinterDoc::BuildCommandList(const ValueMap& values, std::vector<NpaCommand>& commands) {
    try {
        commands.clear();
        commands.reserve(values.size());
        for (const auto& [name, token] : values) commands.push_back({name, token});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CPrinterDoc::ReplaceView(int viewId, int /*row*/, int /*column*/) {
    // The frame owns the splitter and has only the one page pane; the document stays alive
    // while the old page goes, because pages never own it.
    return m_frame && m_frame->replaceView(viewId);
}

std::string CPrinterDoc::ReadValue(const std::string& npaName) const {
    auto it = m_values.find(npaName);
    return it == m_values.end() ? std::string() : it->second;
}

void CPrinterDoc::MarkChanged() {
    if (m_queryStatus == NPA_ONEWAY && m_frame && !m_frame->menuItemEnabled(ID_FILE_SAVE_COMMAND)) {
        m_frame->setMenuItemEnabled(ID_FILE_SAVE_COMMAND, true);
        m_frame->redraw();
    }
    SetModifiedFlag(true);
}

void CPrinterDoc::StoreValue(const std::string& npaName, const std::string& token) {
    m_values[npaName] = token;
    if (m_queryStatus == NPA_ONEWAY) m_changes[npaName] = token;
    m_changedSinceRead.insert(npaName);
}

std::vector<snapshot::Difference> CPrinterDoc::DifferencesTo(const ValueMap& then) const {
    return snapshot::Diff(m_values, then);
}

snapshot::Snapshot CPrinterDoc::SnapshotOfValues() const { return SnapshotOf(m_values, m_queryStatus == NPA_OK); }

snapshot::Snapshot CPrinterDoc::SnapshotOf(ValueMap values, bool skipUnwritable) const {
    snapshot::Snapshot taken;
    const snapshot::PrinterIdentity printer = snapshot::IdentifyPrinter(m_portName);
    taken.model = printer.model;
    taken.serial = printer.serial;
    taken.port = m_portName;
    taken.time = snapshot::UtcNow();
    // A value that cannot be written back as it is would not be restored faithfully either. (A
    // one-way port read nothing: its values are the configuration's own.)
    if (skipUnwritable) {
        taken.skipped = NpaValuesNotWritableBack(values, m_rawValues);
        for (const std::string& name : taken.skipped) values.erase(name);
    }
    taken.settings = std::move(values);
    return taken;
}

void CPrinterDoc::PageShown() {
    if (m_queryStatus != NPA_ONEWAY || m_commandMenuReady) return;
    if (m_frame) m_frame->setMenuItemEnabled(ID_FILE_SAVE_COMMAND, false);
    m_commandMenuReady = true;
}

bool CPrinterDoc::TakePrinterValues(const ValueMap& held) {
    bool taken = false;
    for (const auto& [name, value] : held) {
        if (m_changedSinceRead.count(name) != 0) continue;
        auto it = m_values.find(name);
        if (it != m_values.end() && it->second == value) continue;
        m_values[name] = value;
        taken = true;
    }
    return taken;
}

std::string CPrinterDoc::SnapshotRoot() const {
    return m_snapshotRoot.empty() ? snapshot::DefaultRoot() : m_snapshotRoot;
}

int CPrinterDoc::TakeApplyTurn(platform::FileLock& turn) {
    // Only where the printer is read and written back; a held turn is kept.
    if (m_queryStatus != NPA_OK || turn.held()) return NPA_OK;
    const std::string folder = snapshot::PrinterFolder(SnapshotRoot(), snapshot::IdentifyPrinter(m_portName));
    int error = 0;
    if (folder.empty()) {
        m_lastReport.problem = "no folder for snapshots is known (set XDG_STATE_HOME or HOME), so nothing was sent";
        return DOC_ERR_SNAPSHOT;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_applyTurnWait).count();
    if (platform::MakePrivateFolders(folder, error)) {
        switch (turn.acquire(folder + "/apply.lock", static_cast<int>(wait), error)) {
            case platform::FileLock::Result::Locked: return NPA_OK;
            case platform::FileLock::Result::Busy:
                m_lastReport.problem = "another program was applying settings to this printer for longer than " +
                                       std::to_string((wait + 999) / 1000) + " s, so nothing was sent";
                return DOC_ERR_BUSY;
            case platform::FileLock::Result::OpenFailed:
            case platform::FileLock::Result::Failed: break;
        }
    }
    m_lastReport.problem = "the snapshot folder " + folder + " cannot be used (" + std::strerror(error) +
                           "), so nothing was sent";
    return DOC_ERR_SNAPSHOT;
}

int CPrinterDoc::SnapshotBeforeApply(bool& valuesTaken, WriteScope scope) {
    m_lastSnapshotPath.clear();
    valuesTaken = false;
    // A one-way port read nothing, so there is nothing to put back.
    if (m_queryStatus != NPA_OK) return NPA_OK;

    // The printer may have changed since the document read it (its operator panel, another
    // program): what it holds now is read, recorded, and kept for every setting the user did not
    // change here. Only an apply of the changed settings alone, moments after the read, takes
    // that read instead: it writes back nothing the printer may have changed since.
    ValueMap held;
    const bool fresh = scope == WriteScope::Changed && m_readFresh &&
                       std::chrono::steady_clock::now() - m_readAt <= m_freshRead;
    m_readFresh = false;
    if (fresh) {
        held = m_readValues;
    } else {
        const int read = NpaReadAllSettings(m_portName, held, &m_rawValues);
        if (read != NPA_OK) {
            m_lastReport.problem = "the settings could not be read for the snapshot before the apply";
            return read == NPA_ERR_OPEN ? NPA_ERR_OPEN : NPA_ERR_SEND;
        }
        valuesTaken = TakePrinterValues(held);
    }

    const snapshot::Snapshot taken = SnapshotOf(std::move(held), true);
    const snapshot::PrinterIdentity printer{taken.model, taken.serial, taken.port};
    std::string error;
    m_lastSnapshotPath = snapshot::Write(snapshot::PrinterFolder(SnapshotRoot(), printer), taken, error);
    if (m_lastSnapshotPath.empty()) {
        m_lastReport.problem = "the snapshot of the current settings could not be written (" + error +
                               "), so nothing was sent";
        return DOC_ERR_SNAPSHOT;
    }
    return NPA_OK;
}
