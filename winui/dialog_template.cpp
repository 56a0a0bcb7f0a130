#include "winui/dialog_template.h"

#include <cstring>

#include "strings/string_table.h"
#include "winui/utf16.h"
#include "winui/win32_constants.h"

namespace winui {
namespace {

using namespace w32;

class Writer {
public:
    void word(uint16_t v) { bytes(&v, 2); }
    void dword(uint32_t v) { bytes(&v, 4); }
    void shortValue(int v) { word(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    void byte(uint8_t v) { out_.push_back(v); }
    // A zero-terminated UTF-16 string.
    void string(const std::u16string& s) {
        for (char16_t c : s) word(static_cast<uint16_t>(c));
        word(0);
    }
    // A class or title given by ordinal: 0xFFFF and the number.
    void ordinal(uint16_t v) {
        word(0xFFFF);
        word(v);
    }
    void alignToDword() {
        while (out_.size() % 4 != 0) out_.push_back(0);
    }
    std::vector<uint8_t> take() { return std::move(out_); }

private:
    // The template is little-endian, as every Windows machine is; written byte by byte so that
    // the host's order does not matter.
    void bytes(const void* v, size_t n) {
        uint64_t value = 0;
        std::memcpy(&value, v, n);
        for (size_t i = 0; i < n; ++i) out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    std::vector<uint8_t> out_;
};

uint32_t CommonStyle(uint32_t s) {
    uint32_t style = kWsChild | kWsVisible;
    if (s & res::S_DISABLED) style |= kWsDisabled;
    if (s & res::S_GROUP) style |= kWsGroup;
    if (s & res::S_TABSTOP) style |= kWsTabstop;
    if (s & res::S_VSCROLL) style |= kWsVscroll;
    if (s & res::S_BORDER) style |= kWsBorder;
    return style;
}

std::u16string Caption(const res::ControlTemplate& c) {
    return Utf16(res::ControlText(c));
}

}  // namespace

Win32Control ControlClass(const res::ControlTemplate& c) {
    const uint32_t s = c.style;
    Win32Control w;
    w.style = CommonStyle(s);
    switch (c.kind) {
        case res::Ctl::Static:
            w.classAtom = kStaticAtom;
            w.style |= (s & res::S_CENTER) ? kSsCenter : (s & res::S_RIGHT) ? kSsRight : kSsLeft;
            break;
        case res::Ctl::Icon:
            w.classAtom = kStaticAtom;
            w.style |= kSsIcon;
            break;
        case res::Ctl::Edit:
        case res::Ctl::RichEdit:
            if (c.kind == res::Ctl::Edit)
                w.classAtom = kEditAtom;
            else
                w.className = u"RichEdit20W";
            if (s & res::S_CENTER) w.style |= kEsCenter;
            if (s & res::S_RIGHT) w.style |= kEsRight;
            if (s & res::S_AUTOHSCROLL) w.style |= kEsAutoHscroll;
            if (s & res::S_NOHIDESEL) w.style |= kEsNoHideSel;
            if (s & res::S_READONLY) w.style |= kEsReadOnly;
            if (s & res::S_NUMBER) w.style |= kEsNumber;
            break;
        case res::Ctl::ComboBox:
            w.classAtom = kComboBoxAtom;
            w.style |= kCbsDropDownList;
            if (s & res::S_SORT) w.style |= kCbsSort;
            break;
        case res::Ctl::ListBox:
            w.classAtom = kListBoxAtom;
            if (s & res::S_SORT) w.style |= kLbsSort;
            if (s & res::S_NOTIFY) w.style |= kLbsNotify;
            if (s & res::S_NOINTEGRALHEIGHT) w.style |= kLbsNoIntegralHeight;
            break;
        case res::Ctl::PushButton:
        case res::Ctl::DefPushButton:
            w.classAtom = kButtonAtom;
            w.style |= c.kind == res::Ctl::DefPushButton ? kBsDefPushButton : kBsPushButton;
            break;
        case res::Ctl::CheckBox:
        case res::Ctl::RadioButton:
            w.classAtom = kButtonAtom;
            w.style |= c.kind == res::Ctl::CheckBox ? kBsAutoCheckBox : kBsAutoRadioButton;
            if (s & res::S_LEFTTEXT) w.style |= kBsLeftText;
            break;
        case res::Ctl::GroupBox:
            w.classAtom = kButtonAtom;
            w.style |= kBsGroupBox;
            break;
        case res::Ctl::UpDown:
            w.className = u"msctls_updown32";
            if (s & res::S_UDS_AUTOBUDDY) w.style |= kUdsAutoBuddy;
            if (s & res::S_UDS_ALIGNRIGHT) w.style |= kUdsAlignRight;
            if (s & res::S_UDS_ARROWKEYS) w.style |= kUdsArrowKeys;
            if (s & res::S_UDS_SETBUDDYINT) {
                // The page stores the number exactly as its field shows it: a thousands separator
                // would reach the printer as part of the value, whatever range a configuration gives.
                w.style |= kUdsSetBuddyInt | kUdsNoThousands;
            }
            if (s & res::S_UDS_NOTHOUSANDS) w.style |= kUdsNoThousands;
            break;
    }
    return w;
}

uint32_t DialogStyle(const res::DialogTemplate& dialog) {
    uint32_t style = kDsSetFont;
    if (dialog.style & res::D_CHILD) {
        style |= kWsChild | kDsControl;
    } else {
        style |= kWsPopup | kDsModalFrame | kDsCenter;
        if (dialog.style & res::D_CAPTION) style |= kWsCaption;
        if (dialog.style & res::D_SYSMENU) style |= kWsSysmenu;
    }
    return style;
}

int ScaleDialogUnits(int dlu, int laidOut, int actual) {
    if (laidOut == actual || actual <= 0) return dlu;
    const long long scaled = static_cast<long long>(dlu) * laidOut;
    // Rounded to the nearest, halves away from zero.
    return static_cast<int>(scaled >= 0 ? (scaled + actual / 2) / actual : -((-scaled + actual / 2) / actual));
}

std::vector<uint8_t> BuildDialogTemplateEx(const res::DialogTemplate& dialog, const TemplateOptions& options) {
    const auto sx = [&](int v) { return ScaleDialogUnits(v, options.laidOut.x, options.actual.x); };
    const auto sy = [&](int v) { return ScaleDialogUnits(v, options.laidOut.y, options.actual.y); };

    Writer w;
    w.word(1);       // dlgVer
    w.word(0xFFFF);  // signature: the extended form
    w.dword(0);      // helpID
    w.dword(0);      // exStyle
    w.dword(DialogStyle(dialog));
    w.word(static_cast<uint16_t>(dialog.controls.size()));
    w.shortValue(0);
    w.shortValue(0);
    w.shortValue(sx(dialog.cx));
    w.shortValue(sy(dialog.cy));
    w.word(0);  // no menu
    w.word(0);  // the dialog manager's own class
    w.string(Utf16(res::DialogCaption(dialog)));
    w.word(static_cast<uint16_t>(dialog.pointSize > 0 ? dialog.pointSize : 9));
    w.word(kFwNormal);
    w.byte(0);  // not italic
    w.byte(kDefaultCharset);
    w.string(Utf16(dialog.fontFace ? dialog.fontFace : "굴림"));

    for (const res::ControlTemplate& c : dialog.controls) {
        w.alignToDword();
        const Win32Control control = ControlClass(c);
        w.dword(0);  // helpID
        w.dword(0);  // exStyle
        w.dword(control.style);
        w.shortValue(sx(c.x));
        w.shortValue(sy(c.y));
        w.shortValue(sx(c.cx));
        w.shortValue(sy(c.cy));
        w.dword(static_cast<uint32_t>(c.id));
        if (control.classAtom != 0)
            w.ordinal(control.classAtom);
        else
            w.string(control.className);
        if (c.kind == res::Ctl::Icon)
            w.ordinal(static_cast<uint16_t>(options.iconResource));
        else
            w.string(Caption(c));
        w.word(0);  // no creation data
    }
    return w.take();
}

}  // namespace winui
