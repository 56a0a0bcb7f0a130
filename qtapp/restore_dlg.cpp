#include "qtapp/restore_dlg.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "strings/string_table.h"
#include "document/frame.h"
#include "pages/restore_list.h"

namespace {

namespace restore_text = pages::restore_text;

QString Text(int id) { return QString::fromStdString(res::String(id)); }

std::string LocalTimeText(const std::string& utc) { return CRestoreDlg::LocalTime(utc).toStdString(); }

}  // namespace

QString CRestoreDlg::LocalTime(const std::string& utc) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
    if (!time.isValid()) return QString::fromStdString(utc);
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

CRestoreDlg::CRestoreDlg(std::vector<snapshot::StoredSnapshot> snapshots, ValueMap now, IPrinterFrame& frame,
                         const pages::SettingTexts* texts, QWidget* parent)
    : QDialog(parent), m_snapshots(std::move(snapshots)), m_now(std::move(now)), m_frame(frame), m_texts(texts) {
    setWindowTitle(Text(restore_text::kCaption));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(Text(restore_text::kPrompt));
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    // The snapshots, newest first, each with the number of settings it would change.
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("snapshotList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({Text(restore_text::kTimeColumn), Text(restore_text::kCountColumn)});
    for (const snapshot::StoredSnapshot& stored : m_snapshots) {
        const pages::SnapshotRow row = pages::RowOf(stored, m_now, LocalTimeText);
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromStdString(row.when));
        item->setText(1, QString::fromStdString(row.count));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // A file that cannot be read is listed, so that its absence is not a mystery, but
        // cannot be chosen.
        if (!row.readable) {
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            item->setToolTip(0, QString::fromStdString(stored.problem));
        }
    }
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(m_list, 2);

    // What the chosen one would change.
    m_diff = new QTreeWidget;
    m_diff->setObjectName(QStringLiteral("differenceList"));
    m_diff->setRootIsDecorated(false);
    m_diff->setHeaderLabels(
        {Text(restore_text::kSettingColumn), Text(restore_text::kNowColumn), Text(restore_text::kThenColumn)});
    m_diff->header()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(m_diff, 3);

    m_note = new QLabel;
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox;
    m_restore = buttons->addButton(Text(restore_text::kRestoreButton), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setEnabled(false);
    QPushButton* cancel = buttons->addButton(Text(restore_text::kCancelButton), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(m_restore, &QPushButton::clicked, this, [this] { OnRestore(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(520, 420);
}

void CRestoreDlg::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    m_selected = selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
    m_diff->clear();
    m_differences.clear();
    m_note->hide();
    if (m_selected < 0) {
        m_restore->setEnabled(false);
        return;
    }
    pages::SnapshotChoice choice = pages::Choose(m_snapshots[static_cast<size_t>(m_selected)], m_now, m_texts);
    for (const pages::DifferenceRow& row : choice.rows) {
        auto* item = new QTreeWidgetItem(m_diff);
        item->setText(0, QString::fromStdString(row.label));
        item->setText(1, QString::fromStdString(row.now));
        item->setText(2, QString::fromStdString(row.then));
        // The printer's own words, for whoever compares with the command line or a file.
        item->setToolTip(0, QString::fromStdString(row.name));
    }
    m_note->setText(QString::fromStdString(choice.note));
    m_note->setVisible(!choice.note.empty());
    m_restore->setEnabled(choice.CanRestore());
    m_differences = std::move(choice.differences);
}

void CRestoreDlg::OnRestore() {
    if (m_selected < 0 || m_differences.empty()) return;
    const std::string question = pages::RestoreQuestion(m_snapshots[static_cast<size_t>(m_selected)], LocalTimeText);
    if (m_frame.messageBox(question, res::String(restore_text::kConfirmCaption), msgbox::kYesNo | msgbox::kIconQuestion,
                           true) != msgbox::kIdYes)
        return;
    accept();
}

const snapshot::StoredSnapshot* CRestoreDlg::Chosen() const {
    if (result() != QDialog::Accepted || m_selected < 0) return nullptr;
    return &m_snapshots[static_cast<size_t>(m_selected)];
}
