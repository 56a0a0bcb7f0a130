#include "app/printer_query_dlg.h"

#include <QMetaObject>

CPrinterQueryDlg::CPrinterQueryDlg(std::string portName, Reader reader, int& status, ValueMap& values,
                                   QWidget* parent)
    : CTemplateDialog(res::IDD_PRINTER_QUERY, parent),
      m_portName(std::move(portName)),
      m_reader(std::move(reader)),
      m_status(status),
      m_values(values) {
    // The read starts as soon as the dialog exists, so that it overlaps the dialog's showing.
    // The worker owns the status and values until it posts; nothing here looks at them before
    // OnReadDone.
    m_worker = std::thread([this, port = m_portName] {
        m_status = m_reader ? m_reader(port, m_values) : NPA_ERR_OPEN;
        QMetaObject::invokeMethod(this, [this] { OnReadDone(); }, Qt::QueuedConnection);
    });
}

CPrinterQueryDlg::~CPrinterQueryDlg() {
    if (m_worker.joinable()) m_worker.join();
}

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
