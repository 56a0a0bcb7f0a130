// The forms of the setting pages.
#include "res/templates.h"

namespace res {

std::span<const DialogTemplate> PageTemplates() { return {}; }

}  // namespace res
