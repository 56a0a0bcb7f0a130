#include "qtapp/select_printer_dlg.h"

#include <QListWidget>

CSelectPrinterDlg::CSelectPrinterDlg(const PrinterTable& printers, QWidget* parent)
    : CTemplateDialog(res::IDD_SELECT_PRINTER, parent) {
    QListWidget* list = List();
    if (!list) return;
    for (const auto& [label, port] : printers) ui::AddListItem(list, QString::fromStdString(label));
    if (list->count() > 0) list->setCurrentRow(0);
    list->setFocus();
}

QListWidget* CSelectPrinterDlg::List() const { return qobject_cast<QListWidget*>(Control(res::IDC_PRINTER_LIST)); }

void CSelectPrinterDlg::accept() {
    QListWidget* list = List();
    const QList<QListWidgetItem*> selected = list ? list->selectedItems() : QList<QListWidgetItem*>();
    m_selectedLabel = selected.isEmpty() ? std::string() : selected.first()->text().toStdString();
    QDialog::accept();
}
