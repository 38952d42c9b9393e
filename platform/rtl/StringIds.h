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

// Common dialogs and message boxes (platform/vcl): 11400-11419.
constexpr int sMsgDlgWarning = 11400;
constexpr int sMsgDlgError = 11401;
constexpr int sMsgDlgInformation = 11402;
constexpr int sMsgDlgConfirm = 11403;
constexpr int sReplaceFileQuestion = 11404;
constexpr int sFontDialogCaption = 11405;
constexpr int sFontDialogColor = 11406;

// Batch runners, command-line switches and the headless run (actions/cmd_unit, actions/switches,
// app/): 11500-11549.
constexpr int sRunAnswerForAll = 11500;
constexpr int sRunErrorWhile = 11501;
constexpr int sRunErrorCheckDisk = 11502;
constexpr int sRunNothingToRun = 11503;
constexpr int sSwitchClose = 11510;
constexpr int sSwitchHide = 11511;
constexpr int sSwitchNoConfirmation = 11512;
constexpr int sSwitchHelp = 11513;
constexpr int sSwitchUnknownLetters = 11514;
constexpr int sSwitchUsage = 11515;
constexpr int sHeadlessDone = 11520;
constexpr int sHeadlessRenamed = 11521;
constexpr int sHeadlessSkipped = 11522;
constexpr int sHeadlessDeclined = 11523;
constexpr int sHeadlessFailed = 11524;
constexpr int sHeadlessCancelled = 11525;
constexpr int sHeadlessProgress = 11526;
constexpr int sHeadlessNoSuchFile = 11527;
constexpr int sHeadlessFolder = 11528;
constexpr int sHeadlessNotAvi = 11529;
constexpr int sHeadlessInterrupted = 11530;
constexpr int sHeadlessWrote = 11531;

// The correction dialogs (ui/decalage, ui/frequenceformunit, ui/codecformunit): 11600-11699.
constexpr int sDecalageCaption = 11600;
constexpr int sDecalageOriginal = 11601;
constexpr int sDecalageFixed = 11602;
constexpr int sDecalageAdvanced = 11603;
constexpr int sDecalageNowHint1 = 11604;
constexpr int sDecalageNowHint2 = 11605;
constexpr int sDecalageOriginalHint = 11606;
constexpr int sDecalageFixedHint = 11607;
constexpr int sDecalageCancelHint = 11608;
constexpr int sDecalageOKHint = 11609;
constexpr int sDecalageResultHint = 11610;
constexpr int sDecalageHoursHint1 = 11611;
constexpr int sDecalageHoursHint2 = 11612;
constexpr int sDecalageHoursHint3 = 11613;
constexpr int sDecalageExplanation = 11614;
constexpr int sDecalageNow = 11615;
constexpr int sDialogOK = 11616;
constexpr int sDialogCancel = 11617;
constexpr int sDecalageHoursSuffix = 11618;
constexpr int sFrequenceCaption = 11630;
constexpr int sFrequenceExplanation1 = 11631;
constexpr int sFrequenceExplanation2 = 11632;
constexpr int sFrequenceUnit = 11633;
constexpr int sFrequenceChoose = 11634;
constexpr int sFrequencePal = 11635;
constexpr int sFrequenceNtsc = 11636;
constexpr int sFrequenceCustom = 11637;
constexpr int sFrequenceEditHint1 = 11638;
constexpr int sFrequenceEditHint2 = 11639;
constexpr int sFrequenceEditLabel = 11640;
constexpr int sFrequenceOKHint = 11641;
constexpr int sFrequenceCancelHint1 = 11642;
constexpr int sFrequenceCancelHint2 = 11643;
constexpr int sFrequenceCancel = 11644;
constexpr int sCodecCaption = 11660;
constexpr int sCodecChooseLabel = 11661;
constexpr int sCodecLength = 11662;
constexpr int sCodecChoose = 11663;
constexpr int sCodecDvsd = 11664;
constexpr int sCodecDsvd = 11665;
constexpr int sCodecCdvc = 11666;
constexpr int sCodecCustom = 11667;
constexpr int sCodecEditHint = 11668;
constexpr int sCodecEditLabel = 11669;
constexpr int sCodecOKHint = 11670;
constexpr int sCodecCancelHint1 = 11671;
constexpr int sCodecCancelHint2 = 11672;
constexpr int sCodecCancel = 11673;
constexpr int sCodecInvalid = 11674;

// File-action module (actions/chmodule): 12000-12199. Each base plus the action's place in the
// module's catalogue (0 for DossierParent ... 31 for Supprimer_srt) gives that action's text;
// only actions with a progress text or a shortcut have those entries.
constexpr int sTchCaptionBase = 12000;
constexpr int sTchMonoMessageBase = 12050;
constexpr int sTchShortcutBase = 12100;
constexpr int sTchScenesTextModele = 12150;

// Main window (ui/main), its frame and pages: 64064-64333, by the ids the window's texts have
// always had.
constexpr int sMainOffsetLabel = 64073; // the time offset as days, hours, minutes, seconds
constexpr int sMainShowSlidersKey2 = 64082;
constexpr int sMainIncVolume = 64087;
constexpr int sMainDecVolume = 64088;
constexpr int sMainFilesMenu = 64089;
constexpr int sMainVideoMenu = 64091;
constexpr int sMainNextScene = 64137;
constexpr int sMainNextSceneKey2 = 64138;
constexpr int sMainPreviousScene = 64139;
constexpr int sMainPreviousSceneKey2 = 64140;
constexpr int sMainOpenFiles = 64153;
constexpr int sMainAbort = 64154;
constexpr int sMainAllViewFilters = 64209;
constexpr int sMainAllListFilters = 64210;
constexpr int sMainNoDvEncoder = 64211;
constexpr int sMainAllConvertFilters = 64212;
constexpr int sMainNameFont = 64220;
constexpr int sMainReady = 64232;
constexpr int sMainOpenWith = 64288;
constexpr int sMainWindowFont = 64289;

} // namespace rtl::sid
