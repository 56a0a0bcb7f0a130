#include "qtapp/nav_tree.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>
#include <vector>

#include "config/config.h"
#include "document/printer_doc.h"
#include "config/profile.h"
#include "strings/string_table.h"

namespace {
constexpr int kViewIdRole = Qt::UserRole;
// The tree's accessible name, also the text of its (hidden) column header.
constexpr int kTreeName = 61395;
// A caption the pane cuts by no more than this share of its width (the printer's label, usually)
// still shows enough to be recognised: it ends in "…" and shows whole in its tool tip, rather
// than a scroll bar taking a row's height to reveal those pixels.
constexpr double kCutShare = 0.5;
}  // namespace

CPrinterMopView::CPrinterMopView(CPrinterDoc* doc, QWidget* parent) : QTreeWidget(parent), m_doc(doc) {
    setHeaderHidden(true);
    setColumnCount(1);
    // Screen readers read the column header even while it is hidden: it says what the tree is,
    // not Qt's default "1".
    const QString name = QString::fromStdString(res::String(kTreeName));
    setAccessibleName(name);
    setHeaderLabel(name);
    setRootIsDecorated(true);  // buttons and lines at the root
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::StyledPanel);
    // The column is as wide as the widest caption, or as the pane (see FitColumn).
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setStretchLastSection(false);
    setTextElideMode(Qt::ElideRight);
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

namespace {

bool HasSiblingBelow(const QModelIndex& index) {
    return index.isValid() && index.row() + 1 < index.model()->rowCount(index.parent());
}

}  // namespace

void CPrinterMopView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    // One column of indentation per level, the node's own column on the right.
    std::vector<QModelIndex> chain;
    for (QModelIndex i = index; i.isValid(); i = i.parent()) chain.push_back(i);
    const int indent = indentation();
    const int midY = rect.center().y();

    painter->save();
    QPen dots(palette().color(QPalette::Dark));
    dots.setWidth(1);
    dots.setDashPattern({1.0, 1.0});
    dots.setCapStyle(Qt::FlatCap);
    painter->setPen(dots);
    for (size_t level = 0; level < chain.size(); ++level) {
        const int left = rect.right() + 1 - static_cast<int>(level + 1) * indent;
        if (left + indent <= rect.left()) break;
        const int midX = left + indent / 2;
        const QModelIndex& node = chain[level];
        if (level == 0) {
            // The first node of the whole tree has nothing above it to connect to.
            const bool first = node.row() == 0 && !node.parent().isValid();
            painter->drawLine(midX, first ? midY : rect.top(), midX, HasSiblingBelow(node) ? rect.bottom() : midY);
            painter->drawLine(midX, midY, left + indent - 2, midY);
        } else if (HasSiblingBelow(node)) {
            // An ancestor with a later sibling: its line passes by this row.
            painter->drawLine(midX, rect.top(), midX, rect.bottom());
        }
    }

    if (model()->hasChildren(index)) {
        const int left = rect.right() + 1 - indent;
        const int midX = left + indent / 2;
        const int half = 4;  // a 9 x 9 box
        const QRect box(midX - half, midY - half, 2 * half, 2 * half);
        painter->setPen(QPen(palette().color(QPalette::Mid), 1));
        painter->setBrush(palette().color(QPalette::Base));
        painter->drawRect(box);
        painter->setPen(QPen(palette().color(QPalette::Text), 1));
        painter->drawLine(midX - 2, midY, midX + 2, midY);
        if (!isExpanded(index)) painter->drawLine(midX, midY - 2, midX, midY + 2);
    }
    painter->restore();
}

void CPrinterMopView::keyPressEvent(QKeyEvent* event) {
    const bool left = event->key() == Qt::Key_Left, right = event->key() == Qt::Key_Right;
    if ((!left && !right) || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    QTreeWidgetItem* item = currentItem();
    if (!item || item->childCount() == 0) return;
    if (right) {
        // Closed: open it; open: step to its first child.
        if (!item->isExpanded())
            item->setExpanded(true);
        else
            setCurrentItem(item->child(0));
    } else if (item->isExpanded()) {
        item->setExpanded(false);
    } else if (item->parent()) {
        setCurrentItem(item->parent());
    }
}

void CPrinterMopView::updateGeometries() {
    FitColumn();
    QTreeWidget::updateGeometries();
}

void CPrinterMopView::FitColumn() {
    if (m_fitting) return;  // the section's own resize comes back here
    m_fitting = true;
    const int available = viewport()->width();
    const int needed = sizeHintForColumn(0);  // the widest shown row, with its indentation
    const bool scroll = needed - available > kCutShare * available;
    setHorizontalScrollBarPolicy(scroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    header()->resizeSection(0, scroll ? needed : std::max(available, 0));
    m_fitting = false;
}

bool CPrinterMopView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QRect cell = visualRect(index);
        if (index.isValid()) {
            const QString text = index.data(Qt::DisplayRole).toString();
            const int needed = fontMetrics().horizontalAdvance(text) + 6;
            // Only a caption that the pane's edge cuts: one that fits needs no tip.
            const int shown = viewport()->width() - cell.left();
            if (cell.left() < 0 || needed > shown) {
                QToolTip::showText(help->globalPos(), text, viewport(), cell);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}
