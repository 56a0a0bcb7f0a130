// "프린터 쿼리": the wait dialog of the start-up read (template 149). It starts the read as soon
// as it exists (flows::StartupRead, on its own thread); the thread's end comes over as one queued
// call, and the dialog then closes itself. Escape, Enter and the close box do nothing before that.
#pragma once

#include "qtapp/template_dialog.h"
#include "flows/startup.h"

class CPrinterQueryDlg : public CTemplateDialog {
    Q_OBJECT
public:
    // read must outlive the dialog; its status and values may be read once exec() has returned
    // (or once the dialog has closed itself).
    explicit CPrinterQueryDlg(flows::StartupRead& read, QWidget* parent = nullptr);
    // Waits for the read: its thread posts to this dialog.
    ~CPrinterQueryDlg() override;

    int m_mayClose = 0;

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Runs on the user-interface thread when the read has ended (the message 2024 of old).
    void OnReadDone();

    flows::StartupRead& m_read;
};
