#include "pages/usb_ports_view.h"

#include <QCheckBox>

#include "document/printer_doc.h"
#include "ui/page_templates.h"
#include "pages/switch_state.h"

namespace {
constexpr int IDC_USB_PORTS_TITLE = 1292;
constexpr int IDS_USB_PORTS_TITLE = 61302;  // " 포트  >  USB"
}  // namespace

CUsbPortsView::CUsbPortsView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::UsbPortsPageTemplate().id, parent) {
    SetTitle(IDC_USB_PORTS_TITLE, IDS_USB_PORTS_TITLE);
}

void CUsbPortsView::DoDataExchange() {
    m_title = RichEdit(IDC_USB_PORTS_TITLE);
    m_pclAutoLang = Check(1052);
    m_psAutoLang = Check(1053);
}

void CUsbPortsView::ConnectHandlers() {
    BindCheck(m_pclAutoLang, Doc()->m_UsbPclAutoLng);
    BindCheck(m_psAutoLang, Doc()->m_UsbPsAutoLng);
}

void CUsbPortsView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    FillCheck(doc->m_UsbPclAutoLng, m_pclAutoLang);
    pages::DisableIfUnusable(doc->m_UsbPclAutoLng, m_pclAutoLang);
    FillCheck(doc->m_UsbPsAutoLng, m_psAutoLang);
    pages::DisableIfUnusable(doc->m_UsbPsAutoLng, m_psAutoLang);
}

DEVPANEL_REGISTER_PAGE(11, CUsbPortsView)
