// The corrections made in place (codec code, frame rate), the deletions, the openers, the
// viewer's overlay and slider toggles and the greeting.
#include <sys/stat.h>

#include <exception>

#include "actions/WindowHooks.h"
#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "actions/chmoduleShared.h"
#include "formats/fpsunit.h"
#include "media/dv_superposer.h"
#include "media/viewgraph.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/SysUtils.h"
#include "platform/shell/Shell.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

using work::kLineBreak;

// A file its owner marked read-only is made writable for an in-place patch and marked again
// afterwards, however the patch ends.
class WritableForPatch {
public:
    explicit WritableForPatch(const std::string& name) : name_(name)
    {
        struct stat st {};
        if (::stat(name.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
            mode_ = st.st_mode & 07777;
            marked_ = ::chmod(name.c_str(), mode_ | S_IWUSR) == 0;
        }
    }
    ~WritableForPatch()
    {
        if (marked_)
            ::chmod(name_.c_str(), mode_);
    }
    WritableForPatch(const WritableForPatch&) = delete;
    WritableForPatch& operator=(const WritableForPatch&) = delete;

private:
    std::string name_;
    mode_t mode_ = 0;
    bool marked_ = false;
};

void CloseViewer(const TAfficherFichier& f)
{
    CallHooks([&](WindowHooks& h) { h.CloseViewer(f.FullName); });
}

void EndCloseViewer(const TAfficherFichier& f)
{
    CallHooks([&](WindowHooks& h) { h.EndCloseViewer(f.FullName); });
}

ExecutionOutcome Opened(bool started, const std::string& what)
{
    return started ? ExecutionOutcome() : ExecutionOutcome::Failed(rtl::Format("\"%s\" cannot be opened.", what));
}

ExecutionOutcome StartWith(const std::string& program, const TAfficherFichier& f, std::string& newfichier,
                           TchUpdateType& update)
{
    newfichier.clear();
    update = utNone;
    return Opened(shell::StartProgram(program, {f.FullName}), f.FileName);
}

const std::string kDeleteNote = std::string(kLineBreak) + "如果按是, 它将被发送到回收站.";

} // namespace

Tch::R Tch::CorrigerCodecExecution(const CodecChoice& c, P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    CloseViewer(f);
    bool written = false;
    {
        WritableForPatch writable(f.FullName);
        written = formats::WriteVideoHandler(f.FullName, rtl::StrToFourCC(c.FourCC));
    }
    EndCloseViewer(f);
    if (!written)
        return ExecutionOutcome::Failed(rtl::Format(
            "The codec of \"%s\" was not changed: the file cannot be written or has no video stream header.",
            f.FileName));
    update = utModify;
    return {};
}

void Tch::CorrigerCodecConfirmation(const CodecChoice& c, P&, const F& f, std::string& confirmMsg)
{
    confirmMsg = rtl::Format("Do you really want to change the codec from %s to %s?", f.Codec, c.Shown);
}

Tch::R Tch::CorrigerFpsExecution(const FpsChoice& c, P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utModify; // the entry shows what the file holds, whatever happened
    std::string failure;
    CloseViewer(f);
    try {
        WritableForPatch writable(f.FullName);
        if (!formats::WriteFrameRate(f.FullName, c.Fps))
            failure = "it has no video stream header.";
    } catch (const std::exception& e) {
        failure = e.what();
    }
    EndCloseViewer(f);
    CallHooks([&](WindowHooks& h) { h.ReopenViewer(f); });
    if (!failure.empty())
        return ExecutionOutcome::Failed(
            rtl::Format("The frame rate of \"%s\" was not changed: %s", f.FileName, failure));
    return {};
}

void Tch::CorrigerFpsConfirmation(const FpsChoice& c, P&, const F& f, std::string& confirmMsg)
{
    confirmMsg =
        rtl::Format("Do you really want to change the fps value from %s to %s?", rtl::FloatToStr(f.Fps), c.Shown);
}

Tch::R Tch::SupprimerFichierExecution(P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    if (!settings::MoveToRecycleBin(f.FullName))
        return ExecutionOutcome::Failed("不会发生删除 " + f.FullName + kLineBreak + "它多半在使用或只读");
    update = utDelete;
    return {};
}

void Tch::SupprimerFichierConfirmation(P&, const F& f, std::string& confirmMsg)
{
    confirmMsg = work::FittingText(
        {"Do you really want to delete " + f.FileName + " ?" + kDeleteNote, "你确信删除这文件?" + kDeleteNote});
}

Tch::R Tch::oterfichierExecution(P&, const F&, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utDelete; // the list only: nothing on disk
    return {};
}

Tch::R Tch::DossierParentExecution(P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    const std::string folder = rtl::ExtractFileDir(f.FullName);
    return Opened(shell::OpenDocument(folder), folder);
}

Tch::R Tch::DefaultPlayerExecution(P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    return Opened(shell::OpenDocument(f.FullName), f.FileName);
}

Tch::R Tch::KestromExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return StartWith(settings::FichierKestrom, f, newfichier, update);
}

Tch::R Tch::OpenFichierF3Execution(P&, const F& f, std::string& newfichier, U& update)
{
    return StartWith(settings::FichierF3, f, newfichier, update);
}

Tch::R Tch::OpenFichierF4Execution(P&, const F& f, std::string& newfichier, U& update)
{
    return StartWith(settings::FichierF4, f, newfichier, update);
}

Tch::R Tch::RiffHeaderExecution(P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    CallHooks([&](WindowHooks& h) { h.ShowRiffHeader(f.FullName); });
    return {};
}

Tch::R Tch::AfficherIncrustationExecution(P&, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    media::Tdv_Superposer& s = media::viewdm().Superposer();
    if (settings::IsIncrustOn) {
        s.SetIncrustOn(false);
        CallHooks([](WindowHooks& h) { h.ShowOverlayCommand("显示日期码", 18); });
        settings::IsIncrustOn = false;
    } else {
        // The viewer's overlay takes the preferences in this order; its display time counts the
        // viewed file's frames.
        s.SetWhatIncrust(settings::WhatIncrust);
        s.SetWhenIncrust(settings::WhenIncrust);
        s.SetAutoIncrust(settings::AutoIncrust);
        s.SetIncrustDuration(static_cast<int32_t>(rtl::Round(settings::DureeIncrustation * f.Fps)));
        s.SetAutoFontSize(settings::StandardFontSize);
        work::PushOverlayFont(s);
        s.SetPosition(settings::IncrustPositionX, settings::IncrustPositionY, settings::Alignement);
        s.SetIncrustFormats(settings::FormatPourIncrusterDatecode1, settings::FormatPourIncrusterDatecode2);
        s.SetTimeOffset(settings::DecalageHoraire);
        s.SetIncrustOn(true);
        CallHooks([](WindowHooks& h) { h.ShowOverlayCommand("隐藏日期码", 21); });
        settings::IsIncrustOn = true;
    }
    CallHooks([](WindowHooks& h) { h.RedrawViewer(); });
    return {};
}

Tch::R Tch::AfficherSlidersExecution(P& p, const F& f, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    if (settings::IncrustSlidersVisible) {
        settings::IncrustSlidersVisible = false;
        CallHooks([](WindowHooks& h) {
            h.ShowOverlaySliders(false, "更改嵌入位置");
            h.ShowVolumeGauge(!settings::IsMuteOn);
        });
        return {};
    }
    settings::IncrustSlidersVisible = true;
    CallHooks([](WindowHooks& h) { h.ShowVolumeGauge(false); });
    if (!settings::IsIncrustOn) // the sliders move an overlay that shows
        AfficherIncrustationExecution(p, f, newfichier, update);
    CallHooks([](WindowHooks& h) { h.ShowOverlaySliders(true, "隐藏时间码位置滑块"); });
    return {};
}

Tch::R Tch::Anniversaire2502Execution(P&, const F&, std::string& newfichier, U& update)
{
    newfichier.clear();
    update = utNone;
    const std::string subject = "祝福 Ivor Varnet 生日快乐";
    const std::string body =
        rtl::Format("来自使用者 %s %s %s 祝福生日快乐!", rtl::ProductName, settings::VersionText, rtl::LanguageCode);
    CallHooks([&](WindowHooks& h) { h.SendMail(subject, body); });
    return {};
}

void Tch::Anniversaire2502Confirmation(P&, const F&, std::string& confirmMsg)
{
    confirmMsg = "It's today Ivor Varnet's birthday. Do you want to send him a e-mail?";
}

} // namespace actions
