// One setting page without a window: what each control of the page's table shows, and what the
// user's action on a control stores in the document. A front end (qtui/ today) builds the page's
// template, shows each control's state after Fill and after every action, and reports the
// user's actions by control id:
//
//   pages::PageModel model(doc, pages::PageTableOf(viewId));
//   model.InitialUpdate([&](int id) { Show(id, model.State(id)); });
//   ... on a list entry activated:  model.Choose(id, key);   then show the states again
//   ... on a box or button clicked: model.Click(id, checked);
//   ... on an edit's text changed:  model.TextChanged(id, text);  (also when its spin wrote it)
//
// Every store is preceded by the document's MarkChanged, as a page's change handler does. An edit's
// armed flag is cleared when a fill starts and set when it ends: a text change notification that
// arrives while its flag is clear (the fill's own) only arms it and stores nothing.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "document/printer_doc.h"
#include "pages/page_table.h"

namespace pages {

struct ListItem {
    std::string label;
    std::string key;  // NPANAME:TOKEN
};

// What one control shows.
struct ControlState {
    bool enabled = true;
    // List: its entries in the configuration's order (a sorted list shows them sorted by label)
    // and the chosen one (-1: none).
    std::vector<ListItem> items;
    int current = -1;
    // Check box and radio button.
    bool checked = false;
    // Edit: its text and the most code-page bytes the user may type (-1: no limit).
    std::string text;
    int textLimit = -1;
    // Spin: its range and position (its field shows the position).
    int spinMin = 0, spinMax = 100, spinPos = 0;
    // Title line: its text and where its bold last step begins (a byte offset into text).
    size_t boldFrom = 0;

    // The key of the chosen list entry, empty when none.
    std::string CurrentKey() const;
};

class PageModel {
public:
    // The settings are the document's, found by section; a table of sections the document does
    // not have (a test's) brings its own descriptors.
    PageModel(CPrinterDoc* doc, PageTable table, std::map<std::string, DescriptorRef> descriptors = {});

    const PageTable& Table() const { return m_table; }
    // The state of a control of the table; a default state for any other id.
    const ControlState& State(int id) const;

    // The first showing of the page: fills it, and in one-way mode the first page shown greys
    // the save-as-command-file menu item until the first change.
    void InitialUpdate(const std::function<void(int id)>& show);
    // Shows the document's values again: clears the armed flags, computes each control's state in
    // the page's fill order and calls show(id) after each, then arms the flags.
    void Fill(const std::function<void(int id)>& show);

    // The user's actions. A disabled control takes none (a switch without two values, say).
    // A list entry activated (also the one already chosen): stores its token.
    void Choose(int id, const std::string& key);
    // A check box or radio button clicked; checked is its new state.
    void Click(int id, bool checked);
    // An edit's text changed, typed or written by its spin.
    void TextChanged(int id, const std::string& text);

    // The armed flag of an edit (0 or 1).
    int Armed(int flag) const;

private:
    DescriptorRef Descriptor(const PageControl& control) const;
    ControlState& Mutable(int id) { return m_states[id]; }
    void FillControl(const PageControl& control);
    void FillList(const PageControl& c, const config::ListDescriptor& d);
    void FillSwitch(const PageControl& c, const config::SwitchDescriptor& d);
    void FillText(const PageControl& c, const config::TextDescriptor& d);
    void FillNumber(const PageControl& c, const config::RangeDescriptor& d);
    void FillOffNumber(const PageControl& c, const config::RangeOffDescriptor& d);
    void FillChoice(const PageControl& c, const config::RangeChoiceDescriptor& d);
    void FillTitle(const PageControl& c);
    void SetSpin(int spinId, int fieldId, int minVal, int maxVal, int pos);
    void EnableWith(int enablerId, bool enable);
    bool ArmedChange(int flag);
    void Store(const std::string& name, const std::string& token);

    CPrinterDoc* m_doc;
    PageTable m_table;
    std::map<std::string, DescriptorRef> m_descriptors;  // by section
    std::map<int, ControlState> m_states;
    std::map<int, int> m_armed;
};

}  // namespace pages
