// The progress dialog of a long write (apply, save as command file, the apply when leaving):
// the status text of the write as its label, a bar, and beneath it the step the write is at
// ("현재 설정 읽기", "오프라인 전환", "설정 n / total", "온라인 전환", "확인"). It has no cancel
// button and no close box: a write to the printer, once begun, must end with the printer back
// online, so the dialog goes away only when the work has ended (Finish).
#pragma once

#include <QDialog>
#include <cstddef>
#include <string>

#include "transactions/transactions.h"

class QLabel;
class QProgressBar;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(const std::string& label, QWidget* parent = nullptr);

    // The write is at phase, with sent of total settings written.
    void SetProgress(NpaPhase phase, size_t sent, size_t total);
    // The work has ended: the dialog closes (at once, or as soon as it is shown).
    void Finish();
    bool Finished() const { return m_finished; }

    QLabel* Label() const { return m_label; }
    QLabel* Step() const { return m_step; }
    QProgressBar* Bar() const { return m_bar; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
    QLabel* m_step;
    bool m_finished = false;
};
