// The Win32 front end's windows under Wine, in this process: the pages built from their templates
// and bound to the document (tab order, spins, each kind of control, sizes), the main window's
// commands (apply, save with the system's dialog, the exit question, export, import and restore)
// and its keyboard and status texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "strings/string_table.h"
#include "pages/page_table.h"
#include "pages/setting_texts.h"
#include "templates/templates.h"
#include "window_support.h"
#include "winui/restore_dialog.h"

namespace wintest {
namespace {

RECT RectIn(HWND window, HWND parent) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class Pages : public WindowTest, public ::testing::WithParamInterface<int> {};

// Every number field's spin is bound to it and sits at its right edge, inside its width.
TEST_P(Pages, EverySpinsBuddyIsItsNumberField) {
    StartDocument();
    OpenFrame();
    Open(GetParam());
    for (const pages::PageControl& c : pages::PageTableOf(GetParam()).controls) {
        if (c.kind != pages::ControlKind::Spin) continue;
        SCOPED_TRACE("spin " + std::to_string(c.id));
        HWND spin = Control(c.id), field = Control(c.related[0]);
        ASSERT_TRUE(spin && field);
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0)), field);
        const RECT s = RectIn(spin, Page()->Form()), f = RectIn(field, Page()->Form());
        EXPECT_EQ(s.left, f.right);
        EXPECT_EQ(s.top, f.top);
        EXPECT_EQ(s.bottom, f.bottom);
        // The spin shows the field's number and its range is the setting's.
        const pages::ControlState& state = Page()->Model().State(c.id);
        EXPECT_EQ(winui::WindowText(field), std::to_wstring(state.spinPos));
        int low = 0, high = 0;
        SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, state.spinMin);
        EXPECT_EQ(high, state.spinMax);
    }
}

// Tab visits the controls in the template's order: those that take the focus, and of a radio
// group its one stop (the checked button, or the first enabled one when that is disabled).
TEST_P(Pages, TabFollowsTheTemplateOrder) {
    StartDocument();
    OpenFrame();
    Open(GetParam());
    const res::DialogTemplate& form = *res::FindDialogTemplate(Page()->TemplateId());
    std::vector<int> expected;
    std::vector<int> group;
    auto endGroup = [&] {
        int stop = 0;
        for (int id : group)
            if (!stop && IsWindowEnabled(Control(id)) && SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED) stop = id;
        for (int id : group)
            if (!stop && IsWindowEnabled(Control(id))) stop = id;
        if (stop) expected.push_back(stop);
        group.clear();
    };
    for (const res::ControlTemplate& c : form.controls) {
        if (c.kind == res::Ctl::RadioButton) {
            if (c.style & res::S_GROUP) endGroup();
            group.push_back(c.id);
            continue;
        }
        if (c.style & res::S_GROUP) endGroup();
        if ((c.style & res::S_TABSTOP) && IsWindowEnabled(Control(c.id))) expected.push_back(c.id);
    }
    endGroup();

    std::vector<int> visited;
    HWND first = Page()->FocusTarget();
    ASSERT_TRUE(first);
    SetFocus(first);
    for (size_t i = 0; i <= expected.size() + 1; ++i) {
        HWND focus = GetFocus();
        const int id = GetDlgCtrlID(focus);
        if (!visited.empty() && id == visited.front()) break;  // round again
        visited.push_back(id);
        Key(focus, VK_TAB);
    }
    EXPECT_EQ(visited, expected);
}

INSTANTIATE_TEST_SUITE_P(EveryPage, Pages, ::testing::Range(1, 12),
                         [](const ::testing::TestParamInfo<int>& info) { return "View" + std::to_string(info.param); });

class Controls : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        StartDocument();
        OpenFrame();
    }
};

TEST_F(Controls, ThePaperPagesTabOrderByHand) {
    Open(1);
    // The source of separator sheets (1040) is only shown: created disabled, never a stop.
    std::vector<int> visited;
    SetFocus(Page()->FocusTarget());
    for (int i = 0; i < 6; ++i) {
        visited.push_back(GetDlgCtrlID(GetFocus()));
        Key(GetFocus(), VK_TAB);
    }
    EXPECT_EQ(visited, (std::vector<int>{1018, 1019, 1301, 1302, 1303, 1304}));
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 1018);
}

// 326 x 231 dialog units in 굴림's 6 x 12 cell: 326 * 6 / 4 = 489 by 231 * 12 / 8 = 346.5, which
// the dialog manager rounds to 347; whatever font stands in for 굴림.
TEST_F(Controls, ThePagesPixelSizeIsItsDialogUnitsInGulimsCell) {
    Open(6);
    RECT client{};
    GetClientRect(Page()->Form(), &client);
    EXPECT_EQ(client.right, 489);
    EXPECT_EQ(client.bottom, 347);
    // The printer language list at (161, 29), 135 wide: 241.5 -> 242, 43.5 -> 44, 202.5 -> 203.
    const RECT list = RectIn(Control(1240), Page()->Form());
    EXPECT_EQ(list.left, 242);
    EXPECT_EQ(list.top, 44);
    EXPECT_EQ(list.right - list.left, 203);
    // The power saver's field (177, 109) 45 x 12 with its spin 11 wide inside: 266, 164, 68 - 17 x 18.
    const RECT field = RectIn(Control(1251), Page()->Form());
    EXPECT_EQ(field.left, 266);
    EXPECT_EQ(field.top, 164);
    EXPECT_EQ(field.right - field.left, 68 - 17);
    EXPECT_EQ(field.bottom - field.top, 18);
}

TEST_F(Controls, AListChangedWithTheKeyboardStoresItsEntry) {
    Open(6);
    HWND list = Control(1240);
    const LRESULT before = SendMessageW(list, CB_GETCURSEL, 0, 0);
    ASSERT_GE(before, 0);
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    ASSERT_GE(count, 2);
    const UINT key = before + 1 < count ? VK_DOWN : VK_UP;
    SetFocus(list);
    doc_.SetModifiedFlag(false);
    Key(list, key);
    const LRESULT after = SendMessageW(list, CB_GETCURSEL, 0, 0);
    ASSERT_NE(after, before);
    const size_t item = static_cast<size_t>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(after), 0));
    const std::string key_ = Page()->Model().State(1240).items.at(item).key;
    EXPECT_EQ("EMULATION:" + Value("EMULATION"), key_);
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(Controls, ACheckBoxSwitchesItsNumberAndTheSpinStoresTheNumber) {
    Open(6);
    HWND box = Control(1250), field = Control(1251), spin = Control(1252);
    if (SendMessageW(box, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        SendMessageW(box, BM_CLICK, 0, 0);
        Pump();
    }
    ASSERT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(field));
    EXPECT_TRUE(IsWindowEnabled(spin));
    // Switched off: the field and spin go grey, the setting takes its off value.
    SendMessageW(box, BM_CLICK, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindowEnabled(field));
    EXPECT_FALSE(IsWindowEnabled(spin));
    EXPECT_EQ(Value("POWERSAVER"), doc_.m_PwrSvr.offValue);
    // On again: the number the field shows; the Up key in the field moves it by one.
    SendMessageW(box, BM_CLICK, 0, 0);
    Pump();
    const std::wstring shown = winui::WindowText(field);
    EXPECT_EQ(Value("POWERSAVER"), winui::Narrow(shown));
    SetFocus(field);
    Key(field, VK_UP);
    EXPECT_EQ(Value("POWERSAVER"), std::to_string(std::stoi(shown) + 1));
    EXPECT_EQ(winui::WindowText(field), std::to_wstring(std::stoi(shown) + 1));
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(Controls, ARadioGroupStoresItsChoiceAndItsNumberFollowsTheNumberButton) {
    Open(8);
    const std::string name = doc_.m_AssignTray1.npaName;
    HWND off = Control(1197), number = Control(1198), field = Control(1201);
    SendMessageW(off, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Value(name), doc_.m_AssignTray1.choices[1]);
    EXPECT_FALSE(IsWindowEnabled(field));
    // The arrow keys move within the group: from "꺼짐" to the number button, which they choose.
    SetFocus(off);
    Key(off, VK_DOWN);
    EXPECT_EQ(GetFocus(), number);
    EXPECT_EQ(SendMessageW(number, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(off, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(IsWindowEnabled(field));
    EXPECT_EQ(Value(name), winui::Narrow(winui::WindowText(field)));
    // "없음" is never the user's: it stays disabled.
    EXPECT_FALSE(IsWindowEnabled(Control(1196)));
}

// While "없음" is shown, its group's buttons are all disabled but the number button: Tab still
// reaches the group there, although the template puts its tab stop on "없음".
TEST_F(Controls, ARadioGroupShowingNoneIsReachedByTabOnItsNumberButton) {
    doc_.StoreValue(doc_.m_AssignTray1.npaName, doc_.m_AssignTray1.choices[0]);
    Open(8);
    ASSERT_EQ(SendMessageW(Control(1196), BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_FALSE(IsWindowEnabled(Control(1196)));
    ASSERT_FALSE(IsWindowEnabled(Control(1197)));
    SetFocus(Page()->FocusTarget());
    EXPECT_EQ(GetFocus(), Control(1198));
    // The number button chosen from the keyboard stores the number.
    Key(Control(1198), VK_SPACE);
    EXPECT_EQ(SendMessageW(Control(1198), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Value(doc_.m_AssignTray1.npaName), winui::Narrow(winui::WindowText(Control(1201))));
}

TEST_F(Controls, ATextFieldStoresWhatIsTypedWithinItsLimitInCodePageBytes) {
    Open(2);
    HWND name = Control(1154);
    const int limit = doc_.m_Cust1Name.maxLength;
    ASSERT_GT(limit, 2);
    SetWindowTextW(name, L"");
    Pump();
    EXPECT_EQ(Value(doc_.m_Cust1Name.npaName), "");
    SetFocus(name);
    for (int i = 0; i < limit + 3; ++i) Char(name, L'A');
    EXPECT_EQ(Value(doc_.m_Cust1Name.npaName), std::string(static_cast<size_t>(limit), 'A'));
    EXPECT_EQ(winui::WindowText(name), std::wstring(static_cast<size_t>(limit), L'A'));
}

TEST_F(Controls, TheFocusedControlOfALongPageIsScrolledIntoView) {
    Open(2);
    HWND last = Control(1159);  // the sixth name, below the pane's bottom
    RECT pane{};
    GetClientRect(frame_->Pane()->Window(), &pane);
    ASSERT_GT(Page()->Size().cy, pane.bottom);
    ASSERT_GT(RectIn(last, frame_->Pane()->Window()).bottom, pane.bottom);
    SetFocus(Control(1144));  // the fifth type list, just before it
    Key(Control(1144), VK_TAB);
    ASSERT_EQ(GetFocus(), last);
    const RECT r = RectIn(last, frame_->Pane()->Window());
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.bottom, pane.bottom);
    EXPECT_GT(frame_->Pane()->Scroll().y, 0);
}

TEST_F(Controls, AValueChangedOnOnePageIsShownOnTheNextVisit) {
    Open(6);
    SendMessageW(Control(1262), BM_CLICK, 0, 0);
    Pump();
    const LRESULT checked = SendMessageW(Control(1262), BM_GETCHECK, 0, 0);
    Open(1);
    Open(6);
    EXPECT_EQ(SendMessageW(Control(1262), BM_GETCHECK, 0, 0), checked);
}

// --- the main window's commands --------------------------------------------------------------------

class Frame : public WindowTest {
protected:
    // Switches "해상도 감소" (1262 on view 6) and applies it: the printer then differs from what
    // an export or a snapshot taken before holds.
    void SwitchResolutionReductionAndApply() {
        SendMessageW(Control(1262), BM_CLICK, 0, 0);
        Pump();
        SendMessageW(frame_->Window(), WM_COMMAND, res::ID_APPLY_SETTINGS, 0);
        Pump();
    }
    // After an import or a restore: the document holds the value, and the page shows it again.
    void ExpectValueShownAgain(const std::string& name, const std::string& value, LRESULT shown) {
        EXPECT_EQ(Value(name), value);
        EXPECT_EQ(SendMessageW(Control(1262), BM_GETCHECK, 0, 0), shown) << "the page is made anew";
    }
};

// The power saver's setting id in the virtual printer (data/virtual-t90.model). After the exit
// flow the link is shut down, so the printer's memory is looked at directly.
constexpr uint16_t kPowerSaverId = 0x0306;

std::wstring StatusPane(winui::MainFrame& frame) {
    wchar_t text[256] = {};
    SendMessageW(frame.StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// A paste with characters the printer's code page lacks puts in the others, and the status bar
// names what it left out, in the words of the Qt front end. (EM_REPLACESEL is what the edit does
// with the clipboard's text on a paste.)
TEST_F(Controls, APasteIntoANameFieldPutsInWhatFitsAndNamesWhatItLeftOut) {
    Open(2);
    HWND name = Control(1154);
    SetWindowTextW(name, L"A");
    Pump();
    SetFocus(name);
    SendMessageW(name, EM_SETSEL, 1, 1);
    SendMessageW(name, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"Caf\u00E9 \U0001F600 Zo\u00EB"));
    Pump();
    EXPECT_EQ(winui::WindowText(name), L"ACaf  Zo");
    EXPECT_EQ(Value(doc_.m_Cust1Name.npaName), "ACaf  Zo");
    DWORD start = 0, end = 0;
    SendMessageW(name, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 8u);
    EXPECT_EQ(end, 8u);
    EXPECT_EQ(StatusPane(*frame_), winui::Wide(res::Format(61394, "\u00E9, \U0001F600, \u00EB")));

    // A paste of nothing but such characters leaves the field as it was, and says why.
    SendMessageW(frame_->Window(), WM_TIMER, winui::MainFrame::kConfirmationTimer, 0);
    SendMessageW(name, EM_SETSEL, 0, 1);
    SendMessageW(name, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\U0001F600"));
    Pump();
    EXPECT_EQ(winui::WindowText(name), L"ACaf  Zo");
    EXPECT_EQ(Value(doc_.m_Cust1Name.npaName), "ACaf  Zo");
    EXPECT_EQ(StatusPane(*frame_), winui::Wide(res::Format(61394, "\U0001F600")));
}

// A path of the test's folder with the system's backslashes, as a file dialog is given it.
std::wstring WindowsPath(const std::string& path) {
    std::wstring wide = winui::Wide(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return wide;
}

// "해상도 감소" (1262 on view 6), an on/off switch: its setting's name.
std::string ResolutionReductionName(const CPrinterDoc& doc) {
    return doc.m_ResRed.entry[0].substr(0, doc.m_ResRed.entry[0].find(':'));
}

TEST_F(Frame, ApplyWritesTheChangeToThePrinterAndConfirmsItInTheStatusBarForAWhile) {
    StartDocument();
    OpenFrame();
    Open(6);
    HWND box = Control(1262);
    SendMessageW(box, BM_CLICK, 0, 0);
    Pump();
    const std::string name = ResolutionReductionName(doc_);
    const std::string changed = Value(name);
    ASSERT_TRUE(doc_.IsModified());
    SendMessageW(frame_->Window(), WM_COMMAND, res::ID_APPLY_SETTINGS, 0);
    Pump();
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(PrinterValue(name), changed);
    // The pane's own text is the idle text again; the confirmation of the count sent shows over it
    // until its timer ends it (the test ends it at once).
    EXPECT_EQ(frame_->statusText(), res::String(res::IDS_IDLE_MESSAGE));
    EXPECT_EQ(StatusPane(*frame_), winui::Wide(res::Format(61400, std::to_string(doc_.LastWriteCount()))));
    SendMessageW(frame_->Window(), WM_TIMER, winui::MainFrame::kConfirmationTimer, 0);
    EXPECT_EQ(StatusPane(*frame_), winui::Wide(res::String(res::IDS_IDLE_MESSAGE)));
}

// The values exported are what an import later brings back into the pages, as edits: the page on
// the right shows them, and the modified flag is set so that the next apply sends them.
TEST_F(Frame, ImportReadsBackWhatExportWroteAsEdits) {
    StartDocument();
    OpenFrame();
    Open(6);
    const std::string name = ResolutionReductionName(doc_);
    const std::string exported = Value(name);
    const LRESULT shown = SendMessageW(Control(1262), BM_GETCHECK, 0, 0);
    const std::string file = tmp_ + "/exported.json";
    {
        DialogAnswerer answer;
        answer.ThenSaveAs(WindowsPath(file));
        SendMessageW(frame_->Window(), WM_COMMAND, res::ID_EXPORT_SETTINGS, 0);
        Pump();
        EXPECT_TRUE(answer.Done());
        ASSERT_EQ(answer.Seen().size(), 1u);
        EXPECT_EQ(answer.Seen()[0].caption, winui::Wide(res::String(61373)));
    }
    ASSERT_TRUE(std::filesystem::exists(file));
    // Changed and applied since: the file holds the value from before.
    SwitchResolutionReductionAndApply();
    ASSERT_NE(Value(name), exported);
    ASSERT_FALSE(doc_.IsModified());
    {
        DialogAnswerer answer;
        answer.ThenSaveAs(WindowsPath(file));
        answer.ThenPress(IDOK);
        SendMessageW(frame_->Window(), WM_COMMAND, res::ID_IMPORT_SETTINGS, 0);
        Pump();
        EXPECT_TRUE(answer.Done());
        ASSERT_EQ(answer.Seen().size(), 2u);
        EXPECT_EQ(answer.Seen()[0].caption, winui::Wide(res::String(61374)));
        EXPECT_EQ(answer.Seen()[1].caption, winui::Wide(res::String(61370)));
    }
    ExpectValueShownAgain(name, exported, shown);
    EXPECT_TRUE(doc_.IsModified());
}

// An apply keeps the values from before it as a snapshot; the restore dialog offers it with its
// one difference, named as the page names it, and "복원" after the question applies it.
TEST_F(Frame, RestoreOfTheOneSnapshotAppliesItToThePrinter) {
    StartDocument();
    OpenFrame();
    Open(6);
    const std::string name = ResolutionReductionName(doc_);
    const std::string before = Value(name);
    const LRESULT shown = SendMessageW(Control(1262), BM_GETCHECK, 0, 0);
    SwitchResolutionReductionAndApply();
    ASSERT_FALSE(doc_.IsModified());
    const std::string changed = Value(name);
    ASSERT_NE(changed, before);

    const pages::SettingTexts texts(doc_);
    std::vector<std::wstring> listed;
    bool restoreEnabled = false, listFocused = false;
    DialogAnswerer answer;
    answer.Then([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, winui::RestoreDialog::kSnapshotList);
        HWND diff = GetDlgItem(dialog, winui::RestoreDialog::kDifferenceList);
        // Any other dialog is closed, and the captions seen tell.
        if (!list || !diff) {
            PostPress(dialog, IDCANCEL);
            return true;
        }
        listFocused = GetFocus() == list;
        listed.push_back(std::to_wstring(ListView_GetItemCount(list)));
        for (int column = 0; column < 3; ++column) {
            wchar_t text[256] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 256;
            SendMessageW(diff, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
            listed.push_back(text);
        }
        listed.push_back(std::to_wstring(ListView_GetItemCount(diff)));
        restoreEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
        PostPress(dialog, IDOK);
        return true;
    });
    answer.ThenPress(IDYES);
    SendMessageW(frame_->Window(), WM_COMMAND, res::ID_RESTORE_SETTINGS, 0);
    Pump();
    EXPECT_TRUE(answer.Done());
    ASSERT_EQ(answer.Seen().size(), 2u);
    EXPECT_EQ(answer.Seen()[0].caption, winui::Wide(res::String(61347)));
    EXPECT_EQ(answer.Seen()[1].caption, winui::Wide(res::String(61359)));
    EXPECT_TRUE(listFocused);
    EXPECT_TRUE(restoreEnabled);
    const std::vector<std::wstring> expected{L"1", winui::Wide(texts.Label(name)), winui::Wide(texts.Value(name, changed)),
                                             winui::Wide(texts.Value(name, before)), L"1"};
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(PrinterValue(name), before);
    ExpectValueShownAgain(name, before, shown);
    EXPECT_FALSE(doc_.IsModified());
}

TEST_F(Frame, TheExitQuestionAnsweredNoLeavesThePrinterAndShutsTheLinkDown) {
    StartDocument();
    OpenFrame();
    Open(6);
    const auto before = printer_->value(kPowerSaverId);
    SendMessageW(Control(1250), BM_CLICK, 0, 0);
    Pump();
    ASSERT_TRUE(doc_.IsModified());
    sim_->clearLog();
    DialogAnswerer answer;
    answer.ThenPress(IDNO);
    SendMessageW(frame_->Window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(answer.Done());
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].caption, winui::Wide(res::String(61242)));
    EXPECT_EQ(answer.Seen()[0].text, winui::Wide(res::String(61243)));
    EXPECT_EQ(frame_->Window(), nullptr) << "the window is gone";
    EXPECT_TRUE(LinkShutDown());
    EXPECT_EQ(printer_->value(kPowerSaverId), before);
}

TEST_F(Frame, TheExitQuestionAnsweredYesAppliesFirst) {
    StartDocument();
    OpenFrame();
    Open(6);
    const auto before = printer_->value(kPowerSaverId);
    SendMessageW(Control(1250), BM_CLICK, 0, 0);
    Pump();
    DialogAnswerer answer;
    answer.ThenPress(IDYES);
    SendMessageW(frame_->Window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(answer.Done());
    EXPECT_EQ(frame_->Window(), nullptr);
    EXPECT_TRUE(LinkShutDown());
    // The power saver was switched: the printer holds another value than before.
    ASSERT_TRUE(printer_->value(kPowerSaverId).has_value());
    EXPECT_NE(printer_->value(kPowerSaverId), before);
}

TEST_F(Frame, AFailedApplyOnTheWayOutKeepsTheWindowAndTheEdits) {
    StartDocument();
    OpenFrame();
    Open(6);
    SendMessageW(Control(1250), BM_CLICK, 0, 0);
    Pump();
    sim::Faults faults = printer_->faults();
    faults.ignoreOnline = true;
    printer_->setFaults(faults);
    DialogAnswerer answer;
    answer.ThenPress(IDYES);
    answer.ThenPress(IDOK);
    SendMessageW(frame_->Window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(answer.Done());
    ASSERT_EQ(answer.Seen().size(), 2u);
    EXPECT_EQ(answer.Seen()[1].caption, winui::Wide(res::String(61244)));
    ASSERT_NE(frame_->Window(), nullptr);
    EXPECT_TRUE(IsWindowVisible(frame_->Window()));
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(Frame, SaveWritesTheCommandFileThroughTheSystemsDialogAndAsksBeforeReplacingIt) {
    StartDocument();
    OpenFrame();
    const std::string file = tmp_ + "/settings.npa";
    std::wstring windowsPath = winui::Wide(file);
    for (wchar_t& c : windowsPath)
        if (c == L'/') c = L'\\';
    {
        DialogAnswerer answer;
        answer.ThenSaveAs(windowsPath);
        SendMessageW(frame_->Window(), WM_COMMAND, res::ID_SAVE_COMMAND_FILE, 0);
        Pump();
        EXPECT_TRUE(answer.Done());
    }
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_GT(std::filesystem::file_size(file), 0u);
    EXPECT_TRUE(std::filesystem::exists(tmp_ + "/offline.dat"));
    // Again onto the same file: the dialog asks first; "yes" replaces it.
    std::filesystem::remove(file);
    std::ofstream(file) << "old";
    {
        DialogAnswerer answer;
        answer.ThenSaveAs(windowsPath);
        answer.ThenPress(IDYES);
        SendMessageW(frame_->Window(), WM_COMMAND, res::ID_SAVE_COMMAND_FILE, 0);
        Pump();
        EXPECT_TRUE(answer.Done());
        EXPECT_EQ(answer.Seen().size(), 2u);
    }
    EXPECT_GT(std::filesystem::file_size(file), 3u);
}

// A command file named as its own offline record would be overwritten by that record: the
// document refuses the name, also when the dialog gives it with the system's backslashes.
TEST_F(Frame, SaveRefusesACommandFileNamedOfflineDat) {
    StartDocument();
    OpenFrame();
    std::wstring path = winui::Wide(tmp_ + "/offline.dat");
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    DialogAnswerer answer;
    answer.ThenSaveAs(path);
    answer.ThenPress(IDOK);
    SendMessageW(frame_->Window(), WM_COMMAND, res::ID_SAVE_COMMAND_FILE, 0);
    Pump();
    EXPECT_TRUE(answer.Done());
    ASSERT_EQ(answer.Seen().size(), 2u);
    EXPECT_EQ(answer.Seen()[1].caption, winui::Wide(res::String(61289)));
    EXPECT_EQ(answer.Seen()[1].text, winui::Wide(res::Format(61290, winui::Narrow(path))));
    EXPECT_FALSE(std::filesystem::exists(tmp_ + "/offline.dat"));
}

TEST_F(Frame, InOneWayModeSaveIsGreyedUntilTheFirstChange) {
    StartDocument(true);
    OpenFrame();
    EXPECT_FALSE(frame_->menuItemEnabled(res::ID_SAVE_COMMAND_FILE));
    // The command does nothing while greyed: no dialog comes (one that did would be cancelled).
    {
        DialogAnswerer answer;
        answer.ThenPress(IDCANCEL);
        SendMessageW(frame_->Window(), WM_COMMAND, res::ID_SAVE_COMMAND_FILE, 0);
        Pump();
        EXPECT_TRUE(answer.Seen().empty());
    }
    Open(6);
    SendMessageW(Control(1262), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(frame_->menuItemEnabled(res::ID_SAVE_COMMAND_FILE));
}

TEST_F(Frame, MenuAcceleratorsAndF6AreTheTemplatesOwn) {
    StartDocument();
    OpenFrame();
    // The menu bar: "파일(&F)" with its items, then "적용(&A)" and "버전 정보(&B)".
    HMENU menu = frame_->Menu();
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    wchar_t text[128] = {};
    GetMenuStringW(menu, 0, text, 128, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), winui::Wide("파일(&F)"));
    GetMenuStringW(menu, res::ID_SAVE_COMMAND_FILE, text, 128, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), winui::Wide("코멘드 파일로 저장(&S)\tCtrl+S"));
    GetMenuStringW(menu, res::ID_APPLY_SETTINGS, text, 128, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), winui::Wide("적용(&A)"));
    // F6 moves the focus from the tree to the page and back.
    Open(6);
    SetFocus(frame_->Tree());
    Key(frame_->Tree(), VK_F6);
    EXPECT_EQ(GetFocus(), Control(1240));
    Key(GetFocus(), VK_F6);
    EXPECT_EQ(GetFocus(), frame_->Tree());
}

TEST_F(Frame, ThePrintersLabelCutByTheTreeBringsNoScrollBar) {
    StartDocument();
    OpenFrame();
    HWND tree = frame_->Tree();
    HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    RECT text{};
    *reinterpret_cast<HTREEITEM*>(&text) = root;
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
    RECT client{};
    GetClientRect(tree, &client);
    ASSERT_GT(text.right, client.right) << "the label is wider than the pane";
    EXPECT_FALSE(GetWindowLongW(tree, GWL_STYLE) & WS_HSCROLL);
}

TEST_F(Frame, AltF4ClosesTheWindowFromADropDownList) {
    StartDocument();
    OpenFrame();
    Open(6);
    HWND list = Control(1240);
    SetFocus(list);
    MSG msg{list, WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(0x20000001u), GetTickCount(), {}};  // Alt held
    if (!frame_->PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Pump();
    EXPECT_EQ(frame_->Window(), nullptr) << "nothing was changed: the window closes without a question";
}

TEST_F(Frame, TheStatusBarShowsTheHelpTextOfTheHighlightedItem) {
    StartDocument();
    OpenFrame();
    HWND window = frame_->Window();
    auto shown = [&] { return StatusPane(*frame_); };
    EXPECT_EQ(shown(), winui::Wide(res::String(57345)));
    SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(res::ID_APPLY_SETTINGS, MF_STRING), reinterpret_cast<LPARAM>(frame_->Menu()));
    EXPECT_EQ(shown(), winui::Wide(res::String(32774)));
    SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(res::ID_APP_ABOUT, MF_STRING), reinterpret_cast<LPARAM>(frame_->Menu()));
    EXPECT_EQ(shown(), winui::Wide("프로그램 정보, 버전 번호 및 저작권"));
    SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(SC_CLOSE, MF_STRING | MF_SYSMENU), reinterpret_cast<LPARAM>(GetSystemMenu(window, FALSE)));
    EXPECT_EQ(shown(), winui::Wide(res::String(61190)));
    SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(shown(), winui::Wide(res::String(57345)));
}

}  // namespace
}  // namespace wintest
