#include "settings/PSFunctions.h"

#include <cerrno>
#include <cstdio>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Shell.h"

namespace settings {

namespace {

bool UsableName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

std::string Stem(const std::string& path)
{
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.ends_with(".desktop"))
        name.resize(name.size() - 8);
    return name;
}

} // namespace

bool MoveToRecycleBin(const std::string& fileName)
{
    return shell::MoveToTrash(fileName);
}

std::string GetMyDocumentsFolder()
{
    return shell::DocumentsFolder();
}

std::string GetWindowsVersionName()
{
    return shell::OsVersionName();
}

bool CreateShortcut(const std::string& linkFile, const std::string& target, const std::string& workingFolder,
                    const std::string& description)
{
    shell::DesktopEntry e;
    e.name = Stem(linkFile);
    e.comment = description;
    e.program = target;
    e.workingFolder = workingFolder;
    return !target.empty() && shell::WriteDesktopEntry(linkFile, e);
}

std::string SendToShortcutPath(const std::string& name)
{
    // The folder is joined as text: a '%' in it is no format directive.
    return shell::ApplicationsFolder() + "/" + name + ".desktop";
}

bool CreateSendToShortcut(const std::string& name)
{
    if (!UsableName(name))
        return false;
    shell::DesktopEntry e;
    e.name = name;
    e.comment = rtl::Format(rtl::LoadStr(rtl::sid::sShortcutTo), name);
    e.program = shell::ExecutablePath();
    e.fieldCode = "%F";
    e.mimeTypes = {"video/x-msvideo", "video/avi"};
    return !e.program.empty() && shell::WriteDesktopEntry(SendToShortcutPath(name), e);
}

bool DeleteSendToShortcut(const std::string& name)
{
    if (!UsableName(name))
        return false;
    return std::remove(SendToShortcutPath(name).c_str()) == 0 || errno == ENOENT;
}

} // namespace settings
