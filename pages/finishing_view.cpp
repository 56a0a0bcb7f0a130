#include "pages/finishing_view.h"

#include <QCheckBox>

#include "document/printer_doc.h"
#include "ui/page_templates.h"
#include "pages/switch_state.h"

namespace {
constexpr int IDC_FINISHING_TITLE = 1287;
constexpr int IDS_FINISHING_TITLE = 61296;  // " 마무리"
}  // namespace

CFinishingView::CFinishingView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::FinishingPageTemplate().id, parent) {
    SetTitle(IDC_FINISHING_TITLE, IDS_FINISHING_TITLE);
}

void CFinishingView::DoDataExchange() {
    m_title = RichEdit(IDC_FINISHING_TITLE);
    m_pqet = Check(1046);
    m_tonerAlarm = Combo(1044);
}

void CFinishingView::ConnectHandlers() {
    BindCombo(m_tonerAlarm);
    BindCheck(m_pqet, Doc()->m_PQET);
}

void CFinishingView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    // The toner-alarm list is unsorted: its entries keep the order of the configuration's values.
    FillCombo(doc->m_TonerAlarm, m_tonerAlarm);
    FillCheck(doc->m_PQET, m_pqet);
    pages::DisableIfUnusable(doc->m_PQET, m_pqet);
}

DEVPANEL_REGISTER_PAGE(5, CFinishingView)
