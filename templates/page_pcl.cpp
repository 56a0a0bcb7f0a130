// Form 146: PCL emulation (A4 width, automatic CR and LF, lines per page).
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1289, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1271, Ctl::Static, nullptr, 31, 29, 125, 12, 0, 61422},
    {1272, Ctl::ComboBox, nullptr, 160, 28, 135, 40, S_PAGE_LIST},
    {1274, Ctl::CheckBox, nullptr, 29, 46, 139, 10, S_PAGE_CHECK, 61423},
    {1276, Ctl::CheckBox, nullptr, 29, 62, 139, 10, S_PAGE_CHECK, 61424},
    {1277, Ctl::Static, nullptr, 31, 77, 125, 12, 0, 61425},
    {1278, Ctl::Edit, nullptr, 161, 77, 45, 12, S_NUMBER_FIELD},
    {1279, Ctl::UpDown, nullptr, 211, 77, 11, 10, S_SPIN | S_UDS_NOTHOUSANDS},
};

constexpr DialogTemplate kForm{146, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PclPageTemplate() { return kForm; }

}  // namespace res
