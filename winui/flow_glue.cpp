#include "winui/flow_glue.h"

#include "config/config_check.h"
#include "config/profile.h"
#include "config/strings.h"
#include "document/snapshot.h"
#include "platform/data_files.h"

namespace winui::flow {
namespace {

// Text and caption ids of the start-up's messages.
constexpr int kNoPrinterInfoText = 61209, kNoPrinterInfoCaption = 61210;
constexpr int kNoPrinterText = 61205, kNoPrinterCaption = 61206;
constexpr int kPortNotFoundText = 61203, kPortNotFoundCaption = 61204;
constexpr int kNoCommunicationText = 61207, kNoCommunicationCaption = 61208;
constexpr int kBadConfigurationText = 61344, kBadConfigurationCaption = 61343;
constexpr int kNoVirtualPrinterText = 61346, kNoVirtualPrinterCaption = 61345;
// ... and of apply and save.
constexpr int kMemoryText = 61288, kMemoryCaption = 61287;
constexpr int kApplyFailedText = 61245, kApplyFailedCaption = 61244;
constexpr int kSaveFailedText = 61290, kSaveFailedCaption = 61289;
constexpr int kOnlineFailedText = 61334, kOnlineFailedCaption = 61333;
constexpr int kNotTakenText = 61336, kNotTakenCaption = 61335;
constexpr int kBadValueText = 61338, kBadValueCaption = 61337;
constexpr int kSkippedText = 61340, kSkippedCaption = 61339;
constexpr int kUncheckedText = 61342, kUncheckedCaption = 61341;
constexpr int kSnapshotText = 61391, kSnapshotCaption = 61390;

Message Error(int textId, int captionId, unsigned extraStyle = 0) {
    return {res::String(textId), res::String(captionId), msgbox::kIconError | extraStyle, false};
}

// A text with the value in place of its %s and, after a blank line, the reason (English, from the
// part that found the fault).
std::string WithReason(int textId, const std::string& value, const std::string& reason) {
    std::string text = res::Format(textId, value);
    if (!reason.empty()) text += "\n\n" + reason;
    return text;
}

// "A, B, C": the settings a message names. A command ("NAME:VALUE") is named by its NPA name
// alone; its value may be long or unprintable.
std::string SettingNames(const std::vector<std::string>& entries) {
    std::string names;
    for (const std::string& entry : entries) {
        if (!names.empty()) names += ", ";
        names += entry.substr(0, entry.find(':'));
    }
    return names;
}

Message ApplyFailure(int result, const NpaWriteReport& report, const std::string& snapshotRoot) {
    int text = kApplyFailedText, caption = kApplyFailedCaption;
    std::string names;  // in place of the text's %s
    if (result == NPA_ERR_MEMORY) {
        text = kMemoryText, caption = kMemoryCaption;
    } else if (result == NPA_ERR_ONLINE) {
        text = kOnlineFailedText, caption = kOnlineFailedCaption;
    } else if (result == NPA_ERR_VERIFY) {
        // Without names the read-back itself failed: nothing is known either way.
        if (report.notTaken.empty())
            text = kUncheckedText, caption = kUncheckedCaption;
        else
            text = kNotTakenText, caption = kNotTakenCaption, names = SettingNames(report.notTaken);
    } else if (result == NPA_ERR_VALUE && !report.invalid.empty()) {
        text = kBadValueText, caption = kBadValueCaption, names = SettingNames(report.invalid);
    } else if (result == DOC_ERR_SNAPSHOT) {
        // Nothing was sent: the user needs the folder that could not be written.
        text = kSnapshotText, caption = kSnapshotCaption;
        names = snapshotRoot.empty() ? snapshot::DefaultRoot() : snapshotRoot;
    }
    return {names.empty() ? res::String(text) : res::Format(text, names), res::String(caption), msgbox::kIconError,
            false};
}

}  // namespace

std::optional<StartupResult> RunStartup(StartupUi& ui, const StartupInputs& in) {
    // Discovery and the read both work from the configuration: a broken one would otherwise be
    // reported as a missing or silent printer.
    if (!in.configProblem.empty()) {
        ui.show({WithReason(kBadConfigurationText, in.configPath, in.configProblem),
                 res::String(kBadConfigurationCaption), msgbox::kIconError | msgbox::kSetForeground, false});
        return std::nullopt;
    }
    StartupResult startup;
    if (!in.requestedPort.empty()) {
        // A port given by the user is labelled by itself, as devpanel-cli does.
        startup.portName = startup.printerLabel = in.requestedPort;
    } else {
        DiscoveryResult found = in.discover ? in.discover() : DiscoveryResult{false, {}, {}};
        // Without a print server the attached printers are still found; the list's failure
        // matters only when nothing was.
        if (!found.listReadable && found.printers.empty()) ui.show(Error(kNoPrinterInfoText, kNoPrinterInfoCaption));
        const PrinterTable& printers = found.printers;
        if (printers.empty()) {
            ui.show(Error(kNoPrinterText, kNoPrinterCaption, msgbox::kSetForeground));
            return std::nullopt;
        }
        if (printers.size() == 1) {
            startup.printerLabel = printers.begin()->first;
        } else {
            std::optional<std::string> chosen = ui.choosePrinter(printers);
            if (!chosen) return std::nullopt;  // cancelled: no message
            startup.printerLabel = *chosen;
        }
        auto it = printers.find(startup.printerLabel);
        if (it == printers.end()) {
            ui.show(Error(kPortNotFoundText, kPortNotFoundCaption));
            return std::nullopt;
        }
        startup.portName = it->second;
    }
    startup.readStatus = ui.readSettings(startup.portName, startup.values);
    // Only two-way (0) and one-way (1) reads start the program.
    if (startup.readStatus != NPA_OK && startup.readStatus != NPA_ONEWAY) {
        ui.show(Error(kNoCommunicationText, kNoCommunicationCaption));
        // The read used the printer link: it is shut down before leaving, as a normal end does.
        NpaEndSession(startup.portName);
        return std::nullopt;
    }
    return startup;
}

std::string ConfigurationProblemText() {
    const std::string problem = config::ConfigurationProblem();
    if (problem.empty() || ConfigPath() != "devPanel.ini") return problem;
    const platform::DataFileSearch search =
        platform::FindDataFile("devPanel.ini", platform::DataFileScope::CurrentFolderFirst);
    return search.found() ? problem : problem + "\n" + platform::DataFileNotFoundText("devPanel.ini", search);
}

Message NoVirtualPrinter(const std::string& stateFile, const std::string& problem) {
    return {WithReason(kNoVirtualPrinterText, stateFile, problem), res::String(kNoVirtualPrinterCaption),
            msgbox::kIconError | msgbox::kSetForeground, false};
}

std::optional<Message> RunApply(CPrinterDoc& doc) {
    // One-way mode sends only changes; with none there is nothing to send.
    const bool send = doc.m_queryStatus == NPA_OK || !doc.m_changes.empty();
    if (send) {
        const int result = doc.Apply();
        // Every failure keeps the modified flag: the printer may not hold what the window shows.
        if (result != NPA_OK) return ApplyFailure(result, doc.LastWriteReport(), doc.m_snapshotRoot);
    }
    doc.SetModifiedFlag(false);
    // Values the printer holds that cannot be written back as they are were left alone: the apply
    // succeeded, but the user should know those settings were not sent.
    if (send && !doc.LastWriteReport().skipped.empty()) {
        return Message{res::Format(kSkippedText, SettingNames(doc.LastWriteReport().skipped)),
                       res::String(kSkippedCaption), msgbox::kIconInformation, false};
    }
    return std::nullopt;
}

std::optional<Message> RunSave(CPrinterDoc& doc, const std::string& path, const std::string& shownPath) {
    const int result = doc.SaveCommandFile(path);
    if (result == NPA_OK) return std::nullopt;
    if (result == NPA_ERR_MEMORY) return Error(kMemoryText, kMemoryCaption);
    return Message{res::Format(kSaveFailedText, shownPath), res::String(kSaveFailedCaption), msgbox::kIconError, false};
}

bool MayClose(CPrinterDoc& doc) { return doc.SaveModified(); }

}  // namespace winui::flow
