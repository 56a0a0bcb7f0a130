#include "qtapp/printer_query_dlg.h"

#include <QMetaObject>

CPrinterQueryDlg::CPrinterQueryDlg(flows::StartupRead& read, QWidget* parent)
    : CTemplateDialog(res::IDD_PRINTER_QUERY, parent), m_read(read) {
    // The read starts now, so that it overlaps the dialog's showing.
    read.Start([this] { QMetaObject::invokeMethod(this, [this] { OnReadDone(); }, Qt::QueuedConnection); });
}

CPrinterQueryDlg::~CPrinterQueryDlg() { m_read.Wait(); }

void CPrinterQueryDlg::OnReadDone() {
    m_mayClose = 1;
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void CPrinterQueryDlg::showEvent(QShowEvent* event) {
    CTemplateDialog::showEvent(event);
    // A read that finished before the dialog was shown closes it as soon as it is up.
    if (m_mayClose) QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

// Enter never ends the dialog.
void CPrinterQueryDlg::accept() {}

// Escape and closing end it only once the read is done.
void CPrinterQueryDlg::reject() {
    if (m_mayClose) QDialog::reject();
}
