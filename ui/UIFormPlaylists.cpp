// Play lists: a text file of the list's paths between a header and a footer of "#" lines, in
// UTF-8 with CR LF line ends. Writing replaces the file whole or not at all; reading (the line
// reader of formats/) takes LF alone too and queues the paths to the list thread as one loading.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "formats/PlaylistReader.h"
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

TUIForm::PlaylistRead TUIForm::LoadPlaylist(const std::string& fileName, std::function<void(bool complete)> done,
                                            std::string* why)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
        return PlaylistRead::Missing;
    formats::PlaylistLines lines;
    if (fd < 0) {
        lines.failure = std::error_code(errno, std::generic_category()).message();
    } else {
        lines = formats::ReadPlaylistLines(fd);
        ::close(fd);
    }
    const bool whole = lines.failure.empty();
    if (!whole) {
        if (why)
            *why = lines.failure;
        if (lines.names.empty())
            return PlaylistRead::Unreadable;
        // What was read loads, but the list was not loaded whole.
        if (done)
            done = [done = std::move(done)](bool) { done(false); };
    }
    LoadFiles(std::move(lines.names), rtl::LoadStr(sPlLoading) + fileName, std::move(done));
    return whole ? PlaylistRead::Queued : PlaylistRead::Unreadable;
}

void TUIForm::OpenPlaylist(const std::string& fileName)
{
    std::string why;
    if (LoadPlaylist(fileName, {}, &why) == PlaylistRead::Unreadable)
        dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(sUiListNotRead), fileName, why), shell::MsgDlgType::mtError,
                            shell::mbOK);
}

void TUIForm::afSauverListeExecute()
{
    const vcl::SaveRequest request{.filter = rtl::LoadStr(sPlFilter),
                                   .initialDir = settings::DossierDesPlayList,
                                   .defaultExt = rtl::LoadStr(sMainPlaylistExt),
                                   .overwritePrompt = true};
    const std::optional<std::string> name = dialogs_.SaveFile(request);
    if (!name)
        return;
    if (const std::string failure = SavePlaylist(*name); !failure.empty())
        dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(sUiListNotSaved), *name, failure), shell::MsgDlgType::mtError,
                            shell::mbOK);
}

void TUIForm::afOuvrirPlayListExecute()
{
    const vcl::OpenRequest request{.filter = rtl::LoadStr(sPlFilter), .initialDir = settings::DossierDesPlayList};
    if (const auto names = dialogs_.OpenFiles(request); names && !names->empty())
        OpenPlaylist(names->front());
}

void TUIForm::afOuvrirDefaultPlayListExecute()
{
    OpenPlaylist(DefaultPlaylist());
}

} // namespace ui
