// A dialog template of templates/templates.h as the Win32 dialog manager reads it: the bytes of an
// extended dialog template (DLGTEMPLATEEX with its DLGITEMTEMPLATEEX items), which
// CreateDialogIndirectParamW and DialogBoxIndirectParamW build into windows. Plain C++ without
// <windows.h>, so that every system can build and test it.
//
// The forms were laid out in 굴림's own 6 x 12 cell. When the font the system selects for the
// template's face has other base units (a substitute font under Wine, say), every rectangle is
// rescaled so that the dialog manager's conversion with the selected font's units lands as near
// as whole dialog units allow to where 굴림's would (template_window.h then places each control on
// the exact pixel).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "templates/dialog_units.h"
#include "templates/templates.h"

namespace winui {

struct TemplateOptions {
    ui::BaseUnits laidOut{6, 12};  // the units the template's numbers are in
    ui::BaseUnits actual{6, 12};   // the units of the font the system selects for it
    int iconResource = 128;        // the icon resource an icon control shows
};

// What one template control becomes: a predefined class by its atom, or a class by name, with
// its window style.
struct Win32Control {
    uint16_t classAtom = 0;     // 0: className names the class
    std::u16string className;
    uint32_t style = 0;
};

Win32Control ControlClass(const res::ControlTemplate& control);
uint32_t DialogStyle(const res::DialogTemplate& dialog);

// One coordinate laid out in `laidOut` units, in units of `actual`, rounded to the nearest.
int ScaleDialogUnits(int dlu, int laidOut, int actual);

// The extended dialog template, DWORD-aligned as the dialog manager requires (the vector's
// storage is aligned for any object, so data() may be handed over as it is).
std::vector<uint8_t> BuildDialogTemplateEx(const res::DialogTemplate& dialog, const TemplateOptions& options = {});

}  // namespace winui
