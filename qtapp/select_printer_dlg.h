// "복수 프린터 발견": the user picks one of several discovered printers (template 133).
#pragma once

#include <string>

#include "qtapp/template_dialog.h"
#include "document/discovery.h"

class QListWidget;

class CSelectPrinterDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CSelectPrinterDlg(const PrinterTable& printers, QWidget* parent = nullptr);
    QListWidget* List() const;

    // The text of the selected item when OK was pressed; empty when nothing was selected.
    std::string m_selectedLabel;

    void accept() override;
};
