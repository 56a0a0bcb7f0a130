// Form 143: the name and the base type of each of the six custom paper types. Taller than the
// pane; the page scrolls.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr uint32_t kName = S_BORDER | S_AUTOHSCROLL | S_GROUP | S_TABSTOP;
constexpr uint32_t kList = S_PAGE_LIST | S_GROUP;

constexpr ControlTemplate kControls[] = {
    {1283, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1166, Ctl::GroupBox, nullptr, 20, 30, 285, 45, 0, 61410},
    {1160, Ctl::Static, nullptr, 35, 40, 110, 15, 0, 61220},
    {1154, Ctl::Edit, nullptr, 151, 40, 135, 12, kName},
    {1146, Ctl::Static, nullptr, 35, 55, 110, 15, 0, 61218},
    {1140, Ctl::ComboBox, nullptr, 151, 55, 135, 55, kList},
    {1167, Ctl::GroupBox, nullptr, 20, 80, 285, 45, 0, 61411},
    {1161, Ctl::Static, nullptr, 35, 90, 110, 15, 0, 61220},
    {1155, Ctl::Edit, nullptr, 151, 90, 135, 12, kName},
    {1147, Ctl::Static, nullptr, 35, 105, 110, 15, 0, 61218},
    {1141, Ctl::ComboBox, nullptr, 151, 105, 135, 55, kList},
    {1168, Ctl::GroupBox, nullptr, 20, 130, 285, 45, 0, 61412},
    {1162, Ctl::Static, nullptr, 35, 140, 110, 15, 0, 61220},
    {1156, Ctl::Edit, nullptr, 151, 140, 135, 12, kName},
    {1148, Ctl::Static, nullptr, 35, 155, 110, 15, 0, 61218},
    {1142, Ctl::ComboBox, nullptr, 151, 154, 135, 55, kList},
    {1169, Ctl::GroupBox, nullptr, 20, 180, 285, 45, 0, 61413},
    {1163, Ctl::Static, nullptr, 35, 190, 110, 15, 0, 61220},
    {1157, Ctl::Edit, nullptr, 151, 190, 135, 12, kName},
    {1149, Ctl::Static, nullptr, 35, 204, 110, 15, 0, 61218},
    {1143, Ctl::ComboBox, nullptr, 151, 204, 135, 55, kList},
    {1170, Ctl::GroupBox, nullptr, 20, 230, 285, 45, 0, 61414},
    {1164, Ctl::Static, nullptr, 35, 239, 110, 15, 0, 61220},
    {1158, Ctl::Edit, nullptr, 151, 239, 135, 12, kName},
    {1150, Ctl::Static, nullptr, 35, 255, 110, 15, 0, 61218},
    {1144, Ctl::ComboBox, nullptr, 151, 253, 135, 55, kList},
    {1171, Ctl::GroupBox, nullptr, 20, 280, 285, 45, 0, 61415},
    {1165, Ctl::Static, nullptr, 35, 290, 110, 15, 0, 61220},
    {1159, Ctl::Edit, nullptr, 151, 290, 135, 12, kName},
    {1151, Ctl::Static, nullptr, 35, 305, 110, 15, 0, 61218},
    {1145, Ctl::ComboBox, nullptr, 151, 304, 135, 50, kList},
};

constexpr DialogTemplate kForm{143, nullptr, 326, 346, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& CustomPageTemplate() { return kForm; }

}  // namespace res
