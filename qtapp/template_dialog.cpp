#include "qtapp/template_dialog.h"

#include <QPushButton>

CTemplateDialog::CTemplateDialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {
    const res::DialogTemplate* dialog = res::FindDialogTemplate(templateId);
    if (!dialog) return;
    // A title bar, and a close box only with a system menu.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (dialog->style & res::D_CAPTION) flags |= Qt::WindowTitleHint;
    if (dialog->style & res::D_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setWindowTitle(QString::fromStdString(res::DialogCaption(*dialog)));
    setModal(dialog->style & res::D_MODAL);
    m_built = ui::BuildDialog(*dialog, this);
    if (auto* ok = qobject_cast<QPushButton*>(Control(res::IDOK_BUTTON)))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    if (auto* cancel = qobject_cast<QPushButton*>(Control(res::IDCANCEL_BUTTON)))
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}
