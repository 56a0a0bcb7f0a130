// CPrinterMopView: the navigation tree on the left. The root is the printer; its nodes and
// their children come from the configuration ("TreeRoot" and the node sections). Selecting a
// node asks the document to put a new page of that node's view id into the right pane.
#pragma once

#include <QTreeWidget>
#include <string>

class CPrinterDoc;
class Profile;

class CPrinterMopView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CPrinterMopView(CPrinterDoc* doc, QWidget* parent = nullptr);

    // Builds the tree once: the root with the printer label, the configured nodes, root expanded.
    void OnInitialUpdate(const std::string& printerLabel, const Profile& ini);

    // The view id an item carries (0 for the root).
    static int ViewIdOf(const QTreeWidgetItem* item);

protected:
    // The selected item is always the node whose page is shown: a click on empty space or a
    // Ctrl+click never leaves the tree without a selection, and the selection moves with the
    // current item whatever key moved it.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    // Dotted lines from every node to its parent and its siblings, with a boxed "+" or "-" on
    // nodes that have children, as the classic tree control draws them (the desktop's style
    // draws no lines).
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    // Left and Right open, close and walk the branches; on a leaf they do nothing (they never
    // scroll the tree sideways).
    void keyPressEvent(QKeyEvent* event) override;
    // A caption cut off by the pane's edge shows whole as a tool tip.
    bool viewportEvent(QEvent* event) override;
    // Runs whenever the pane's size or the shown rows change: fits the column (FitColumn).
    void updateGeometries() override;

private:
    void OnSelectionChanged(QTreeWidgetItem* current);
    // The column takes the pane's width when every caption fits or is cut by at most half the
    // pane's width (it then ends in "…", with no scroll bar); otherwise the widest caption's,
    // and the tree scrolls sideways.
    void FitColumn();
    CPrinterDoc* m_doc;
    bool m_fitting = false;
};
