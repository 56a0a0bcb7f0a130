#include "flows/commands.h"
#include "winui/progress_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <system_error>
#include <thread>

#include "strings/string_table.h"
#include "templates/dialog_units.h"
#include "winui/modal_dialog.h"
#include "winui/template_window.h"

namespace winui {
namespace {

constexpr UINT kWorkDone = WM_APP + 1;
constexpr UINT kWorkProgress = WM_APP + 2;
constexpr int kLabelId = 1001, kCountId = 1002, kBarId = 1003;

// The dialogs' own font and a title bar without system menu, as the start-up's wait dialog.
const res::DialogTemplate& ProgressTemplate() {
    static const std::string caption = res::String(res::IDS_APP_TITLE);
    static const res::ControlTemplate controls[] = {
        {kLabelId, res::Ctl::Static, nullptr, 8, 10, 276, 10, res::S_CENTER},
        {kCountId, res::Ctl::Static, nullptr, 8, 40, 276, 10, res::S_CENTER},
    };
    static const res::DialogTemplate dialog{0, caption.c_str(), 292, 56, res::D_MODAL | res::D_CAPTION, controls};
    return dialog;
}

}  // namespace


class ProgressWindow : public ModalDialog {
public:
    ProgressWindow(ProgressDialog& owner, const std::function<int()>& work)
        : ModalDialog(ProgressTemplate()), m_owner(owner), m_work(work) {}
    ~ProgressWindow() override { Join(); }
    int Result() {
        Join();
        return m_result;
    }

protected:
    bool OnInit() override {
        HWND window = Window();
        SetDlgItemTextW(window, kLabelId, Wide(m_owner.m_label).c_str());
        // The bar between the two lines; until the work says how many settings it sends, it only
        // shows that work goes on.
        const ui::PixelRect r = ui::DialogUnitsToPixels(8, 24, 276, 10, LaidOutBaseUnits(ProgressTemplate()));
        HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_MARQUEE, r.x, r.y, r.width,
                                   r.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)),
                                   GetModuleHandleW(nullptr), nullptr);
        SendMessageW(bar, PBM_SETMARQUEE, TRUE, 50);
        m_owner.m_window.store(window);
        try {
            m_worker = std::thread([this, window] {
                m_result = m_work();
                // Posted after every progress message the work posted: the last count shows first.
                PostMessageW(window, kWorkDone, 0, 0);
            });
        } catch (const std::system_error&) {
            m_result = m_work();
            PostMessageW(window, kWorkDone, 0, 0);
        }
        return false;
    }
    void OnCommand(int, int) override {}  // neither Enter nor Escape ends it
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override {
        *result = 0;
        switch (message) {
            case kWorkProgress: {
                HWND bar = GetDlgItem(Window(), kBarId);
                const auto sent = static_cast<size_t>(wParam), total = static_cast<size_t>(lParam);
                LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
                if (style & PBS_MARQUEE) {
                    SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
                    SetWindowLongPtrW(bar, GWL_STYLE, style & ~PBS_MARQUEE);
                }
                // Nothing to send (one-way mode with no change) shows a full bar, not a busy one.
                const int max = static_cast<int>(std::min<size_t>(std::max<size_t>(total, 1), 1000000));
                SendMessageW(bar, PBM_SETRANGE32, 0, max);
                SendMessageW(bar, PBM_SETPOS, total == 0 ? max : static_cast<int>(std::min(sent, total)), 0);
                SetDlgItemTextW(Window(), kCountId,
                                Wide(flows::ProgressText(m_owner.m_phase.load(), sent, total)).c_str());
                return true;
            }
            case kWorkDone:
                m_owner.m_window.store(nullptr);
                End(IDOK);
                return true;
            case WM_CLOSE:
                return true;  // only the work's end closes it
            default:
                return false;
        }
    }

private:
    void Join() {
        if (m_worker.joinable()) m_worker.join();
    }
    ProgressDialog& m_owner;
    const std::function<int()>& m_work;
    std::thread m_worker;
    int m_result = -3;  // NPA_ERR_WRITE until the work says otherwise
};

int ProgressDialog::Run(HWND owner, const std::function<int()>& work) {
    ProgressWindow window(*this, work);
    if (window.Run(owner) == -1) {
        m_window.store(nullptr);
        return work();  // no dialog: the work still has to run (and bring the printer back online)
    }
    return window.Result();
}

void ProgressDialog::Progress(NpaPhase phase, size_t sent, size_t total) {
    m_phase.store(phase);
    if (HWND window = m_window.load())
        PostMessageW(window, kWorkProgress, static_cast<WPARAM>(sent), static_cast<LPARAM>(total));
}

}  // namespace winui
