// Windows from the dialog templates of templates/templates.h: a form inside another window (a setting
// page) and modal dialogs. The template goes to the dialog manager as an extended template
// (winui/dialog_template.h), rescaled when the font the system selects for 굴림 has other base
// units than 굴림's own 6 x 12 cell; once created, every control is put on the exact pixel
// rectangle that 굴림's cell gives its dialog units (templates/dialog_units.h), as the Qt front end
// puts its widgets, and each number field's spin at its field's right edge, inside its width.
#pragma once

#include <windows.h>

#include <string>

#include "templates/dialog_units.h"
#include "templates/templates.h"

namespace winui {

// The base units the template's form was laid out in, at the screen's resolution: 굴림's own cell
// at the template's point size.
ui::BaseUnits LaidOutBaseUnits(const res::DialogTemplate& dialog);
// The base units of the font the system selects for the template's face and size, measured as
// the dialog manager measures them.
ui::BaseUnits SelectedFontBaseUnits(const res::DialogTemplate& dialog);

// Creates the form of a child template (hidden) inside parent; proc handles its messages and
// receives param with WM_INITDIALOG, before the controls are placed. nullptr when it cannot be made.
HWND CreateForm(const res::DialogTemplate& dialog, HWND parent, DLGPROC proc, LPARAM param);

// Runs a modal dialog of the template; proc must call PlaceControls in WM_INITDIALOG.
INT_PTR RunModal(const res::DialogTemplate& dialog, HWND owner, DLGPROC proc, LPARAM param);

// Puts every control of the template on its exact pixel rectangle, and sizes the window so that
// its client area is the template's size (a modal dialog is centred on its owner again).
void PlaceControls(HWND window, const res::DialogTemplate& dialog);

// The template's client size in pixels.
SIZE TemplatePixelSize(const res::DialogTemplate& dialog);

// UTF-8 text as a wide string and back.
std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// A window's text.
std::wstring WindowText(HWND window);

}  // namespace winui
