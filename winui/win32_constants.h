// The Win32 window, dialog and control style bits the template converter writes, as plain
// numbers: the converter builds on every system (and is tested on Linux too), so it cannot take
// them from <windows.h>. winui/template_window.cpp checks each against <windows.h> at compile time.
#pragma once

#include <cstdint>

namespace winui::w32 {

// Window styles.
constexpr uint32_t kWsPopup = 0x80000000u;
constexpr uint32_t kWsChild = 0x40000000u;
constexpr uint32_t kWsVisible = 0x10000000u;
constexpr uint32_t kWsDisabled = 0x08000000u;
constexpr uint32_t kWsCaption = 0x00C00000u;
constexpr uint32_t kWsBorder = 0x00800000u;
constexpr uint32_t kWsVscroll = 0x00200000u;
constexpr uint32_t kWsSysmenu = 0x00080000u;
constexpr uint32_t kWsGroup = 0x00020000u;
constexpr uint32_t kWsTabstop = 0x00010000u;

// Dialog styles.
constexpr uint32_t kDsModalFrame = 0x80u;
constexpr uint32_t kDsSetFont = 0x40u;
constexpr uint32_t kDsControl = 0x400u;
constexpr uint32_t kDsCenter = 0x800u;

// Static controls.
constexpr uint32_t kSsLeft = 0x0u;
constexpr uint32_t kSsCenter = 0x1u;
constexpr uint32_t kSsRight = 0x2u;
constexpr uint32_t kSsIcon = 0x3u;

// Edits.
constexpr uint32_t kEsCenter = 0x1u;
constexpr uint32_t kEsRight = 0x2u;
constexpr uint32_t kEsAutoHscroll = 0x80u;
constexpr uint32_t kEsNoHideSel = 0x100u;
constexpr uint32_t kEsReadOnly = 0x800u;
constexpr uint32_t kEsNumber = 0x2000u;

// Combo boxes and list boxes.
constexpr uint32_t kCbsDropDownList = 0x3u;
constexpr uint32_t kCbsSort = 0x100u;
constexpr uint32_t kLbsNotify = 0x1u;
constexpr uint32_t kLbsSort = 0x2u;
constexpr uint32_t kLbsNoIntegralHeight = 0x100u;

// Buttons.
constexpr uint32_t kBsPushButton = 0x0u;
constexpr uint32_t kBsDefPushButton = 0x1u;
constexpr uint32_t kBsAutoCheckBox = 0x3u;
constexpr uint32_t kBsGroupBox = 0x7u;
constexpr uint32_t kBsAutoRadioButton = 0x9u;
constexpr uint32_t kBsLeftText = 0x20u;

// Up-down controls.
constexpr uint32_t kUdsSetBuddyInt = 0x2u;
constexpr uint32_t kUdsAlignRight = 0x4u;
constexpr uint32_t kUdsAutoBuddy = 0x10u;
constexpr uint32_t kUdsArrowKeys = 0x20u;
constexpr uint32_t kUdsNoThousands = 0x80u;

// The atoms of the predefined control classes in a dialog template.
constexpr uint16_t kButtonAtom = 0x0080;
constexpr uint16_t kEditAtom = 0x0081;
constexpr uint16_t kStaticAtom = 0x0082;
constexpr uint16_t kListBoxAtom = 0x0083;
constexpr uint16_t kComboBoxAtom = 0x0085;

// Font weight and character set of a dialog font.
constexpr uint16_t kFwNormal = 400;
constexpr uint8_t kDefaultCharset = 1;

}  // namespace winui::w32
