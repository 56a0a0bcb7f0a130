#include "winui/nav_tree.h"

#include "config/config.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "winui/template_window.h"

namespace winui {
namespace {

HTREEITEM Insert(HWND tree, HTREEITEM parent, const std::string& text, int viewId) {
    const std::wstring wide = Wide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
    insert.item.lParam = viewId;
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

}  // namespace

// No horizontal scroll bar: only the printer's label is ever wider than the pane, and the tree
// view's own tooltip shows a cut label whole (as the Qt window does).
HWND CreateNavTree(HWND parent, int id) {
    return CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                               TVS_SHOWSELALWAYS | TVS_NOHSCROLL,
                           0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void BuildNavTree(HWND tree, const std::string& printerLabel, const Profile& ini) {
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    HTREEITEM root = Insert(tree, TVI_ROOT, printerLabel, 0);
    // The loader keeps within the file format's bounds: only names that exist, at most ten per
    // level, two levels below the root.
    for (const config::TreeNode& node : config::LoadTree(ini)) {
        HTREEITEM item = Insert(tree, root, res::String(node.stringId), node.viewId);
        for (const config::TreeNode& child : node.children) Insert(tree, item, res::String(child.stringId), child.viewId);
    }
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}

int ViewIdOf(HWND tree, HTREEITEM item) {
    if (!item) return 0;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return 0;
    return static_cast<int>(data.lParam);
}

}  // namespace winui
