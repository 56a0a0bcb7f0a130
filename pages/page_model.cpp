#include "pages/page_model.h"

#include <algorithm>
#include <utility>

#include "config/ascii.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "document/value_tokens.h"
#include "templates/templates.h"

namespace pages {

namespace {

const ControlState kNoState{};

template <class D>
const D* As(const DescriptorRef& ref) {
    const D* const* d = std::get_if<const D*>(&ref);
    return d ? *d : nullptr;
}

}  // namespace

std::string ControlState::CurrentKey() const {
    if (current < 0 || current >= static_cast<int>(items.size())) return {};
    return items[static_cast<size_t>(current)].key;
}

PageModel::PageModel(CPrinterDoc* doc, PageTable table, std::map<std::string, DescriptorRef> descriptors)
    : m_doc(doc), m_table(std::move(table)), m_descriptors(std::move(descriptors)) {
    if (m_doc && m_descriptors.empty()) {
        for (const SettingRef& s : m_doc->Settings()) m_descriptors.emplace(s.section, s.descriptor);
    }
    // Until the first fill every control is as its template creates it.
    const res::DialogTemplate* form = res::FindDialogTemplate(m_table.templateId);
    for (const PageControl& c : m_table.controls) {
        ControlState& state = Mutable(c.id);
        if (!form) continue;
        for (const res::ControlTemplate& t : form->controls) {
            if (t.id == c.id) state.enabled = (t.style & res::S_DISABLED) == 0;
        }
    }
    for (const PageControl& c : m_table.controls)
        if (c.armedFlag) m_armed[c.armedFlag] = 0;
}

const ControlState& PageModel::State(int id) const {
    auto it = m_states.find(id);
    return it == m_states.end() ? kNoState : it->second;
}

int PageModel::Armed(int flag) const {
    auto it = m_armed.find(flag);
    return it == m_armed.end() ? 0 : it->second;
}

DescriptorRef PageModel::Descriptor(const PageControl& control) const {
    auto it = control.section ? m_descriptors.find(control.section) : m_descriptors.end();
    if (it == m_descriptors.end()) return static_cast<const config::ListDescriptor*>(nullptr);
    return it->second;
}

void PageModel::InitialUpdate(const std::function<void(int id)>& show) {
    Fill(show);
    // One-way mode: the first page shown greys the save item until the first change.
    if (m_doc) m_doc->PageShown();
}

void PageModel::Fill(const std::function<void(int id)>& show) {
    for (auto& [flag, armed] : m_armed) armed = 0;
    for (const PageControl& c : m_table.controls) {
        FillControl(c);
        if (show) show(c.id);
    }
    // The fill is done: from now on every change of an edit is the user's. (An unchanged text
    // sends no change notification of its own, so the flags cannot rely on one.)
    for (auto& [flag, armed] : m_armed) armed = 1;
}

// --- fills: document -> state. None marks the document modified. ------------------------------

void PageModel::FillControl(const PageControl& c) {
    if (c.role == Role::Title) return FillTitle(c);
    if (!m_doc) return;
    const DescriptorRef d = Descriptor(c);
    switch (c.role) {
        case Role::List:
        case Role::ShownList:
            if (auto* list = As<config::ListDescriptor>(d)) FillList(c, *list);
            break;
        case Role::Switch:
            if (auto* sw = As<config::SwitchDescriptor>(d)) FillSwitch(c, *sw);
            break;
        case Role::Text:
            if (auto* text = As<config::TextDescriptor>(d)) FillText(c, *text);
            break;
        case Role::Number:
            if (auto* range = As<config::RangeDescriptor>(d)) FillNumber(c, *range);
            break;
        case Role::OffBox:
            if (auto* off = As<config::RangeOffDescriptor>(d)) FillOffNumber(c, *off);
            break;
        case Role::ChoiceNone:
            if (auto* choice = As<config::RangeChoiceDescriptor>(d)) FillChoice(c, *choice);
            break;
        default:
            // Fields, spins and the other buttons of a group are filled with the group's first
            // control.
            break;
    }
}

void PageModel::FillList(const PageControl& c, const config::ListDescriptor& d) {
    ControlState& s = Mutable(c.id);
    s.items.clear();
    s.current = -1;
    std::string lastKey;
    for (const std::string& key : d.orderedKeys) {
        auto it = d.labels.find(key);
        if (it == d.labels.end()) continue;
        s.items.push_back({it->second, key});
        lastKey = key;
    }
    if (lastKey.empty()) return;
    const std::string name = config::KeyName(lastKey);
    const std::string target = name + ":" + m_doc->ReadValue(name);
    // A value that matches no item leaves the list without a selection.
    for (size_t i = 0; i < s.items.size(); ++i) {
        if (EqualsAsciiNoCase(s.items[i].key, target)) {
            s.current = static_cast<int>(i);
            break;
        }
    }
}

void PageModel::FillSwitch(const PageControl& c, const config::SwitchDescriptor& d) {
    ControlState& s = Mutable(c.id);
    const std::string name = config::KeyName(d.entry[0]);
    s.checked = !EqualsAsciiNoCase(name + ":" + m_doc->ReadValue(name), d.entry[0]);
    // A switch without two values has no token for either state: shown clear and disabled, it
    // neither pretends a state nor offers a click that could store nothing.
    if (d.entry[0].empty() || d.entry[1].empty()) {
        s.checked = false;
        s.enabled = false;
    }
}

void PageModel::FillText(const PageControl& c, const config::TextDescriptor& d) {
    ControlState& s = Mutable(c.id);
    // The limit counts bytes of the printer's code page; a longer value from the printer is still
    // shown whole.
    s.textLimit = std::max(0, d.maxLength);
    s.text = m_doc->ReadValue(d.npaName);
}

void PageModel::SetSpin(int spinId, int fieldId, int minVal, int maxVal, int pos) {
    ControlState& spin = Mutable(spinId);
    spin.spinMin = minVal;
    spin.spinMax = maxVal;
    // The full 32-bit position, kept within the range whichever way round it was given.
    spin.spinPos = std::clamp(pos, std::min(minVal, maxVal), std::max(minVal, maxVal));
    // The spin writes its position into its field as a plain decimal number.
    if (fieldId) Mutable(fieldId).text = std::to_string(spin.spinPos);
}

void PageModel::FillNumber(const PageControl& c, const config::RangeDescriptor& d) {
    SetSpin(c.related[0], c.id, d.minVal, d.maxVal, ParseLeadingInt(m_doc->ReadValue(d.npaName)));
}

void PageModel::FillOffNumber(const PageControl& c, const config::RangeOffDescriptor& d) {
    const int field = c.related[0], spin = c.related[1];
    const std::string value = m_doc->ReadValue(d.npaName);
    const bool off = EqualsAsciiNoCase(value, d.offValue);
    Mutable(c.id).checked = !off;
    SetSpin(spin, field, d.minVal, d.maxVal, off ? d.minVal : ParseLeadingInt(value));
    // A number field is usable exactly while its box is checked.
    EnableWith(c.id, !off);
}

void PageModel::FillChoice(const PageControl& none, const config::RangeChoiceDescriptor& d) {
    const int offId = none.related[0], numberId = none.related[1];
    const PageControl* number = m_table.Find(numberId);
    if (!number) return;
    const int field = number->related[0], spin = number->related[1];
    const std::string value = m_doc->ReadValue(d.npaName);
    ControlState& first = Mutable(none.id);
    ControlState& second = Mutable(offId);
    ControlState& numberState = Mutable(numberId);
    int pos = d.minVal;
    first.checked = second.checked = numberState.checked = false;
    if (d.choices.size() > 0 && EqualsAsciiNoCase(value, d.choices[0])) {
        first.checked = true;
        second.enabled = false;
    } else if (d.choices.size() > 1 && EqualsAsciiNoCase(value, d.choices[1])) {
        second.checked = true;
    } else {
        numberState.checked = true;
        pos = ParseLeadingInt(value);
    }
    SetSpin(spin, field, d.minVal, d.maxVal, pos);
    // "없음" is never the user's choice. The number follows its button: while "없음" or "꺼짐" is
    // shown neither field nor spin can change it, so a spin step can never store a number behind
    // the chosen button's back.
    first.enabled = false;
    EnableWith(numberId, numberState.checked);
}

void PageModel::FillTitle(const PageControl& c) {
    ControlState& s = Mutable(c.id);
    s.text = res::String(m_table.titleString);
    // The last step of the path, after the last ">", in bold; a title without ">" all in bold.
    const size_t gt = s.text.rfind('>');
    s.boldFrom = gt == std::string::npos ? 0 : gt + 1;
}

// Enables or disables every control that follows enablerId (a number field and its spin).
void PageModel::EnableWith(int enablerId, bool enable) {
    for (const PageControl& c : m_table.controls) {
        if (c.enable == EnableRule::WhileChecked && c.enabledBy == enablerId) Mutable(c.id).enabled = enable;
    }
}

// --- the user's actions: state -> document ------------------------------------------------------

bool PageModel::ArmedChange(int flag) {
    int& armed = m_armed[flag];
    if (armed == 1) return true;
    armed = 1;
    return false;
}

void PageModel::Store(const std::string& name, const std::string& token) {
    if (m_doc) m_doc->StoreValue(name, token);
}

void PageModel::Choose(int id, const std::string& key) {
    const PageControl* c = m_table.Find(id);
    // A list that is only shown has no handler; a disabled control takes no action.
    if (!c || c->role != Role::List || !State(id).enabled) return;
    ControlState& s = Mutable(id);
    for (size_t i = 0; i < s.items.size(); ++i)
        if (s.items[i].key == key) s.current = static_cast<int>(i);
    if (m_doc) m_doc->MarkChanged();
    if (auto stored = value_tokens::ForListKey(key)) Store(stored->name, stored->token);
}

void PageModel::Click(int id, bool checked) {
    const PageControl* c = m_table.Find(id);
    if (!c || !State(id).enabled) return;  // a disabled control takes no action
    const DescriptorRef d = Descriptor(*c);
    ControlState& s = Mutable(id);
    switch (c->role) {
        case Role::Switch: {
            s.checked = checked;
            if (m_doc) m_doc->MarkChanged();
            if (auto* sw = As<config::SwitchDescriptor>(d)) {
                if (auto stored = value_tokens::ForSwitch(*sw, checked)) Store(stored->name, stored->token);
            }
            return;
        }
        case Role::OffBox: {
            s.checked = checked;
            if (m_doc) m_doc->MarkChanged();
            EnableWith(id, checked);
            if (auto* off = As<config::RangeOffDescriptor>(d)) {
                const auto stored = value_tokens::ForRangeOff(*off, checked, State(c->related[0]).text);
                Store(stored.name, stored.token);
            }
            return;
        }
        case Role::ChoiceOff:
        case Role::ChoiceNumber: {
            // A click checks the button and clears the other two of its group.
            for (const PageControl& other : m_table.controls)
                if (other.kind == ControlKind::Radio && other.section == c->section) Mutable(other.id).checked = false;
            s.checked = true;
            if (m_doc) m_doc->MarkChanged();
            auto* choice = As<config::RangeChoiceDescriptor>(d);
            if (c->role == Role::ChoiceOff) {
                EnableWith(c->related[1], false);
                if (choice) {
                    if (auto stored = value_tokens::ForRangeChoice(*choice, 2, {})) Store(stored->name, stored->token);
                }
            } else {
                EnableWith(id, true);
                const PageControl* field = m_table.Find(c->related[0]);
                if (field && field->armedFlag) m_armed[field->armedFlag] = 1;
                if (choice) {
                    const std::string text = field ? State(field->id).text : std::string();
                    if (auto stored = value_tokens::ForRangeChoice(*choice, 3, text)) Store(stored->name, stored->token);
                }
            }
            return;
        }
        default:
            // "없음" stays disabled and has no handler; other controls are not clicked.
            return;
    }
}

void PageModel::TextChanged(int id, const std::string& text) {
    const PageControl* c = m_table.Find(id);
    if (!c || c->kind != ControlKind::Edit) return;
    ControlState& s = Mutable(id);
    s.text = text;
    // A field's spin moved: its position is the number it wrote.
    const int spin = c->role == Role::Number ? c->related[0] : c->related[1];
    if (c->role != Role::Text && spin) Mutable(spin).spinPos = ParseLeadingInt(text);
    if (!ArmedChange(c->armedFlag)) return;
    if (m_doc) m_doc->MarkChanged();
    const DescriptorRef d = Descriptor(*c);
    switch (c->role) {
        case Role::Text:
            if (auto* t = As<config::TextDescriptor>(d)) Store(t->npaName, text);
            break;
        case Role::Number:
            if (auto* r = As<config::RangeDescriptor>(d)) Store(r->npaName, text);
            break;
        case Role::OffNumber:
            if (auto* off = As<config::RangeOffDescriptor>(d)) {
                const auto stored = value_tokens::ForRangeOff(*off, State(c->related[0]).checked, text);
                Store(stored.name, stored.token);
            }
            break;
        case Role::ChoiceField:
            if (auto* choice = As<config::RangeChoiceDescriptor>(d)) {
                if (auto stored = value_tokens::ForRangeChoice(*choice, 3, text)) Store(stored->name, stored->token);
            }
            break;
        default:
            break;
    }
}

}  // namespace pages
