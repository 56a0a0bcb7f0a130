#include "pages/parallel_ports_view.h"

#include <QCheckBox>

#include "document/printer_doc.h"
#include "ui/page_templates.h"
#include "pages/switch_state.h"

namespace {

constexpr int IDC_PARALLEL_PORTS_TITLE = 1291;
constexpr int IDS_PARALLEL_PORTS_TITLE = 61301;  // " 포트  >  병렬"

constexpr std::array<int, 6> kOptionIds = {1058, 1059, 1060, 1061, 1062, 1063};
constexpr std::array<config::SwitchDescriptor CPrinterDoc::*, 6> kOptionSettings = {
    &CPrinterDoc::m_Mode1,     &CPrinterDoc::m_Mode2,         &CPrinterDoc::m_AdvStatus,
    &CPrinterDoc::m_HonorInit, &CPrinterDoc::m_ParPclAutoLng, &CPrinterDoc::m_ParPsAutoLng,
};

}  // namespace

CParallelPortsView::CParallelPortsView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::ParallelPortsPageTemplate().id, parent) {
    SetTitle(IDC_PARALLEL_PORTS_TITLE, IDS_PARALLEL_PORTS_TITLE);
}

void CParallelPortsView::DoDataExchange() {
    m_title = RichEdit(IDC_PARALLEL_PORTS_TITLE);
    for (size_t i = 0; i < m_options.size(); ++i) m_options[i] = Check(kOptionIds[i]);
    m_protocol = Combo(1064);
}

void CParallelPortsView::ConnectHandlers() {
    for (size_t i = 0; i < m_options.size(); ++i) BindCheck(m_options[i], Doc()->*kOptionSettings[i]);
    BindCombo(m_protocol);
}

void CParallelPortsView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    for (size_t i = 0; i < m_options.size(); ++i) {
        FillCheck(doc->*kOptionSettings[i], m_options[i]);
        pages::DisableIfUnusable(doc->*kOptionSettings[i], m_options[i]);
    }
    FillCombo(doc->m_Protocol, m_protocol);
}

DEVPANEL_REGISTER_PAGE(10, CParallelPortsView)
