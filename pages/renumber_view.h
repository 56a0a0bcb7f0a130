// The tray renumbering page (ViewId 8): the PCL number of tray 1, tray 2, the manual paper feed
// and the manual envelope feed. Each source is "없음" (none), "꺼짐" (off) or a number.
#pragma once

#include <array>

#include "document/printer_doc.h"
#include "pages/settings_view.h"

class CRenumberView : public CSettingsView {
    Q_OBJECT
public:
    explicit CRenumberView(CPrinterDoc* doc, QWidget* parent = nullptr);

    // One source's controls and setting.
    struct Group {
        QRadioButton* none = nullptr;
        QRadioButton* off = nullptr;
        QRadioButton* number = nullptr;
        QLineEdit* field = nullptr;
        ui::SpinButton* spin = nullptr;
        config::RangeChoiceDescriptor CPrinterDoc::*setting = nullptr;
        int flag = 0;  // armed flag of the number field
    };

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    void FillGroup(Group& group);
    void OnOff(Group& group);
    void OnNumber(Group& group);
    void OnNumberChanged(Group& group);

    QTextEdit* m_title = nullptr;
    // Tray 1, tray 2, manual paper, manual envelope.
    std::array<Group, 4> m_groups{};
};
