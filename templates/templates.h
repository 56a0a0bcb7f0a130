// Dialog templates, the menu and the accelerators of the program as plain data (no toolkit).
// A template lists its controls in creation order (which is also the tab order) with their ids,
// kinds, captions and rectangles in dialog units; a front end (qtui/dialog_builder.h) turns one into widgets.
//
// Templates of the program's dialogs and forms are found by id with FindDialogTemplate. A file
// outside templates/ may add its own with RegisterDialogTemplate (for example from a static
// initialiser); a registered template takes precedence over a built-in one with the same id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace res {

enum class Ctl : uint8_t {
    Static,         // a label
    Icon,           // the application icon
    Edit,           // a single-line edit
    ComboBox,       // a drop-down list (not editable); cy is the height of its open list
    ListBox,
    PushButton,
    DefPushButton,  // the dialog's default button
    CheckBox,       // an automatic check box
    RadioButton,    // an automatic radio button
    GroupBox,
    RichEdit,       // a page's title line
    UpDown,         // a spin control writing its position into its buddy edit
};

// Control styles, one bit each.
enum : uint32_t {
    S_DISABLED = 1u << 0,          // created disabled; stays so until code enables it
    S_GROUP = 1u << 1,             // starts a group (radio buttons run to the next one)
    S_TABSTOP = 1u << 2,
    S_VSCROLL = 1u << 3,
    S_BORDER = 1u << 4,
    S_SORT = 1u << 5,              // list box or drop-down list keeps its items sorted by text
    S_NOTIFY = 1u << 6,
    S_NOINTEGRALHEIGHT = 1u << 7,
    S_CENTER = 1u << 8,            // centred text
    S_RIGHT = 1u << 9,             // right-aligned text
    S_NUMBER = 1u << 10,           // an edit that takes digits only
    S_READONLY = 1u << 11,
    S_AUTOHSCROLL = 1u << 12,
    S_LEFTTEXT = 1u << 13,         // check box or radio button with its text left of the box
    S_NOHIDESEL = 1u << 14,
    S_UDS_AUTOBUDDY = 1u << 15,    // the buddy is the control created just before
    S_UDS_SETBUDDYINT = 1u << 16,  // writes its position into the buddy as a decimal number
    S_UDS_ALIGNRIGHT = 1u << 17,   // sits at the buddy's right edge, inside its width
    S_UDS_ARROWKEYS = 1u << 18,    // Up/Down keys in the buddy move the position
    S_UDS_NOTHOUSANDS = 1u << 19,  // no thousands separator in the buddy text
};

// The style every number field shares: a right-aligned, digits-only, read-only edit.
constexpr uint32_t S_NUMBER_FIELD = S_BORDER | S_RIGHT | S_NUMBER | S_READONLY | S_TABSTOP;
// The style every spin of a number field shares.
constexpr uint32_t S_SPIN = S_UDS_AUTOBUDDY | S_UDS_SETBUDDYINT | S_UDS_ALIGNRIGHT | S_UDS_ARROWKEYS;

struct ControlTemplate {
    int id;             // control id; -1 for a control nobody addresses (IDC_STATIC)
    Ctl kind;
    const char* text;   // caption as written in the template (UTF-8), the same in every language;
                        // nullptr for none or for a caption by textId
    int x, y, cx, cy;   // dialog units
    uint32_t style = 0;
    int textId = 0;     // when non-zero, the caption is string textId of the string table
};

// Dialog styles.
enum : uint32_t {
    D_CHILD = 1u << 0,    // a form inside a view: no caption, no frame
    D_CAPTION = 1u << 1,  // a title bar
    D_SYSMENU = 1u << 2,  // a system menu (and so a close box)
    D_MODAL = 1u << 3,
};

struct DialogTemplate {
    int id;
    const char* caption;  // nullptr for none
    int cx, cy;           // dialog units
    uint32_t style;
    std::span<const ControlTemplate> controls;
    const char* fontFace = "굴림";
    int pointSize = 9;
    int captionId = 0;    // when non-zero, the title is string captionId of the string table
};

constexpr int IDC_STATIC = -1;
constexpr int IDOK_BUTTON = 1;      // IDOK
constexpr int IDCANCEL_BUTTON = 2;  // IDCANCEL

// Template ids of the program's own dialogs and forms.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_EMPTY_PAGE = 101;
constexpr int IDD_SELECT_PRINTER = 133;
constexpr int IDD_PRINTER_QUERY = 149;

// Control ids of the dialogs of the start-up.
constexpr int IDC_SELECT_PROMPT = 1005;
constexpr int IDC_PRINTER_LIST = 1006;
constexpr int IDC_ABOUT_TITLE = 1007;
constexpr int IDC_ABOUT_VERSION = 1306;

// The template with that id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);
// Adds a template; it must live as long as the program. Returns true (usable in a static
// initialiser). Not thread-safe: call before the user interface starts.
bool RegisterDialogTemplate(const DialogTemplate& dialog);

// Menu resource 128: pop-ups, items and separators in order.
enum class MenuKind : uint8_t { Popup, Item, Separator, EndPopup };
struct MenuEntry {
    MenuKind kind;
    int commandId;          // 0 for pop-ups and separators
    const char* text;       // with "&" before the mnemonic; nullptr for a text by textId
    const char* shortcut;   // the shortcut text shown beside the item, or nullptr
    int textId = 0;         // when non-zero, the text is string textId of the string table
};
std::span<const MenuEntry> MainMenu();

// What a control, a dialog's title bar and a menu entry show, in the window's language: the
// string table's text when they name a string id, else their own text (UTF-8), else nothing.
std::string ControlText(const ControlTemplate& control);
std::string DialogCaption(const DialogTemplate& dialog);
std::string MenuText(const MenuEntry& entry);

// Accelerators of resource 128.
enum : uint32_t { ACC_CTRL = 1u << 0, ACC_SHIFT = 1u << 1 };
enum AccelKey : int { KEY_S = 'S', KEY_F6 = 0x75 };
struct Accelerator {
    int key;  // an upper-case letter or a virtual-key code of AccelKey
    uint32_t modifiers;
    int commandId;
};
std::span<const Accelerator> MainAccelerators();

// Command ids of the frame.
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_SAVE_COMMAND_FILE = 32772;
constexpr int ID_APPLY_SETTINGS = 32774;
constexpr int ID_EXPORT_SETTINGS = 32775;
constexpr int ID_IMPORT_SETTINGS = 32776;
constexpr int ID_RESTORE_SETTINGS = 32777;

// String ids the shell uses.
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_IDLE_MESSAGE = 57345;
constexpr int IDS_TITLE_FONT = 61303;

}  // namespace res
