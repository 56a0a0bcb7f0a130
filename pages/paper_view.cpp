#include "pages/paper_view.h"

#include "document/printer_doc.h"
#include "ui/page_templates.h"

namespace {
constexpr int IDC_PAPER_TITLE = 1282;
constexpr int IDS_PAPER_TITLE = 61291;  // " 용지"
}  // namespace

CPaperView::CPaperView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::PaperPageTemplate().id, parent) {
    SetTitle(IDC_PAPER_TITLE, IDS_PAPER_TITLE);
}

void CPaperView::DoDataExchange() {
    m_title = RichEdit(IDC_PAPER_TITLE);
    m_blankPages = Combo(1018);
    m_sepSheets = Combo(1019);
    m_sepSource = Combo(1040);
    m_tray1Size = Combo(1301);
    m_tray1Type = Combo(1302);
    m_tray2Size = Combo(1303);
    m_tray2Type = Combo(1304);
}

void CPaperView::ConnectHandlers() {
    // The separator source is shown only: its list stays disabled and has no handler.
    for (QComboBox* list : {m_blankPages, m_sepSheets, m_tray1Size, m_tray1Type, m_tray2Size, m_tray2Type})
        BindCombo(list);
}

void CPaperView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    FillCombo(doc->m_BlankPgs, m_blankPages);
    FillCombo(doc->m_SepSheets, m_sepSheets);
    FillCombo(doc->m_SepSrc, m_sepSource);
    FillCombo(doc->m_Tray1PapSize, m_tray1Size);
    FillCombo(doc->m_Tray1PapType, m_tray1Type);
    FillCombo(doc->m_Tray2PapSize, m_tray2Size);
    FillCombo(doc->m_Tray2PapType, m_tray2Type);
}

DEVPANEL_REGISTER_PAGE(1, CPaperView)
