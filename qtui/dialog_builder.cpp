#include "qtui/dialog_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QKeyEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTextEdit>
#include <algorithm>

#include "strings/string_table.h"
#include "templates/dialog_units.h"
#include "qtui/left_text_button.h"
#include "qtui/radio_accessibility.h"
#include "qtui/spin_button.h"

namespace ui {
namespace {

constexpr const char* kControlId = "controlId";
constexpr const char* kRadioGroup = "radioGroup";
constexpr const char* kSorted = "sorted";

// Passes a wheel turn over a widget without the focus on to its parent, unseen by the widget.
class WheelOnlyWithFocus : public QObject {
public:
    explicit WheelOnlyWithFocus(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Wheel && widget && !widget->hasFocus()) {
            event->ignore();  // an ignored wheel event travels on to the parent
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// A drop-down list opens below its box, as tall as its template says, like the classic combo box;
// the desktop's style would open it as a menu laid over the box.
class DropDownBelowStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle* DropDownStyle() {
    // One for the whole program, on top of whatever style the application has.
    static QPointer<QStyle> style;
    if (!style) {
        style = new DropDownBelowStyle;
        style->setParent(qApp);
    }
    return style;
}

// The buttons of a radio group that a key may move to.
bool Reachable(const QAbstractButton* button) { return button->isEnabled() && !button->isHidden(); }

// A radio group runs as the dialog manager runs one: it is a single tab stop, on its checked
// button (the first one that can take the focus when none is checked), and the arrow keys move
// within it. Moving onto an automatic radio button selects it and counts as a click on it, so the
// page stores the value as it does for the mouse.
class RadioGroupKeys : public QObject {
public:
    explicit RadioGroupKeys(QAbstractButton* radio) : QObject(radio), radio_(radio) {
        radio->installEventFilter(this);
        QObject::connect(radio, &QAbstractButton::toggled, this, [radio] { UpdateRadioTabStop(radio); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) UpdateRadioTabStop(radio_);
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        int direction = 0;
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right) direction = 1;
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left) direction = -1;
        if (direction == 0) return false;
        const std::vector<QAbstractButton*> group = RadioGroupOf(radio_);
        const auto self = std::find(group.begin(), group.end(), radio_);
        if (self == group.end()) return true;
        const int count = static_cast<int>(group.size());
        int at = static_cast<int>(self - group.begin());
        for (int step = 1; step < count; ++step) {
            QAbstractButton* next = group[static_cast<size_t>((at + direction * step + count * 2) % count)];
            if (!Reachable(next)) continue;
            next->setFocus(Qt::TabFocusReason);
            next->click();
            break;
        }
        return true;  // the keys stay within the group, whether or not another button could be reached
    }

private:
    QAbstractButton* radio_;
};

QString WithoutMnemonics(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

QWidget* MakeControl(const res::ControlTemplate& c, const DialogUnits& du, QWidget* form,
                     QWidget* previous, int radioGroup) {
    const QString text = ui::ControlText(c);
    const uint32_t s = c.style;
    QRect r = du.rect(c.x, c.y, c.cx, c.cy);
    QWidget* w = nullptr;
    switch (c.kind) {
        case res::Ctl::Static: {
            auto* label = new QLabel(text, form);
            Qt::Alignment h = (s & res::S_CENTER) ? Qt::AlignHCenter : (s & res::S_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
            label->setAlignment(h | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            w = label;
            break;
        }
        case res::Ctl::Icon: {
            auto* label = new QLabel(form);
            QIcon icon = QApplication::windowIcon();
            if (icon.isNull()) icon = form->style()->standardIcon(QStyle::SP_ComputerIcon);
            label->setPixmap(icon.pixmap(32, 32));
            r.setSize(QSize(32, 32));  // an icon control takes the icon's own size
            w = label;
            break;
        }
        case res::Ctl::Edit: {
            auto* edit = new QLineEdit(form);
            if (s & res::S_RIGHT) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (s & res::S_CENTER) edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            if (s & res::S_NUMBER)
                edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
            edit->setReadOnly(s & res::S_READONLY);
            edit->setFrame(s & res::S_BORDER);
            edit->setTextMargins(0, 0, 0, 0);
            w = edit;
            break;
        }
        case res::Ctl::ComboBox: {
            auto* combo = new QComboBox(form);
            combo->setProperty(kSorted, bool(s & res::S_SORT));
            // The template's height is that of the open list; the closed box is one line high.
            const int closed = du.y(12);
            const int item = QFontMetrics(form->font()).height() + 2;
            combo->setMaxVisibleItems(std::max(1, (r.height() - closed) / std::max(1, item)));
            r.setHeight(closed);
            // The wheel turns a list only while it has the keyboard focus; over any other list it
            // scrolls the form, so that scrolling a page never changes a setting on the way.
            combo->setFocusPolicy(Qt::StrongFocus);
            combo->setStyle(DropDownStyle());
            new WheelOnlyWithFocus(combo);
            w = combo;
            break;
        }
        case res::Ctl::ListBox: {
            auto* list = new QListWidget(form);
            list->setProperty(kSorted, bool(s & res::S_SORT));
            list->setFrameShape((s & res::S_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
            list->setVerticalScrollBarPolicy((s & res::S_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            w = list;
            break;
        }
        case res::Ctl::PushButton:
        case res::Ctl::DefPushButton: {
            auto* button = new QPushButton(text, form);
            button->setDefault(c.kind == res::Ctl::DefPushButton);
            button->setAutoDefault(true);
            w = button;
            break;
        }
        case res::Ctl::CheckBox: {
            w = (s & res::S_LEFTTEXT) ? new LeftTextCheckBox(text, form) : new QCheckBox(text, form);
            break;
        }
        case res::Ctl::RadioButton: {
            InstallRadioButtonAccessibility();
            QRadioButton* radio = (s & res::S_LEFTTEXT) ? new LeftTextRadioButton(text, form) : new QRadioButton(text, form);
            // Qt would make every radio button of the form one group; the template's groups
            // decide instead (see below).
            radio->setAutoExclusive(false);
            radio->setProperty(kRadioGroup, radioGroup);
            // An automatic radio button: a click selects it and clears the others of its group,
            // before any page handler sees the click.
            QObject::connect(radio, &QRadioButton::clicked, radio, [radio] {
                radio->setChecked(true);
                for (QAbstractButton* other : RadioGroupOf(radio)) {
                    if (other != radio) other->setChecked(false);
                }
            });
            w = radio;
            break;
        }
        case res::Ctl::GroupBox: {
            auto* group = new QGroupBox(text, form);
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            group->setFocusPolicy(Qt::NoFocus);
            w = group;
            break;
        }
        case res::Ctl::RichEdit: {
            auto* rich = new QTextEdit(form);
            rich->setFrameShape(QFrame::NoFrame);
            rich->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            rich->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            rich->setLineWrapMode(QTextEdit::NoWrap);
            rich->setReadOnly(s & res::S_READONLY);
            rich->document()->setDocumentMargin(0);
            w = rich;
            break;
        }
        case res::Ctl::UpDown: {
            auto* spin = new SpinButton(form);
            auto* buddy = (s & res::S_UDS_AUTOBUDDY) ? qobject_cast<QLineEdit*>(previous) : nullptr;
            if (buddy) {
                spin->setBuddy(buddy);
                if (s & res::S_UDS_ALIGNRIGHT) {
                    // At the buddy's right edge, inside the buddy's width, as high as the buddy.
                    QRect b = buddy->geometry();
                    const int width = r.width();
                    b.setWidth(std::max(1, b.width() - width));
                    buddy->setGeometry(b);
                    r = QRect(b.right() + 1, b.top(), width, b.height());
                }
            }
            spin->setArrowKeys(s & res::S_UDS_ARROWKEYS);
            w = spin;
            break;
        }
    }
    w->setGeometry(r);
    if (s & res::S_DISABLED) w->setEnabled(false);
    return w;
}

// The innermost group box, of those made so far, whose frame holds the control.
const QWidget* GroupAround(const std::vector<QWidget*>& groupBoxes, const QWidget* control) {
    for (auto it = groupBoxes.rbegin(); it != groupBoxes.rend(); ++it) {
        if (!(*it)->accessibleName().isEmpty() && (*it)->geometry().contains(control->geometry())) return *it;
    }
    return nullptr;
}

bool IsGulim(const QFont& font) {
    const QString family = font.family();
    return family == QString::fromUtf8("굴림") || family.compare(QStringLiteral("Gulim"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void InstallFontSubstitutes() {
    // The forms are laid out for a Korean dialog font; use the Korean font installed here.
    QFont::insertSubstitutions("굴림", {"NanumGothic", "Nanum Gothic", "NanumBarunGothic", "Noto Sans CJK KR"});
    QFont::insertSubstitutions("Gulim", {"NanumGothic", "Nanum Gothic", "Noto Sans CJK KR"});
}

QFont DialogFont(const res::DialogTemplate& dialog) {
    InstallFontSubstitutes();
    QFont font(QString::fromUtf8(dialog.fontFace ? dialog.fontFace : "굴림"));
    font.setPointSize(dialog.pointSize > 0 ? dialog.pointSize : 9);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    BaseUnits base;
    if (IsGulim(font)) {
        // The Korean fonts standing in for 굴림 here have wider letters and more line spacing:
        // measured, they would blow every form up by a sixth, past the pane of the main window at
        // its normal size. The forms keep 굴림's units instead.
        base = GulimBaseUnits(QFontInfo(font).pixelSize());
    } else {
        const QFontMetrics fm(font);
        base = MeasuredBaseUnits(
            fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")), fm.height());
    }
    baseX_ = base.x;
    baseY_ = base.y;
}

int DialogUnits::x(int dlu) const { return DialogUnitsToPixelsX(dlu, BaseUnits{baseX_, baseY_}); }
int DialogUnits::y(int dlu) const { return DialogUnitsToPixelsY(dlu, BaseUnits{baseX_, baseY_}); }
QRect DialogUnits::rect(int x0, int y0, int cx, int cy) const {
    const PixelRect r = DialogUnitsToPixels(x0, y0, cx, cy, BaseUnits{baseX_, baseY_});
    return QRect(r.x, r.y, r.width, r.height);
}

QWidget* BuiltDialog::control(int id) const {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
}

QString ControlText(const res::ControlTemplate& control) {
    return QString::fromStdString(res::ControlText(control));
}

BuiltDialog BuildDialog(const res::DialogTemplate& dialog, QWidget* form) {
    BuiltDialog built;
    const QFont font = DialogFont(dialog);
    form->setFont(font);
    const DialogUnits du(font);
    built.size = QSize(du.x(dialog.cx), du.y(dialog.cy));
    form->setFixedSize(built.size);

    QWidget* previous = nullptr;
    std::vector<QWidget*> groupBoxes;
    std::vector<QAbstractButton*> radios;
    int radioGroup = 0;
    // Accessible names: a screen reader reads each control by its label. A control with a caption
    // is its own label; an edit, list or spin is labelled by the caption before it in the
    // template (the label of its row, the check box that switches it, or the group around it); a
    // radio button without caption by its group box. A row label that the form repeats in
    // several groups ("이름" of each custom paper type) is read with its group's caption before
    // it ("사용자 1 이름"), as the form shows it, so that the rows can be told apart.
    QHash<QString, int> rowLabels;
    for (const res::ControlTemplate& c : dialog.controls) {
        if (c.kind == res::Ctl::Static) ++rowLabels[WithoutMnemonics(ui::ControlText(c))];
    }
    QString label, groupCaption;
    QLabel* labelStatic = nullptr;  // the label when it is a static text: the control's buddy
    for (const res::ControlTemplate& c : dialog.controls) {
        if (c.style & res::S_GROUP) ++radioGroup;
        QWidget* w = MakeControl(c, du, form, previous, radioGroup);
        w->setProperty(kControlId, c.id);
        if (c.id != res::IDC_STATIC) {
            w->setObjectName(QStringLiteral("ctl%1").arg(c.id));
            built.controls.emplace(c.id, w);
        }
        const QString caption = WithoutMnemonics(ui::ControlText(c));
        switch (c.kind) {
            case res::Ctl::GroupBox:
                groupBoxes.push_back(w);
                groupCaption = caption;
                if (!caption.isEmpty()) {
                    label = caption;
                    labelStatic = nullptr;
                }
                w->setAccessibleName(caption);
                break;
            case res::Ctl::Static:
            case res::Ctl::CheckBox: {
                QString name = caption;
                if (c.kind == res::Ctl::Static && rowLabels[caption] > 1) {
                    if (const QWidget* group = GroupAround(groupBoxes, w)) name = group->accessibleName() + ' ' + caption;
                }
                if (!name.isEmpty()) {
                    label = name;
                    labelStatic = qobject_cast<QLabel*>(w);  // a check box is no buddy label
                }
                w->setAccessibleName(name);
                break;
            }
            case res::Ctl::RadioButton:
                radios.push_back(static_cast<QAbstractButton*>(w));
                label = caption.isEmpty() ? groupCaption : caption;
                labelStatic = nullptr;
                w->setAccessibleName(label);
                break;
            case res::Ctl::Edit:
            case res::Ctl::ComboBox:
            case res::Ctl::ListBox:
            case res::Ctl::UpDown:
                // Screen readers on Linux read a list by the label that names it as its buddy.
                w->setAccessibleName(label);
                if (labelStatic && c.kind != res::Ctl::UpDown) labelStatic->setBuddy(w);
                break;
            case res::Ctl::PushButton:
            case res::Ctl::DefPushButton:
                w->setAccessibleName(caption);
                break;
            case res::Ctl::Icon:
            case res::Ctl::RichEdit:
                break;
        }
        previous = w;
    }
    for (QAbstractButton* radio : radios) new RadioGroupKeys(radio);
    for (QAbstractButton* radio : radios) UpdateRadioTabStop(radio);
    // A group box frames controls that are its siblings: keep it beneath them. Its frame line runs
    // through the middle of the caption, as the forms were laid out for, so that a control placed
    // just below the caption's line sits inside the frame, not on it; the caption is painted over
    // the line on the form's own colour.
    const int half = QFontMetrics(form->font()).height() / 2;
    const QString groupSheet =
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 0px; margin-top: %1px; }"
                       "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: %2px; top: 0px; padding: 0px 2px; background-color: palette(base); }")
            .arg(half)
            .arg(half);
    for (QWidget* g : groupBoxes) {
        g->setStyleSheet(groupSheet);
        g->lower();
    }
    return built;
}

std::vector<QAbstractButton*> RadioGroupOf(QAbstractButton* button) {
    std::vector<QAbstractButton*> group;
    if (!button || !button->parentWidget()) return group;
    const QVariant mine = button->property(kRadioGroup);
    if (!mine.isValid()) return group;
    for (QObject* child : button->parentWidget()->children()) {
        auto* radio = qobject_cast<QRadioButton*>(child);
        if (radio && radio->property(kRadioGroup) == mine) group.push_back(radio);
    }
    return group;
}

void UpdateRadioTabStop(QAbstractButton* button) {
    const std::vector<QAbstractButton*> group = RadioGroupOf(button);
    QAbstractButton* stop = nullptr;
    for (QAbstractButton* b : group) {
        if (b->isChecked() && b->isEnabled()) {
            stop = b;
            break;
        }
    }
    for (QAbstractButton* b : group) {
        if (!stop && Reachable(b)) stop = b;
    }
    // The others still take the focus from a click or an arrow key, only not from Tab.
    for (QAbstractButton* b : group) b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

QRect IndicatorRect(const QAbstractButton* button) {
    if (auto* box = dynamic_cast<const LeftTextCheckBox*>(button)) return box->indicatorRect();
    if (auto* radio = dynamic_cast<const LeftTextRadioButton*>(button)) return radio->indicatorRect();
    QStyleOptionButton option;
    option.initFrom(button);
    const bool isRadio = qobject_cast<const QRadioButton*>(button) != nullptr;
    return button->style()->subElementRect(isRadio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator,
                                           &option, button);
}

int AddComboItem(QComboBox* list, const QString& text, const QString& data) {
    int index = list->count();
    if (list->property(kSorted).toBool()) {
        for (int i = 0; i < list->count(); ++i) {
            if (QString::compare(list->itemText(i), text, Qt::CaseInsensitive) > 0) {
                index = i;
                break;
            }
        }
    }
    list->insertItem(index, text, data);
    return index;
}

int AddListItem(QListWidget* list, const QString& text) {
    int index = list->count();
    if (list->property(kSorted).toBool()) {
        for (int i = 0; i < list->count(); ++i) {
            if (QString::compare(list->item(i)->text(), text, Qt::CaseInsensitive) > 0) {
                index = i;
                break;
            }
        }
    }
    list->insertItem(index, text);
    return index;
}

}  // namespace ui
