// The main window's apply and save-as-command-file commands, without a toolkit: what is sent,
// and which message follows each result. They talk to the user through the document's frame
// (IPrinterFrame), so every front end shows the same messages for the same results. Leaving the
// program (the exit question) is the document's SaveModified.
#pragma once

#include <string>

#include "transactions/transactions.h"

class CPrinterDoc;

namespace flows {

// A message box's content.
struct Message {
    std::string text;
    std::string caption;
    unsigned style = 0;  // msgbox:: bits
};

// The message for a failed apply: which one depends on the result and the write's report.
// snapshotFolder names the folder when the snapshot before the apply could not be written.
Message ApplyFailureMessage(int result, const NpaWriteReport& report, const std::string& snapshotFolder);

// The message for a command file that could not be written to path; nothing for NPA_OK.
// Memory running out has its own message; any other failure names the path and, under it,
// the reason the system gave.
Message SaveFailureMessage(int result, const NpaWriteReport& report, const std::string& path);

// "적용(&A)": one-way mode with no changes sends nothing. A failure is shown and keeps the
// modified flag (the printer may not hold what the window shows); success clears it, names the
// settings that were left out because they cannot be written back as read, and puts the
// confirmation in the status bar when anything was sent. Returns the apply's result (NPA_OK when
// nothing was to be sent).
int RunApply(CPrinterDoc& doc);

// "코멘드 파일로 저장(&S)" once the user chose path: writes the command file and shows a failure,
// naming the path as shownPath when given (the form the user chose it in, where the program's
// file layer takes another).
int RunSaveCommandFile(CPrinterDoc& doc, const std::string& path, const std::string& shownPath = {});

// A message's text: the text with value (a path, say) in place of %s and, after a blank line,
// the reason (English, from the part that found the fault) when there is one.
std::string WithReason(int textId, const std::string& value, const std::string& reason);

// The progress of long work as both front ends show it under its bar: "현재 설정 읽기",
// "오프라인 전환", "설정 12 / 84", "온라인 전환", "확인".
std::string ProgressText(NpaPhase phase, size_t sent, size_t total);

// "A, B, C": the settings a message names. A command ("NAME:VALUE") is named by its NPA name
// alone; its value may be long or unprintable.
std::string SettingNames(const std::vector<std::string>& entries);

}  // namespace flows
