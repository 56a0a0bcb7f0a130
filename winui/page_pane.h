// The right pane of the main window: it holds the current setting page's form at its template's
// size and scrolls it when the pane is smaller, following the keyboard focus so that the focused
// control is always in view.
#pragma once

#include <windows.h>

#include <memory>

#include "winui/settings_page.h"

namespace winui {

class PagePane {
public:
    // Creates the pane as a child of parent. Window() is nullptr on failure.
    explicit PagePane(HWND parent);
    ~PagePane();
    PagePane(const PagePane&) = delete;
    PagePane& operator=(const PagePane&) = delete;

    HWND Window() const { return m_window; }
    SettingsPage* Page() const { return m_page.get(); }
    // Puts a new page in, in place of the old one (which is destroyed), scrolled to its top.
    void SetPage(std::unique_ptr<SettingsPage> page);
    // Scrolls so that the control (a window inside the page's form) is in view.
    void EnsureVisible(HWND control);
    // The scroll position.
    POINT Scroll() const { return m_scroll; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout();
    void ScrollTo(LONG x, LONG y);
    void OnScroll(int bar, WORD request);

    HWND m_window = nullptr;
    std::unique_ptr<SettingsPage> m_page;
    POINT m_scroll{0, 0};
};

}  // namespace winui
