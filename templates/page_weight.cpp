// Form 140: the weight of each of the fifteen paper types, one labelled list per row. Taller
// than the pane; the page scrolls.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1285, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1123, Ctl::Static, nullptr, 31, 29, 125, 12, 0, 61308},
    {1108, Ctl::ComboBox, nullptr, 161, 29, 135, 40, S_PAGE_LIST},
    {1124, Ctl::Static, nullptr, 31, 45, 125, 12, 0, 61257},
    {1109, Ctl::ComboBox, nullptr, 161, 45, 135, 40, S_PAGE_LIST},
    {1125, Ctl::Static, nullptr, 31, 61, 125, 12, 0, 61258},
    {1110, Ctl::ComboBox, nullptr, 161, 61, 135, 40, S_PAGE_LIST},
    {1126, Ctl::Static, nullptr, 31, 77, 125, 12, 0, 61259},
    {1111, Ctl::ComboBox, nullptr, 161, 77, 135, 40, S_PAGE_LIST},
    {1127, Ctl::Static, nullptr, 31, 93, 125, 12, 0, 61309},
    {1112, Ctl::ComboBox, nullptr, 161, 93, 135, 40, S_PAGE_LIST},
    {1128, Ctl::Static, nullptr, 31, 109, 125, 12, 0, 61260},
    {1113, Ctl::ComboBox, nullptr, 161, 109, 135, 40, S_PAGE_LIST},
    {1129, Ctl::Static, nullptr, 31, 125, 125, 12, 0, 61456},
    {1114, Ctl::ComboBox, nullptr, 161, 125, 135, 40, S_PAGE_LIST},
    {1130, Ctl::Static, nullptr, 31, 141, 125, 12, 0, 61457},
    {1115, Ctl::ComboBox, nullptr, 161, 141, 135, 40, S_PAGE_LIST},
    {1131, Ctl::Static, nullptr, 31, 157, 125, 12, 0, 61312},
    {1116, Ctl::ComboBox, nullptr, 161, 157, 135, 40, S_PAGE_LIST},
    {1132, Ctl::Static, nullptr, 31, 173, 125, 12, 0, 61458},
    {1117, Ctl::ComboBox, nullptr, 161, 173, 135, 40, S_PAGE_LIST},
    {1133, Ctl::Static, nullptr, 31, 189, 125, 12, 0, 61459},
    {1118, Ctl::ComboBox, nullptr, 161, 189, 135, 40, S_PAGE_LIST},
    {1134, Ctl::Static, nullptr, 31, 205, 125, 12, 0, 61460},
    {1119, Ctl::ComboBox, nullptr, 161, 205, 135, 40, S_PAGE_LIST},
    {1135, Ctl::Static, nullptr, 31, 221, 125, 12, 0, 61461},
    {1120, Ctl::ComboBox, nullptr, 161, 221, 135, 40, S_PAGE_LIST},
    {1136, Ctl::Static, nullptr, 31, 237, 125, 12, 0, 61462},
    {1121, Ctl::ComboBox, nullptr, 161, 237, 135, 40, S_PAGE_LIST},
    {1137, Ctl::Static, nullptr, 31, 253, 125, 12, 0, 61463},
    {1122, Ctl::ComboBox, nullptr, 161, 253, 135, 40, S_PAGE_LIST},
};

constexpr DialogTemplate kForm{140, nullptr, 326, 281, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PaperWeightPageTemplate() { return kForm; }

}  // namespace res
