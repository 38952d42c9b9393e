#pragma once
// Desktop Entry files (.desktop): the desktop's shortcuts. The Exec line is built from a program
// and literal arguments, each quoted and escaped as the Desktop Entry format requires, so paths
// with blanks, quotes or '%' launch exactly that file.
#include <string>
#include <string_view>
#include <vector>

namespace shell {

struct DesktopEntry {
    std::string name;                   // Name=
    std::string comment;                // Comment=, left out when empty
    std::string program;                // the program to start
    std::vector<std::string> arguments; // literal arguments after it
    std::string fieldCode;              // e.g. "%F": the files the desktop hands over, unquoted
    std::string workingFolder;          // Path=, left out when empty
    std::vector<std::string> mimeTypes; // MimeType=, left out when empty
};

// One Exec argument: in double quotes, with " ` $ \ escaped by a backslash and % doubled.
std::string QuoteExecArgument(std::string_view arg);
// A string value of the key file: \ \n \t \r escaped, a leading blank as \s.
std::string EscapeStringValue(std::string_view value);
// The whole file's text.
std::string DesktopEntryText(const DesktopEntry& entry);
// Writes the file under a temporary name and renames it into place; false when it could not be
// written (the folder is created when missing).
bool WriteDesktopEntry(const std::string& path, const DesktopEntry& entry);

} // namespace shell
