// The progress dialog of a long write (apply, save as command file, the apply when leaving):
// the status text of the write as its label, a bar and "n / total" beneath it. It has no cancel
// button and no close box: a write to the printer, once begun, must end with the printer back
// online, so the dialog goes away only when the work has ended (Finish).
#pragma once

#include <QDialog>
#include <cstddef>
#include <string>

class QLabel;
class QProgressBar;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(const std::string& label, QWidget* parent = nullptr);

    // sent of total settings are written.
    void SetProgress(size_t sent, size_t total);
    // The work has ended: the dialog closes (at once, or as soon as it is shown).
    void Finish();
    bool Finished() const { return m_finished; }

    QLabel* Label() const { return m_label; }
    QProgressBar* Bar() const { return m_bar; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
    bool m_finished = false;
};
