// Form 145: general setup (printer language, jam recovery, display language, print area, tag,
// three timers that can be switched off, four on/off switches).
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr uint32_t kField = S_NUMBER_FIELD | S_DISABLED;
// The number is stored as the setting's value exactly as the field shows it, so the field must
// never carry a thousands separator, however large the configured range.
constexpr uint32_t kSpin = S_SPIN | S_UDS_NOTHOUSANDS | S_DISABLED;

constexpr ControlTemplate kControls[] = {
    {1288, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1239, Ctl::Static, nullptr, 31, 29, 125, 12, 0, 61438},
    {1240, Ctl::ComboBox, nullptr, 161, 29, 135, 40, S_PAGE_LIST},
    {1241, Ctl::Static, nullptr, 31, 45, 125, 12, 0, 61439},
    {1242, Ctl::ComboBox, nullptr, 161, 45, 135, 40, S_SORT | S_TABSTOP},
    {1243, Ctl::Static, nullptr, 31, 61, 125, 12, 0, 61440},
    {1244, Ctl::ComboBox, nullptr, 161, 61, 135, 65, S_SORT | S_TABSTOP},
    {1246, Ctl::Static, nullptr, 31, 77, 125, 12, 0, 61441},
    {1245, Ctl::ComboBox, nullptr, 161, 77, 135, 40, S_SORT | S_TABSTOP},
    {1248, Ctl::Static, nullptr, 31, 93, 125, 12, 0, 61442},
    {1247, Ctl::Edit, nullptr, 161, 93, 135, 12, S_BORDER | S_AUTOHSCROLL | S_TABSTOP},
    {1250, Ctl::CheckBox, nullptr, 29, 110, 139, 10, S_PAGE_CHECK, 61443},
    {1251, Ctl::Edit, nullptr, 177, 109, 45, 12, kField},
    {1252, Ctl::UpDown, nullptr, 227, 109, 11, 10, kSpin},
    {1254, Ctl::CheckBox, nullptr, 29, 126, 139, 10, S_PAGE_CHECK, 61444},
    {1255, Ctl::Edit, nullptr, 177, 125, 45, 12, kField},
    {1256, Ctl::UpDown, nullptr, 227, 125, 11, 10, kSpin},
    {1258, Ctl::CheckBox, nullptr, 29, 142, 139, 10, S_PAGE_CHECK, 61445},
    {1259, Ctl::Edit, nullptr, 177, 141, 45, 12, kField},
    {1260, Ctl::UpDown, nullptr, 227, 141, 11, 10, kSpin},
    {1262, Ctl::CheckBox, nullptr, 29, 158, 139, 10, S_PAGE_CHECK, 61446},
    {1264, Ctl::CheckBox, nullptr, 29, 174, 139, 10, S_PAGE_CHECK, 61447},
    {1266, Ctl::CheckBox, nullptr, 29, 190, 139, 10, S_PAGE_CHECK, 61448},
    {1268, Ctl::CheckBox, nullptr, 29, 206, 139, 10, S_PAGE_CHECK, 61449},
};

constexpr DialogTemplate kForm{145, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& SetupPageTemplate() { return kForm; }

}  // namespace res
