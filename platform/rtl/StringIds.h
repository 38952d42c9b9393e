#pragma once
// Ids of the string table. Each subsystem has its own range.

namespace rtl::sid {

// Names of the WAVE format tags: sWaveFormatBase + tag, for the registered tags.
constexpr int sWaveFormatBase = 60000;
constexpr int sWaveFormatUnknown = 59999;

// Runtime errors (platform/rtl): 11000-11029. "%s" marks where the file name or text goes.
constexpr int sRtlOpenError = 11000;
constexpr int sRtlCreateError = 11001;
constexpr int sRtlReadError = 11002;
constexpr int sRtlWriteError = 11003;
constexpr int sRtlShortRead = 11004;
constexpr int sRtlSeekError = 11005;
constexpr int sRtlSizeError = 11006;
constexpr int sRtlFlushError = 11007;
constexpr int sRtlCloseError = 11008;
constexpr int sRtlFileClosed = 11009;
constexpr int sRtlInvalidFormat = 11010;
constexpr int sRtlNoArgument = 11011;
constexpr int sRtlDateEncodeError = 11012;
constexpr int sRtlTimeEncodeError = 11013;
constexpr int sRtlInvalidDateTime = 11014;
constexpr int sRtlInvalidInteger = 11015;
constexpr int sRtlInvalidFloat = 11016;
constexpr int sRtlInvalidFloatOp = 11017;

// RIFF structure listing and in-place AVI patches (formats/riffunit, formats/fpsunit): 11200-11249.
constexpr int sRiffCaption = 11200;
constexpr int sRiffHeaderOf = 11201;
constexpr int sRiffAnalysedOn = 11202;
constexpr int sRiffWithBy = 11203;
constexpr int sRiffStartOfRiff = 11204;
constexpr int sRiffGarbage = 11205;
constexpr int sRiffBadLength = 11206;
constexpr int sRiffInsteadOf = 11207;
constexpr int sRiffCanceled = 11208;
constexpr int sRiffUnexpectedEnd = 11209;
constexpr int sRiffEndOfHeader = 11210;
constexpr int sRiffSave = 11211;
constexpr int sRiffSaveHint = 11212;
constexpr int sRiffClose = 11213;
constexpr int sRiffCloseHint = 11214;
constexpr int sRiffSaveFilter = 11215;
constexpr int sInvalidFrameRate = 11220;
constexpr int sNotARegularFile = 11221;

// Preference store and shell services (settings/Preferences, settings/PSFunctions): 11300-11319.
constexpr int sPrefsDeleteQuestion = 11300;
constexpr int sPrefsNotFound = 11301;
constexpr int sPrefsDeleted = 11302;
constexpr int sPrefsDeleteFailed = 11303;
constexpr int sShortcutTo = 11304;

// Batch runners, command-line switches and the headless run (actions/cmd_unit, actions/switches,
// app/): 11400-11449.
constexpr int sRunAnswerForAll = 11400;
constexpr int sRunErrorWhile = 11401;
constexpr int sRunErrorCheckDisk = 11402;
constexpr int sRunNothingToRun = 11403;
constexpr int sSwitchClose = 11410;
constexpr int sSwitchHide = 11411;
constexpr int sSwitchNoConfirmation = 11412;
constexpr int sSwitchHelp = 11413;
constexpr int sSwitchUnknownLetters = 11414;
constexpr int sSwitchUsage = 11415;
constexpr int sHeadlessDone = 11420;
constexpr int sHeadlessRenamed = 11421;
constexpr int sHeadlessSkipped = 11422;
constexpr int sHeadlessDeclined = 11423;
constexpr int sHeadlessFailed = 11424;
constexpr int sHeadlessCancelled = 11425;
constexpr int sHeadlessProgress = 11426;
constexpr int sHeadlessNoSuchFile = 11427;
constexpr int sHeadlessFolder = 11428;
constexpr int sHeadlessNotAvi = 11429;
constexpr int sHeadlessInterrupted = 11430;
constexpr int sHeadlessWrote = 11431;

// File-action module (actions/chmodule): 12000-12199. Each base plus the action's place in the
// module's catalogue (0 for DossierParent ... 31 for Supprimer_srt) gives that action's text;
// only actions with a progress text or a shortcut have those entries.
constexpr int sTchCaptionBase = 12000;
constexpr int sTchMonoMessageBase = 12050;
constexpr int sTchShortcutBase = 12100;
constexpr int sTchScenesTextModele = 12150;

} // namespace rtl::sid
