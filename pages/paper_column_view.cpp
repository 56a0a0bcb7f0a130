#include "pages/paper_column_view.h"

CPaperColumnView::CPaperColumnView(CPrinterDoc* doc, const res::DialogTemplate& form, int titleControl,
                                   int titleString, const Rows& rows, QWidget* parent)
    : CSettingsView(doc, form.id, parent), m_rows(rows), m_titleControl(titleControl) {
    SetTitle(titleControl, titleString);
}

void CPaperColumnView::DoDataExchange() {
    m_title = RichEdit(m_titleControl);
    for (size_t i = 0; i < kRows; ++i) m_lists[i] = Combo(m_rows[i].listId);
}

void CPaperColumnView::ConnectHandlers() {
    for (QComboBox* list : m_lists) BindCombo(list);
}

void CPaperColumnView::FillFromDocument() {
    CPrinterDoc* doc = Doc();
    for (size_t i = 0; i < kRows; ++i) FillCombo(doc->*(m_rows[i].setting), m_lists[i]);
}
