#include "pages/setup_view.h"

#include <QCheckBox>
#include <QLineEdit>

#include "document/printer_doc.h"
#include "ui/page_templates.h"
#include "pages/switch_state.h"
#include "ui/spin_button.h"

namespace {

constexpr int IDC_SETUP_TITLE = 1288;
constexpr int IDS_SETUP_TITLE = 61297;  // " 설정"

// Armed flags of the four edits.
enum : int { FLAG_POWER_SAVER = 1, FLAG_PRINT_TIMEOUT = 2, FLAG_AUTO_CONTINUE = 3, FLAG_TAG = 4 };

}  // namespace

CSetupView::CSetupView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::SetupPageTemplate().id, parent) {
    SetTitle(IDC_SETUP_TITLE, IDS_SETUP_TITLE);
}

void CSetupView::DoDataExchange() {
    m_title = RichEdit(IDC_SETUP_TITLE);
    m_autoContinueSpin = Spin(1260);
    m_resSave = Check(1264);
    m_resReduction = Check(1262);
    m_resetControl = Check(1266);
    m_powerSaverSpin = Spin(1252);
    m_powerSaverBox = Check(1250);
    m_powerSaverEdit = Edit(1251);
    m_printTimeoutSpin = Spin(1256);
    m_printTimeoutBox = Check(1254);
    m_printTimeoutEdit = Edit(1255);
    m_printBuffer = Check(1268);
    m_printArea = Combo(1245);
    m_language = Combo(1244);
    m_jamRecovery = Combo(1242);
    m_emulation = Combo(1240);
    m_tag = Edit(1247);
    m_autoContinueBox = Check(1258);
    m_autoContinueEdit = Edit(1259);
}

void CSetupView::ConnectHandlers() {
    CPrinterDoc* doc = Doc();
    for (QComboBox* list : {m_emulation, m_jamRecovery, m_language, m_printArea}) BindCombo(list);
    BindText(m_tag, doc->m_PropTag, FLAG_TAG);
    BindCheckSpin(m_powerSaverBox, m_powerSaverEdit, m_powerSaverSpin, doc->m_PwrSvr, FLAG_POWER_SAVER);
    BindCheckSpin(m_printTimeoutBox, m_printTimeoutEdit, m_printTimeoutSpin, doc->m_PrtTimeout, FLAG_PRINT_TIMEOUT);
    BindCheckSpin(m_autoContinueBox, m_autoContinueEdit, m_autoContinueSpin, doc->m_AutoCont, FLAG_AUTO_CONTINUE);
    BindCheck(m_resReduction, doc->m_ResRed);
    BindCheck(m_resSave, doc->m_ResSav);
    BindCheck(m_resetControl, doc->m_ResetCtrl);
    BindCheck(m_printBuffer, doc->m_PrtBufCtrl);
}

void CSetupView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    FillCombo(doc->m_Emulation, m_emulation);
    FillCombo(doc->m_JamRcvry, m_jamRecovery);
    FillCombo(doc->m_Language, m_language);
    FillCombo(doc->m_PrtArea, m_printArea);
    FillText(doc->m_PropTag, m_tag);
    FillCheckSpin(doc->m_PwrSvr, m_powerSaverSpin, m_powerSaverBox);
    FillCheckSpin(doc->m_PrtTimeout, m_printTimeoutSpin, m_printTimeoutBox);
    FillCheckSpin(doc->m_AutoCont, m_autoContinueSpin, m_autoContinueBox);
    // A number field is usable exactly while its box is checked.
    EnableNumber(m_powerSaverEdit, m_powerSaverSpin, m_powerSaverBox && m_powerSaverBox->isChecked());
    EnableNumber(m_printTimeoutEdit, m_printTimeoutSpin, m_printTimeoutBox && m_printTimeoutBox->isChecked());
    EnableNumber(m_autoContinueEdit, m_autoContinueSpin, m_autoContinueBox && m_autoContinueBox->isChecked());
    const std::pair<const config::SwitchDescriptor*, QCheckBox*> switches[] = {
        {&doc->m_ResRed, m_resReduction},
        {&doc->m_ResSav, m_resSave},
        {&doc->m_ResetCtrl, m_resetControl},
        {&doc->m_PrtBufCtrl, m_printBuffer},
    };
    for (const auto& [descriptor, box] : switches) {
        FillCheck(*descriptor, box);
        pages::DisableIfUnusable(*descriptor, box);
    }
    // The fill is done: from now on every change of an edit is the user's. (An unchanged text
    // sends no change notification of its own, so the flags cannot rely on one.)
    for (int flag : {FLAG_POWER_SAVER, FLAG_PRINT_TIMEOUT, FLAG_AUTO_CONTINUE, FLAG_TAG}) Armed(flag) = 1;
}

DEVPANEL_REGISTER_PAGE(6, CSetupView)
