// The system's save dialog for the command file: default extension "npa", initial name
// "settings.npa", no filter list, asks before replacing a file, refuses a path whose folder does
// not exist, hides the read-only box, and leaves the current folder as it was (the configuration
// may be found relative to it).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace winui {

// The full path chosen, or nothing on cancel.
std::optional<std::wstring> AskCommandFilePath(HWND owner);

// A Windows path as the program's file layer writes it, with "/" between its parts.
std::string FileLayerPath(const std::wstring& path);

}  // namespace winui
