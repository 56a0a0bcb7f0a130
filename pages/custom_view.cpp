#include "pages/custom_view.h"

#include <QComboBox>
#include <QLineEdit>

#include "document/printer_doc.h"
#include "ui/page_templates.h"

namespace {

constexpr int IDC_CUSTOM_TITLE = 1283;
constexpr int IDS_CUSTOM_TITLE = 61292;  // " 용지  >  사용자"
constexpr int IDC_FIRST_NAME = 1154;  // name fields 1154..1159
constexpr int IDC_FIRST_TYPE = 1140;  // type lists 1140..1145

constexpr std::array<config::TextDescriptor CPrinterDoc::*, CCustomView::kTypes> kNames = {
    &CPrinterDoc::m_Cust1Name, &CPrinterDoc::m_Cust2Name, &CPrinterDoc::m_Cust3Name,
    &CPrinterDoc::m_Cust4Name, &CPrinterDoc::m_Cust5Name, &CPrinterDoc::m_Cust6Name,
};
constexpr std::array<config::ListDescriptor CPrinterDoc::*, CCustomView::kTypes> kTypeSettings = {
    &CPrinterDoc::m_Cust1Type, &CPrinterDoc::m_Cust2Type, &CPrinterDoc::m_Cust3Type,
    &CPrinterDoc::m_Cust4Type, &CPrinterDoc::m_Cust5Type, &CPrinterDoc::m_Cust6Type,
};

// Name field n (0-based) has armed flag n + 1.
int NameFlag(int n) { return n + 1; }

}  // namespace

CCustomView::CCustomView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::CustomPageTemplate().id, parent) {
    SetTitle(IDC_CUSTOM_TITLE, IDS_CUSTOM_TITLE);
}

void CCustomView::DoDataExchange() {
    m_title = RichEdit(IDC_CUSTOM_TITLE);
    for (int n = 0; n < kTypes; ++n) {
        m_names[n] = Edit(IDC_FIRST_NAME + n);
        m_types[n] = Combo(IDC_FIRST_TYPE + n);
    }
}

void CCustomView::ConnectHandlers() {
    for (int n = 0; n < kTypes; ++n) {
        BindText(m_names[n], Doc()->*kNames[n], NameFlag(n));
        BindCombo(m_types[n]);
    }
}

void CCustomView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    for (int n = 0; n < kTypes; ++n) {
        FillText(doc->*kNames[n], m_names[n]);
        FillCombo(doc->*kTypeSettings[n], m_types[n]);
    }
    // The fill is done: from now on every change of a name is the user's. (An unchanged text
    // sends no change notification of its own, so the flags cannot rely on one.)
    for (int n = 0; n < kTypes; ++n) Armed(NameFlag(n)) = 1;
}

DEVPANEL_REGISTER_PAGE(2, CCustomView)
