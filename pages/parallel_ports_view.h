// The parallel port page (ViewId 10): six on/off options of the parallel port and its protocol.
#pragma once

#include <array>

#include "pages/settings_view.h"

class CParallelPortsView : public CSettingsView {
    Q_OBJECT
public:
    explicit CParallelPortsView(CPrinterDoc* doc, QWidget* parent = nullptr);

protected:
    void DoDataExchange() override;
    void ConnectHandlers() override;
    void FillFromDocument() override;

private:
    QTextEdit* m_title = nullptr;
    // Mode 1, mode 2, advanced status, Honor Init, PCL and PS automatic language switching.
    std::array<QCheckBox*, 6> m_options{};
    QComboBox* m_protocol = nullptr;
};
