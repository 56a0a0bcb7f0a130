// The dialog templates as the Win32 dialog manager reads them: every template of the program read
// back field by field, each kind of control's class and style, the rescaling for a substitute
// font, and the UTF-16 the templates and wide calls take.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "strings/string_table.h"
#include "templates/page_templates.h"
#include "winui/dialog_template.h"
#include "winui/utf16.h"
#include "winui/win32_constants.h"
#include "template_reader.h"

namespace {

using namespace winui;
using wintest::ReadDialogTemplate;

std::vector<const res::DialogTemplate*> AllTemplates() {
    std::vector<const res::DialogTemplate*> all = {
        &res::PaperPageTemplate(),        &res::UsbPortsPageTemplate(),   &res::ParallelPortsPageTemplate(),
        &res::PaperWeightPageTemplate(),  &res::PaperTexturePageTemplate(), &res::CustomPageTemplate(),
        &res::PostscriptPageTemplate(),   &res::SetupPageTemplate(),      &res::PclPageTemplate(),
        &res::RenumberPageTemplate(),     &res::FinishingPageTemplate(),
    };
    for (int id : {res::IDD_ABOUTBOX, res::IDD_EMPTY_PAGE, res::IDD_SELECT_PRINTER, res::IDD_PRINTER_QUERY})
        all.push_back(res::FindDialogTemplate(id));
    return all;
}

class EveryTemplate : public ::testing::TestWithParam<const res::DialogTemplate*> {};

TEST_P(EveryTemplate, ReadsBackAsWritten) {
    const res::DialogTemplate& d = *GetParam();
    const std::vector<uint8_t> bytes = BuildDialogTemplateEx(d);
    const wintest::ReadTemplate t = ReadDialogTemplate(bytes);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.version, 1);
    EXPECT_EQ(t.signature, 0xFFFF);
    EXPECT_EQ(t.cx, d.cx);
    EXPECT_EQ(t.cy, d.cy);
    EXPECT_EQ(t.caption, Utf16(res::DialogCaption(d)));
    EXPECT_EQ(t.face, u"굴림");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, w32::kFwNormal);
    EXPECT_EQ(t.charset, w32::kDefaultCharset);
    EXPECT_TRUE(t.style & w32::kDsSetFont);
    ASSERT_EQ(t.items.size(), d.controls.size());
    for (size_t i = 0; i < t.items.size(); ++i) {
        const res::ControlTemplate& c = d.controls[i];
        const wintest::ReadItem& item = t.items[i];
        SCOPED_TRACE("control " + std::to_string(c.id));
        EXPECT_EQ(item.offset % 4, 0u) << "every item starts on a DWORD";
        EXPECT_EQ(static_cast<int>(item.id), c.id);
        EXPECT_EQ(item.x, c.x);
        EXPECT_EQ(item.y, c.y);
        EXPECT_EQ(item.cx, c.cx);
        EXPECT_EQ(item.cy, c.cy);
        EXPECT_EQ((item.style & (w32::kWsChild | w32::kWsVisible)), w32::kWsChild | w32::kWsVisible);
        EXPECT_EQ((item.style & w32::kWsTabstop) != 0, (c.style & res::S_TABSTOP) != 0);
        EXPECT_EQ((item.style & w32::kWsGroup) != 0, (c.style & res::S_GROUP) != 0);
        EXPECT_EQ((item.style & w32::kWsDisabled) != 0, (c.style & res::S_DISABLED) != 0);
        if (c.kind == res::Ctl::Icon) {
            EXPECT_EQ(item.titleOrdinal, 128);
        } else {
            EXPECT_EQ(item.title, Utf16(res::ControlText(c)));
        }
    }
}

std::string TemplateName(const ::testing::TestParamInfo<const res::DialogTemplate*>& info) {
    return "Template" + std::to_string(info.param->id);
}

INSTANTIATE_TEST_SUITE_P(Program, EveryTemplate, ::testing::ValuesIn(AllTemplates()), TemplateName);

// The bytes are made when a window opens, so they carry the window's language chosen at start-up.
TEST(TemplateLanguage, BytesCarryTheChosenLanguagesTexts) {
    const res::DialogTemplate& choice = *res::FindDialogTemplate(res::IDD_SELECT_PRINTER);
    res::SetLanguage(res::Language::English);
    const wintest::ReadTemplate english = ReadDialogTemplate(BuildDialogTemplateEx(choice));
    res::SetLanguage(res::Language::Korean);
    const wintest::ReadTemplate korean = ReadDialogTemplate(BuildDialogTemplateEx(choice));
    ASSERT_TRUE(english.ok && korean.ok);
    EXPECT_EQ(english.caption, u"Multiple Printers Found");
    EXPECT_EQ(korean.caption, u"복수 프린터 발견");
    ASSERT_EQ(english.items.size(), 4u);
    EXPECT_EQ(english.items[2].title, u"OK");
    EXPECT_EQ(english.items[3].title, u"Cancel");
    EXPECT_EQ(korean.items[2].title, u"확인");
    // The layout is one for both languages.
    for (size_t i = 0; i < english.items.size(); ++i) EXPECT_EQ(english.items[i].cx, korean.items[i].cx) << i;
}

// --- each kind of control ----------------------------------------------------------------------

struct KindCase {
    const char* name;
    res::ControlTemplate control;
    uint16_t atom;            // 0: className
    const char16_t* className;
    uint32_t style;           // the low word of the style: the class's own bits
};

class ControlKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(ControlKind, BecomesItsClassWithItsStyle) {
    const KindCase& k = GetParam();
    const Win32Control w = ControlClass(k.control);
    EXPECT_EQ(w.classAtom, k.atom);
    EXPECT_EQ(w.className, k.className ? std::u16string(k.className) : std::u16string());
    EXPECT_EQ(w.style & 0xFFFFu, k.style);
}

using namespace w32;
const KindCase kKinds[] = {
    {"Label", {1, res::Ctl::Static, "a", 0, 0, 1, 1}, kStaticAtom, nullptr, kSsLeft},
    {"CentredLabel", {1, res::Ctl::Static, "a", 0, 0, 1, 1, res::S_CENTER}, kStaticAtom, nullptr, kSsCenter},
    {"Icon", {1, res::Ctl::Icon, nullptr, 0, 0, 1, 1}, kStaticAtom, nullptr, kSsIcon},
    {"NumberField", {1, res::Ctl::Edit, nullptr, 0, 0, 1, 1, res::S_NUMBER_FIELD}, kEditAtom, nullptr,
     kEsRight | kEsNumber | kEsReadOnly},
    {"TextField", {1, res::Ctl::Edit, nullptr, 0, 0, 1, 1, res::S_BORDER | res::S_AUTOHSCROLL}, kEditAtom, nullptr,
     kEsAutoHscroll},
    {"TitleLine", {1, res::Ctl::RichEdit, nullptr, 0, 0, 1, 1, res::S_TITLE_LINE}, 0, u"RichEdit20W", kEsNoHideSel},
    {"SortedDropDownList", {1, res::Ctl::ComboBox, nullptr, 0, 0, 1, 1, res::S_PAGE_LIST}, kComboBoxAtom, nullptr,
     kCbsDropDownList | kCbsSort},
    {"DropDownList", {1, res::Ctl::ComboBox, nullptr, 0, 0, 1, 1}, kComboBoxAtom, nullptr, kCbsDropDownList},
    {"PrinterList", {1, res::Ctl::ListBox, nullptr, 0, 0, 1, 1, res::S_SORT | res::S_NOTIFY | res::S_NOINTEGRALHEIGHT},
     kListBoxAtom, nullptr, kLbsSort | kLbsNotify | kLbsNoIntegralHeight},
    {"Button", {1, res::Ctl::PushButton, "a", 0, 0, 1, 1}, kButtonAtom, nullptr, kBsPushButton},
    {"DefaultButton", {1, res::Ctl::DefPushButton, "a", 0, 0, 1, 1}, kButtonAtom, nullptr, kBsDefPushButton},
    {"LeftTextCheckBox", {1, res::Ctl::CheckBox, "a", 0, 0, 1, 1, res::S_PAGE_CHECK}, kButtonAtom, nullptr,
     kBsAutoCheckBox | kBsLeftText},
    {"RadioButton", {1, res::Ctl::RadioButton, "a", 0, 0, 1, 1}, kButtonAtom, nullptr, kBsAutoRadioButton},
    {"GroupBox", {1, res::Ctl::GroupBox, "a", 0, 0, 1, 1}, kButtonAtom, nullptr, kBsGroupBox},
    // A spin that writes its field never writes a thousands separator: the field's text is the
    // value stored, whether or not the template asks for it.
    {"SpinOfANumberField", {1, res::Ctl::UpDown, nullptr, 0, 0, 1, 1, res::S_SPIN}, 0, u"msctls_updown32",
     kUdsAutoBuddy | kUdsSetBuddyInt | kUdsAlignRight | kUdsArrowKeys | kUdsNoThousands},
    {"SpinWithoutBuddyText", {1, res::Ctl::UpDown, nullptr, 0, 0, 1, 1, res::S_UDS_ARROWKEYS}, 0, u"msctls_updown32",
     kUdsArrowKeys},
};

INSTANTIATE_TEST_SUITE_P(Kinds, ControlKind, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

TEST(DialogStyles, AFormIsAChildControlParentAndADialogAPopupWithItsFrame) {
    const uint32_t form = DialogStyle(res::SetupPageTemplate());
    EXPECT_EQ(form & (kWsChild | kDsControl | kDsSetFont | kWsPopup | kWsCaption), kWsChild | kDsControl | kDsSetFont);
    const uint32_t about = DialogStyle(*res::FindDialogTemplate(res::IDD_ABOUTBOX));
    EXPECT_EQ(about & (kWsPopup | kWsCaption | kWsSysmenu | kDsModalFrame | kWsChild),
              kWsPopup | kWsCaption | kWsSysmenu | kDsModalFrame);
    // "프린터 쿼리" has no system menu, so no close box.
    EXPECT_EQ(DialogStyle(*res::FindDialogTemplate(res::IDD_PRINTER_QUERY)) & kWsSysmenu, 0u);
}

// --- the substitute font ------------------------------------------------------------------------

TEST(Rescaling, AFontWithOtherUnitsGetsTheNumbersThatLandWhereGulimsWould) {
    TemplateOptions substitute;
    substitute.actual = ui::BaseUnits{7, 14};  // NanumGothic at 9 points, 96 dpi
    const wintest::ReadTemplate t = ReadDialogTemplate(BuildDialogTemplateEx(res::SetupPageTemplate(), substitute));
    ASSERT_TRUE(t.ok);
    // 326 x 231 units of 6 x 12 are 489 x 347 pixels; in units of 7 x 14, 279.4 x 198.
    EXPECT_EQ(t.cx, 279);
    EXPECT_EQ(t.cy, 198);
    // The first list, (161, 29) 135 x 40: 138, 24.9, 115.7, 34.3.
    EXPECT_EQ(t.items[2].x, 138);
    EXPECT_EQ(t.items[2].y, 25);
    EXPECT_EQ(t.items[2].cx, 116);
    EXPECT_EQ(t.items[2].cy, 34);
    // Whole units cannot always reach the pixel (the window places each control exactly
    // afterwards), but they come within two.
    const ui::BaseUnits laidOut{6, 12}, actual{7, 14};
    for (const res::DialogTemplate* d : AllTemplates()) {
        const wintest::ReadTemplate scaled = ReadDialogTemplate(BuildDialogTemplateEx(*d, substitute));
        for (size_t i = 0; i < d->controls.size(); ++i) {
            const res::ControlTemplate& c = d->controls[i];
            EXPECT_LE(std::abs(ui::DialogUnitsToPixelsX(scaled.items[i].x, actual) - ui::DialogUnitsToPixelsX(c.x, laidOut)), 2);
            EXPECT_LE(std::abs(ui::DialogUnitsToPixelsY(scaled.items[i].y, actual) - ui::DialogUnitsToPixelsY(c.y, laidOut)), 2);
        }
    }
}

TEST(Rescaling, NoneWhenTheSelectedFontHasGulimsUnits) {
    TemplateOptions same;
    same.laidOut = same.actual = ui::BaseUnits{9, 18};  // 굴림 at 144 dpi
    EXPECT_EQ(BuildDialogTemplateEx(res::RenumberPageTemplate(), same), BuildDialogTemplateEx(res::RenumberPageTemplate()));
    EXPECT_EQ(ScaleDialogUnits(-7, 6, 7), -6);
    EXPECT_EQ(ScaleDialogUnits(7, 6, 0), 7);
}

// --- UTF-16 ------------------------------------------------------------------------------------

struct TextCase {
    const char* name;
    std::string utf8;
    std::u16string utf16;
    bool roundTrip;  // ill-formed input does not come back as it was
};

class Utf16Text : public ::testing::TestWithParam<TextCase> {};

TEST_P(Utf16Text, ConvertsEachWay) {
    const TextCase& t = GetParam();
    EXPECT_EQ(Utf16(t.utf8), t.utf16);
    if (t.roundTrip) {
        EXPECT_EQ(Utf8(t.utf16), t.utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf16Text,
    ::testing::Values(TextCase{"Ascii", "Tray 1", u"Tray 1", true}, TextCase{"Korean", "굴림 용지", u"굴림 용지", true},
                      TextCase{"OutsideTheBasicPlane", "\xF0\x9F\x98\x80", u"\U0001F600", true},
                      TextCase{"LoneContinuation", "a\x80" "b", u"a\uFFFDb", false},
                      TextCase{"Overlong", "\xC0\x80", u"\uFFFD\uFFFD", false},
                      TextCase{"EncodedSurrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
                      TextCase{"CutShort", "x\xE2\x82", u"x\uFFFD\uFFFD", false},
                      TextCase{"PastTheLastCharacter", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(Utf8Text, AnUnpairedSurrogateBecomesTheReplacementCharacter) {
    EXPECT_EQ(Utf8(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a\xEF\xBF\xBD" "b");
}

}  // namespace
