#include "window_support.h"

#include "winui/nav_tree.h"

namespace wintest {
namespace {

DialogAnswerer* g_answerer = nullptr;

// The dialog of this thread the user would answer now: visible and enabled (a file dialog under
// its own question is disabled).
HWND CurrentDialog() {
    struct Found {
        HWND dialog = nullptr;
    } found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lParam) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770" && IsWindowVisible(window) && IsWindowEnabled(window)) {
                reinterpret_cast<Found*>(lParam)->dialog = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.dialog;
}

std::wstring StaticTexts(HWND dialog) {
    std::wstring texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Static") == 0) texts += winui::WindowText(child);
    }
    return texts;
}

}  // namespace

void PostPress(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

DialogAnswerer::DialogAnswerer() {
    g_answerer = this;
    timer_ = SetTimer(nullptr, 0, 20, OnTimer);
}

DialogAnswerer::~DialogAnswerer() {
    if (timer_) KillTimer(nullptr, timer_);
    g_answerer = nullptr;
}

void CALLBACK DialogAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_answerer) g_answerer->Step();
}

void DialogAnswerer::Step() {
    if (actions_.empty()) return;
    HWND dialog = CurrentDialog();
    if (!dialog) return;
    // Taken off the queue before it runs: whatever it opens is answered by the next one.
    Action action = std::move(actions_.front());
    actions_.pop_front();
    seen_.push_back({winui::WindowText(dialog), StaticTexts(dialog)});
    if (!action(dialog)) {
        actions_.push_front(std::move(action));
        seen_.pop_back();
    }
}

void DialogAnswerer::ThenPress(int button) {
    Then([button](HWND dialog) {
        if (!GetDlgItem(dialog, button)) return false;
        PostPress(dialog, button);
        return true;
    });
}

void DialogAnswerer::ThenSaveAs(const std::wstring& path) {
    Then([path](HWND dialog) {
        // The file name box of the save dialog: a combo box (cmb13) or an edit (edt1).
        HWND name = GetDlgItem(dialog, 0x47C);
        if (!name) name = GetDlgItem(dialog, 0x480);
        if (!name) return false;
        SetWindowTextW(name, path.c_str());
        PostPress(dialog, IDOK);
        return true;
    });
}

void WindowTest::SetUp() {
    SimFixture::SetUp();
    ASSERT_TRUE(winui::LoadControlLibraries());
}

void WindowTest::TearDown() {
    if (frame_ && frame_->Window()) DestroyWindow(frame_->Window());
    doc_.SetFrame(nullptr);
    frame_.reset();
    // Whatever the closing posted (the quit message) is not the next test's.
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SimFixture::TearDown();
}

void WindowTest::StartDocument(bool oneWay) {
    if (oneWay) {
        sim_->setOsKind(platform::OsKind::OneWay);
        printer_ = &sim_->addParallelPrinter("LPT1", true);
        port_ = "LPT1:";
    } else {
        printer_ = &sim_->addUsbPrinter(1, "T90V000001");
        port_ = "USB001";
    }
    doc_.m_snapshotRoot = tmp_ + "/snapshots";
    StartupResult startup;
    startup.portName = port_;
    startup.printerLabel = port_ + " - Altrin Pressline T90";
    startup.readStatus = NpaReadAllSettings(port_, startup.values);
    ASSERT_EQ(startup.readStatus, oneWay ? NPA_ONEWAY : NPA_OK);
    // Without a frame yet, the one-way notice is not shown.
    ASSERT_TRUE(doc_.OnNewDocument(startup));
}

void WindowTest::OpenFrame() {
    frame_ = std::make_unique<winui::MainFrame>(&doc_);
    doc_.SetFrame(frame_.get());
    ASSERT_TRUE(frame_->Create(doc_.m_printerLabel, ConfigFile()));
    frame_->Show(SW_SHOWNORMAL);
    Pump();
}

void WindowTest::Open(int viewId) {
    HWND tree = frame_->Tree();
    // Depth first through the whole tree.
    std::vector<HTREEITEM> pending{TreeView_GetRoot(tree)};
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (!item) continue;
        if (winui::ViewIdOf(tree, item) == viewId && (viewId != 0 || item == TreeView_GetRoot(tree))) {
            TreeView_SelectItem(tree, item);
            Pump();
            return;
        }
        pending.push_back(TreeView_GetNextSibling(tree, item));
        pending.push_back(TreeView_GetChild(tree, item));
    }
    ADD_FAILURE() << "no tree node has view id " << viewId;
}

void WindowTest::Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (!frame_ || !frame_->PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (frame_) frame_->FollowFocus();
    }
    // The keys a test delivers itself are messages the loop did not see.
    if (frame_) frame_->FollowFocus();
}

void WindowTest::Key(HWND window, UINT key) {
    MSG msg{window, WM_KEYDOWN, key, 1, GetTickCount(), {}};
    if (!frame_->PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    MSG up{window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u), GetTickCount(), {}};
    if (!frame_->PreTranslate(up)) DispatchMessageW(&up);
    Pump();
}

void WindowTest::Char(HWND window, wchar_t c) {
    MSG msg{window, WM_CHAR, static_cast<WPARAM>(c), 1, GetTickCount(), {}};
    if (!frame_->PreTranslate(msg)) DispatchMessageW(&msg);
    Pump();
}

std::string WindowTest::PrinterValue(const std::string& name) {
    ValueMap values;
    EXPECT_EQ(NpaReadAllSettings(port_, values), NPA_OK);
    NpaEndSession(port_);
    return values[name];
}

}  // namespace wintest
