// The USB port page (ViewId 11): the two automatic language switching options of the USB port.
// Its captions are those of the parallel page; its settings are the USB port's own.
#pragma once

#include "pages/settings_view.h"

class CUsbPortsView : public CSettingsView {
    Q_OBJECT
public:
    explicit CUsbPortsView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    QCheckBox* m_pclAutoLang = nullptr;
    QCheckBox* m_psAutoLang = nullptr;
};
