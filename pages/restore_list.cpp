#include "pages/restore_list.h"

#include "strings/string_table.h"
#include "document/value_tokens.h"
#include "pages/setting_texts.h"
#include "platform/paths.h"

namespace pages {

SnapshotRow RowOf(const snapshot::StoredSnapshot& stored, const ValueMap& now, const LocalTimeText& localTime) {
    SnapshotRow row;
    row.readable = stored.problem.empty();
    row.when = stored.snapshot.time.empty() ? platform::FileNameOfPath(stored.path) : localTime(stored.snapshot.time);
    row.count = row.readable ? std::to_string(snapshot::Diff(now, stored.snapshot.settings).size())
                             : res::String(restore_text::kUnreadable);
    return row;
}

SnapshotChoice Choose(const snapshot::StoredSnapshot& stored, const ValueMap& now, const SettingTexts* texts) {
    SnapshotChoice choice;
    if (!stored.problem.empty()) {
        choice.note = stored.problem;
        return choice;
    }
    const snapshot::Snapshot& then = stored.snapshot;
    const auto label = [&](const std::string& name) { return texts ? texts->Label(name) : name; };
    choice.differences = snapshot::Diff(now, then.settings);
    for (const snapshot::Difference& d : choice.differences) {
        const auto value = [&](const std::optional<std::string>& token) {
            if (!token) return std::string();
            return texts ? texts->Value(d.name, *token) : *token;
        };
        choice.rows.push_back({d.name, label(d.name), value(d.now), value(d.then)});
    }
    if (choice.differences.empty()) choice.note = res::String(restore_text::kNoDifference);
    if (!then.skipped.empty()) {
        std::vector<std::string> named;
        for (const std::string& name : then.skipped) named.push_back(label(name));
        if (!choice.note.empty()) choice.note += '\n';
        choice.note += res::Format(restore_text::kNotRecorded, value_tokens::JoinTokens(named, ", "));
    }
    return choice;
}

std::string RestoreQuestion(const snapshot::StoredSnapshot& stored, const LocalTimeText& localTime) {
    return res::Format(restore_text::kConfirmText, localTime(stored.snapshot.time));
}

}  // namespace pages
