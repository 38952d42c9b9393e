#include "actions/switches.h"

#include <algorithm>
#include <filesystem>

#include "actions/CommandCaptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace actions {

namespace {

// The letters after the leading "+" or "/".
std::string_view LettersOf(std::string_view lowered)
{
    return lowered.substr(1);
}

bool Holds(std::string_view letters, std::string_view part)
{
    return !part.empty() && letters.find(part) != std::string_view::npos;
}

std::string HelpLine(const std::string& text, std::string_view letter)
{
    return text + "= +" + std::string(letter);
}

} // namespace

SwitchList BuildSwitchList(const FileActionNames& names)
{
    SwitchList table;
    for (const FileActionNames::Entry& e : names.Entries())
        if (!e.Action->Switch().empty())
            table.push_back({e.Action->Switch(), e.Action});
    return table;
}

std::vector<std::string> SwitchHelpLines(const SwitchList& table)
{
    using namespace rtl::sid;
    std::vector<std::string> lines;
    for (const SwitchEntry& s : table)
        if (const std::string caption = CommandCaption(*s.Action); !caption.empty())
            lines.push_back(HelpLine(caption, s.Letters));
    lines.push_back(HelpLine(rtl::LoadStr(sSwitchClose), "c"));
    lines.push_back(HelpLine(rtl::LoadStr(sSwitchHide), "h"));
    lines.push_back(HelpLine(rtl::LoadStr(sSwitchNoConfirmation), "m"));
    lines.push_back(HelpLine(rtl::LoadStr(sSwitchHelp), "?"));
    std::stable_sort(lines.begin(), lines.end(),
                     [](const std::string& a, const std::string& b) { return rtl::LowerCase(a) < rtl::LowerCase(b); });
    return lines;
}

bool IsSwitch(std::string_view parameter)
{
    if (parameter.empty() || (parameter[0] != '+' && parameter[0] != '/'))
        return false;
    if (parameter.find('.') != std::string_view::npos)
        return false;
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(std::string(parameter), ec);
    return !std::filesystem::exists(status);
}

CommandLine ParseCommandLine(const std::vector<std::string>& parameters, const SwitchList& table)
{
    CommandLine line;
    for (const std::string& parameter : parameters) {
        if (!IsSwitch(parameter)) {
            line.Files.push_back(parameter);
            continue;
        }
        const std::string lowered = rtl::LowerCase(parameter);
        const std::string_view letters = LettersOf(lowered);
        std::string unknown;
        for (const char c : letters) {
            const bool known = kFixedSwitchLetters.find(c) != std::string_view::npos ||
                               std::any_of(table.begin(), table.end(), [c](const SwitchEntry& s) {
                                   return s.Letters.find(c) != std::string::npos;
                               });
            if (!known && unknown.find(c) == std::string::npos)
                unknown += c;
        }
        if (!unknown.empty() && line.Error.empty())
            line.Error = rtl::Format(rtl::LoadStr(rtl::sid::sSwitchUnknownLetters), parameter, unknown);
        line.Hidden = line.Hidden || Holds(letters, "h");
        line.NoConfirmation = line.NoConfirmation || Holds(letters, "m");
        line.CloseAfter = line.CloseAfter || Holds(letters, "c");
        line.Help = line.Help || Holds(letters, "?");
        line.Switches.push_back(lowered);
    }
    return line;
}

std::vector<SwitchBatch> RunSwitches(const CommandLine& line, const SwitchList& table,
                                     const TBatchThread::FileList& files)
{
    std::vector<SwitchBatch> batches;
    if (!line.Error.empty())
        return batches;
    for (const std::string& parameter : line.Switches)
        for (const SwitchEntry& s : table)
            if (Holds(LettersOf(parameter), s.Letters))
                batches.push_back({s.Action, s.Action->Runner, files});
    return batches;
}

} // namespace actions
