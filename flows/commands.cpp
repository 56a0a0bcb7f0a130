#include "flows/commands.h"

#include <algorithm>

#include "strings/string_table.h"
#include "document/frame.h"
#include "document/printer_doc.h"
#include "document/snapshot.h"

namespace flows {

namespace apply_messages {
// Messages of apply and save: text and caption ids.
constexpr int kMemoryText = 61288, kMemoryCaption = 61287;
constexpr int kApplyFailedText = 61245, kApplyFailedCaption = 61244;
constexpr int kSaveFailedText = 61290, kSaveFailedCaption = 61289;
constexpr int kOnlineFailedText = 61334, kOnlineFailedCaption = 61333;
constexpr int kNotTakenText = 61336, kNotTakenCaption = 61335;
constexpr int kBadValueText = 61338, kBadValueCaption = 61337;
constexpr int kSkippedText = 61340, kSkippedCaption = 61339;
constexpr int kUncheckedText = 61342, kUncheckedCaption = 61341;
constexpr int kSnapshotText = 61391, kSnapshotCaption = 61390;
constexpr int kAppliedConfirmation = 61400;
constexpr int kReadingStep = 61402, kOfflineStep = 61403, kSettingsStep = 61404, kOnlineStep = 61405,
              kVerifyingStep = 61406;
constexpr int kConfirmationMs = 5000;

Message Error(int textId, int captionId, const std::string& value = {}) {
    return {value.empty() ? res::String(textId) : res::Format(textId, value), res::String(captionId),
            msgbox::kIconError};
}
}  // namespace apply_messages

using namespace apply_messages;

std::string WithReason(int textId, const std::string& value, const std::string& reason) {
    std::string text = res::Format(textId, value);
    if (!reason.empty()) text += "\n\n" + reason;
    return text;
}

std::string ProgressText(NpaPhase phase, size_t sent, size_t total) {
    switch (phase) {
        case NpaPhase::Reading: return res::String(kReadingStep);
        case NpaPhase::Offline: return res::String(kOfflineStep);
        case NpaPhase::Settings:
            return res::Format(kSettingsStep, std::to_string(std::min(sent, total)) + " / " + std::to_string(total));
        case NpaPhase::Online: return res::String(kOnlineStep);
        case NpaPhase::Verifying: return res::String(kVerifyingStep);
    }
    return {};
}

std::string SettingNames(const std::vector<std::string>& entries) {
    std::string names;
    for (const std::string& entry : entries) {
        if (!names.empty()) names += ", ";
        names += entry.substr(0, entry.find(':'));
    }
    return names;
}

Message ApplyFailureMessage(int result, const NpaWriteReport& report, const std::string& snapshotFolder) {
    switch (result) {
        case NPA_ERR_MEMORY:
            return Error(kMemoryText, kMemoryCaption);
        case NPA_ERR_ONLINE:
            return Error(kOnlineFailedText, kOnlineFailedCaption);
        case NPA_ERR_VERIFY:
            // Without names the read-back itself failed: nothing is known either way.
            return report.notTaken.empty() ? Error(kUncheckedText, kUncheckedCaption)
                                           : Error(kNotTakenText, kNotTakenCaption, SettingNames(report.notTaken));
        case NPA_ERR_VALUE:
            if (!report.invalid.empty()) return Error(kBadValueText, kBadValueCaption, SettingNames(report.invalid));
            break;
        case DOC_ERR_SNAPSHOT:
            // Nothing was sent: the user needs the folder that could not be written.
            return Error(kSnapshotText, kSnapshotCaption, snapshotFolder);
        default:
            break;
    }
    return Error(kApplyFailedText, kApplyFailedCaption);
}

Message SaveFailureMessage(int result, const NpaWriteReport& report, const std::string& path) {
    if (result == NPA_OK) return {};
    if (result == NPA_ERR_MEMORY) return Error(kMemoryText, kMemoryCaption);
    return {WithReason(kSaveFailedText, path, report.problem), res::String(kSaveFailedCaption), msgbox::kIconError};
}

int RunApply(CPrinterDoc& doc) {
    IPrinterFrame* frame = doc.Frame();
    // One-way mode sends only changes; with none there is nothing to send.
    const bool send = doc.HasValuesToApply();
    if (send) {
        const int result = doc.Apply();
        if (result != NPA_OK) {
            const Message m = ApplyFailureMessage(
                result, doc.LastWriteReport(), doc.m_snapshotRoot.empty() ? snapshot::DefaultRoot() : doc.m_snapshotRoot);
            if (frame) frame->messageBox(m.text, m.caption, m.style, false);
            return result;
        }
    }
    doc.SetModifiedFlag(false);
    if (!send || !frame) return NPA_OK;
    // The status pane has its old text back by now; the confirmation shows over it for a while.
    if (doc.LastWriteCount() > 0)
        frame->showConfirmation(res::Format(kAppliedConfirmation, std::to_string(doc.LastWriteCount())),
                                kConfirmationMs);
    // Values the printer holds but that cannot be written back as they are were left alone; the
    // apply itself succeeded, but the user should know those settings were not sent.
    if (!doc.LastWriteReport().skipped.empty()) {
        frame->messageBox(res::Format(kSkippedText, SettingNames(doc.LastWriteReport().skipped)),
                          res::String(kSkippedCaption), msgbox::kIconInformation, false);
    }
    return NPA_OK;
}

int RunSaveCommandFile(CPrinterDoc& doc, const std::string& path, const std::string& shownPath) {
    const int result = doc.SaveCommandFile(path);
    if (result != NPA_OK && doc.Frame()) {
        const Message m = SaveFailureMessage(result, doc.LastWriteReport(), shownPath.empty() ? path : shownPath);
        doc.Frame()->messageBox(m.text, m.caption, m.style, false);
    }
    return result;
}

}  // namespace flows
