// Every control of every page on real widgets: each widget is bound to its control of the page
// model, so that what the user does with it reaches the document and what the document holds is
// shown. (What each action stores, and where, is the page model's: page_model_test.cpp.)
#include <QCheckBox>
#include <QRadioButton>

#include "page_test_support.h"

namespace pagetest {
namespace {

// One real action on each control, each on a fresh document: the widget's notification reaches
// the model, which stores its setting, and the next visit shows it.
TEST_F(PageTest, EveryControlStoresThroughItsWidgetAndShowsItOnTheNextVisit) {
    for (const Binding& b : AllBindings()) {
        SCOPED_TRACE(BindingName(::testing::TestParamInfo<Binding>(b, 0)));
        StartDocument(0);
        Open(b.viewId);
        PrepareControl(page_, b);
        doc_->SetModifiedFlag(false);
        const std::string expected = ActOn(page_, *doc_, b);
        EXPECT_TRUE(doc_->IsModified());
        EXPECT_EQ(Value(NpaNameOf(*doc_, b.section)), expected);
        const std::string shown = Shown(page_->Control(b.controlId));
        Open(b.viewId == 1 ? 2 : 1);
        Open(b.viewId);
        EXPECT_EQ(Shown(page_->Control(b.controlId)), shown);
    }
}

// A list entry or a button that is already shown, chosen again with the mouse, is a change too.
TEST_F(PageTest, ChoosingTheShownChoiceAgainWithTheMouseStores) {
    for (const Binding& b : AllBindings()) {
        StartDocument(0);
        Open(b.viewId);
        QWidget* w = page_->Control(b.controlId);
        auto* list = qobject_cast<QComboBox*>(w);
        auto* radio = qobject_cast<QRadioButton*>(w);
        if (!list && !radio) continue;
        SCOPED_TRACE(BindingName(::testing::TestParamInfo<Binding>(b, 0)));
        PrepareControl(page_, b);
        const std::string name = NpaNameOf(*doc_, b.section);
        const std::string expected = ActOn(page_, *doc_, b);
        ReadAgain(*doc_, {{name, std::nullopt}});  // the printer gave no value for it
        if (list)
            ChooseEntry(list, list->currentIndex());
        else
            ClickBox(radio);
        EXPECT_TRUE(doc_->IsModified());
        EXPECT_EQ(Value(name), expected);
    }
}

// Every page shows the document's values: lists select the current token, edits show the text,
// boxes and spins the current state.
TEST_F(PageTest, EveryControlShowsTheDocumentsValue) {
    StartDocument(0);
    int shownView = -1;
    for (const Binding& b : AllBindings()) {
        if (b.viewId != shownView) Open(b.viewId);
        shownView = b.viewId;
        ExpectShowsDocumentValue(page_, *doc_, b);
    }
    EXPECT_FALSE(doc_->IsModified());
}

}  // namespace
}  // namespace pagetest
