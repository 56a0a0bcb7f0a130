#include "app/restore_dlg.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/strings.h"
#include "document/frame.h"
#include "pages/setting_texts.h"
#include "platform/paths.h"

namespace {

// String ids of the dialog.
constexpr int kCaption = 61347, kPrompt = 61348;
constexpr int kTimeColumn = 61349, kCountColumn = 61350;
constexpr int kSettingColumn = 61351, kNowColumn = 61352, kThenColumn = 61353;
constexpr int kRestoreButton = 61354, kCancelButton = 61355;
constexpr int kUnreadable = 61356, kNoDifference = 61357, kNotRecorded = 61358;
constexpr int kConfirmCaption = 61359, kConfirmText = 61360;

QString Text(int id) { return QString::fromStdString(res::String(id)); }

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

}  // namespace

QString CRestoreDlg::LocalTime(const std::string& utc) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
    if (!time.isValid()) return QString::fromStdString(utc);
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

CRestoreDlg::CRestoreDlg(std::vector<snapshot::StoredSnapshot> snapshots, ValueMap now, IPrinterFrame& frame,
                         const pages::SettingTexts* texts, QWidget* parent)
    : QDialog(parent), m_snapshots(std::move(snapshots)), m_now(std::move(now)), m_frame(frame), m_texts(texts) {
    setWindowTitle(Text(kCaption));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(Text(kPrompt));
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    // The snapshots, newest first, each with the number of settings it would change.
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("snapshotList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({Text(kTimeColumn), Text(kCountColumn)});
    for (const snapshot::StoredSnapshot& stored : m_snapshots) {
        const bool readable = stored.problem.empty();
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, stored.snapshot.time.empty() ? QString::fromStdString(platform::FileNameOfPath(stored.path))
                                                      : LocalTime(stored.snapshot.time));
        item->setText(1, readable ? QString::number(snapshot::Diff(m_now, stored.snapshot.settings).size())
                                  : Text(kUnreadable));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // A file that cannot be read is listed, so that its absence is not a mystery, but
        // cannot be chosen.
        if (!readable) {
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
    m_diff->setHeaderLabels({Text(kSettingColumn), Text(kNowColumn), Text(kThenColumn)});
    m_diff->header()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(m_diff, 3);

    m_note = new QLabel;
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox;
    m_restore = buttons->addButton(Text(kRestoreButton), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setEnabled(false);
    QPushButton* cancel = buttons->addButton(Text(kCancelButton), QDialogButtonBox::RejectRole);
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
    const snapshot::Snapshot& then = m_snapshots[static_cast<size_t>(m_selected)].snapshot;
    m_differences = snapshot::Diff(m_now, then.settings);
    for (const snapshot::Difference& d : m_differences) {
        auto* item = new QTreeWidgetItem(m_diff);
        const auto value = [&](const std::optional<std::string>& token) {
            if (!token) return QString();
            return QString::fromStdString(m_texts ? m_texts->Value(d.name, *token) : *token);
        };
        item->setText(0, QString::fromStdString(m_texts ? m_texts->Label(d.name) : d.name));
        item->setText(1, value(d.now));
        item->setText(2, value(d.then));
        // The printer's own words, for whoever compares with the command line or a file.
        item->setToolTip(0, QString::fromStdString(d.name));
    }
    // A restore never claims settings the snapshot could not record.
    std::string note;
    if (m_differences.empty()) note = res::String(kNoDifference);
    if (!then.skipped.empty()) {
        std::vector<std::string> named;
        for (const std::string& name : then.skipped) named.push_back(m_texts ? m_texts->Label(name) : name);
        note += (note.empty() ? "" : "\n") + res::Format(kNotRecorded, Joined(named));
    }
    m_note->setText(QString::fromStdString(note));
    m_note->setVisible(!note.empty());
    m_restore->setEnabled(!m_differences.empty());
}

void CRestoreDlg::OnRestore() {
    if (m_selected < 0 || m_differences.empty()) return;
    const std::string when = LocalTime(m_snapshots[static_cast<size_t>(m_selected)].snapshot.time).toStdString();
    if (m_frame.messageBox(res::Format(kConfirmText, when), res::String(kConfirmCaption), msgbox::kYesNo | msgbox::kIconQuestion,
                           true) != msgbox::kIdYes)
        return;
    accept();
}

const snapshot::StoredSnapshot* CRestoreDlg::Chosen() const {
    if (result() != QDialog::Accepted || m_selected < 0) return nullptr;
    return &m_snapshots[static_cast<size_t>(m_selected)];
}
