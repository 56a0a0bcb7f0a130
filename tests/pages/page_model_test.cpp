// The page model of every page, without a window: what each control shows, what each user action
// stores and where, and that the next visit shows it.
#include <gtest/gtest.h>

#include <set>

#include "page_model_support.h"

namespace pagetest {
namespace {

class BindingTest : public PageModelTest, public ::testing::WithParamInterface<Binding> {};

TEST_P(BindingTest, OneWayStoresOnlyItsOwnSettingIntoValuesAndChanges) {
    const Binding& b = GetParam();
    frame_.saveEnabled = true;
    StartDocument(1);
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified()) << "opening the page marked the document modified";
    EXPECT_FALSE(doc_->HasValuesToApply()) << "opening the page stored a change";
    EXPECT_FALSE(frame_.saveEnabled) << "one-way mode greys the save item until the first change";

    Prepare(b);
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act(b);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(frame_.saveEnabled);
    EXPECT_TRUE(doc_->HasValuesToApply());
    EXPECT_EQ(doc_->ChangedSinceRead(), std::set<std::string>{name}) << "stored more than its own setting";
    EXPECT_EQ(Value(name), expected);
}

TEST_P(BindingTest, TwoWayStoresIntoValuesAndShowsItOnTheNextVisit) {
    const Binding& b = GetParam();
    StartDocument(0);
    const ValueMap before = doc_->CurrentValues();
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->CurrentValues(), before) << "opening the page changed a value";

    Prepare(b);
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act(b);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(doc_->ChangedSinceRead(), std::set<std::string>{name});
    EXPECT_EQ(Value(name), expected);
    for (const auto& [key, value] : before) {
        if (key == name) continue;
        EXPECT_EQ(Value(key), value) << key << " changed as well";
    }

    const std::string shown = Shown(b.controlId);
    Open(b.viewId == 1 ? 2 : 1);
    Open(b.viewId);
    EXPECT_EQ(Shown(b.controlId), shown);
}

INSTANTIATE_TEST_SUITE_P(AllPages, BindingTest, ::testing::ValuesIn(AllBindings()), BindingName);

// Choosing the entry or button that is already shown is a change like any other.
class ChoiceTest : public BindingTest {};

TEST_P(ChoiceTest, ChoosingTheShownChoiceAgainStoresAndMarksAgain) {
    const Binding& b = GetParam();
    StartDocument(0);
    Open(b.viewId);
    const ControlKind kind = Control(b.controlId).kind;
    ASSERT_TRUE(kind == ControlKind::List || kind == ControlKind::Radio);
    Prepare(b);
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act(b);
    ReadAgain(*doc_, {{name, std::nullopt}});  // the printer gave no value for it
    if (kind == ControlKind::List)
        model_->Choose(b.controlId, State(b.controlId).CurrentKey());
    else
        ClickButton(b.controlId);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(Value(name), expected);
}

// The lists and the choice buttons of the renumbering page (not its spins).
std::vector<Binding> ChoiceBindings() {
    std::vector<Binding> out;
    for (const Binding& b : AllBindings()) {
        config::Kind kind{};
        for (const config::SettingSection& s : config::kSettingSections) {
            if (std::string(s.section) == b.section) kind = s.kind;
        }
        const bool spin = b.controlId == 1202 || b.controlId == 1217 || b.controlId == 1225 || b.controlId == 1231;
        if (kind == config::Kind::List || (kind == config::Kind::RangeChoice && !spin)) out.push_back(b);
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(AllPages, ChoiceTest, ::testing::ValuesIn(ChoiceBindings()), BindingName);

// Every page shows the document's values: lists select the current token, edits show the text,
// boxes and spins the current state.
TEST_F(PageModelTest, EveryControlShowsTheDocumentsValue) {
    StartDocument(0);
    int shownView = -1;
    for (const Binding& b : AllBindings()) {
        if (b.viewId != shownView) Open(b.viewId);
        shownView = b.viewId;
        ExpectShowsDocumentValue(b);
    }
    EXPECT_FALSE(doc_->IsModified());
}

// Every user-editable control of the tables is in the list of bindings, and the other way round.
TEST_F(PageModelTest, TheTablesBindExactlyTheEditableControls) {
    std::set<std::pair<int, int>> bound, editable;
    for (const Binding& b : AllBindings()) bound.insert({b.viewId, b.controlId});
    for (int view = 1; view <= 11; ++view) {
        for (const pages::PageControl& c : pages::PageTableOf(view).controls) {
            const bool shownOnly = c.role == pages::Role::ShownList || c.role == pages::Role::ChoiceNone ||
                                   c.role == pages::Role::Title || c.role == pages::Role::Number ||
                                   c.role == pages::Role::OffNumber || c.role == pages::Role::ChoiceField;
            if (!shownOnly) editable.insert({view, c.id});
        }
    }
    EXPECT_EQ(bound, editable);
    EXPECT_TRUE(pages::PageTableOf(0).controls.empty());
    EXPECT_TRUE(pages::PageTableOf(12).controls.empty());
}

}  // namespace
}  // namespace pagetest
