// The navigation tree of the main window's left pane: the printer's label at the root and the
// groups of settings of devPanel.ini ("TreeRoot" and the node sections, two levels at most)
// below it, each item carrying its node's view id.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

class Profile;

namespace winui {

// Creates the tree control as a child of parent (hidden until the frame lays it out).
HWND CreateNavTree(HWND parent, int id);
// Fills the tree: the root with the label, its nodes from ini, the root expanded.
void BuildNavTree(HWND tree, const std::string& printerLabel, const Profile& ini);
// The view id an item carries (0 for the root and for no item).
int ViewIdOf(HWND tree, HTREEITEM item);

}  // namespace winui
