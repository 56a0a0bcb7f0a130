// Form 137: toner alarm and PQET.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1287, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1047, Ctl::Static, nullptr, 31, 29, 125, 12, 0, 61416},
    // Unsorted: the entries keep the order in which the page adds them.
    {1044, Ctl::ComboBox, nullptr, 161, 29, 135, 45, S_VSCROLL | S_GROUP | S_TABSTOP},
    {1046, Ctl::CheckBox, "PQET", 31, 45, 139, 12, S_PAGE_CHECK},
};

constexpr DialogTemplate kForm{137, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& FinishingPageTemplate() { return kForm; }

}  // namespace res
