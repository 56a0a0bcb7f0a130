// What the restore dialog lists, the same in every front end: a row per stored snapshot (when it
// was taken, how many settings it would change, or that it cannot be read) and, for the chosen
// one, its differences named as the pages name them, the note under the lists and whether it may
// be restored. The front ends only put these texts into their own lists.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/snapshot.h"

namespace pages {

class SettingTexts;

// The dialog's string ids.
namespace restore_text {
constexpr int kCaption = 61347, kPrompt = 61348;
constexpr int kTimeColumn = 61349, kCountColumn = 61350;
constexpr int kSettingColumn = 61351, kNowColumn = 61352, kThenColumn = 61353;
constexpr int kRestoreButton = 61354, kCancelButton = 61355;
constexpr int kUnreadable = 61356, kNoDifference = 61357, kNotRecorded = 61358;
constexpr int kConfirmCaption = 61359, kConfirmText = 61360;
}  // namespace restore_text

// The snapshot's UTC time ("YYYY-MM-DDTHH:MM:SS.mmmZ") as the local time the user reads; each
// front end has its own clock functions. A text that is no such time comes back unchanged.
using LocalTimeText = std::function<std::string(const std::string& utc)>;

struct SnapshotRow {
    std::string when;   // local time, or the file's name when the file holds no time
    std::string count;  // settings it would change, or "읽을 수 없음"
    bool readable = false;
};
SnapshotRow RowOf(const snapshot::StoredSnapshot& stored, const ValueMap& now, const LocalTimeText& localTime);

struct DifferenceRow {
    std::string name;  // the NPA name, for a tooltip
    std::string label, now, then;
};
struct SnapshotChoice {
    std::vector<snapshot::Difference> differences;
    std::vector<DifferenceRow> rows;
    // Under the lists: why the file cannot be read, that nothing differs, and the settings the
    // snapshot could not record (a restore never claims them); empty when there is nothing to say.
    std::string note;
    bool CanRestore() const { return !differences.empty(); }
};
// texts may be null: the NPA names and tokens are shown then.
SnapshotChoice Choose(const snapshot::StoredSnapshot& stored, const ValueMap& now, const SettingTexts* texts);

// The question before a restore, with the snapshot's local time.
std::string RestoreQuestion(const snapshot::StoredSnapshot& stored, const LocalTimeText& localTime);

}  // namespace pages
