#include "qtui/settings_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "pages/typing_limit.h"
#include "qtui/spin_button.h"
#include "qtui/text_limit.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

CSettingsView::CSettingsView(CPrinterDoc* doc, pages::PageTable table, QWidget* parent,
                             std::map<std::string, DescriptorRef> descriptors)
    : QScrollArea(parent),
      m_doc(doc),
      m_templateId(table.templateId),
      m_form(new QWidget),
      m_model(doc, std::move(table), std::move(descriptors)) {
    const res::DialogTemplate* dialog = res::FindDialogTemplate(m_templateId);
    if (!dialog) {
        m_templateId = res::IDD_EMPTY_PAGE;
        dialog = res::FindDialogTemplate(res::IDD_EMPTY_PAGE);
    }
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
        ConnectControls();
        Fill(true);
        return;
    }
    OnUpdate();
}

void CSettingsView::OnUpdate() { Fill(false); }

void CSettingsView::Fill(bool initial) {
    m_filling = true;
    const auto show = [this](int id) { Show(id); };
    if (initial)
        m_model.InitialUpdate(show);
    else
        m_model.Fill(show);
    m_filling = false;
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

// --- the user's actions -> the model ---------------------------------------------------------

void CSettingsView::ConnectControls() {
    using pages::Role;
    for (const pages::PageControl& c : m_model.Table().controls) {
        QWidget* w = Control(c.id);
        const int id = c.id;
        switch (c.role) {
            case Role::List:
                // On activation, also for the entry already chosen.
                if (auto* list = qobject_cast<QComboBox*>(w)) {
                    connect(list, &QComboBox::activated, this, [this, list, id](int index) {
                        m_model.Choose(id, list->itemData(index).toString().toStdString());
                        ShowSideEffects();
                    });
                }
                break;
            case Role::Switch:
            case Role::OffBox:
            case Role::ChoiceOff:
            case Role::ChoiceNumber:
                if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                    connect(button, &QAbstractButton::clicked, this, [this, button, id](bool) {
                        m_model.Click(id, button->isChecked());
                        ShowSideEffects();
                    });
                }
                break;
            case Role::Text:
            case Role::Number:
            case Role::OffNumber:
            case Role::ChoiceField:
                // Typed, or written by the field's spin.
                if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                    connect(edit, &QLineEdit::textChanged, this, [this, id](const QString& text) {
                        m_model.TextChanged(id, text.toStdString());
                        ShowSideEffects();
                    });
                }
                break;
            default:
                // The title line, spins (they write their field), a list that is only shown and
                // "없음", which is never the user's choice.
                break;
        }
    }
}

// --- the model -> the widgets ----------------------------------------------------------------

void CSettingsView::Show(int id) {
    const pages::PageControl* c = m_model.Table().Find(id);
    QWidget* w = Control(id);
    if (!c || !w) return;
    const pages::ControlState& s = m_model.State(id);
    switch (c->kind) {
        case pages::ControlKind::Title:
            ShowTitle(qobject_cast<QTextEdit*>(w), s);
            return;
        case pages::ControlKind::List:
            if (auto* list = qobject_cast<QComboBox*>(w)) {
                const QSignalBlocker quiet(list);
                list->clear();
                for (const pages::ListItem& item : s.items) ui::AddComboItem(list, Q(item.label), Q(item.key));
                list->setCurrentIndex(s.current < 0 ? -1 : list->findData(Q(s.CurrentKey())));
            }
            break;
        case pages::ControlKind::Check:
        case pages::ControlKind::Radio:
            if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setChecked(s.checked);
            break;
        case pages::ControlKind::Edit:
            // A number field shows what its spin writes into it.
            if (c->role == pages::Role::Text) {
                if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                    // The limit counts bytes of the printer's code page (a Korean character takes
                    // two); a longer value from the printer is still shown whole.
                    ui::CodePageLimit* limit = ui::LimitOf(edit);
                    if (!limit) {
                        limit = new ui::CodePageLimit(edit);
                        connect(limit, &ui::CodePageLimit::charactersLeftOut, this, &CSettingsView::ShowLeftOut);
                    }
                    limit->setLimit(s.textLimit);
                    limit->setText(Q(s.text));
                }
            }
            break;
        case pages::ControlKind::Spin:
            if (auto* spin = qobject_cast<ui::SpinButton*>(w)) {
                spin->setRange(s.spinMin, s.spinMax);
                spin->setPos(s.spinPos);
            }
            break;
    }
    w->setEnabled(s.enabled);
}

void CSettingsView::ShowSideEffects() {
    if (m_filling) return;
    for (const pages::PageControl& c : m_model.Table().controls) {
        QWidget* w = Control(c.id);
        if (!w || c.kind == pages::ControlKind::Title) continue;
        const pages::ControlState& s = m_model.State(c.id);
        if (w->isEnabled() != s.enabled) w->setEnabled(s.enabled);
        // A radio group's buttons follow the checked one by themselves.
        if (c.kind == pages::ControlKind::Radio && s.checked)
            if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->isChecked()) button->setChecked(true);
    }
}

// The caption-coloured title line, the last step of the path after ">" in bold.
void CSettingsView::ShowTitle(QTextEdit* title, const pages::ControlState& state) {
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
    const QString text = Q(state.text);
    QTextCursor cursor(title->document());
    cursor.insertText(text, format);
    title->setReadOnly(true);

    const int start = static_cast<int>(QString::fromStdString(state.text.substr(0, state.boldFrom)).size());
    cursor.setPosition(start);
    cursor.setPosition(text.size(), QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
}

void CSettingsView::ShowLeftOut(const QString& characters) {
    // In the status bar of the main window the page is in, for a while or until the next
    // status text.
    auto* main = qobject_cast<QMainWindow*>(window());
    if (!main) return;
    main->statusBar()->showMessage(Q(pages::LeftOutStatusText(characters.toStdString())), pages::kLeftOutShownMs);
}

bool CSettingsView::event(QEvent* event) {
    // Follow a change of the system colours.
    if (event->type() == QEvent::ApplicationPaletteChange) ApplyFormColours();
    return QScrollArea::event(event);
}

// --- pages by view id --------------------------------------------------------------------------

namespace {

std::map<int, PageFactory>& Factories() {
    static std::map<int, PageFactory> factories;
    return factories;
}

}  // namespace

bool RegisterPage(int viewId, PageFactory factory) {
    Factories()[viewId] = std::move(factory);
    return true;
}

bool HasPage(int viewId) { return Factories().count(viewId) != 0 || pages::HasPageTable(viewId); }

CSettingsView* CreatePage(int viewId, CPrinterDoc* doc, QWidget* parent) {
    // Only the eleven page ids select a page; anything else (the root's 0 included) is empty.
    if (viewId >= 1 && viewId <= 11) {
        auto it = Factories().find(viewId);
        if (it != Factories().end() && it->second) {
            if (CSettingsView* page = it->second(doc, parent)) return page;
        }
    }
    return new CSettingsView(doc, pages::PageTableOf(viewId), parent);
}
