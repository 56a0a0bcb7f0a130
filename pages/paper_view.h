// The paper page (ViewId 1): blank pages, separator sheets, the separator source (shown only)
// and the paper size and type of tray 1 and tray 2.
#pragma once

#include "pages/settings_view.h"

class CPaperView : public CSettingsView {
    Q_OBJECT
public:
    explicit CPaperView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    QComboBox* m_blankPages = nullptr;
    QComboBox* m_sepSheets = nullptr;
    QComboBox* m_sepSource = nullptr;
    QComboBox* m_tray1Size = nullptr;
    QComboBox* m_tray1Type = nullptr;
    QComboBox* m_tray2Size = nullptr;
    QComboBox* m_tray2Type = nullptr;
};
