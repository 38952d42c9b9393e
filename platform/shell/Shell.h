#pragma once
// The desktop's shell services: the freedesktop trash, the XDG user folders, the system's name,
// the running program's path, and opening a file or starting a program detached.
#include <string>
#include <vector>

namespace shell {

// Moves the file or folder, named exactly as given, to the user's trash. Never deletes: false
// when it could not be trashed. Safe from any thread.
bool MoveToTrash(const std::string& path);

// The user's documents folder (XDG user dirs), without a trailing '/'; the home folder when the
// documents folder does not exist.
std::string DocumentsFolder();

// $XDG_DATA_HOME/applications (~/.local/share/applications), without a trailing '/'.
std::string ApplicationsFolder();

// The full path of the running program file.
std::string ExecutablePath();

// The system's name and kernel, e.g. "Debian GNU/Linux 12 (bookworm) - kernel 6.1.0".
std::string OsVersionName();

// Opens a file, folder or URL with the desktop's preferred application (xdg-open).
bool OpenDocument(const std::string& target);
// Starts a program with its arguments, detached from this process.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

} // namespace shell
