// Form 141: the texture of each of the fifteen paper types, one labelled list per row. Taller
// than the pane; the page scrolls.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1284, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1087, Ctl::Static, nullptr, 31, 29, 125, 12, 0, 61308},
    {1076, Ctl::ComboBox, nullptr, 161, 29, 135, 40, S_PAGE_LIST},
    {1089, Ctl::Static, nullptr, 31, 45, 125, 12, 0, 61257},
    {1077, Ctl::ComboBox, nullptr, 161, 45, 135, 40, S_PAGE_LIST},
    {1090, Ctl::Static, nullptr, 31, 61, 125, 12, 0, 61258},
    {1080, Ctl::ComboBox, nullptr, 161, 61, 135, 40, S_PAGE_LIST},
    {1091, Ctl::Static, nullptr, 31, 77, 125, 12, 0, 61259},
    {1081, Ctl::ComboBox, nullptr, 161, 77, 135, 40, S_PAGE_LIST},
    {1092, Ctl::Static, nullptr, 31, 93, 125, 12, 0, 61309},
    {1082, Ctl::ComboBox, nullptr, 161, 93, 135, 40, S_PAGE_LIST},
    {1093, Ctl::Static, nullptr, 31, 109, 125, 12, 0, 61260},
    {1083, Ctl::ComboBox, nullptr, 161, 109, 135, 40, S_PAGE_LIST},
    {1094, Ctl::Static, nullptr, 31, 125, 125, 12, 0, 61310},
    {1084, Ctl::ComboBox, nullptr, 161, 125, 135, 40, S_PAGE_LIST},
    {1095, Ctl::Static, nullptr, 31, 141, 125, 12, 0, 61311},
    {1085, Ctl::ComboBox, nullptr, 161, 141, 135, 40, S_PAGE_LIST},
    {1096, Ctl::Static, nullptr, 31, 157, 125, 12, 0, 61312},
    {1086, Ctl::ComboBox, nullptr, 161, 157, 135, 40, S_PAGE_LIST},
    {1097, Ctl::Static, nullptr, 31, 173, 125, 12, 0, 61450},
    {1088, Ctl::ComboBox, nullptr, 161, 173, 135, 40, S_PAGE_LIST},
    {1103, Ctl::Static, nullptr, 31, 189, 125, 12, 0, 61451},
    {1098, Ctl::ComboBox, nullptr, 161, 189, 135, 40, S_PAGE_LIST},
    {1104, Ctl::Static, nullptr, 31, 205, 125, 12, 0, 61452},
    {1099, Ctl::ComboBox, nullptr, 161, 205, 135, 40, S_PAGE_LIST},
    {1105, Ctl::Static, nullptr, 31, 221, 125, 12, 0, 61453},
    {1100, Ctl::ComboBox, nullptr, 161, 221, 135, 40, S_PAGE_LIST},
    {1106, Ctl::Static, nullptr, 31, 237, 125, 12, 0, 61454},
    {1101, Ctl::ComboBox, nullptr, 161, 237, 135, 40, S_PAGE_LIST},
    {1107, Ctl::Static, nullptr, 31, 253, 125, 12, 0, 61455},
    {1102, Ctl::ComboBox, nullptr, 161, 253, 135, 35, S_PAGE_LIST},
};

constexpr DialogTemplate kForm{141, nullptr, 326, 281, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PaperTexturePageTemplate() { return kForm; }

}  // namespace res
