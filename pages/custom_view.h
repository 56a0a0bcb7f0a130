// The custom paper types page (ViewId 2): the name and the base paper type of each of the six
// custom types. Every keystroke in a name is stored at once.
#pragma once

#include <array>

#include "pages/settings_view.h"

class CCustomView : public CSettingsView {
    Q_OBJECT
public:
    static constexpr int kTypes = 6;
    explicit CCustomView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    std::array<QLineEdit*, kTypes> m_names{};
    std::array<QComboBox*, kTypes> m_types{};
};
