// A modal dialog built from a dialog template: its caption, size, font and controls come from
// the dialog templates (templates/); OK and Cancel buttons (ids 1 and 2) end it as accept and reject.
#pragma once

#include <QDialog>

#include "qtui/dialog_builder.h"

class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTemplateDialog(int templateId, QWidget* parent = nullptr);
    QWidget* Control(int id) const { return m_built.control(id); }
    int TemplateId() const { return m_templateId; }

private:
    int m_templateId;
    ui::BuiltDialog m_built;
};
