// Form 134: blank pages, separator sheets and their source, paper size and type of both trays.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1282, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1012, Ctl::Static, "공백 페이지", 31, 29, 125, 10},
    {1018, Ctl::ComboBox, nullptr, 161, 29, 135, 45, S_PAGE_LIST | S_GROUP},
    {1013, Ctl::Static, "분리 페이지", 30, 45, 125, 12},
    {1019, Ctl::ComboBox, nullptr, 161, 45, 135, 48, S_PAGE_LIST},
    {1014, Ctl::Static, "분리 자원", 30, 61, 125, 12},
    // The source of separator sheets is shown, never chosen here.
    {1040, Ctl::ComboBox, nullptr, 161, 61, 135, 15, S_SORT | S_VSCROLL | S_DISABLED},
    {1295, Ctl::GroupBox, "트레이 1", 20, 79, 285, 50},
    {1297, Ctl::Static, "용지 크기", 30, 92, 125, 12},
    {1301, Ctl::ComboBox, nullptr, 161, 92, 135, 53, S_PAGE_LIST},
    {1298, Ctl::Static, "용지 종류", 30, 108, 125, 12},
    {1302, Ctl::ComboBox, nullptr, 161, 108, 135, 62, S_PAGE_LIST},
    {1296, Ctl::GroupBox, "트레이 2", 20, 139, 285, 50},
    {1299, Ctl::Static, "용지 크기", 30, 152, 125, 12},
    {1303, Ctl::ComboBox, nullptr, 161, 152, 135, 63, S_PAGE_LIST},
    {1300, Ctl::Static, "용지 종류", 30, 168, 125, 12},
    {1304, Ctl::ComboBox, nullptr, 161, 168, 135, 57, S_PAGE_LIST},
};

constexpr DialogTemplate kForm{134, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PaperPageTemplate() { return kForm; }

}  // namespace res
