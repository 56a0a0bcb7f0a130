#include "pages/pcl_view.h"

#include <QCheckBox>

#include "document/printer_doc.h"
#include "ui/page_templates.h"
#include "pages/switch_state.h"

namespace {
constexpr int IDC_PCL_TITLE = 1289;
constexpr int IDS_PCL_TITLE = 61298;  // " PCL 에뮬레이션"
constexpr int FLAG_LINES = 1;
}  // namespace

CPclView::CPclView(CPrinterDoc* doc, QWidget* parent) : CSettingsView(doc, res::PclPageTemplate().id, parent) {
    SetTitle(IDC_PCL_TITLE, IDS_PCL_TITLE);
}

void CPclView::DoDataExchange() {
    m_title = RichEdit(IDC_PCL_TITLE);
    m_linesSpin = Spin(1279);
    m_linesEdit = Edit(1278);
    m_autoLf = Check(1276);
    m_autoCr = Check(1274);
    m_a4Width = Combo(1272);
}

void CPclView::ConnectHandlers() {
    CPrinterDoc* doc = Doc();
    BindCombo(m_a4Width);
    BindCheck(m_autoCr, doc->m_AutoCR);
    BindCheck(m_autoLf, doc->m_AutoLF);
    BindSpin(m_linesEdit, doc->m_LinesPerPg, FLAG_LINES);
}

void CPclView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    FillCombo(doc->m_A4Width, m_a4Width);
    FillSpin(doc->m_LinesPerPg, m_linesSpin);
    FillCheck(doc->m_AutoCR, m_autoCr);
    pages::DisableIfUnusable(doc->m_AutoCR, m_autoCr);
    FillCheck(doc->m_AutoLF, m_autoLf);
    pages::DisableIfUnusable(doc->m_AutoLF, m_autoLf);
    // The fill is done: the next change of the number is the user's.
    Armed(FLAG_LINES) = 1;
}

DEVPANEL_REGISTER_PAGE(7, CPclView)
