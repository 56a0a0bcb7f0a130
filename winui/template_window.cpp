#include "winui/template_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "winui/dialog_template.h"
#include "winui/utf16.h"
#include "winui/win32_constants.h"

namespace winui {

// The converter's numbers are the system's own.
static_assert(w32::kWsPopup == WS_POPUP && w32::kWsChild == WS_CHILD && w32::kWsVisible == WS_VISIBLE);
static_assert(w32::kWsDisabled == WS_DISABLED && w32::kWsCaption == WS_CAPTION && w32::kWsBorder == WS_BORDER);
static_assert(w32::kWsVscroll == WS_VSCROLL && w32::kWsSysmenu == WS_SYSMENU && w32::kWsGroup == WS_GROUP);
static_assert(w32::kWsTabstop == WS_TABSTOP);
static_assert(w32::kDsModalFrame == DS_MODALFRAME && w32::kDsSetFont == DS_SETFONT && w32::kDsControl == DS_CONTROL);
static_assert(w32::kDsCenter == DS_CENTER);
static_assert(w32::kSsLeft == SS_LEFT && w32::kSsCenter == SS_CENTER && w32::kSsRight == SS_RIGHT &&
              w32::kSsIcon == SS_ICON);
static_assert(w32::kEsCenter == ES_CENTER && w32::kEsRight == ES_RIGHT && w32::kEsAutoHscroll == ES_AUTOHSCROLL);
static_assert(w32::kEsNoHideSel == ES_NOHIDESEL && w32::kEsReadOnly == ES_READONLY && w32::kEsNumber == ES_NUMBER);
static_assert(w32::kCbsDropDownList == CBS_DROPDOWNLIST && w32::kCbsSort == CBS_SORT);
static_assert(w32::kLbsNotify == LBS_NOTIFY && w32::kLbsSort == LBS_SORT &&
              w32::kLbsNoIntegralHeight == LBS_NOINTEGRALHEIGHT);
static_assert(w32::kBsPushButton == BS_PUSHBUTTON && w32::kBsDefPushButton == BS_DEFPUSHBUTTON);
static_assert(w32::kBsAutoCheckBox == BS_AUTOCHECKBOX && w32::kBsGroupBox == BS_GROUPBOX);
static_assert(w32::kBsAutoRadioButton == BS_AUTORADIOBUTTON && w32::kBsLeftText == BS_LEFTTEXT);
static_assert(w32::kUdsSetBuddyInt == UDS_SETBUDDYINT && w32::kUdsAlignRight == UDS_ALIGNRIGHT);
static_assert(w32::kUdsAutoBuddy == UDS_AUTOBUDDY && w32::kUdsArrowKeys == UDS_ARROWKEYS &&
              w32::kUdsNoThousands == UDS_NOTHOUSANDS);
static_assert(w32::kFwNormal == FW_NORMAL && w32::kDefaultCharset == DEFAULT_CHARSET);

namespace {

int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int PointSize(const res::DialogTemplate& dialog) { return dialog.pointSize > 0 ? dialog.pointSize : 9; }

std::vector<uint8_t> Win32Template(const res::DialogTemplate& dialog) {
    TemplateOptions options;
    options.laidOut = LaidOutBaseUnits(dialog);
    options.actual = SelectedFontBaseUnits(dialog);
    return BuildDialogTemplateEx(dialog, options);
}

RECT PixelRect(const res::ControlTemplate& c, ui::BaseUnits units) {
    const ui::PixelRect r = ui::DialogUnitsToPixels(c.x, c.y, c.cx, c.cy, units);
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

void Move(HWND w, const RECT& r) {
    SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

ui::BaseUnits LaidOutBaseUnits(const res::DialogTemplate& dialog) {
    return ui::GulimBaseUnits(MulDiv(PointSize(dialog), ScreenDpiY(), 72));
}

ui::BaseUnits SelectedFontBaseUnits(const res::DialogTemplate& dialog) {
    const ui::BaseUnits fallback = LaidOutBaseUnits(dialog);
    HDC screen = GetDC(nullptr);
    if (!screen) return fallback;
    const std::wstring face = Wide(dialog.fontFace ? dialog.fontFace : "굴림");
    HFONT font = CreateFontW(-MulDiv(PointSize(dialog), GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    ui::BaseUnits units = fallback;
    if (font) {
        HGDIOBJ old = SelectObject(screen, font);
        TEXTMETRICW metrics{};
        SIZE letters{};
        static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        if (GetTextMetricsW(screen, &metrics) && GetTextExtentPoint32W(screen, kLetters, 52, &letters))
            units = ui::MeasuredBaseUnits(letters.cx, metrics.tmHeight);
        SelectObject(screen, old);
        DeleteObject(font);
    }
    ReleaseDC(nullptr, screen);
    return units;
}

SIZE TemplatePixelSize(const res::DialogTemplate& dialog) {
    const ui::BaseUnits units = LaidOutBaseUnits(dialog);
    return SIZE{ui::DialogUnitsToPixelsX(dialog.cx, units), ui::DialogUnitsToPixelsY(dialog.cy, units)};
}

HWND CreateForm(const res::DialogTemplate& dialog, HWND parent, DLGPROC proc, LPARAM param) {
    const std::vector<uint8_t> bytes = Win32Template(dialog);
    HWND form = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                           parent, proc, param);
    if (form) PlaceControls(form, dialog);
    return form;
}

INT_PTR RunModal(const res::DialogTemplate& dialog, HWND owner, DLGPROC proc, LPARAM param) {
    const std::vector<uint8_t> bytes = Win32Template(dialog);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), owner,
                                   proc, param);
}

void PlaceControls(HWND window, const res::DialogTemplate& dialog) {
    const ui::BaseUnits units = LaidOutBaseUnits(dialog);
    // The controls are the window's children in creation order.
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    const size_t count = std::min(children.size(), dialog.controls.size());
    for (size_t i = 0; i < count; ++i) {
        const res::ControlTemplate& c = dialog.controls[i];
        // A window that is not this control (a template the dialog manager could not follow) is
        // left where it is.
        if (c.id != res::IDC_STATIC && GetDlgCtrlID(children[i]) != c.id) continue;
        RECT r = PixelRect(c, units);
        // An icon keeps the icon's own size.
        if (c.kind == res::Ctl::Icon) {
            SetWindowPos(children[i], nullptr, r.left, r.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            continue;
        }
        if (c.kind == res::Ctl::UpDown && (c.style & res::S_UDS_ALIGNRIGHT) && i > 0 &&
            dialog.controls[i - 1].kind == res::Ctl::Edit) {
            // At the buddy's right edge, inside the buddy's width, as high as the buddy.
            RECT buddy = PixelRect(dialog.controls[i - 1], units);
            const LONG width = r.right - r.left;
            buddy.right = std::max(buddy.left + 1, buddy.right - width);
            Move(children[i - 1], buddy);
            r = RECT{buddy.right, buddy.top, buddy.right + width, buddy.bottom};
        }
        Move(children[i], r);
    }
    const SIZE size = TemplatePixelSize(dialog);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (style & WS_CHILD) {
        SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        return;
    }
    RECT outer{0, 0, size.cx, size.cy};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(style), FALSE, static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    // Centred on the owner, or on the screen's work area without one.
    RECT area{};
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + ((area.right - area.left) - width) / 2;
    const int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(window, nullptr, std::max<int>(x, area.left), std::max<int>(y, area.top), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring Wide(const std::string& utf8) {
    const std::u16string u = Utf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const std::wstring& wide) {
    return Utf8(std::u16string(wide.begin(), wide.end()));
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(std::max(0, length)) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

}  // namespace winui
