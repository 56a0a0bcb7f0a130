// Form 140: the weight of each of the fifteen paper types, one labelled list per row. Taller
// than the pane; the page scrolls.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kControls[] = {
    {1285, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1123, Ctl::Static, "일반 용지", 31, 29, 125, 12},
    {1108, Ctl::ComboBox, nullptr, 161, 29, 135, 40, S_PAGE_LIST},
    {1124, Ctl::Static, "카드 용지", 31, 45, 125, 12},
    {1109, Ctl::ComboBox, nullptr, 161, 45, 135, 40, S_PAGE_LIST},
    {1125, Ctl::Static, "OHP 필름", 31, 61, 125, 12},
    {1110, Ctl::ComboBox, nullptr, 161, 61, 135, 40, S_PAGE_LIST},
    {1126, Ctl::Static, "라벨", 31, 77, 125, 12},
    {1111, Ctl::ComboBox, nullptr, 161, 77, 135, 40, S_PAGE_LIST},
    {1127, Ctl::Static, "본드", 31, 93, 125, 12},
    {1112, Ctl::ComboBox, nullptr, 161, 93, 135, 40, S_PAGE_LIST},
    {1128, Ctl::Static, "봉투", 31, 109, 125, 12},
    {1113, Ctl::ComboBox, nullptr, 161, 109, 135, 40, S_PAGE_LIST},
    {1129, Ctl::Static, "레터헤드", 31, 125, 125, 12},
    {1114, Ctl::ComboBox, nullptr, 161, 125, 135, 40, S_PAGE_LIST},
    {1130, Ctl::Static, "양면지", 31, 141, 125, 12},
    {1115, Ctl::ComboBox, nullptr, 161, 141, 135, 40, S_PAGE_LIST},
    {1131, Ctl::Static, "색상 용지", 31, 157, 125, 12},
    {1116, Ctl::ComboBox, nullptr, 161, 157, 135, 40, S_PAGE_LIST},
    {1132, Ctl::Static, "사용자 1 무게", 31, 173, 125, 12},
    {1117, Ctl::ComboBox, nullptr, 161, 173, 135, 40, S_PAGE_LIST},
    {1133, Ctl::Static, "사용자 2 무게", 31, 189, 125, 12},
    {1118, Ctl::ComboBox, nullptr, 161, 189, 135, 40, S_PAGE_LIST},
    {1134, Ctl::Static, "사용자 3 무게", 31, 205, 125, 12},
    {1119, Ctl::ComboBox, nullptr, 161, 205, 135, 40, S_PAGE_LIST},
    {1135, Ctl::Static, "사용자 4 무게", 31, 221, 125, 12},
    {1120, Ctl::ComboBox, nullptr, 161, 221, 135, 40, S_PAGE_LIST},
    {1136, Ctl::Static, "사용자 5 무게", 31, 237, 125, 12},
    {1121, Ctl::ComboBox, nullptr, 161, 237, 135, 40, S_PAGE_LIST},
    {1137, Ctl::Static, "사용자 6 무게", 31, 253, 125, 12},
    {1122, Ctl::ComboBox, nullptr, 161, 253, 135, 40, S_PAGE_LIST},
};

constexpr DialogTemplate kForm{140, nullptr, 326, 281, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PaperWeightPageTemplate() { return kForm; }

}  // namespace res
