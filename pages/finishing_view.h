// The finishing page (ViewId 5): toner alarm and PQET.
#pragma once

#include "pages/settings_view.h"

class CFinishingView : public CSettingsView {
    Q_OBJECT
public:
    explicit CFinishingView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    QCheckBox* m_pqet = nullptr;
    QComboBox* m_tonerAlarm = nullptr;
};
