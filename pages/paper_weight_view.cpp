#include "pages/paper_weight_view.h"

#include "ui/page_templates.h"

namespace {

constexpr int IDC_PAPER_WEIGHT_TITLE = 1285;
constexpr int IDS_PAPER_WEIGHT_TITLE = 61295;  // " 용지  >  용지 무게"

// Top to bottom, in the same paper-type order as the texture page.
constexpr CPaperColumnView::Rows kWeightRows = {{
    {1108, &CPrinterDoc::m_PlainWgt},
    {1109, &CPrinterDoc::m_CardStkWgt},
    {1110, &CPrinterDoc::m_TrnsprncyWgt},
    {1111, &CPrinterDoc::m_LabelWgt},
    {1112, &CPrinterDoc::m_BondWgt},
    {1113, &CPrinterDoc::m_EnvWgt},
    {1114, &CPrinterDoc::m_LtrHdWgt},
    {1115, &CPrinterDoc::m_PreprntWgt},
    {1116, &CPrinterDoc::m_ColorWgt},
    {1117, &CPrinterDoc::m_Cust1Wgt},
    {1118, &CPrinterDoc::m_Cust2Wgt},
    {1119, &CPrinterDoc::m_Cust3Wgt},
    {1120, &CPrinterDoc::m_Cust4Wgt},
    {1121, &CPrinterDoc::m_Cust5Wgt},
    {1122, &CPrinterDoc::m_Cust6Wgt},
}};

}  // namespace

CPaperWeightView::CPaperWeightView(CPrinterDoc* doc, QWidget* parent)
    : CPaperColumnView(doc, res::PaperWeightPageTemplate(), IDC_PAPER_WEIGHT_TITLE, IDS_PAPER_WEIGHT_TITLE, kWeightRows, parent) {}

DEVPANEL_REGISTER_PAGE(4, CPaperWeightView)
