// Form 134: blank pages, separator sheets and their source, paper size and type of both trays.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1282, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1012, Ctl::Static, nullptr, 31, 29, 125, 10, 0, 61417},
    {1018, Ctl::ComboBox, nullptr, 161, 29, 135, 45, S_PAGE_LIST | S_GROUP},
    {1013, Ctl::Static, nullptr, 30, 45, 125, 12, 0, 61418},
    {1019, Ctl::ComboBox, nullptr, 161, 45, 135, 48, S_PAGE_LIST},
    {1014, Ctl::Static, nullptr, 30, 61, 125, 12, 0, 61419},
    // The source of separator sheets is shown, never chosen here.
    {1040, Ctl::ComboBox, nullptr, 161, 61, 135, 15, S_SORT | S_VSCROLL | S_DISABLED},
    {1295, Ctl::GroupBox, nullptr, 20, 79, 285, 50, 0, 61216},
    {1297, Ctl::Static, nullptr, 30, 92, 125, 12, 0, 61421},
    {1301, Ctl::ComboBox, nullptr, 161, 92, 135, 53, S_PAGE_LIST},
    {1298, Ctl::Static, nullptr, 30, 108, 125, 12, 0, 61218},
    {1302, Ctl::ComboBox, nullptr, 161, 108, 135, 62, S_PAGE_LIST},
    {1296, Ctl::GroupBox, nullptr, 20, 139, 285, 50, 0, 61420},
    {1299, Ctl::Static, nullptr, 30, 152, 125, 12, 0, 61421},
    {1303, Ctl::ComboBox, nullptr, 161, 152, 135, 63, S_PAGE_LIST},
    {1300, Ctl::Static, nullptr, 30, 168, 125, 12, 0, 61218},
    {1304, Ctl::ComboBox, nullptr, 161, 168, 135, 57, S_PAGE_LIST},
};

constexpr DialogTemplate kForm{134, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PaperPageTemplate() { return kForm; }

}  // namespace res
