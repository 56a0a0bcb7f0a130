// A picture of a window as it is on the screen, title bar and frame included, saved as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

// False when the window cannot be read or the file cannot be written.
bool SaveWindowPicture(HWND window, const std::string& path);

}  // namespace winui
