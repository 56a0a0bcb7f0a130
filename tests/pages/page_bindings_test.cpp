// Every control of every page against its setting: what one user action stores, where, and that
// the next visit of the page shows it.
#include <QCheckBox>
#include <QRadioButton>

#include "page_test_support.h"

namespace pagetest {
namespace {

class BindingTest : public PageTest, public ::testing::WithParamInterface<Binding> {
protected:
    void Prepare() {
        PrepareControl(page_, GetParam());
        doc_->m_changes.clear();
        doc_->SetModifiedFlag(false);
    }
    std::string Act() { return ActOn(page_, *doc_, GetParam()); }
};

TEST_P(BindingTest, OneWayStoresOnlyItsOwnSettingIntoValuesAndChanges) {
    const Binding& b = GetParam();
    frame_.saveEnabled = true;
    StartDocument(1);
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified()) << "opening the page marked the document modified";
    EXPECT_TRUE(doc_->m_changes.empty());
    EXPECT_FALSE(frame_.saveEnabled) << "one-way mode greys the save item until the first change";

    Prepare();
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act();
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(frame_.saveEnabled);
    ASSERT_EQ(doc_->m_changes.size(), 1u) << "stored more than its own setting";
    EXPECT_EQ(doc_->m_changes.begin()->first, name);
    EXPECT_EQ(doc_->m_changes.begin()->second, expected);
    EXPECT_EQ(Value(name), expected);
}

TEST_P(BindingTest, TwoWayStoresIntoValuesAndShowsItOnTheNextVisit) {
    const Binding& b = GetParam();
    StartDocument(0);
    const ValueMap before = doc_->m_values;
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->m_values, before) << "opening the page changed a value";

    Prepare();
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act();
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(doc_->m_changes.empty());
    EXPECT_EQ(Value(name), expected);
    for (const auto& [key, value] : before) {
        if (key == name) continue;
        EXPECT_EQ(Value(key), value) << key << " changed as well";
    }

    const std::string shown = Shown(page_->Control(b.controlId));
    Open(b.viewId == 1 ? 2 : 1);
    Open(b.viewId);
    EXPECT_EQ(Shown(page_->Control(b.controlId)), shown);
}

// Choosing the entry or button that is already shown is a change like any other.
class ChoiceTest : public BindingTest {};

TEST_P(ChoiceTest, ChoosingTheShownChoiceAgainStoresAndMarksAgain) {
    const Binding& b = GetParam();
    StartDocument(0);
    Open(b.viewId);
    QWidget* w = page_->Control(b.controlId);
    auto* list = qobject_cast<QComboBox*>(w);
    auto* radio = qobject_cast<QRadioButton*>(w);
    ASSERT_TRUE(list || radio);
    Prepare();
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act();
    doc_->SetModifiedFlag(false);
    doc_->m_values.erase(name);
    if (list)
        ChooseEntry(list, list->currentIndex());
    else
        ClickBox(radio);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(Value(name), expected);
}

std::string BindingName(const ::testing::TestParamInfo<Binding>& info) {
    return "View" + std::to_string(info.param.viewId) + "_" + std::to_string(info.param.controlId) + "_" +
           info.param.section;
}

INSTANTIATE_TEST_SUITE_P(AllPages, BindingTest, ::testing::ValuesIn(AllBindings()), BindingName);

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
