// The page model of a page over the document of page_fixture.h, and the user's actions as a
// front end reports them (a spin's step is what the spin writes into its field).
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "config/ascii.h"
#include "config/config.h"
#include "page_fixture.h"
#include "pages/page_model.h"

namespace pagetest {

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

    // Makes a binding's control usable (a spin behind a cleared box or an unchosen number button),
    // then takes what that stored for the printer's own: the action that follows is the only change.
    void Prepare(const Binding& b) {
        if (Control(b.controlId).kind == ControlKind::Spin && !State(b.controlId).enabled) ClickButton(b.related);
        ReadAgain(*doc_, {});
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

}  // namespace pagetest
