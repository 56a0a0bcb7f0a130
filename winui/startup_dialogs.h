// The dialogs of the start-up and the about box, from their templates: "복수 프린터 발견" (133),
// "프린터 쿼리" (149) and "설정 유틸리티 버전 정보" (100).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "document/discovery.h"
#include "transactions/npa.h"

namespace winui {

// The choice among several printers: every label in the sorted list box, the first one selected.
// The chosen label on OK, nothing on Cancel or Escape.
std::optional<std::string> ChoosePrinter(const PrinterTable& printers, HWND owner);

// The start-up read: reader(port, values) runs on one worker thread while the wait dialog
// "프린터 쿼리" is up. The worker hands its end over with the posted message 0x07E8; Escape, Enter
// and closing do nothing before that. Returns the reader's result.
using SettingsReader = std::function<int(const std::string& port, ValueMap& values)>;
int ReadBehindWaitDialog(const std::string& port, const SettingsReader& reader, ValueMap& values, HWND owner);

// The about box.
void ShowAboutBox(HWND owner);

}  // namespace winui
