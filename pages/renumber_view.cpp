#include "pages/renumber_view.h"

#include <QLineEdit>
#include <QRadioButton>

#include "ui/page_templates.h"
#include "ui/spin_button.h"

namespace {

constexpr int IDC_RENUMBER_TITLE = 1294;
constexpr int IDS_RENUMBER_TITLE = 61299;  // " PCL 에뮬레이션  >  트레이 번호"

// StoreAssign's choice numbers: 2 the off value ("꺼짐"), 3 the number.
constexpr int CHOICE_OFF = 2;
constexpr int CHOICE_NUMBER = 3;

struct GroupIds {
    int none, off, number, field, spin;
    config::RangeChoiceDescriptor CPrinterDoc::*setting;
};
constexpr GroupIds kGroups[4] = {
    {1196, 1197, 1198, 1201, 1202, &CPrinterDoc::m_AssignTray1},
    {1213, 1214, 1215, 1216, 1217, &CPrinterDoc::m_AssignTray2},
    {1221, 1222, 1223, 1224, 1225, &CPrinterDoc::m_AssignManPaper},
    {1235, 1234, 1233, 1232, 1231, &CPrinterDoc::m_AssignManEnv},
};
enum : size_t { TRAY1 = 0, TRAY2 = 1, MAN_PAPER = 2, MAN_ENV = 3 };

}  // namespace

CRenumberView::CRenumberView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::RenumberPageTemplate().id, parent) {
    SetTitle(IDC_RENUMBER_TITLE, IDS_RENUMBER_TITLE);
}

void CRenumberView::DoDataExchange() {
    m_title = RichEdit(IDC_RENUMBER_TITLE);
    for (size_t i = 0; i < m_groups.size(); ++i) {
        const GroupIds& ids = kGroups[i];
        Group& g = m_groups[i];
        g.none = Radio(ids.none);
        g.off = Radio(ids.off);
        g.number = Radio(ids.number);
        g.field = Edit(ids.field);
        g.spin = Spin(ids.spin);
        g.setting = ids.setting;
        g.flag = static_cast<int>(i) + 1;
    }
}

void CRenumberView::ConnectHandlers() {
    for (Group& g : m_groups) {
        Armed(g.flag) = 0;
        // "없음" is never the user's choice: it stays disabled, so it needs no handler.
        OnClicked(g.off, [this, &g] { OnOff(g); });
        OnClicked(g.number, [this, &g] { OnNumber(g); });
        OnTextChanged(g.field, [this, &g] { OnNumberChanged(g); });
    }
}

void CRenumberView::FillFromDocument() {
    for (size_t i : {MAN_ENV, MAN_PAPER, TRAY1, TRAY2}) FillGroup(m_groups[i]);
    // The fill is done: the next change of a number is the user's.
    for (Group& g : m_groups) Armed(g.flag) = 1;
}

void CRenumberView::FillGroup(Group& g) {
    FillAssign(Doc()->*g.setting, g.spin, g.none, g.off, g.number);
    // The spin follows its number field: while "없음" or "꺼짐" is shown neither can change the
    // number, so a spin step can never store a number behind the selected choice's back.
    EnableNumber(g.field, g.spin, g.number && g.number->isChecked());
}

void CRenumberView::OnOff(Group& g) {
    MarkChanged();
    if (g.field && g.field->isEnabled()) EnableNumber(g.field, g.spin, false);
    StoreAssign(CHOICE_OFF, {}, Doc()->*g.setting);
}

void CRenumberView::OnNumber(Group& g) {
    MarkChanged();
    EnableNumber(g.field, g.spin, true);
    const std::string text = g.field ? g.field->text().toStdString() : std::string();
    Armed(g.flag) = 1;
    StoreAssign(CHOICE_NUMBER, text, Doc()->*g.setting);
}

void CRenumberView::OnNumberChanged(Group& g) {
    if (!ArmedChange(g.flag)) return;
    MarkChanged();
    StoreAssign(CHOICE_NUMBER, g.field->text().toStdString(), Doc()->*g.setting);
}

DEVPANEL_REGISTER_PAGE(8, CRenumberView)
