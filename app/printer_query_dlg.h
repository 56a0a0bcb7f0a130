// "프린터 쿼리": the wait dialog of the start-up read (template 149). It starts one worker thread
// that reads every setting of the printer; the worker hands its result over with one queued call
// and the dialog then closes itself. Escape, Enter and the close box do nothing before that.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "app/template_dialog.h"
#include "transactions/npa.h"

class CPrinterQueryDlg : public CTemplateDialog {
    Q_OBJECT
public:
    using Reader = std::function<int(const std::string& port, ValueMap& values)>;

    // Starts the worker. status and values are written by it and may be read once exec() has
    // returned (or once the dialog has closed itself).
    CPrinterQueryDlg(std::string portName, Reader reader, int& status, ValueMap& values, QWidget* parent = nullptr);
    ~CPrinterQueryDlg() override;

    int m_mayClose = 0;

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Runs on the user-interface thread when the worker has finished (the message 2024 of old).
    void OnReadDone();

    std::string m_portName;
    Reader m_reader;
    int& m_status;
    ValueMap& m_values;
    std::thread m_worker;
};
