// The controls of each setting page as data: which control of the page's template edits which
// setting of the document, how (its role), which controls belong with it, and when it is enabled.
// The page model (pages/page_model.h) runs a page from its table; a front end builds the template
// and binds its widgets to the model by control id.
#pragma once

#include <cstdint>
#include <vector>

namespace pages {

// What the user sees.
enum class ControlKind : uint8_t { Title, List, Check, Radio, Edit, Spin };

// How a control is bound to its setting.
enum class Role : uint8_t {
    Title,         // the page's title line
    List,          // a drop-down list of a list setting: an activated entry stores its token
    ShownList,     // a list that only shows its setting: never chosen, no store
    Switch,        // a check box of an on/off setting
    Text,          // an edit of a text setting, limited in the printer's code-page bytes
    Number,        // the number field of a range setting (its spin writes it)
    NumberSpin,    // that field's spin
    OffBox,        // the check box that switches a number setting off
    OffNumber,     // that setting's number field
    OffSpin,       // its spin
    ChoiceNone,    // "없음": the first choice of a number-or-choice setting, never the user's
    ChoiceOff,     // "꺼짐": its second choice
    ChoiceNumber,  // the button that chooses the number
    ChoiceField,   // the number field of a number-or-choice setting
    ChoiceSpin,    // its spin
};

// When a control is enabled.
enum class EnableRule : uint8_t {
    AsBuilt,         // as its template makes it; the page never changes it
    UsableSwitch,    // disabled (and shown clear) when the setting does not give both values
    WhileChecked,    // exactly while the related check box or number button is checked
    Never,           // always disabled
    NotFirstChoice,  // disabled once the setting is shown holding its first choice
};

struct PageControl {
    int id;
    ControlKind kind;
    Role role;
    const char* section;  // the setting's section in devPanel.ini; nullptr for the title line
    // The controls that belong with this one: for a box or a number button its field and spin,
    // for a field its box or number button and its spin, for a spin its field and the control
    // that enables it, for a choice its group's other buttons. 0 where there is none.
    int related[3];
    EnableRule enable;
    int enabledBy;  // WhileChecked: the check box or number button it follows; else 0
    int armedFlag;  // an edit's armed flag; 0 for other controls
};

struct PageTable {
    int viewId;
    int templateId;
    int titleString;  // the title line's text (string id)
    // In the order the page fills them; the title line comes last.
    std::vector<PageControl> controls;

    const PageControl* Find(int id) const;
};

// The table of a page by tree view id (1..11), or the empty page's (no controls) for any other.
const PageTable& PageTableOf(int viewId);
// Whether the view id has a page of its own.
bool HasPageTable(int viewId);

}  // namespace pages
