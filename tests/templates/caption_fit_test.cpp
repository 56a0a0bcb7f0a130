// Every caption of every template fits its control in both languages, measured with the dialog
// font's metrics as the window draws it: a label's text within its width, a check box's or radio
// button's text beside its indicator, a group box's title and a button's text with a character's
// room on either side. One layout serves Korean and English, so a longer English caption must be
// given room in the template itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

#include <ostream>
#include <string>
#include <vector>

#include "qtui/dialog_builder.h"
#include "strings/string_table.h"
#include "templates/page_templates.h"
#include "templates/templates.h"

namespace {

using res::Ctl;
using res::Language;

struct FitCase {
    const char* name;
    const res::DialogTemplate& (*form)();
    Language language;
};

void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

const res::DialogTemplate& Builtin(int id) { return *res::FindDialogTemplate(id); }

// The room a control gives its text, in pixels, beside what the control draws itself.
int TextRoom(const res::ControlTemplate& c, const ui::DialogUnits& du) {
    const int width = du.x(c.cx);
    QStyle* style = QApplication::style();
    switch (c.kind) {
        case Ctl::CheckBox:
            return width - style->pixelMetric(QStyle::PM_IndicatorWidth) - style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        case Ctl::RadioButton:
            return width - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) -
                   style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        case Ctl::GroupBox:
        case Ctl::PushButton:
        case Ctl::DefPushButton:
            return width - 2 * du.baseX();
        default:
            return width;
    }
}

class CaptionFitTest : public ::testing::TestWithParam<FitCase> {
protected:
    ~CaptionFitTest() override { res::SetLanguage(Language::Korean); }
};

TEST_P(CaptionFitTest, EveryCaptionFitsItsControl) {
    res::SetLanguage(GetParam().language);
    const res::DialogTemplate& dialog = GetParam().form();
    const QFont font = ui::DialogFont(dialog);
    const QFontMetrics metrics(font);
    const ui::DialogUnits du(font);
    int measured = 0;
    for (const res::ControlTemplate& c : dialog.controls) {
        QString text = ui::ControlText(c);
        if (text.isEmpty() || c.kind == Ctl::Edit || c.kind == Ctl::ComboBox || c.kind == Ctl::ListBox) continue;
        text.remove(QLatin1Char('&'));
        ++measured;
        // A label of several lines wraps within its width; only a one-line control must hold
        // its text on one line.
        if (c.kind == Ctl::Static && c.cy >= 20) continue;
        const int needed = metrics.horizontalAdvance(text);
        EXPECT_LE(needed, TextRoom(c, du)) << "control " << c.id << " \"" << text.toStdString() << "\" needs "
                                           << needed << " px, has " << TextRoom(c, du) << " (" << c.cx << " units)";
    }
    EXPECT_GT(measured, 0);
}

#define FORM(fn) [] () -> const res::DialogTemplate& { return res::fn(); }
#define DIALOG(id) [] () -> const res::DialogTemplate& { return Builtin(res::id); }

std::vector<FitCase> Cases() {
    struct Form {
        const char* name;
        const res::DialogTemplate& (*form)();
    };
    const Form forms[] = {
        {"Paper", FORM(PaperPageTemplate)},
        {"UsbPorts", FORM(UsbPortsPageTemplate)},
        {"ParallelPorts", FORM(ParallelPortsPageTemplate)},
        {"PaperWeight", FORM(PaperWeightPageTemplate)},
        {"PaperTexture", FORM(PaperTexturePageTemplate)},
        {"Custom", FORM(CustomPageTemplate)},
        {"Postscript", FORM(PostscriptPageTemplate)},
        {"Setup", FORM(SetupPageTemplate)},
        {"Pcl", FORM(PclPageTemplate)},
        {"Renumber", FORM(RenumberPageTemplate)},
        {"Finishing", FORM(FinishingPageTemplate)},
        {"AboutBox", DIALOG(IDD_ABOUTBOX)},
        {"SelectPrinter", DIALOG(IDD_SELECT_PRINTER)},
        {"PrinterQuery", DIALOG(IDD_PRINTER_QUERY)},
    };
    static std::vector<std::string> names;
    std::vector<FitCase> cases;
    names.reserve(2 * std::size(forms));
    for (const Form& f : forms) {
        for (const auto& [language, suffix] : {std::pair{Language::Korean, "Korean"}, std::pair{Language::English, "English"}}) {
            names.push_back(std::string(f.name) + suffix);
            cases.push_back({names.back().c_str(), f.form, language});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, CaptionFitTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

}  // namespace
