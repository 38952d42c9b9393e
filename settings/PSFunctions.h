#pragma once
// Shell services the program calls by name: recycle bin, documents folder, system name, and the
// launcher that offers Morvel for AVI files in the desktop's "Open with" menus (its "Send to").
#include <string>

namespace settings {

// Chooses the wide-character file searches; every supported system is of that kind.
inline constexpr bool IsWindowsNT = true;

// Moves the file, named exactly as given, to the trash; false when it could not. Never deletes.
// Safe from worker threads.
bool MoveToRecycleBin(const std::string& fileName);

// The user's documents folder without a trailing '/' (the home folder when it does not exist).
std::string GetMyDocumentsFolder();

// The name of the running system, e.g. "Debian GNU/Linux 12 (bookworm) - kernel 6.1.0".
std::string GetWindowsVersionName();

// Writes a desktop launcher `linkFile` that starts `target`; `workingFolder` is left out when
// empty. False when the file could not be written.
bool CreateShortcut(const std::string& linkFile, const std::string& target, const std::string& workingFolder,
                    const std::string& description);

// $XDG_DATA_HOME/applications/<name>.desktop: starts this program with the AVI files handed to it.
std::string SendToShortcutPath(const std::string& name);
bool CreateSendToShortcut(const std::string& name);
// Removes that launcher; a missing one is no failure.
bool DeleteSendToShortcut(const std::string& name);

} // namespace settings
