// The conversions: each builds its graph in the conversion module, makes the settings the output
// needs and returns; the command runner runs the graph. The output is named after the source with
// the action's suffix, beside it or in the output folder of the preferences.
#include <cmath>
#include <functional>

#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "actions/chmoduleShared.h"
#include "media/ConvertirDVunit.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

using media::Cdm;
using media::TCdm;

// The builder of one conversion, given the source and the output; the settings it makes after a
// successful build come with it.
using Builder = std::function<bool(TCdm& cdm, const std::string& source, const std::string& output)>;

std::string OutputName(const TAfficherFichier& f, const std::string& suffix)
{
    // An output folder that was never chosen would make the name relative to the working folder.
    if (settings::SauverDansLeMemeDossier || settings::DossierPourSauver.empty())
        return rtl::ChangeFileExt(f.FullName, suffix);
    return rtl::IncludeTrailingPathDelimiter(settings::DossierPourSauver) + rtl::ChangeFileExt(f.FileName, suffix);
}

std::string OffsetSuffix(double offset)
{
    return "_(" + OffsetText(offset) + ").avi";
}

void ConversionConfirmation(const TAfficherFichier& f, const std::string& suffix, std::string& confirmMsg)
{
    const std::string output = OutputName(f, suffix);
    confirmMsg =
        rtl::FileExists(output) ? work::ReplaceQuestion(output, "你真的想替换已经存在的文件吗 ?") : std::string();
}

ExecutionOutcome Convert(const TAfficherFichier& f, const std::string& suffix, const Builder& build,
                         TchUpdateType listed, std::string& newfichier, TchUpdateType& update)
{
    newfichier.clear();
    update = utNone;
    const std::string output = OutputName(f, suffix);
    TCdm& cdm = Cdm();
    if (cdm.fg.Active()) {
        cdm.fg.Stop();
        cdm.fg.ClearGraph();
        cdm.fg.Deactivate();
    }
    if (!build(cdm, f.FullName, output)) {
        cdm.CdmSeeking = nullptr;
        // Another program may have moved or deleted it since it was listed.
        if (!rtl::FileExists(f.FullName))
            return ExecutionOutcome::Failed(
                rtl::Format("\"%s\" was not converted: the file no longer exists.", f.FileName));
        return ExecutionOutcome::Failed(rtl::Format(
            "\"%s\" was not converted: the file cannot be read or holds no stream this conversion takes.", f.FileName));
    }
    // As on success: the runner takes the output back when the run does not complete.
    update = listed;
    newfichier = output;
    return {};
}

// The overlay of the burn-in takes the preferences, in this order; its display time counts the
// file's own frames.
void PushOverlay(media::Tdv_Superposer& s, double fps)
{
    s.SetWhatIncrust(settings::WhatIncrust);
    s.SetAutoIncrust(settings::AutoIncrust);
    s.SetWhenIncrust(settings::WhenIncrust);
    s.SetIncrustDuration(static_cast<int32_t>(rtl::Round(settings::DureeIncrustation * fps)));
    s.SetAutoFontSize(settings::StandardFontSize);
    work::PushOverlayFont(s);
    s.SetIncrustOn(true);
    s.SetPosition(settings::IncrustPositionX, settings::IncrustPositionY, settings::Alignement);
    s.SetIncrustFormats(settings::FormatPourIncrusterDatecode1, settings::FormatPourIncrusterDatecode2);
    s.SetTimeOffset(settings::DecalageHoraire);
}

// PAL <-> NTSC: the DV-header filter puts the source's headers back, shifted by the offset.
Builder StandardChange(const TAfficherFichier& f, uint8_t standard)
{
    const bool type2 = f.DVType == 2;
    return [type2, standard](TCdm& cdm, const std::string& src, const std::string& out) {
        if (!(type2 ? cdm.BuildStandardGraphType2(src, out, standard)
                    : cdm.BuildStandardGraphType1(src, out, standard)))
            return false;
        cdm.CdmDVHeader->SetCopyHeaders(true);
        cdm.CdmDVHeader->SetOffset(settings::DecalageHoraire);
        return true;
    };
}

Builder Copy(bool (TCdm::*builder)(const std::string&, const std::string&))
{
    return [builder](TCdm& cdm, const std::string& src, const std::string& out) { return (cdm.*builder)(src, out); };
}

const char* const kType1 = "_type1.avi";
const char* const kType2 = "_type2.avi";
const char* const kNtsc = "_ntsc.avi";
const char* const kPal = "_pal.avi";
const char* const kIn = "_in.avi";
const char* const kDvType2 = "_dvtype2.avi";
const char* const kFixed = "_fixed.avi";
const char* const kWav = ".wav";

} // namespace

void work::PushOverlayFont(media::Tdv_Superposer& s)
{
    media::PushFont(s, settings::IncrustFont);
}

std::string OffsetText(double days)
{
    std::string text = days < 0 ? "-" : "+";
    const int64_t total = rtl::Round(std::abs(days) * 86400.0); // whole seconds
    const int64_t parts[] = {total / 86400, total / 3600 % 24, total / 60 % 60, total % 60};
    const char* const units[] = {"days", "h", "mn", "s"};
    for (size_t i = 0; i < 4; ++i)
        if (parts[i] != 0)
            text += std::to_string(parts[i]) + units[i];
    return text;
}

Tch::R Tch::DVtype1Execution(P&, const F& f, std::string& newfichier, U& update)
{
    return Convert(f, kType1, Copy(&TCdm::BuildType1Graph), utAdd, newfichier, update);
}

void Tch::DVtype1Confirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kType1, confirmMsg);
}

Tch::R Tch::DVType2Execution(P&, const F& f, std::string& newfichier, U& update)
{
    return Convert(f, kType2, Copy(&TCdm::BuildType2Graph), utAdd, newfichier, update);
}

void Tch::DVType2Confirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kType2, confirmMsg);
}

Tch::R Tch::NtscExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return Convert(f, kNtsc, StandardChange(f, 2), utAdd, newfichier, update);
}

void Tch::NtscConfirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kNtsc, confirmMsg);
}

Tch::R Tch::PalExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return Convert(f, kPal, StandardChange(f, 1), utAdd, newfichier, update);
}

void Tch::PalConfirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kPal, confirmMsg);
}

Tch::R Tch::IncrusterDatecodeExecution(P&, const F& f, std::string& newfichier, U& update)
{
    const bool type2 = f.DVType == 2;
    const uint8_t standard = f.Standard;
    const double fps = f.Fps;
    return Convert(
        f, kIn,
        [=](TCdm& cdm, const std::string& src, const std::string& out) {
            if (!(type2 ? cdm.BuildDatecodeGraphType2(src, out, standard)
                        : cdm.BuildDatecodeGraphType1(src, out, standard)))
                return false;
            PushOverlay(*cdm.CdmSuperposer, fps);
            return true;
        },
        utAdd, newfichier, update);
}

void Tch::IncrusterDatecodeConfirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kIn, confirmMsg);
}

Tch::R Tch::ConvertirDVExecution(P&, const F& f, std::string& newfichier, U& update)
{
    const uint8_t standard = settings::StandardParDefaut;
    return Convert(
        f, kDvType2,
        [standard](TCdm& cdm, const std::string& src, const std::string& out) {
            return cdm.BuildDVConvertGraph(src, out, standard);
        },
        utAdd, newfichier, update);
}

void Tch::ConvertirDVConfirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kDvType2, confirmMsg);
}

Tch::R Tch::DecalerHoraireExecution(double offset, P&, const F& f, std::string& newfichier, U& update)
{
    return Convert(
        f, OffsetSuffix(offset),
        [offset](TCdm& cdm, const std::string& src, const std::string& out) {
            if (!cdm.BuildTimeShiftGraph(src, out))
                return false;
            cdm.CdmDVHeader->SetOffset(offset);
            cdm.CdmDVHeader->SetCopyHeaders(false);
            return true;
        },
        utAdd, newfichier, update);
}

void Tch::DecalerHoraireConfirmation(double offset, P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, OffsetSuffix(offset), confirmMsg);
}

Tch::R Tch::CorrigerType2Execution(P&, const F& f, std::string& newfichier, U& update)
{
    return Convert(f, kFixed, Copy(&TCdm::BuildType2FixGraph), utAdd, newfichier, update);
}

void Tch::CorrigerType2Confirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kFixed, confirmMsg);
}

Tch::R Tch::ExtraireAudioExecution(P&, const F& f, std::string& newfichier, U& update)
{
    // The sound file is no AVI: it is not listed.
    return Convert(f, kWav, Copy(&TCdm::BuildAudioExtractGraph), utNone, newfichier, update);
}

void Tch::ExtraireAudioConfirmation(P&, const F& f, std::string& confirmMsg)
{
    ConversionConfirmation(f, kWav, confirmMsg);
}

} // namespace actions
