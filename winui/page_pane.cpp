#include "winui/page_pane.h"

#include <algorithm>

namespace winui {
namespace {

constexpr wchar_t kPaneClass[] = L"DevPanelPagePane";
constexpr LONG kLineStep = 16;

bool RegisterPaneClass() {
    static const bool registered = [] {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = DefWindowProcW;  // replaced per window in the constructor
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        c.lpszClassName = kPaneClass;
        return RegisterClassExW(&c) != 0;
    }();
    return registered;
}

}  // namespace

PagePane::PagePane(HWND parent) {
    if (!RegisterPaneClass()) return;
    m_window = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT, kPaneClass, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL, 0, 0, 0, 0, parent,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_window) return;
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
}

PagePane::~PagePane() {
    m_page.reset();
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
}

void PagePane::SetPage(std::unique_ptr<SettingsPage> page) {
    // The document outlives every page: the old one goes first, then the new one shows.
    m_page = std::move(page);
    m_scroll = POINT{0, 0};
    Layout();
    if (m_page && m_page->Form()) ShowWindow(m_page->Form(), SW_SHOW);
}

void PagePane::Layout() {
    if (!m_window) return;
    const SIZE page = m_page ? m_page->Size() : SIZE{0, 0};
    RECT client{};
    // A scroll bar shows only while the page is larger than the pane; one coming or going
    // changes the room left for the other, so the sizes are set a second time.
    for (int pass = 0; pass < 2; ++pass) {
        GetClientRect(m_window, &client);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE;
        info.nMax = page.cx > 0 ? page.cx - 1 : 0;
        info.nPage = static_cast<UINT>(client.right);
        SetScrollInfo(m_window, SB_HORZ, &info, FALSE);
        info.nMax = page.cy > 0 ? page.cy - 1 : 0;
        info.nPage = static_cast<UINT>(client.bottom);
        SetScrollInfo(m_window, SB_VERT, &info, FALSE);
    }
    // A pane larger than the page shows it whole, from its top left corner.
    GetClientRect(m_window, &client);
    ScrollTo(std::min(m_scroll.x, std::max<LONG>(0, page.cx - client.right)),
             std::min(m_scroll.y, std::max<LONG>(0, page.cy - client.bottom)));
}

void PagePane::ScrollTo(LONG x, LONG y) {
    m_scroll = POINT{std::max<LONG>(0, x), std::max<LONG>(0, y)};
    SetScrollPos(m_window, SB_HORZ, m_scroll.x, TRUE);
    SetScrollPos(m_window, SB_VERT, m_scroll.y, TRUE);
    if (m_page && m_page->Form()) {
        SetWindowPos(m_page->Form(), nullptr, -m_scroll.x, -m_scroll.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PagePane::EnsureVisible(HWND control) {
    if (!m_page || !m_page->Form() || !control || !IsChild(m_page->Form(), control)) return;
    RECT r{}, client{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, m_page->Form(), reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(m_window, &client);
    LONG x = m_scroll.x, y = m_scroll.y;
    if (r.right > x + client.right) x = r.right - client.right;
    if (r.left < x) x = r.left;
    if (r.bottom > y + client.bottom) y = r.bottom - client.bottom;
    if (r.top < y) y = r.top;
    if (x != m_scroll.x || y != m_scroll.y) ScrollTo(x, y);
}

void PagePane::OnScroll(int bar, WORD request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(m_window, bar, &info);
    LONG pos = info.nPos;
    const LONG page = static_cast<LONG>(info.nPage);
    const LONG last = std::max<LONG>(0, info.nMax - page + 1);
    switch (request) {
        case SB_LINEUP: pos -= kLineStep; break;
        case SB_LINEDOWN: pos += kLineStep; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = info.nTrackPos; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = last; break;
        default: return;
    }
    pos = std::clamp<LONG>(pos, 0, last);
    if (bar == SB_HORZ)
        ScrollTo(pos, m_scroll.y);
    else
        ScrollTo(m_scroll.x, pos);
}

LRESULT CALLBACK PagePane::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pane = reinterpret_cast<PagePane*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return pane ? pane->OnMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT PagePane::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_HSCROLL:
            OnScroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_VSCROLL:
            OnScroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL: {
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            ScrollTo(m_scroll.x, m_scroll.y - notches * 3 * kLineStep);
            Layout();
            return 0;
        }
        default:
            return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

}  // namespace winui
