// Turns a dialog template (templates/templates.h) into Qt widgets at the template's positions. Dialog
// units are converted with the dialog font's metrics: x * average character width / 4 and
// y * character height / 8, so a form keeps its proportions with any font. Forms in 굴림 keep
// 굴림's own metrics (a line one em high, Latin letters half an em wide) whichever Korean font
// stands in for it, so that they come out at the size they were laid out for.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <unordered_map>
#include <vector>

#include "templates/templates.h"

class QAbstractButton;
class QComboBox;
class QListWidget;
class QWidget;

namespace ui {

// Makes "굴림" resolve to an installed Korean font. Safe to call more than once.
void InstallFontSubstitutes();

// The font of a template ("굴림" 9 unless it says otherwise).
QFont DialogFont(const res::DialogTemplate& dialog);

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int x(int dlu) const;
    int y(int dlu) const;
    QRect rect(int x, int y, int cx, int cy) const;
    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

private:
    int baseX_;
    int baseY_;
};

// The controls of one built template, by control id.
struct BuiltDialog {
    QSize size;  // the template's size in pixels
    std::unordered_map<int, QWidget*> controls;
    QWidget* control(int id) const;
};

// Builds every control of the template as a child of form, sets form's font and fixed size to
// the template's, and returns the controls by id. Each control also carries its id in the
// property "controlId" and the object name "ctl<id>".
BuiltDialog BuildDialog(const res::DialogTemplate& dialog, QWidget* form);

// The radio buttons of the group that button belongs to (from a control with the group style to
// the next one), in template order.
std::vector<QAbstractButton*> RadioGroupOf(QAbstractButton* button);

// Makes the group's checked button its one tab stop (the first enabled button when none is
// checked). The builder keeps this up to date as buttons are checked, enabled and disabled.
void UpdateRadioTabStop(QAbstractButton* button);

// Adds an item to a drop-down list, at its sorted place when the list was built sorted (ordered
// by text, ignoring letter case, a new item after equal ones). Returns the item's index.
int AddComboItem(QComboBox* list, const QString& text, const QString& data);
// The same for a list box (QListWidget) built sorted.
int AddListItem(QListWidget* list, const QString& text);

// The caption of a template control: from the string table when it names a string id.
QString ControlText(const res::ControlTemplate& control);

}  // namespace ui
