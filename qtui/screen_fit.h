// Windows that fit their screen. The windows are laid out in pixels for a screen of ordinary size
// (the main window 680 x 450, the restore dialog 520 x 420); at a high scale factor a small screen
// has fewer of them (1280 x 800 at 200 % leaves 640 x 400), and a window larger than that would
// put its title bar, its buttons or its status bar beyond the screen's edge.
#pragma once

class QWidget;

namespace ui {

// From now on, every window and dialog of the program is kept within the available area of its
// screen (the screen less panels and docks), its frame included: one that is shown too large, or
// made too large later, is made smaller (never below its minimum size: its scroll areas take
// what is missing) and, once it has a place, moved onto the screen where it sticks out (a main
// window not yet placed is left for the window manager to place). A window that fits is never
// moved. Once per program; later calls do nothing.
void KeepWindowsOnScreen();

// The same, now, for one window.
void FitToScreen(QWidget* window);

}  // namespace ui
