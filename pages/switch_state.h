// Check boxes bound to on/off settings.
#pragma once

#include <QAbstractButton>

#include "config/config.h"

namespace pages {

// A switch setting whose section does not give exactly two values has no token for either state
// of its box (the document holds no keys for it). Its box is shown clear and disabled, so that
// it neither pretends a state nor offers a click that could store nothing.
inline bool IsUsableSwitch(const config::SwitchDescriptor& descriptor) {
    return !descriptor.entry[0].empty() && !descriptor.entry[1].empty();
}

inline void DisableIfUnusable(const config::SwitchDescriptor& descriptor, QAbstractButton* box) {
    if (!box || IsUsableSwitch(descriptor)) return;
    box->setChecked(false);
    box->setEnabled(false);
}

}  // namespace pages
