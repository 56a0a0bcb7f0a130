#include "pages/setting_texts.h"

#include <set>
#include <variant>

#include "config/ascii.h"
#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "pages/page_table.h"
#include "templates/templates.h"

namespace pages {

namespace setting_texts {

constexpr int kOff = 61246, kOn = 61266, kNone = 61233;
constexpr int kFirstView = 1, kLastView = 11;

std::string CaptionOf(const res::ControlTemplate& c) {
    std::string text = c.textId ? res::String(c.textId) : (c.text ? c.text : "");
    std::string out;
    for (char ch : text)
        if (ch != '&') out += ch;
    while (!out.empty() && (out.back() == ':' || out.back() == ' ')) out.pop_back();
    return out;
}

const res::ControlTemplate* FindControl(const res::DialogTemplate& form, int id, size_t* index = nullptr) {
    for (size_t i = 0; i < form.controls.size(); ++i) {
        if (form.controls[i].id == id) {
            if (index) *index = i;
            return &form.controls[i];
        }
    }
    return nullptr;
}

// The caption of the group box the control lies in, empty when none does.
std::string GroupOf(const res::DialogTemplate& form, const res::ControlTemplate& c) {
    for (const res::ControlTemplate& g : form.controls) {
        if (g.kind == res::Ctl::GroupBox && c.x >= g.x && c.y >= g.y && c.x < g.x + g.cx && c.y < g.y + g.cy)
            return CaptionOf(g);
    }
    return {};
}

// The words the page puts at a setting: its check box's caption, else the label right before its
// first control, after the group's caption; a choice of sources is named by its group alone.
std::string LabelOnPage(const res::DialogTemplate& form, const PageTable& table, const char* section) {
    for (const PageControl& pc : table.controls) {
        if (!pc.section || std::string(pc.section) != section) continue;
        size_t index = 0;
        const res::ControlTemplate* c = FindControl(form, pc.id, &index);
        if (!c) continue;
        const std::string group = GroupOf(form, *c);
        if (pc.role == Role::ChoiceNone || pc.role == Role::ChoiceOff || pc.role == Role::ChoiceNumber) return group;
        std::string own;
        if (c->kind == res::Ctl::CheckBox) {
            own = CaptionOf(*c);
        } else {
            for (size_t i = index; i-- > 0;) {
                if (form.controls[i].kind == res::Ctl::Static) {
                    own = CaptionOf(form.controls[i]);
                    break;
                }
                if (form.controls[i].kind != res::Ctl::UpDown && form.controls[i].kind != res::Ctl::Edit) break;
            }
        }
        if (own.empty()) return group;
        return group.empty() ? own : group + " " + own;
    }
    return {};
}

// "용지  >  질감" -> "질감".
std::string LastTitleStep(int titleString) {
    std::string title = res::String(titleString);
    const size_t cut = title.rfind('>');
    if (cut != std::string::npos) title = title.substr(cut + 1);
    const size_t first = title.find_first_not_of(' ');
    const size_t last = title.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : title.substr(first, last - first + 1);
}

}  // namespace setting_texts

using namespace setting_texts;

SettingTexts::SettingTexts(const CPrinterDoc& doc) : m_doc(doc) {
    std::map<std::string, std::string> npaOf;  // section -> NPA name
    for (const SettingRef& s : doc.Settings()) {
        const std::string name = DescriptorNpaName(s.descriptor);
        if (name.empty()) continue;
        npaOf[s.section] = name;
        m_sections[AsciiUpper(name)] = s.section;
    }
    struct Found {
        std::string label, step;
    };
    std::map<std::string, Found> found;  // by NPA name
    std::map<std::string, int> uses;     // how many settings a label names
    for (int view = kFirstView; view <= kLastView; ++view) {
        if (!HasPageTable(view)) continue;
        const PageTable& table = PageTableOf(view);
        const res::DialogTemplate* form = res::FindDialogTemplate(table.templateId);
        if (!form) continue;
        std::set<std::string> sections;
        for (const PageControl& pc : table.controls)
            if (pc.section) sections.insert(pc.section);
        for (const std::string& section : sections) {
            auto name = npaOf.find(section);
            if (name == npaOf.end() || found.count(name->second)) continue;
            const std::string label = LabelOnPage(*form, table, section.c_str());
            if (label.empty()) continue;
            found[name->second] = {label, LastTitleStep(table.titleString)};
            ++uses[label];
        }
    }
    for (const auto& [name, f] : found)
        m_labels[AsciiUpper(name)] = uses[f.label] > 1 && !f.step.empty() ? f.label + " (" + f.step + ")" : f.label;
}

std::string SettingTexts::Label(const std::string& npaName) const {
    auto it = m_labels.find(AsciiUpper(npaName));
    return it == m_labels.end() ? npaName : it->second;
}

std::string SettingTexts::Value(const std::string& npaName, const std::string& token) const {
    auto section = m_sections.find(AsciiUpper(npaName));
    if (section == m_sections.end()) return token;
    for (const SettingRef& s : m_doc.Settings()) {
        if (section->second != s.section) continue;
        const std::string key = npaName + ":" + token;
        return std::visit(
            [&](const auto* d) -> std::string {
                using D = std::remove_cv_t<std::remove_pointer_t<decltype(d)>>;
                if constexpr (std::is_same_v<D, config::ListDescriptor>) {
                    for (const auto& [k, label] : d->labels)
                        if (EqualsAsciiNoCase(k, key) && !label.empty()) return label;
                } else if constexpr (std::is_same_v<D, config::SwitchDescriptor>) {
                    if (EqualsAsciiNoCase(d->entry[1], key)) return res::String(kOn);
                    if (EqualsAsciiNoCase(d->entry[0], key)) return res::String(kOff);
                } else if constexpr (std::is_same_v<D, config::RangeOffDescriptor>) {
                    if (EqualsAsciiNoCase(d->offValue, token)) return res::String(kOff);
                } else if constexpr (std::is_same_v<D, config::RangeChoiceDescriptor>) {
                    if (d->choices.size() == 2 && EqualsAsciiNoCase(d->choices[0], token)) return res::String(kNone);
                    if (d->choices.size() == 2 && EqualsAsciiNoCase(d->choices[1], token)) return res::String(kOff);
                }
                return token;
            },
            s.descriptor);
    }
    return token;
}

}  // namespace pages
