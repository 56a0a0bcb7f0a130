// Questions about paths and the user's own folders that the programs ask before they read,
// replace or create a file: what is at a path, whether the user may read or write it, where a
// per-user state file lives. linux/paths.cpp answers them with POSIX calls, windows/paths.cpp with
// Win32 calls on UTF-8 paths. Conventions as in platform.h: no exceptions, error numbers are
// errno values, and none of these calls blocks beyond file-system look-ups unless said.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

// What is at path, without following a symbolic link at the last component. Missing when
// nothing is there (errorNumber ENOENT or ENOTDIR); Other also when the path cannot be examined
// (errorNumber set). POSIX: lstat. Windows: a reparse point (symbolic link, junction) is a Link,
// a device (NUL, COM1, ...) is Other.
Files::Kind KindOfPath(const std::string& path, int& errorNumber);

// Whether the user may read, or write, the file or folder at path (a symbolic link is
// followed). The owner's permission bits count even for a superuser, for whom the system would
// allow anything: a file its owner made read-only is not ours to replace. POSIX: access() and
// the owner's mode bits. Windows: a file with the read-only attribute is not writable; a folder
// is writable when a file can be created in it (a probe that is deleted again at once). False
// when nothing is at path.
bool UserMayRead(const std::string& path);
bool UserMayWrite(const std::string& path);

// Makes path a folder, creating it and every missing folder above it private to the user (POSIX
// mode 0700; Windows a protected access list that admits the user alone). Folders that exist are
// left as they are. True when path is a folder afterwards; false (errorNumber set) otherwise.
bool MakePrivateFolders(const std::string& path, int& errorNumber);

// The folder part of path: up to its last separator ('/'; on Windows '\\' as well), "." when
// there is none, the root itself for a file in the root ("/" or "C:\\").
std::string FolderOfPath(const std::string& path);
// The last component of path: after its last separator, the whole path when there is none.
std::string FileNameOfPath(const std::string& path);
// The path of name in the folder of path; name alone when path has no folder part.
std::string SiblingPath(const std::string& path, const std::string& name);

// Where a program keeps a per-user state file called name, in a folder of its own called
// program: POSIX $XDG_STATE_HOME/program/name (an XDG_STATE_HOME that is not absolute is
// ignored), else $HOME/.local/state/program/name; Windows %LOCALAPPDATA%\program\name. Empty
// when none of these variables is set. Creates nothing; does not block.
std::string UserStateFile(const std::string& program, const std::string& name);

}  // namespace platform
