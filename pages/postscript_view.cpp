#include "pages/postscript_view.h"

#include <QCheckBox>

#include "document/printer_doc.h"
#include "ui/page_templates.h"

namespace {
constexpr int IDC_POSTSCRIPT_TITLE = 1290;
constexpr int IDS_POSTSCRIPT_TITLE = 61300;  // " 포스트스크립트"
enum : int { FLAG_FEED = 1, FLAG_JOB = 2, FLAG_WAIT = 3 };
}  // namespace

CPostscriptView::CPostscriptView(CPrinterDoc* doc, QWidget* parent)
    : CSettingsView(doc, res::PostscriptPageTemplate().id, parent) {
    SetTitle(IDC_POSTSCRIPT_TITLE, IDS_POSTSCRIPT_TITLE);
}

void CPostscriptView::DoDataExchange() {
    m_title = RichEdit(IDC_POSTSCRIPT_TITLE);
    m_waitSpin = Spin(1190);
    m_waitBox = Check(1188);
    m_waitEdit = Edit(1189);
    m_jobSpin = Spin(1186);
    m_jobBox = Check(1184);
    m_jobEdit = Edit(1185);
    m_feedSpin = Spin(1182);
    m_feedBox = Check(1180);
    m_feedEdit = Edit(1181);
    m_fontPriority = Combo(1194);
}

void CPostscriptView::ConnectHandlers() {
    CPrinterDoc* doc = Doc();
    BindCheckSpin(m_feedBox, m_feedEdit, m_feedSpin, doc->m_FeedTimeout, FLAG_FEED);
    BindCheckSpin(m_jobBox, m_jobEdit, m_jobSpin, doc->m_JobTimeout, FLAG_JOB);
    BindCheckSpin(m_waitBox, m_waitEdit, m_waitSpin, doc->m_WaitTimeout, FLAG_WAIT);
    BindCombo(m_fontPriority);
}

void CPostscriptView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    FillCheckSpin(doc->m_FeedTimeout, m_feedSpin, m_feedBox);
    FillCheckSpin(doc->m_JobTimeout, m_jobSpin, m_jobBox);
    FillCheckSpin(doc->m_WaitTimeout, m_waitSpin, m_waitBox);
    FillCombo(doc->m_FontPriority, m_fontPriority);
    // A number field is usable exactly while its box is checked.
    EnableNumber(m_feedEdit, m_feedSpin, m_feedBox && m_feedBox->isChecked());
    EnableNumber(m_jobEdit, m_jobSpin, m_jobBox && m_jobBox->isChecked());
    EnableNumber(m_waitEdit, m_waitSpin, m_waitBox && m_waitBox->isChecked());
    // The fill is done: the next change of a number is the user's.
    for (int flag : {FLAG_FEED, FLAG_JOB, FLAG_WAIT}) Armed(flag) = 1;
}

DEVPANEL_REGISTER_PAGE(9, CPostscriptView)
