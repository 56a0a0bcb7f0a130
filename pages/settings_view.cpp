#include "pages/settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <map>

#include "document/printer_doc.h"
#include "document/value_tokens.h"
#include "config/profile.h"
#include "pages/text_limit.h"
#include "config/strings.h"
#include "ui/spin_button.h"

namespace {

bool EqualsNoCase(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::map<int, PageFactory>& Factories() {
    static std::map<int, PageFactory> factories;
    return factories;
}

}  // namespace

CSettingsView::CSettingsView(CPrinterDoc* doc, int templateId, QWidget* parent)
    : QScrollArea(parent), m_doc(doc), m_templateId(templateId), m_form(new QWidget) {
    const res::DialogTemplate* dialog = res::FindDialogTemplate(templateId);
    if (!dialog) dialog = res::FindDialogTemplate(res::IDD_EMPTY_PAGE);
    m_built = ui::BuildDialog(*dialog, m_form);
    setWidget(m_form);
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    ApplyFormColours();
}

CSettingsView::~CSettingsView() = default;

// A window-coloured form: the pane behind the form, the form itself, and the labels, check boxes,
// radio buttons and group boxes on it draw on the window colour, not the dialog colour. So do
// disabled edits (a number field whose box is cleared): greyed text on the page's own colour.
void CSettingsView::ApplyFormColours() {
    QPalette pal = palette();
    const QColor window = pal.color(QPalette::Active, QPalette::Base);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Window, window);
        pal.setColor(g, QPalette::Button, pal.color(g, QPalette::Button));
    }
    pal.setColor(QPalette::Disabled, QPalette::Base, window);
    setPalette(pal);
    setAutoFillBackground(true);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    m_form->setPalette(pal);
    m_form->setAutoFillBackground(true);
}

void CSettingsView::OnInitialUpdate() {
    if (!m_initialised) {
        m_initialised = true;
        DoDataExchange();
        ConnectHandlers();
    }
    OnUpdate();
    // One-way mode: the first page shown greys the save item until the first change.
    if (m_doc && m_doc->m_queryStatus == NPA_ONEWAY && !m_doc->m_commandMenuReady) {
        if (IPrinterFrame* frame = m_doc->Frame()) frame->setMenuItemEnabled(ID_FILE_SAVE_COMMAND, false);
        m_doc->m_commandMenuReady = true;
    }
}

void CSettingsView::OnUpdate() {
    ClearArmedFlags();
    FillFromDocument();
    if (m_titleControl != 0) SetPageTitle(RichEdit(m_titleControl), m_titleString);
}

QWidget* CSettingsView::Control(int id) const { return m_built.control(id); }

QWidget* CSettingsView::FocusTarget() const {
    // The first control of the tab order that can take the focus; the page itself otherwise.
    for (QObject* child : m_form->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w->isEnabled() && w->isVisibleTo(m_form) && (w->focusPolicy() & Qt::TabFocus)) return w;
    }
    return const_cast<CSettingsView*>(this);
}

QComboBox* CSettingsView::Combo(int id) const { return qobject_cast<QComboBox*>(Control(id)); }
QCheckBox* CSettingsView::Check(int id) const { return qobject_cast<QCheckBox*>(Control(id)); }
QRadioButton* CSettingsView::Radio(int id) const { return qobject_cast<QRadioButton*>(Control(id)); }
QLineEdit* CSettingsView::Edit(int id) const { return qobject_cast<QLineEdit*>(Control(id)); }
ui::SpinButton* CSettingsView::Spin(int id) const { return qobject_cast<ui::SpinButton*>(Control(id)); }
QTextEdit* CSettingsView::RichEdit(int id) const { return qobject_cast<QTextEdit*>(Control(id)); }

void CSettingsView::SetTitle(int controlId, int stringId) {
    m_titleControl = controlId;
    m_titleString = stringId;
}

// --- fills -------------------------------------------------------------------------------------

void CSettingsView::FillCombo(const config::ListDescriptor& descriptor, QComboBox* list) {
    if (!list) return;
    const QSignalBlocker quiet(list);
    list->clear();
    std::string lastKey;
    for (const std::string& key : descriptor.orderedKeys) {
        auto it = descriptor.labels.find(key);
        if (it == descriptor.labels.end()) continue;
        ui::AddComboItem(list, Q(it->second), Q(key));
        lastKey = key;
    }
    if (lastKey.empty()) {
        list->setCurrentIndex(-1);
        return;
    }
    const std::string name = config::KeyName(lastKey);
    const QString target = Q(name + ":" + m_doc->ReadValue(name));
    // A value that matches no item leaves the list without a selection.
    int found = -1;
    for (int i = 0; i < list->count(); ++i) {
        if (EqualsNoCase(list->itemData(i).toString(), target)) {
            found = i;
            break;
        }
    }
    list->setCurrentIndex(found);
}

void CSettingsView::FillCheck(const config::SwitchDescriptor& descriptor, QAbstractButton* box) {
    if (!box) return;
    const std::string name = config::KeyName(descriptor.entry[0]);
    const QString current = Q(name + ":" + m_doc->ReadValue(name));
    box->setChecked(!EqualsNoCase(current, Q(descriptor.entry[0])));
}

void CSettingsView::FillText(const config::TextDescriptor& descriptor, QLineEdit* edit) {
    if (!edit) return;
    // The limit counts bytes of the printer's code page (a Korean character takes two); a longer
    // value from the printer is still shown whole.
    pages::CodePageLimit* limit = pages::LimitOf(edit);
    if (!limit) limit = new pages::CodePageLimit(edit);
    limit->setLimit(std::max(0, descriptor.maxLength));
    limit->setText(Q(m_doc->ReadValue(descriptor.npaName)));
}

void CSettingsView::FillSpin(const config::RangeDescriptor& descriptor, ui::SpinButton* spin) {
    if (!spin) return;
    spin->setRange(descriptor.minVal, descriptor.maxVal);
    spin->setPos(ParseLeadingInt(m_doc->ReadValue(descriptor.npaName)));
}

void CSettingsView::FillCheckSpin(const config::RangeOffDescriptor& descriptor, ui::SpinButton* spin,
                                  QAbstractButton* box) {
    if (!spin || !box) return;
    spin->setRange(descriptor.minVal, descriptor.maxVal);
    const std::string value = m_doc->ReadValue(descriptor.npaName);
    if (EqualsNoCase(Q(value), Q(descriptor.offValue))) {
        box->setChecked(false);
        spin->setPos(descriptor.minVal);
    } else {
        box->setChecked(true);
        EnableNumber(spin->buddy(), spin, true);
        spin->setPos(ParseLeadingInt(value));
    }
}

void CSettingsView::FillAssign(const config::RangeChoiceDescriptor& descriptor, ui::SpinButton* spin,
                               QAbstractButton* first, QAbstractButton* second, QAbstractButton* number) {
    if (!spin || !first || !second || !number) return;
    spin->setRange(descriptor.minVal, descriptor.maxVal);
    const QString value = Q(m_doc->ReadValue(descriptor.npaName));
    const QString choice0 = descriptor.choices.size() > 0 ? Q(descriptor.choices[0]) : QString();
    const QString choice1 = descriptor.choices.size() > 1 ? Q(descriptor.choices[1]) : QString();
    int pos = descriptor.minVal;
    if (descriptor.choices.size() > 0 && EqualsNoCase(value, choice0)) {
        first->setChecked(true);
        second->setChecked(false);
        number->setChecked(false);
        second->setEnabled(false);
    } else if (descriptor.choices.size() > 1 && EqualsNoCase(value, choice1)) {
        first->setChecked(false);
        second->setChecked(true);
        number->setChecked(false);
    } else {
        first->setChecked(false);
        second->setChecked(false);
        number->setChecked(true);
        EnableNumber(spin->buddy(), spin, true);
        pos = ParseLeadingInt(value.toStdString());
    }
    spin->setPos(pos);
    first->setEnabled(false);
}

// --- stores ------------------------------------------------------------------------------------

void CSettingsView::StoreValue(const std::string& npaName, const std::string& token) {
    if (m_doc) m_doc->StoreValue(npaName, token);
}

void CSettingsView::Store(const std::optional<value_tokens::Stored>& value) {
    if (value) StoreValue(value->name, value->token);
}

void CSettingsView::StoreCombo(QComboBox* list) {
    if (!list || list->currentIndex() < 0) return;
    Store(value_tokens::ForListKey(list->currentData().toString().toStdString()));
}

void CSettingsView::StoreCheck(QAbstractButton* box, const config::SwitchDescriptor& descriptor) {
    if (box) Store(value_tokens::ForSwitch(descriptor, box->isChecked()));
}

void CSettingsView::StoreText(QLineEdit* edit, const std::string& npaName) {
    if (!edit) return;
    StoreValue(npaName, edit->text().toStdString());
}

void CSettingsView::StoreCheckSpin(QAbstractButton* box, QLineEdit* edit,
                                   const config::RangeOffDescriptor& descriptor) {
    if (!box || !edit) return;
    Store(value_tokens::ForRangeOff(descriptor, box->isChecked(), edit->text().toStdString()));
}

void CSettingsView::StoreAssign(int index, const std::string& numberText,
                                const config::RangeChoiceDescriptor& descriptor) {
    Store(value_tokens::ForRangeChoice(descriptor, index, numberText));
}

// --- change marking ----------------------------------------------------------------------------

void CSettingsView::MarkChanged() {
    // The document owns what a change means (the one-way menu item, the modified flag).
    if (m_doc) m_doc->MarkChanged();
}

// --- title line --------------------------------------------------------------------------------

void CSettingsView::SetPageTitle(QTextEdit* title, int stringId) {
    if (!title) return;
    const QPalette system = palette();
    const QColor captionText = system.color(QPalette::Active, QPalette::HighlightedText);
    const QColor activeCaption = system.color(QPalette::Active, QPalette::Highlight);

    QTextCharFormat format;
    QFont font(Q(res::String(res::IDS_TITLE_FONT)));
    font.setPointSize(9);
    format.setFont(font);
    format.setFontWeight(QFont::Normal);
    format.setForeground(captionText);

    // The caption colours in every state: the title line is created disabled.
    QPalette pal = title->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Base, activeCaption);
        pal.setColor(g, QPalette::Window, activeCaption);
        pal.setColor(g, QPalette::Text, captionText);
    }
    title->setPalette(pal);
    title->viewport()->setPalette(pal);
    title->viewport()->setAutoFillBackground(true);
    title->setAutoFillBackground(true);

    title->clear();
    title->setCurrentFont(font);
    title->document()->setDefaultFont(font);
    const QString text = Q(res::String(stringId));
    QTextCursor cursor(title->document());
    cursor.insertText(text, format);
    title->setReadOnly(true);

    // The last step of the path, after the last ">", in bold; a title without ">" all in bold.
    const int gt = text.lastIndexOf(QLatin1Char('>'));
    const int start = gt < 0 ? 0 : gt + 1;
    cursor.setPosition(start);
    cursor.setPosition(text.size(), QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
}

// --- armed flags and handler patterns ----------------------------------------------------------

int& CSettingsView::Armed(int flag) { return m_armed[flag]; }

void CSettingsView::ClearArmedFlags() {
    for (auto& [flag, value] : m_armed) value = 0;
}

bool CSettingsView::ArmedChange(int flag) {
    int& armed = Armed(flag);
    if (armed == 1) return true;
    armed = 1;
    return false;
}

void CSettingsView::OnActivated(QComboBox* list, std::function<void()> f) {
    if (list) connect(list, &QComboBox::activated, this, [f = std::move(f)](int) { f(); });
}

void CSettingsView::OnClicked(QAbstractButton* button, std::function<void()> f) {
    if (button) connect(button, &QAbstractButton::clicked, this, [f = std::move(f)](bool) { f(); });
}

void CSettingsView::OnTextChanged(QLineEdit* edit, std::function<void()> f) {
    if (edit) connect(edit, &QLineEdit::textChanged, this, [f = std::move(f)](const QString&) { f(); });
}

void CSettingsView::BindCombo(QComboBox* list) {
    OnActivated(list, [this, list] {
        MarkChanged();
        StoreCombo(list);
    });
}

void CSettingsView::BindCheck(QAbstractButton* box, const config::SwitchDescriptor& descriptor) {
    OnClicked(box, [this, box, &descriptor] {
        MarkChanged();
        StoreCheck(box, descriptor);
    });
}

void CSettingsView::BindText(QLineEdit* edit, const config::TextDescriptor& descriptor, int flag) {
    Armed(flag) = 0;
    OnTextChanged(edit, [this, edit, &descriptor, flag] {
        if (!ArmedChange(flag)) return;
        MarkChanged();
        StoreText(edit, descriptor.npaName);
    });
}

void CSettingsView::BindSpin(QLineEdit* edit, const config::RangeDescriptor& descriptor, int flag) {
    Armed(flag) = 0;
    OnTextChanged(edit, [this, edit, &descriptor, flag] {
        if (!ArmedChange(flag)) return;
        MarkChanged();
        StoreText(edit, descriptor.npaName);
    });
}

void CSettingsView::BindCheckSpin(QAbstractButton* box, QLineEdit* edit, ui::SpinButton* spin,
                                  const config::RangeOffDescriptor& descriptor, int flag) {
    Armed(flag) = 0;
    OnClicked(box, [this, box, edit, spin, &descriptor] {
        MarkChanged();
        EnableNumber(edit, spin, box->isChecked());
        StoreCheckSpin(box, edit, descriptor);
    });
    OnTextChanged(edit, [this, box, edit, &descriptor, flag] {
        if (!ArmedChange(flag)) return;
        MarkChanged();
        StoreCheckSpin(box, edit, descriptor);
    });
}

void CSettingsView::EnableNumber(QLineEdit* edit, ui::SpinButton* spin, bool enable) {
    if (edit) edit->setEnabled(enable);
    if (spin) spin->setEnabled(enable);
}

bool CSettingsView::event(QEvent* event) {
    // Follow a change of the system colours.
    if (event->type() == QEvent::ApplicationPaletteChange) ApplyFormColours();
    return QScrollArea::event(event);
}

// --- view factory ------------------------------------------------------------------------------

bool RegisterPage(int viewId, PageFactory factory) {
    Factories()[viewId] = std::move(factory);
    return true;
}

bool HasPage(int viewId) { return Factories().count(viewId) != 0; }

CSettingsView* CreatePage(int viewId, CPrinterDoc* doc, QWidget* parent) {
    // Only the eleven page ids select a page; anything else (the root's 0 included) is empty.
    if (viewId >= 1 && viewId <= 11) {
        auto it = Factories().find(viewId);
        if (it != Factories().end() && it->second) {
            if (CSettingsView* page = it->second(doc, parent)) return page;
        }
    }
    return new CSettingsView(doc, res::IDD_EMPTY_PAGE, parent);
}
