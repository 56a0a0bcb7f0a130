#include "pages/paper_texture_view.h"

#include "ui/page_templates.h"

namespace {

constexpr int IDC_PAPER_TEXTURE_TITLE = 1284;
constexpr int IDS_PAPER_TEXTURE_TITLE = 61294;  // " 용지  >  용지 종류"

// Top to bottom, in the same paper-type order as the weight page.
constexpr CPaperColumnView::Rows kTextureRows = {{
    {1076, &CPrinterDoc::m_PlainTxt},
    {1077, &CPrinterDoc::m_CardStkTxt},
    {1080, &CPrinterDoc::m_TrnsprncyTxt},
    {1081, &CPrinterDoc::m_LabelTxt},
    {1082, &CPrinterDoc::m_BondTxt},
    {1083, &CPrinterDoc::m_EnvTxt},
    {1084, &CPrinterDoc::m_LtrHdTxt},
    {1085, &CPrinterDoc::m_PreprntTxt},
    {1086, &CPrinterDoc::m_ColorTxt},
    {1088, &CPrinterDoc::m_Cust1Txt},
    {1098, &CPrinterDoc::m_Cust2Txt},
    {1099, &CPrinterDoc::m_Cust3Txt},
    {1100, &CPrinterDoc::m_Cust4Txt},
    {1101, &CPrinterDoc::m_Cust5Txt},
    {1102, &CPrinterDoc::m_Cust6Txt},
}};

}  // namespace

CPaperTextureView::CPaperTextureView(CPrinterDoc* doc, QWidget* parent)
    : CPaperColumnView(doc, res::PaperTexturePageTemplate(), IDC_PAPER_TEXTURE_TITLE, IDS_PAPER_TEXTURE_TITLE, kTextureRows, parent) {}

DEVPANEL_REGISTER_PAGE(3, CPaperTextureView)
