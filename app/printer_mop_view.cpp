#include "app/printer_mop_view.h"

#include <QHeaderView>

#include "config/config.h"
#include "document/printer_doc.h"
#include "config/profile.h"
#include "config/strings.h"

namespace {
constexpr int kViewIdRole = Qt::UserRole;
}

CPrinterMopView::CPrinterMopView(CPrinterDoc* doc, QWidget* parent) : QTreeWidget(parent), m_doc(doc) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);  // buttons and lines at the root
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::StyledPanel);
    // Long captions scroll sideways rather than being cut.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelectionChanged(current); });
}

int CPrinterMopView::ViewIdOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kViewIdRole).toInt() : 0;
}

void CPrinterMopView::OnInitialUpdate(const std::string& printerLabel, const Profile& ini) {
    const QSignalBlocker quiet(this);
    clear();
    auto* root = new QTreeWidgetItem(this, QStringList(QString::fromStdString(printerLabel)));
    root->setData(0, kViewIdRole, 0);
    // The loader keeps within the file format's bounds: only names that exist, at most ten per
    // level, two levels below the root.
    for (const config::TreeNode& node : config::LoadTree(ini)) {
        auto* item = new QTreeWidgetItem(root, QStringList(QString::fromStdString(res::String(node.stringId))));
        item->setData(0, kViewIdRole, node.viewId);
        for (const config::TreeNode& child : node.children) {
            auto* leaf = new QTreeWidgetItem(item, QStringList(QString::fromStdString(res::String(child.stringId))));
            leaf->setData(0, kViewIdRole, child.viewId);
        }
    }
    root->setExpanded(true);
}

QItemSelectionModel::SelectionFlags CPrinterMopView::selectionCommand(const QModelIndex& index,
                                                                      const QEvent* /*event*/) const {
    if (!index.isValid()) return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}

void CPrinterMopView::OnSelectionChanged(QTreeWidgetItem* current) {
    if (!current || !m_doc) return;
    m_doc->ReplaceView(ViewIdOf(current), 0, 1);
}
