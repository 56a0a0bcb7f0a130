// What a screen reader is told about the forms' radio buttons. Qt tells a radio button whose
// auto-exclusivity is off that it is a check box; the builder turns it off on every radio button
// (a form's groups run as its template says, not by parent widget), so without this each of them
// would be announced as a check box.
#pragma once

namespace ui {

// From now on, every radio button is reported with the radio-button role, its checked state and
// its toggle action. Once per program; later calls do nothing.
void InstallRadioButtonAccessibility();

}  // namespace ui
