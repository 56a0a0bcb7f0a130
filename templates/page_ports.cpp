// Forms 139 and 138: the options of the parallel port and of the USB port.
#include "templates/page_templates.h"

namespace res {
namespace {

constexpr ControlTemplate kParallelControls[] = {
    {1291, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1058, Ctl::CheckBox, nullptr, 30, 29, 139, 10, S_PAGE_CHECK, 61426},
    {1059, Ctl::CheckBox, nullptr, 30, 45, 139, 10, S_PAGE_CHECK, 61427},
    {1060, Ctl::CheckBox, nullptr, 30, 61, 139, 10, S_PAGE_CHECK, 61428},
    {1061, Ctl::CheckBox, "Honor Init", 30, 77, 139, 10, S_PAGE_CHECK},
    {1062, Ctl::CheckBox, "PCL AutoLang", 30, 93, 139, 10, S_PAGE_CHECK},
    {1063, Ctl::CheckBox, "PS AutoLang", 30, 109, 139, 10, S_PAGE_CHECK},
    {1071, Ctl::Static, nullptr, 31, 125, 125, 12, 0, 61429},
    {1064, Ctl::ComboBox, nullptr, 161, 125, 135, 35, S_PAGE_LIST},
};

constexpr ControlTemplate kUsbControls[] = {
    {1292, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_TITLE_LINE},
    {1052, Ctl::CheckBox, "PCL AutoLang", 36, 30, 137, 10, S_PAGE_CHECK},
    {1053, Ctl::CheckBox, "PS AutoLang", 36, 46, 137, 10, S_PAGE_CHECK},
};

constexpr DialogTemplate kParallelForm{139, nullptr, 326, 231, D_CHILD, kParallelControls};
constexpr DialogTemplate kUsbForm{138, nullptr, 326, 231, D_CHILD, kUsbControls};
[[maybe_unused]] const bool kRegisteredParallel = RegisterDialogTemplate(kParallelForm);
[[maybe_unused]] const bool kRegisteredUsb = RegisterDialogTemplate(kUsbForm);

}  // namespace

const DialogTemplate& ParallelPortsPageTemplate() { return kParallelForm; }
const DialogTemplate& UsbPortsPageTemplate() { return kUsbForm; }

}  // namespace res
