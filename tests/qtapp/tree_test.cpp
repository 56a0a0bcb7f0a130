// The navigation tree as a person uses it in its 150-pixel pane: branch lines, Left and Right,
// captions the pane cuts (tool tips, and a sideways scroll bar only when much is hidden), and what
// a screen reader is told about it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <ostream>

#include "qtapp/nav_tree.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "gui_fakes.h"

namespace {

const char* const kTree =
    "[TreeRoot]\nNumChildren=3\nChildren=NPaper,NFinish,NPorts\n"
    "[NPaper]\nStringId=61214\nViewId=1\nNumChildren=2\nChildren=NCustom,NTexture\n"
    "[NCustom]\nStringId=61219\nViewId=2\n[NTexture]\nStringId=61215\nViewId=3\n"
    "[NFinish]\nStringId=61225\nViewId=5\n"
    "[NPorts]\nStringId=61211\nNumChildren=2\nChildren=NPar,NUsb\n"
    "[NPar]\nStringId=61212\nViewId=10\n[NUsb]\nStringId=61213\nViewId=11\n";

const char* const kLongLabel = "USB001 - Altrin Pressline T90 (사무실 2층 복도 끝)";
const char* const kPrinterLabel = "USB001 - Altrin Pressline T90";

// The tool tip shown over an item, or "" for none.
QString TipAt(CPrinterMopView& tree, QTreeWidgetItem* item) {
    QToolTip::hideText();
    guitest::WaitUntil([] { return !QToolTip::isVisible(); }, 2000);
    const QPoint at = tree.visualItemRect(item).center();
    QHelpEvent help(QEvent::ToolTip, at, tree.viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree.viewport(), &help);
    const QString tip = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return tip;
}

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(150, 300);
        tree.OnInitialUpdate(kLongLabel, Profile::Parse(kTree));
        tree.show();
        QApplication::processEvents();
    }
    QTreeWidgetItem* Node(const QString& text) {
        auto found = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    CPrinterMopView tree{nullptr};
};

struct ArrowCase {
    const char* name;
    Qt::Key key;
};

class TreeLeafKeyTest : public TreeTest, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(TreeLeafKeyTest, LeavesTheSelectionAndTheScrollPositionAlone) {
    // Expand "포트" so that "USB" shows, and make sure the caption is wider than the pane.
    Node("포트")->setExpanded(true);
    QTreeWidgetItem* leaf = Node("USB");
    ASSERT_NE(leaf, nullptr);
    tree.setCurrentItem(leaf);
    tree.setFocus();
    QApplication::processEvents();
    ASSERT_GT(tree.horizontalScrollBar()->maximum(), 0) << "the root label fits: nothing could scroll";
    const int scrolled = tree.horizontalScrollBar()->value();
    for (int i = 0; i < 3; ++i) QTest::keyClick(&tree, GetParam().key);
    EXPECT_EQ(tree.horizontalScrollBar()->value(), scrolled);
    EXPECT_EQ(tree.currentItem(), leaf);
}

INSTANTIATE_TEST_SUITE_P(Keys, TreeLeafKeyTest,
                         ::testing::Values(ArrowCase{"Left", Qt::Key_Left}, ArrowCase{"Right", Qt::Key_Right}),
                         [](const ::testing::TestParamInfo<ArrowCase>& info) { return std::string(info.param.name); });

TEST_F(TreeTest, RightOpensThenEntersAndLeftClosesThenLeaves) {
    QTreeWidgetItem* paper = Node("용지");
    ASSERT_FALSE(paper->isExpanded());
    tree.setCurrentItem(paper);
    QTest::keyClick(&tree, Qt::Key_Right);
    EXPECT_TRUE(paper->isExpanded());
    EXPECT_EQ(tree.currentItem(), paper);
    QTest::keyClick(&tree, Qt::Key_Right);
    EXPECT_EQ(tree.currentItem(), paper->child(0));
    tree.setCurrentItem(paper);
    QTest::keyClick(&tree, Qt::Key_Left);
    EXPECT_FALSE(paper->isExpanded());
    QTest::keyClick(&tree, Qt::Key_Left);
    EXPECT_EQ(tree.currentItem(), tree.topLevelItem(0));
    EXPECT_EQ(tree.horizontalScrollBar()->value(), 0);
}

TEST_F(TreeTest, BranchesAreDrawnWithLinesAndBoxes) {
    Node("포트")->setExpanded(true);
    QApplication::processEvents();
    const QImage image = tree.viewport()->grab().toImage();
    const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
    // The line from a node to its parent's column, in the indentation left of its caption (the
    // desktop's own style leaves that strip empty on a node without children).
    auto linePixels = [&](QTreeWidgetItem* item) {
        const QRect r = tree.visualItemRect(item);
        int found = 0;
        for (int y = r.center().y() - 1; y <= r.center().y() + 1; ++y) {
            for (int x = std::max(0, r.left() - tree.indentation()); x < r.left(); ++x) {
                if (image.pixelColor(x, y) != background) ++found;
            }
        }
        return found;
    };
    EXPECT_GT(linePixels(Node("마무리")), 0) << "no line to a node";
    EXPECT_GT(linePixels(Node("USB")), 0) << "no line to a leaf";
    // A closed node with children carries a box with "+"; the open one's box has no vertical bar.
    const QRect paper = tree.visualItemRect(Node("용지"));
    const int boxX = paper.left() - tree.indentation() + tree.indentation() / 2;
    const QColor text = tree.palette().color(QPalette::Text);
    EXPECT_EQ(image.pixelColor(boxX, paper.center().y() - 2), text) << "closed node without +";
    const QRect ports = tree.visualItemRect(Node("포트"));
    EXPECT_NE(image.pixelColor(boxX, ports.center().y() - 2), text) << "open node shows +";
    EXPECT_EQ(image.pixelColor(boxX - 2, ports.center().y()), text) << "open node without -";
}

TEST_F(TreeTest, ACaptionThePaneCutsShowsWholeAsAToolTip) {
    EXPECT_EQ(TipAt(tree, tree.topLevelItem(0)), QString::fromUtf8(kLongLabel));
    EXPECT_EQ(TipAt(tree, Node("마무리")), QString()) << "a caption that fits needs no tip";
}

struct LabelCase {
    const char* name;
    const char* label;
    int paneWidth;
    bool scrolls;  // a sideways scroll bar; otherwise the column is the pane's width
    bool cut;
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.name; }

class TreeLabelTest : public ::testing::TestWithParam<LabelCase> {};

// The printer's label, cut by a third of the pane, ends in "…" with its whole text in the tool
// tip; the tree scrolls sideways only for a caption of which most would be hidden.
TEST_P(TreeLabelTest, ScrollsSidewaysOnlyWhenMuchIsHidden) {
    const LabelCase& c = GetParam();
    CPrinterMopView tree(nullptr);
    tree.resize(c.paneWidth, 300);
    tree.OnInitialUpdate(c.label, Profile::Parse(kTree));
    tree.show();
    QApplication::processEvents();
    EXPECT_EQ(tree.horizontalScrollBar()->maximum() > 0, c.scrolls);
    EXPECT_EQ(tree.horizontalScrollBar()->isVisible(), c.scrolls);
    if (!c.scrolls) {
        EXPECT_EQ(tree.header()->sectionSize(0), tree.viewport()->width());
    }
    EXPECT_EQ(TipAt(tree, tree.topLevelItem(0)), c.cut ? QString::fromUtf8(c.label) : QString());
}

INSTANTIATE_TEST_SUITE_P(Labels, TreeLabelTest,
                         ::testing::Values(LabelCase{"Port", "USB001", 150, false, false},
                                           LabelCase{"PrinterInItsPane", kPrinterLabel, 150, false, true},
                                           LabelCase{"PrinterInAWidePane", kPrinterLabel, 320, false, false},
                                           LabelCase{"PrinterInANarrowPane", kPrinterLabel, 90, true, true},
                                           LabelCase{"PrinterWithALongQueueName", kLongLabel, 150, true, true}),
                         [](const ::testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.name); });

// A screen reader reads the tree by its name, and the column header it reports (even while the
// header is hidden) says the same, not a bare "1".
TEST_F(TreeTest, ScreenReadersHearTheTreesName) {
    const QString name = QString::fromStdString(res::String(61395));
    ASSERT_FALSE(name.isEmpty());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&tree);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), name);
    int headers = 0;
    for (int i = 0; i < accessible->childCount(); ++i) {
        QAccessibleInterface* child = accessible->child(i);
        if (child && child->role() == QAccessible::ColumnHeader) {
            ++headers;
            EXPECT_EQ(child->text(QAccessible::Name), name);
        }
    }
    EXPECT_EQ(headers, 1);
}

}  // namespace
