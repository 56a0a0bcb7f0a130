// The one document: the setting descriptors of devPanel.ini, the printer's current values, the
// one-way changes, and the apply / save / close flows. Free of any user-interface toolkit; it
// reaches the main window through IPrinterFrame.
#pragma once

#include <chrono>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "config/config.h"
#include "document/frame.h"
#include "document/snapshot.h"
#include "transactions/transactions.h"

namespace platform {
class FileLock;
}

// The document's own result codes besides the NPA ones (and NPA_ERR_MEMORY), each with nothing
// sent: the snapshot before an apply could not be taken; another program's apply to the same
// printer did not end within m_applyTurnWait.
enum : int { DOC_ERR_SNAPSHOT = -11, DOC_ERR_BUSY = -12 };

// What the start-up hands the document.
struct StartupResult {
    std::string printerLabel;
    std::string portName;
    ValueMap values;
    int readStatus = 0;        // 0 two-way, 1 one-way
    NpaRawValues rawValues{};  // what the read found besides the tokens (two-way)
};

// One setting section's descriptor, whatever its kind.
using DescriptorRef =
    std::variant<const config::ListDescriptor*, const config::SwitchDescriptor*, const config::TextDescriptor*,
                 const config::RangeDescriptor*, const config::RangeOffDescriptor*,
                 const config::RangeChoiceDescriptor*>;

struct SettingRef {
    const char* section;
    DescriptorRef descriptor;
};

// The NPA name a descriptor edits; empty for an empty list or switch descriptor.
std::string DescriptorNpaName(const DescriptorRef& descriptor);

class CPrinterDoc {
public:
    explicit CPrinterDoc(IPrinterFrame* frame = nullptr);
    virtual ~CPrinterDoc() = default;
    void SetFrame(IPrinterFrame* frame) { m_frame = frame; }
    IPrinterFrame* Frame() const { return m_frame; }

    bool OnNewDocument(const StartupResult& startup);
    // Offers to apply unapplied changes and ends the session. False only when the user chose to
    // apply and the apply failed: the failure has been shown, the edits and the modified flag are
    // kept, the session goes on, and the window must stay open.
    bool SaveModified();
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    // On a two-way port, Apply first reads what the printer holds now, in one exchange, and
    // records it in a snapshot (see document/snapshot.h). A setting the user has not changed
    // since the last read takes the printer's current value: the operator panel or another
    // program may have changed it since, and writing every value back must not undo that. When
    // that replaced any value, the frame is told (documentValuesChanged) once the apply has
    // ended, so that the page shows it. A snapshot that cannot be written stops the apply before
    // anything is sent: DOC_ERR_SNAPSHOT, the reason in LastWriteReport().problem. A successful
    // two-way apply starts a new count of changes (ChangedSinceRead).
    // The programs of this user take turns in applying to one printer (a lock file in its
    // snapshot folder): Apply holds the turn from that read to the end of its writes, so that no
    // other apply can write in between and be written over; ApplyChanges holds it for its writes.
    // A turn not had within m_applyTurnWait: DOC_ERR_BUSY.
    int Apply();
    // As Apply, but writes only the settings changed since the last read (ChangedSinceRead),
    // each with its value; every other setting stays as the printer holds it. For callers that
    // change a few named settings and must leave the rest to whoever else changes the printer.
    int ApplyChanges();
    int SaveCommandFile(const std::string& path);
    // The snapshot the last Apply wrote; empty when it wrote none (one-way port, failure).
    const std::string& LastSnapshotPath() const { return m_lastSnapshotPath; }
    // What the last Apply or SaveCommandFile found: commands that could not be written, values
    // read from the printer that were left out of the write-back, settings that did not take.
    const NpaWriteReport& LastWriteReport() const { return m_lastReport; }
    // How many settings the last Apply, ApplyChanges or SaveCommandFile sent (those it skipped
    // not counted); 0 when it sent nothing.
    size_t LastWriteCount() const { return m_lastWriteCount; }
    // One command per entry of values, in the map's order. False when memory runs out (the list
    // may then be partly filled). Virtual so that tests can make it fail.
    virtual bool BuildCommandList(const ValueMap& values, std::vector<NpaCommand>& commands);
    // Asks the frame to put a new page of viewId into the splitter pane (row, column); the
    // document outlives the old page. False when there is no frame or the page cannot be made.
    bool ReplaceView(int viewId, int row = 0, int column = 1);

    // Value access for pages. A page calls MarkChanged and then StoreValue for each edit.
    // ReadValue: the value token of npaName, or empty when the printer gave none.
    std::string ReadValue(const std::string& npaName) const;
    // In one-way mode re-enables the greyed save-as-command-file item; sets the modified flag.
    void MarkChanged();
    // Sets the setting's value and, in one-way mode, counts it among the changes an apply sends;
    // counts it as changed since the last read.
    void StoreValue(const std::string& npaName, const std::string& token);
    // The NPA names stored since the printer was last read or last applied successfully.
    const std::set<std::string>& ChangedSinceRead() const { return m_changedSinceRead; }

    // What the callers of the document ask of its values. None of these talks to the printer.
    // Whether the port can only be written: nothing was read, the values are the configuration's
    // defaults, and Apply or SaveCommandFile send only the settings stored since the start-up.
    bool IsOneWay() const { return m_queryStatus == NPA_ONEWAY; }
    // Whether Apply has anything to send: every value on a two-way port, on a one-way port the
    // settings stored since the start-up (none before the first edit).
    bool HasValuesToApply() const { return !IsOneWay() || !m_changes.empty(); }
    // Every setting's value token as the document holds it now (the printer's as last read, with
    // the edits stored since), for a listing or a comparison. A copy: the values change only
    // through StoreValue and the reads of Apply and OnNewDocument.
    ValueMap CurrentValues() const { return m_values; }
    // The settings of then whose token the document does not hold (snapshot::Diff, the document's
    // values being "now").
    std::vector<snapshot::Difference> DifferencesTo(const ValueMap& then) const;
    // The document's values as a snapshot of its printer (model and serial found from the port,
    // the time now). On a two-way port a value the printer gave in a form that cannot be written
    // back unchanged is named in skipped instead of kept, as in the snapshot Apply takes: a file
    // made of it then never claims to restore what it could not record.
    snapshot::Snapshot SnapshotOfValues() const;
    // A page has been filled and is shown. On a one-way port the first page shown greys the
    // save-as-command-file item, since nothing could be saved yet: MarkChanged makes it available
    // again with the first change. Later pages leave the item alone.
    void PageShown();

    // Loads the 84 setting descriptors from ConfigFile() (OnNewDocument does this too).
    void LoadDescriptors();
    // The 84 settings in load order, each with its section name and descriptor.
    std::vector<SettingRef> Settings() const;

    // One descriptor per setting section, named after it, in load order.
    config::ListDescriptor m_BlankPgs, m_SepSheets, m_SepSrc, m_Tray1PapType, m_Tray1PapSize,
        m_Tray2PapType, m_Tray2PapSize;
    config::ListDescriptor m_Cust1Type, m_Cust2Type, m_Cust3Type, m_Cust4Type, m_Cust5Type, m_Cust6Type;
    config::TextDescriptor m_Cust1Name, m_Cust2Name, m_Cust3Name, m_Cust4Name, m_Cust5Name, m_Cust6Name;
    config::ListDescriptor m_PlainTxt, m_CardStkTxt, m_TrnsprncyTxt, m_LabelTxt, m_BondTxt, m_EnvTxt,
        m_LtrHdTxt, m_PreprntTxt, m_ColorTxt, m_Cust1Txt, m_Cust2Txt, m_Cust3Txt, m_Cust4Txt,
        m_Cust5Txt, m_Cust6Txt;
    config::ListDescriptor m_PlainWgt, m_CardStkWgt, m_TrnsprncyWgt, m_LabelWgt, m_BondWgt, m_EnvWgt,
        m_LtrHdWgt, m_PreprntWgt, m_ColorWgt, m_Cust1Wgt, m_Cust2Wgt, m_Cust3Wgt, m_Cust4Wgt,
        m_Cust5Wgt, m_Cust6Wgt;
    config::ListDescriptor m_TonerAlarm;
    config::SwitchDescriptor m_PQET;
    config::ListDescriptor m_Emulation, m_JamRcvry, m_Language, m_PrtArea;
    config::TextDescriptor m_PropTag;
    config::RangeOffDescriptor m_PwrSvr, m_PrtTimeout, m_AutoCont;
    config::SwitchDescriptor m_ResRed, m_ResSav, m_ResetCtrl, m_PrtBufCtrl;
    config::ListDescriptor m_A4Width;
    config::SwitchDescriptor m_AutoCR, m_AutoLF;
    config::RangeDescriptor m_LinesPerPg;
    config::RangeChoiceDescriptor m_AssignTray1, m_AssignTray2, m_AssignManPaper, m_AssignManEnv;
    config::RangeOffDescriptor m_FeedTimeout, m_JobTimeout, m_WaitTimeout;
    config::ListDescriptor m_FontPriority;
    config::SwitchDescriptor m_Mode1, m_Mode2, m_AdvStatus, m_HonorInit, m_ParPclAutoLng, m_ParPsAutoLng;
    config::ListDescriptor m_Protocol;
    config::SwitchDescriptor m_UsbPclAutoLng, m_UsbPsAutoLng;

    std::string m_portName;
    std::string m_printerLabel;
    // Where snapshots go: empty means snapshot::DefaultRoot().
    std::string m_snapshotRoot;
    // How long an apply waits for another program's apply to the same printer to end.
    std::chrono::milliseconds m_applyTurnWait{60000};
    // An apply of the changed settings alone within this time of the read that filled the
    // document takes that read for its snapshot instead of asking the printer again (the CLI
    // reads, then applies at once); it writes nothing else, so nothing else can be written over.
    std::chrono::milliseconds m_freshRead{2000};

private:
    // Which values a write sends.
    enum class WriteScope { Every, Changed };
    int SnapshotBeforeApply(bool& valuesTaken, WriteScope scope);
    int TakeApplyTurn(platform::FileLock& turn);
    std::string SnapshotRoot() const;
    // The printer's values for the settings not changed since the last read; whether any differed.
    bool TakePrinterValues(const ValueMap& held);
    ValueMap WriteSource(WriteScope scope) const;
    int RunWrite(int statusTextId, const std::string& target, WriteScope scope);
    // values as a snapshot of this document's printer, taken now; those that cannot be written
    // back unchanged (by m_rawValues) moved to skipped when that is asked.
    snapshot::Snapshot SnapshotOf(ValueMap values, bool skipUnwritable) const;

    // What each setting holds: the printer's value token as last read, with the user's edits.
    ValueMap m_values;
    // One-way mode: the settings stored since the start-up, which is all an apply can send.
    ValueMap m_changes;
    // What this document's printer gave when it was last read (the start-up read, the read
    // before an apply, the read-back after one), per NPA name: a value written back with the
    // token read must give the printer those bytes unchanged, or it is left out.
    NpaRawValues m_rawValues;
    int m_queryStatus = 0;  // of the start-up read: NPA_OK (two-way) or NPA_ONEWAY
    // False from a one-way start-up until the first page shown has greyed the save item.
    bool m_commandMenuReady = true;
    std::string m_lastSnapshotPath;
    std::set<std::string> m_changedSinceRead;
    ValueMap m_readValues;  // what the read that filled the document gave, until an apply uses it
    std::chrono::steady_clock::time_point m_readAt{};
    bool m_readFresh = false;
    IPrinterFrame* m_frame = nullptr;
    bool m_modified = false;
    NpaWriteReport m_lastReport;
    size_t m_lastWriteCount = 0;
};
