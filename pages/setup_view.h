// The setup page (ViewId 6): printer language, jam recovery, display language, print area, the
// tag text, three timers that can be switched off and four on/off switches.
#pragma once

#include "pages/settings_view.h"

class CSetupView : public CSettingsView {
    Q_OBJECT
public:
    explicit CSetupView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    QComboBox* m_emulation = nullptr;
    QComboBox* m_jamRecovery = nullptr;
    QComboBox* m_language = nullptr;
    QComboBox* m_printArea = nullptr;
    QLineEdit* m_tag = nullptr;
    QCheckBox* m_powerSaverBox = nullptr;
    QLineEdit* m_powerSaverEdit = nullptr;
    ui::SpinButton* m_powerSaverSpin = nullptr;
    QCheckBox* m_printTimeoutBox = nullptr;
    QLineEdit* m_printTimeoutEdit = nullptr;
    ui::SpinButton* m_printTimeoutSpin = nullptr;
    QCheckBox* m_autoContinueBox = nullptr;
    QLineEdit* m_autoContinueEdit = nullptr;
    ui::SpinButton* m_autoContinueSpin = nullptr;
    QCheckBox* m_resReduction = nullptr;
    QCheckBox* m_resSave = nullptr;
    QCheckBox* m_resetControl = nullptr;
    QCheckBox* m_printBuffer = nullptr;
};
