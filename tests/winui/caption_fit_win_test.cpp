// Every caption of every template fits its control in both languages as the Win32 front end draws
// it: the template's font as the dialog manager creates it, measured with GetTextExtentPoint32W,
// against the control's width on 굴림's pixels (the rectangle PlaceControls gives it); a check
// box's or radio button's box and the gap before its text taken off, a group box's title and a
// button's text given a character's room on either side.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "strings/string_table.h"
#include "templates/dialog_units.h"
#include "templates/page_templates.h"
#include "templates/templates.h"
#include "winui/template_window.h"

namespace {

using res::Ctl;
using res::Language;

struct WinFitCase {
    std::string name;
    const res::DialogTemplate* dialog;
    Language language;
};

void PrintTo(const WinFitCase& c, std::ostream* os) { *os << c.name; }

int TextRoom(const res::ControlTemplate& c, ui::BaseUnits units) {
    const int width = ui::DialogUnitsToPixelsX(c.cx, units);
    // The box and the gap Windows leaves between it and the text.
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + 3;
    switch (c.kind) {
        case Ctl::CheckBox:
        case Ctl::RadioButton: return width - box;
        case Ctl::GroupBox:
        case Ctl::PushButton:
        case Ctl::DefPushButton: return width - 2 * units.x;
        default: return width;
    }
}

class WinCaptionFitTest : public ::testing::TestWithParam<WinFitCase> {
protected:
    ~WinCaptionFitTest() override { res::SetLanguage(Language::Korean); }
};

TEST_P(WinCaptionFitTest, EveryCaptionFitsItsControl) {
    res::SetLanguage(GetParam().language);
    const res::DialogTemplate& dialog = *GetParam().dialog;
    const ui::BaseUnits units = winui::LaidOutBaseUnits(dialog);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    const std::wstring face = winui::Wide(dialog.fontFace ? dialog.fontFace : "굴림");
    HFONT font = CreateFontW(-MulDiv(dialog.pointSize > 0 ? dialog.pointSize : 9, GetDeviceCaps(screen, LOGPIXELSY), 72),
                             0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    int measured = 0;
    for (const res::ControlTemplate& c : dialog.controls) {
        std::wstring text = winui::Wide(res::ControlText(c));
        if (text.empty() || c.kind == Ctl::Edit || c.kind == Ctl::ComboBox || c.kind == Ctl::ListBox) continue;
        std::erase(text, L'&');
        ++measured;
        if (c.kind == Ctl::Static && c.cy >= 20) continue;  // wraps within its width
        SIZE size{};
        ASSERT_TRUE(GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size));
        // A font that measured nothing would let every caption pass.
        ASSERT_GE(size.cx, static_cast<LONG>(text.size())) << res::ControlText(c);
        EXPECT_LE(size.cx, TextRoom(c, units)) << "control " << c.id << " \"" << res::ControlText(c) << "\" needs "
                                               << size.cx << " px, has " << TextRoom(c, units);
    }
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(measured, 0);
}

std::vector<WinFitCase> Cases() {
    const std::pair<const char*, const res::DialogTemplate*> forms[] = {
        {"Paper", &res::PaperPageTemplate()},
        {"UsbPorts", &res::UsbPortsPageTemplate()},
        {"ParallelPorts", &res::ParallelPortsPageTemplate()},
        {"PaperWeight", &res::PaperWeightPageTemplate()},
        {"PaperTexture", &res::PaperTexturePageTemplate()},
        {"Custom", &res::CustomPageTemplate()},
        {"Postscript", &res::PostscriptPageTemplate()},
        {"Setup", &res::SetupPageTemplate()},
        {"Pcl", &res::PclPageTemplate()},
        {"Renumber", &res::RenumberPageTemplate()},
        {"Finishing", &res::FinishingPageTemplate()},
        {"AboutBox", res::FindDialogTemplate(res::IDD_ABOUTBOX)},
        {"SelectPrinter", res::FindDialogTemplate(res::IDD_SELECT_PRINTER)},
        {"PrinterQuery", res::FindDialogTemplate(res::IDD_PRINTER_QUERY)},
    };
    std::vector<WinFitCase> cases;
    for (const auto& [name, dialog] : forms) {
        cases.push_back({std::string(name) + "Korean", dialog, Language::Korean});
        cases.push_back({std::string(name) + "English", dialog, Language::English});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, WinCaptionFitTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<WinFitCase>& info) { return info.param.name; });

}  // namespace
