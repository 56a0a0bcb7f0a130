// The common design of the texture and weight pages: one column of fifteen labelled lists, one
// per paper type, each bound to one list setting of the document.
#pragma once

#include <array>

#include "document/printer_doc.h"
#include "pages/settings_view.h"

class CPaperColumnView : public CSettingsView {
    Q_OBJECT
public:
    static constexpr size_t kRows = 15;
    struct Row {
        int listId;
        config::ListDescriptor CPrinterDoc::*setting;
    };
    using Rows = std::array<Row, kRows>;

protected:
    CPaperColumnView(CPrinterDoc* doc, const res::DialogTemplate& form, int titleControl, int titleString,
                     const Rows& rows, QWidget* parent);
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    const Rows& m_rows;
    int m_titleControl;
    QTextEdit* m_title = nullptr;
    std::array<QComboBox*, kRows> m_lists{};
};
