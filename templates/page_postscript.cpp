// Form 144: the three PostScript timeouts and the font priority.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr uint32_t kField = S_NUMBER_FIELD | S_DISABLED;
constexpr uint32_t kSpin = S_SPIN | S_UDS_NOTHOUSANDS | S_DISABLED;

constexpr ControlTemplate kControls[] = {
    {1290, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1180, Ctl::CheckBox, nullptr, 29, 29, 139, 10, S_PAGE_CHECK, 61430},
    {1181, Ctl::Edit, nullptr, 177, 28, 45, 12, kField},
    {1182, Ctl::UpDown, nullptr, 227, 29, 10, 10, kSpin},
    {1184, Ctl::CheckBox, nullptr, 29, 45, 139, 10, S_PAGE_CHECK, 61431},
    {1185, Ctl::Edit, nullptr, 177, 44, 45, 12, kField},
    {1186, Ctl::UpDown, nullptr, 227, 45, 10, 10, kSpin},
    {1188, Ctl::CheckBox, nullptr, 29, 61, 140, 10, S_PAGE_CHECK, 61432},
    {1189, Ctl::Edit, nullptr, 177, 60, 45, 12, kField},
    {1190, Ctl::UpDown, nullptr, 227, 61, 10, 10, kSpin},
    {1195, Ctl::Static, nullptr, 31, 77, 125, 12, 0, 61433},
    {1194, Ctl::ComboBox, nullptr, 161, 77, 135, 40, S_PAGE_LIST},
};

constexpr DialogTemplate kForm{144, nullptr, 326, 231, D_CHILD, kControls};
[[maybe_unused]] const bool kRegistered = RegisterDialogTemplate(kForm);

}  // namespace

const DialogTemplate& PostscriptPageTemplate() { return kForm; }

}  // namespace res
