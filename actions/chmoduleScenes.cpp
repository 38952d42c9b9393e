// The scene list, the scene text and the subtitles: the scene graph runs the file through the
// scene detector, whose callbacks write the companion file; it is put in place only when the run
// completes. A file whose scene graph cannot be built gets one whole-file scene where it can; one
// without a whole frame gets no file at all. The removers move a companion file to the trash.
#include <cerrno>
#include <memory>

#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "actions/chmoduleShared.h"
#include "formats/scenes.h"
#include "media/ConvertirDVunit.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

using formats::DVFrameInfo;
using media::Cdm;
using media::TCdm;

// The rate the companion files count frames at: the file's own, or the default standard's for a
// file without video.
double FileFps(const TAfficherFichier& f)
{
    if (f.Fps > 0)
        return f.Fps;
    return settings::StandardParDefaut == 2 ? 30000.0 / 1001 : 25.0;
}

// The file's frames at that rate, from the video's duration or else the sound's.
int64_t FrameCount(const TAfficherFichier& f)
{
    const int64_t duration = f.VideoDuration > 0 ? f.VideoDuration : f.AudioDuration;
    return rtl::Round(static_cast<double>(duration) * FileFps(f) / 1e7);
}

DVFrameInfo FrameRecord(int64_t frame)
{
    DVFrameInfo record;
    record.Frame = static_cast<uint32_t>(frame);
    return record;
}

// Stops and drops the graph of the last run, as every scan starts a new one.
void DropLastGraph(TCdm& cdm)
{
    if (cdm.fg.Active()) {
        cdm.fg.Stop();
        cdm.fg.ClearGraph();
        cdm.fg.Deactivate();
    }
}

// The system's error number of a writer's failure; EIO when it kept none.
template <class Writer> int FailureNumber(const Writer& writer)
{
    return writer.LastErrorNumber() != 0 ? writer.LastErrorNumber() : EIO;
}

// The end of the run puts the file in place when the run completed and drops it otherwise; a file
// that cannot be put in place fails the run.
template <class Writer, class Close>
void CommitAtEnd(TCdm& cdm, const std::string& name, const std::shared_ptr<Writer>& writer, Close close)
{
    cdm.SetSceneEnd(
        name, [writer, close] { return ((*writer).*close)() ? 0 : FailureNumber(*writer); },
        [writer] { writer->Discard(); });
}

// A companion file that could not be written: the conversions' text for the reason.
template <class Writer> ExecutionOutcome NotOpened(const std::string& name, const Writer& writer, TCdm& cdm)
{
    cdm.CdmSeeking = nullptr; // nothing to run
    return ExecutionOutcome::Failed(media::FailureText(ds::FileErrorCode(FailureNumber(writer)), name));
}

// Why no scene graph could be built for `f`: it is gone, it holds nothing, or no DV video.
ExecutionOutcome NoScenes(const TAfficherFichier& f)
{
    if (!rtl::FileExists(f.FullName))
        return ExecutionOutcome::Failed(
            rtl::Format("No scenes can be read from \"%s\": the file no longer exists.", f.FileName));
    if (FrameCount(f) == 0)
        return ExecutionOutcome::Failed(rtl::LoadStr(rtl::sid::sRunNothingToRun));
    return ExecutionOutcome::Failed(
        rtl::Format("No scenes can be read from \"%s\": it cannot be read or holds no DV video.", f.FileName));
}

// A scene list: the scan writes an entry per scene; a file without a DV stream to scan is one
// scene over its whole length when `whole` allows it, written at once.
template <class Writer, class Open>
ExecutionOutcome SceneList(const TAfficherFichier& f, const std::string& name, Open open,
                           void (Writer::*write)(const DVFrameInfo&, const DVFrameInfo&), bool (Writer::*close)(),
                           bool whole, std::string& newfichier, TchUpdateType& update)
{
    update = utModify;
    newfichier = f.FullName;
    TCdm& cdm = Cdm();
    DropLastGraph(cdm);
    const bool built = cdm.BuildSceneGraph(f.FullName);
    // A file of no length is no scene: nothing is written.
    if (!built && (!whole || !rtl::FileExists(f.FullName) || FrameCount(f) == 0))
        return NoScenes(f);
    auto writer = std::make_shared<Writer>();
    if (!open(*writer))
        return NotOpened(name, *writer, cdm);
    if (built) {
        cdm.CdmSceneDetect->SetOnScene([writer, write](const DVFrameInfo& start, const DVFrameInfo& current) {
            ((*writer).*write)(start, current);
        });
        CommitAtEnd(cdm, name, writer, close);
        return {};
    }
    ((*writer).*write)(FrameRecord(0), FrameRecord(FrameCount(f)));
    if (!((*writer).*close)())
        return NotOpened(name, *writer, cdm);
    return {};
}

void CompanionConfirmation(const std::string& name, const char* fallback, std::string& confirmMsg)
{
    confirmMsg = rtl::FileExists(name) ? work::ReplaceQuestion(name, fallback) : std::string();
}

void TrashConfirmation(const std::string& name, const char* fallback, std::string& confirmMsg)
{
    confirmMsg =
        work::FittingText({rtl::Format("Do you really want to move the file %s to the recycle bin?", name), fallback});
}

ExecutionOutcome TrashCompanion(const std::string& name, std::string& newfichier, TchUpdateType& update)
{
    newfichier.clear();
    update = utNone;
    if (!settings::MoveToRecycleBin(name))
        return ExecutionOutcome::Failed("不会发生删除 " + name + work::kLineBreak + "文件在使用或可能是只读属性");
    update = utModify;
    return {};
}

} // namespace

Tch::R Tch::CreerScenesExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return SceneList<formats::ScnFileWriter>(
        f, formats::ScnFileName(f.FullName), [&](formats::ScnFileWriter& w) { return w.OpenScnFile(f.FullName); },
        &formats::ScnFileWriter::WriteScnScene, &formats::ScnFileWriter::CloseScnFile, f.AudioRate > 0, newfichier,
        update);
}

void Tch::CreerScenesConfirmation(P&, const F& f, std::string& confirmMsg)
{
    CompanionConfirmation(formats::ScnFileName(f.FullName), "Do you want to replace the existing scn-file ?",
                          confirmMsg);
}

Tch::R Tch::ScenesTextExecution(P&, const F& f, std::string& newfichier, U& update)
{
    const formats::ScnTxtOptions options{FileFps(f), settings::VersionText, settings::FormatPourAfficherDatecode};
    return SceneList<formats::ScnTxtWriter>(
        f, formats::ScnTxtFileName(f.FullName),
        [&](formats::ScnTxtWriter& w) { return w.OpenScnTxt(f.FullName, options); },
        &formats::ScnTxtWriter::WriteScnTxtLine, &formats::ScnTxtWriter::CloseScnTxt, true, newfichier, update);
}

void Tch::ScenesTextConfirmation(P&, const F& f, std::string& confirmMsg)
{
    CompanionConfirmation(formats::ScnTxtFileName(f.FullName), "你真的想替换已经存在的文件吗 ?", confirmMsg);
}

Tch::R Tch::Creer_srtExecution(P&, const F& f, std::string& newfichier, U& update)
{
    update = utModify;
    newfichier = f.FullName;
    TCdm& cdm = Cdm();
    DropLastGraph(cdm);
    if (!cdm.BuildSrtSceneGraph(f.FullName))
        return NoScenes(f);
    auto srt = std::make_shared<formats::SrtFileWriter>();
    const std::string name = formats::SrtFileName(f.FullName);
    if (!srt->OpenSrtFile(f.FullName))
        return NotOpened(name, *srt, cdm);
    // The subtitles carry the lines the picture overlay would show, timed at the stream's frames.
    media::Tdv_sceneDetect& detector = *cdm.CdmSceneDetect;
    detector.SetOnDatecodeText(
        [srt, &detector](const DVFrameInfo& record, const std::string& line1, const std::string& line2) {
            srt->AddSrtEntry(record, line1, line2, detector.FrameDuration());
        });
    detector.SetWhatIncrust(settings::WhatIncrust);
    detector.SetAutoIncrust(settings::AutoIncrust);
    detector.SetWhenIncrust(settings::WhenIncrust);
    detector.SetIncrustDuration(static_cast<int32_t>(rtl::Round(settings::DureeIncrustation * FileFps(f))));
    detector.SetIncrustFormats(settings::FormatPourIncrusterDatecode1, settings::FormatPourIncrusterDatecode2);
    detector.SetTimeOffset(settings::DecalageHoraire);
    CommitAtEnd(cdm, name, srt, &formats::SrtFileWriter::CloseSrtFile);
    return {};
}

void Tch::Creer_srtConfirmation(P&, const F& f, std::string& confirmMsg)
{
    CompanionConfirmation(formats::SrtFileName(f.FullName), "你真的想替换已经存在的文件吗 ?", confirmMsg);
}

Tch::R Tch::SupprimerScenesExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return TrashCompanion(formats::ScnFileName(f.FullName), newfichier, update);
}

void Tch::SupprimerScenesConfirmation(P&, const F& f, std::string& confirmMsg)
{
    TrashConfirmation(formats::ScnFileName(f.FullName), "Do you really want to move this scn-file to the recycle bin?",
                      confirmMsg);
}

Tch::R Tch::Supprimer_srtExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return TrashCompanion(formats::SrtFileName(f.FullName), newfichier, update);
}

void Tch::Supprimer_srtConfirmation(P&, const F& f, std::string& confirmMsg)
{
    TrashConfirmation(formats::SrtFileName(f.FullName), "Do you really want to move this srt-file to the recycle bin?",
                      confirmMsg);
}

} // namespace actions
