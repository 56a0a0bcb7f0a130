#include "qtapp/progress_dlg.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

#include "strings/string_table.h"
#include "flows/commands.h"
#include "qtui/dialog_builder.h"
#include "templates/templates.h"

CProgressDlg::CProgressDlg(const std::string& label, QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(QString::fromStdString(label), this)),
      m_bar(new QProgressBar(this)),
      m_step(new QLabel(this)) {
    // A title bar without system menu, as the start-up's wait dialog: nothing closes it early.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QString::fromStdString(res::String(res::IDS_APP_TITLE)));
    setWindowModality(Qt::ApplicationModal);
    // The dialogs' own font (굴림 9, or what stands in for it).
    if (const res::DialogTemplate* query = res::FindDialogTemplate(res::IDD_PRINTER_QUERY))
        setFont(ui::DialogFont(*query));

    m_label->setAlignment(Qt::AlignCenter);
    // The step under the bar says where the write is ("설정 12 / 84" is a count the user can
    // follow on a slow port, not a percentage). Until the write says how many settings it sends,
    // the bar only shows that work goes on.
    m_bar->setRange(0, 0);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(m_label->text());
    m_step->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(m_step);
    const ui::DialogUnits units(font());
    setFixedWidth(std::max(units.x(292), m_label->sizeHint().width() + 32));
}

void CProgressDlg::SetProgress(NpaPhase phase, size_t sent, size_t total) {
    m_step->setText(QString::fromStdString(flows::ProgressText(phase, sent, total)));
    m_bar->setAccessibleDescription(m_step->text());
    if (phase == NpaPhase::Reading) {
        // How long the printer takes to answer is not known: the bar shows that work goes on.
        m_bar->setRange(0, 0);
        return;
    }
    const int max = static_cast<int>(std::min<size_t>(total, 1000000));
    const int value = static_cast<int>(std::min(sent, total));
    if (max == 0) {
        // Nothing to send (one-way mode with no change): a full bar, not a busy one.
        m_bar->setRange(0, 1);
        m_bar->setValue(1);
        return;
    }
    m_bar->setRange(0, max);
    m_bar->setValue(value);
}

void CProgressDlg::Finish() {
    m_finished = true;
    if (isVisible()) QDialog::done(QDialog::Accepted);
}

void CProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Work that ended before the dialog came up closes it as soon as it is up.
    if (m_finished) QMetaObject::invokeMethod(this, [this] { QDialog::done(QDialog::Accepted); }, Qt::QueuedConnection);
}

// Enter does not end the dialog.
void CProgressDlg::accept() {}

// Escape ends it only once the work is done.
void CProgressDlg::reject() {
    if (m_finished) QDialog::reject();
}
