// Play lists: a text file of the list's paths between a header and a footer of "#" lines, in
// UTF-8 with CR LF line ends. Writing replaces the file whole or not at all; reading queues the
// paths to the list thread as one loading.
#include <QListWidget>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Dialogs.h"
#include "settings/Preferences.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;

std::string TUIForm::DefaultPlaylist() const
{
    return rtl::IncludeTrailingPathDelimiter(settings::DossierDesPlayList) + rtl::LoadStr(sPlDefaultName);
}

std::string TUIForm::PlaylistText() const
{
    const std::string crlf = "\r\n";
    std::string text;
    auto line = [&](const std::string& l) { text += l + crlf; };
    line(rtl::LoadStr(sPlRule));
    line(rtl::LoadStr(sPlComment));
    line(rtl::Format(rtl::LoadStr(sPlTitle), rtl::ProductName, settings::VersionText, rtl::LanguageCode));
    line(rtl::LoadStr(sPlComment));
    line(rtl::LoadStr(sPlRule));
    line(rtl::Format(rtl::LoadStr(sPlHomePage), rtl::LoadStr(sPageHomeAddress)));
    line(rtl::LoadStr(sPlSingular));
    for (const KeyEntry& entry : KeyList)
        line(rtl::LoadStr(sPlIndent) + entry.Fichier->FullName);
    line(rtl::LoadStr(sPlSingular));
    line(rtl::LoadStr(sPlRule));
    // Both words take the plural's "s": stored lists read "# 3 files sorteds by ...".
    const std::string suffix = rtl::LoadStr(KeyList.size() > 1 ? sPlPlural : sPlSingular);
    const int order = settings::OrdreDeLaListe;
    line(rtl::LoadStr(sPlCount) + std::to_string(KeyList.size()) + rtl::LoadStr(sPlFile) + suffix +
         rtl::LoadStr(sPlBlank) + rtl::LoadStr(sPlSorted) + suffix +
         (order >= 0 && order <= 3 ? rtl::LoadStr(sPlByOrder + order) : std::string()));
    line(rtl::LoadStr(sPlDone) + rtl::FormatDateTime(settings::FormatPourAfficherDatecode, rtl::Now()));
    return text;
}

std::string TUIForm::SavePlaylist(const std::string& fileName)
{
    const int err = rtl::ReplaceFile(fileName, PlaylistText());
    return err == 0 ? std::string() : std::error_code(err, std::generic_category()).message();
}

TUIForm::PlaylistRead TUIForm::LoadPlaylist(const std::string& fileName, std::function<void(bool complete)> done)
{
    std::error_code ec;
    const auto kind = std::filesystem::status(fileName, ec);
    if (!std::filesystem::exists(kind))
        return PlaylistRead::Missing;
    if (!std::filesystem::is_regular_file(kind))
        return PlaylistRead::Unreadable;
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream content;
    if (!in || !(content << in.rdbuf()) || in.bad())
        return PlaylistRead::Unreadable;
    const std::string bytes = content.str();
    if (bytes.find('\0') != std::string::npos)
        return PlaylistRead::Unreadable; // not a text file: nothing of it is queued
    std::vector<std::string> names;
    std::istringstream lines(bytes);
    for (std::string raw; std::getline(lines, raw);) {
        const std::string name = rtl::Trim(raw);
        if (!name.empty() && name.front() != '#')
            names.push_back(name);
    }
    LoadFiles(std::move(names), rtl::LoadStr(sPlLoading) + fileName, std::move(done));
    return PlaylistRead::Queued;
}

void TUIForm::afSauverListeExecute()
{
    // Still to come: asking before a list is replaced, and the message of a failed save.
    const vcl::SaveRequest request{.filter = rtl::LoadStr(sPlFilter),
                                   .initialDir = settings::DossierDesPlayList,
                                   .defaultExt = rtl::LoadStr(sMainPlaylistExt)};
    if (const auto name = dialogs_.SaveFile(request))
        SavePlaylist(*name);
}

void TUIForm::afOuvrirPlayListExecute()
{
    // Still to come: the message of a list that cannot be read.
    const vcl::OpenRequest request{.filter = rtl::LoadStr(sPlFilter), .initialDir = settings::DossierDesPlayList};
    if (const auto names = dialogs_.OpenFiles(request); names && !names->empty())
        LoadPlaylist(names->front());
}

void TUIForm::afOuvrirDefaultPlayListExecute()
{
    LoadPlaylist(DefaultPlaylist());
}

} // namespace ui
