// The dialogs of the start-up and the about box, from their templates: "복수 프린터 발견" (133),
// "프린터 쿼리" (149) and "설정 유틸리티 버전 정보" (100).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "flows/startup.h"
#include "document/discovery.h"
#include "transactions/transactions.h"

namespace winui {

// The choice among several printers: every label in the sorted list box, the first one selected.
// The chosen label on OK, nothing on Cancel or Escape.
std::optional<std::string> ChoosePrinter(const PrinterTable& printers, HWND owner);

// The wait dialog "프린터 쿼리" of the start-up read: starts read (on its own thread) and returns
// once it has ended; the thread hands its end over with the posted message 0x07E8, and Escape,
// Enter and closing do nothing before that. A dialog that cannot be shown starts nothing (the
// start-up then reads without it).
void WaitForRead(flows::StartupRead& read, HWND owner);

// The about box.
void ShowAboutBox(HWND owner);

}  // namespace winui
