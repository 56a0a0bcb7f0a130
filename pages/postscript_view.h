// The PostScript page (ViewId 9): feed, job and wait timeouts (each can be switched off) and the
// font priority.
#pragma once

#include "pages/settings_view.h"

class CPostscriptView : public CSettingsView {
    Q_OBJECT
public:
    explicit CPostscriptView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    ui::SpinButton* m_waitSpin = nullptr;
    QCheckBox* m_waitBox = nullptr;
    QLineEdit* m_waitEdit = nullptr;
    ui::SpinButton* m_jobSpin = nullptr;
    QCheckBox* m_jobBox = nullptr;
    QLineEdit* m_jobEdit = nullptr;
    ui::SpinButton* m_feedSpin = nullptr;
    QCheckBox* m_feedBox = nullptr;
    QLineEdit* m_feedEdit = nullptr;
    QComboBox* m_fontPriority = nullptr;
};
