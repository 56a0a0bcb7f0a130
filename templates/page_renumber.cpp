// Form 147: the PCL numbers of tray 1, tray 2, the manual paper feed and the manual envelope
// feed. Each group: "없음", "꺼짐" and a number button (one radio group), then the number field
// (which starts the next group) and its spin.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr uint32_t kField = S_BORDER | S_RIGHT | S_NUMBER | S_READONLY | S_GROUP | S_TABSTOP | S_DISABLED;

constexpr ControlTemplate kControls[] = {
    {1294, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},

    {1203, Ctl::GroupBox, nullptr, 31, 29, 105, 66, 0, 61434},
    {1196, Ctl::RadioButton, nullptr, 41, 42, 85, 12, S_GROUP | S_TABSTOP, 61233},
    {1197, Ctl::RadioButton, nullptr, 41, 58, 85, 12, 0, 61246},
    {1198, Ctl::RadioButton, nullptr, 41, 74, 10, 12},
    {1201, Ctl::Edit, nullptr, 53, 74, 40, 12, kField},
    {1202, Ctl::UpDown, nullptr, 98, 74, 11, 10, S_SPIN},

    {1212, Ctl::GroupBox, nullptr, 190, 29, 105, 66, 0, 61435},
    {1213, Ctl::RadioButton, nullptr, 200, 42, 85, 12, S_GROUP | S_TABSTOP, 61233},
    {1214, Ctl::RadioButton, nullptr, 200, 58, 85, 12, 0, 61246},
    {1215, Ctl::RadioButton, nullptr, 200, 74, 10, 12},
    {1216, Ctl::Edit, nullptr, 212, 74, 40, 12, kField},
    {1217, Ctl::UpDown, nullptr, 257, 74, 11, 10, S_SPIN},

    {1220, Ctl::GroupBox, nullptr, 31, 122, 105, 66, 0, 61436},
    {1221, Ctl::RadioButton, nullptr, 41, 135, 85, 12, S_GROUP | S_TABSTOP, 61233},
    {1222, Ctl::RadioButton, nullptr, 41, 151, 85, 12, 0, 61246},
    {1223, Ctl::RadioButton, nullptr, 41, 167, 10, 12},
    {1224, Ctl::Edit, nullptr, 53, 167, 40, 12, kField},
    {1225, Ctl::UpDown, nullptr, 98, 167, 11, 10, S_SPIN},

    {1228, Ctl::GroupBox, nullptr, 190, 122, 105, 66, 0, 61437},
    {1235, Ctl::RadioButton, nullptr, 200, 135, 85, 12, S_GROUP | S_TABSTOP, 61233},
    {1234, Ctl::RadioButton, nullptr, 200, 151, 85, 12, 0, 61246},
    {1233, Ctl::RadioButton, nullptr, 200, 167, 10, 12},
    {1232, Ctl::Edit, nullptr, 212, 167, 40, 12, kField},
    {1231, Ctl::UpDown, nullptr, 257, 167, 11, 10, S_SPIN},
};

constexpr DialogTemplate kForm{147, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& RenumberPageTemplate() { return kForm; }

}  // namespace res
