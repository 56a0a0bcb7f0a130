// The PCL page (ViewId 7): A4 width, automatic CR after LF, automatic LF after CR, lines per page.
#pragma once

#include "pages/settings_view.h"

class CPclView : public CSettingsView {
    Q_OBJECT
public:
    explicit CPclView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    ui::SpinButton* m_linesSpin = nullptr;
    QLineEdit* m_linesEdit = nullptr;
    QCheckBox* m_autoLf = nullptr;
    QCheckBox* m_autoCr = nullptr;
    QComboBox* m_a4Width = nullptr;
};
