// The page model of every page, without a window: what each control shows, what each user action
// stores and where, and that the next visit shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "config/ascii.h"
#include "config/config.h"
#include "page_fixture.h"
#include "pages/page_model.h"

namespace pagetest {
namespace {

using pages::ControlKind;
using pages::PageModel;

class PageModelTest : public DocumentTest {
protected:
    PageModel& Open(int viewId) {
        model_ = std::make_unique<PageModel>(doc_.get(), pages::PageTableOf(viewId));
        model_->InitialUpdate(nullptr);
        return *model_;
    }
    void Close() override { model_.reset(); }
    const pages::ControlState& State(int id) const { return model_->State(id); }
    const pages::PageControl& Control(int id) const {
        const pages::PageControl* c = model_->Table().Find(id);
        EXPECT_NE(c, nullptr) << id;
        static const pages::PageControl none{};
        return c ? *c : none;
    }

    // What a control shows, in one comparable text.
    std::string Shown(int id) const {
        const pages::ControlState& s = State(id);
        const std::string disabled = s.enabled ? "" : " disabled";
        switch (Control(id).kind) {
            case ControlKind::List: return "list " + s.CurrentKey();
            case ControlKind::Check:
            case ControlKind::Radio: return std::string("button ") + (s.checked ? "on" : "off") + disabled;
            case ControlKind::Edit: return "text " + s.text;
            case ControlKind::Spin: return "spin " + std::to_string(s.spinPos) + disabled;
            default: return "?";
        }
    }

    // One click on a spin's arrow: the spin moves within its range and writes its field.
    void StepSpin(int spinId, int direction) {
        const pages::ControlState& s = State(spinId);
        if (!s.enabled) return;
        const int lo = std::min(s.spinMin, s.spinMax), hi = std::max(s.spinMin, s.spinMax);
        const int next = std::clamp(s.spinPos + (s.spinMin <= s.spinMax ? direction : -direction), lo, hi);
        if (next == s.spinPos) return;
        model_->TextChanged(Control(spinId).related[0], std::to_string(next));
    }
    void ClickButton(int id) {
        model_->Click(id, Control(id).kind == ControlKind::Radio ? true : !State(id).checked);
    }

    // Makes a binding's control usable (a spin behind a cleared box or an unchosen number button).
    void Prepare(const Binding& b) {
        if (Control(b.controlId).kind == ControlKind::Spin && !State(b.controlId).enabled) ClickButton(b.related);
        doc_->m_changes.clear();
        doc_->SetModifiedFlag(false);
    }

    // The user's one action on the control; returns the value token it must store.
    std::string Act(const Binding& b) {
        const int id = b.controlId;
        const DescriptorRef descriptor = Descriptor(*doc_, b.section);
        switch (Control(id).kind) {
            case ControlKind::List: {
                const pages::ControlState& s = State(id);
                const std::string key = s.items.at(static_cast<size_t>(s.current + 1) % s.items.size()).key;
                model_->Choose(id, key);
                return config::KeyToken(key);
            }
            case ControlKind::Spin:
                StepSpin(id, State(id).spinPos < std::max(State(id).spinMin, State(id).spinMax) ? +1 : -1);
                return State(Control(id).related[0]).text;
            case ControlKind::Edit:
                model_->TextChanged(id, State(id).text + "Q");
                return State(id).text;
            default:
                break;
        }
        ClickButton(id);
        const bool checked = State(id).checked;
        if (auto* d = std::get_if<const config::SwitchDescriptor*>(&descriptor))
            return config::KeyToken((*d)->entry[checked ? 1 : 0]);
        if (auto* d = std::get_if<const config::RangeOffDescriptor*>(&descriptor))
            return checked ? State(b.related).text : (*d)->offValue;
        if (auto* d = std::get_if<const config::RangeChoiceDescriptor*>(&descriptor))
            return b.related ? State(b.related).text : (*d)->choices.at(1);
        ADD_FAILURE() << "unexpected descriptor of " << b.section;
        return {};
    }

    // Expects the control to show the document's current value of its setting.
    void ExpectShowsDocumentValue(const Binding& b) {
        const std::string name = NpaNameOf(*doc_, b.section);
        const std::string value = doc_->ReadValue(name);
        const DescriptorRef d = Descriptor(*doc_, b.section);
        // Whether the setting holds a number rather than its off value or one of its choices.
        bool number = true;
        int minVal = 0;
        if (auto* off = std::get_if<const config::RangeOffDescriptor*>(&d)) {
            number = !EqualsAsciiNoCase(value, (*off)->offValue);
            minVal = (*off)->minVal;
        } else if (auto* choice = std::get_if<const config::RangeChoiceDescriptor*>(&d)) {
            for (const std::string& c : (*choice)->choices) number = number && !EqualsAsciiNoCase(value, c);
            minVal = (*choice)->minVal;
        }
        const pages::ControlState& s = State(b.controlId);
        switch (Control(b.controlId).kind) {
            case ControlKind::List:
                EXPECT_TRUE(EqualsAsciiNoCase(s.CurrentKey(), name + ":" + value)) << b.section << " shows " << s.CurrentKey();
                break;
            case ControlKind::Edit:
                EXPECT_EQ(s.text, value) << b.section;
                break;
            case ControlKind::Spin: {
                const std::string shown = number ? value : std::to_string(minVal);
                EXPECT_EQ(std::to_string(s.spinPos), shown) << b.section;
                EXPECT_EQ(State(Control(b.controlId).related[0]).text, shown) << b.section;
                EXPECT_EQ(s.enabled, number) << b.section;
                break;
            }
            case ControlKind::Radio: {
                auto* choice = std::get<const config::RangeChoiceDescriptor*>(d);
                if (b.related)
                    EXPECT_EQ(s.checked, number) << b.section;
                else
                    EXPECT_EQ(s.checked, EqualsAsciiNoCase(value, choice->choices.at(1))) << b.section;
                break;
            }
            case ControlKind::Check:
                if (auto* sw = std::get_if<const config::SwitchDescriptor*>(&d))
                    EXPECT_EQ(s.checked, !EqualsAsciiNoCase(name + ":" + value, (*sw)->entry[0])) << b.section;
                else
                    EXPECT_EQ(s.checked, number) << b.section;
                break;
            default:
                ADD_FAILURE() << b.controlId;
        }
    }

    std::unique_ptr<PageModel> model_;
};

class BindingTest : public PageModelTest, public ::testing::WithParamInterface<Binding> {};

TEST_P(BindingTest, OneWayStoresOnlyItsOwnSettingIntoValuesAndChanges) {
    const Binding& b = GetParam();
    frame_.saveEnabled = true;
    StartDocument(1);
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified()) << "opening the page marked the document modified";
    EXPECT_TRUE(doc_->m_changes.empty());
    EXPECT_FALSE(frame_.saveEnabled) << "one-way mode greys the save item until the first change";

    Prepare(b);
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act(b);
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

    Prepare(b);
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act(b);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(doc_->m_changes.empty());
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
    doc_->SetModifiedFlag(false);
    doc_->m_values.erase(name);
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
