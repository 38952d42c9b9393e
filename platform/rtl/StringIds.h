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
// The information frame, the options page and the about and empty-list pages (ui/): 11700-11899.
constexpr int sFrameNoVideo = 11700;
constexpr int sFrameTheFile = 11701;
constexpr int sFrameNotFound = 11702;
constexpr int sFrameFile = 11703;
constexpr int sFrameBadDvsd = 11704;
constexpr int sFrameTryDvsd = 11705;
constexpr int sFrameAudioOnly = 11706;
constexpr int sFrameNotAvi = 11707;
constexpr int sFrameNoDecoder = 11708;
constexpr int sFrameCodec = 11709;
constexpr int sFrameListenAudio = 11710;
constexpr int sFrameUnknownAudio = 11711;
constexpr int sFrameInterrupted = 11712;
constexpr int sFrameForCommand = 11713;
constexpr int sFrameCodeError = 11714;
constexpr int sFrameType1 = 11715;
constexpr int sFrameType2Iavs = 11716;
constexpr int sFrameType2 = 11717;
constexpr int sFrameAtypical = 11718;
constexpr int sFrameHintFile = 11719;
constexpr int sFrameHintSize = 11720;
constexpr int sFrameHintModified = 11721;
constexpr int sFrameShapeHint1 = 11722;
constexpr int sFrameShapeHint2 = 11723;
constexpr int sFrameDatecode = 11724; // the row captions, Datecode to Audio, in order
constexpr int sFrameTimecode = 11725;
constexpr int sFrameCodecCaption = 11726;
constexpr int sFrameImage = 11727;
constexpr int sFrameDuration = 11728;
constexpr int sFrameFps = 11729;
constexpr int sFrameAudio = 11730;
constexpr int sFrameScn = 11731;
constexpr int sFrameSrt = 11732;
constexpr int sFrameTrackHint1 = 11733;
constexpr int sFrameTrackHint2 = 11734;
constexpr int sFrameTrackHint3 = 11735;
constexpr int sFrameNoName = 11736;

constexpr int sOptTabPrefs = 11750; // the six tabs, in order
constexpr int sOptTabCommands = 11751;
constexpr int sOptTabFormats = 11752;
constexpr int sOptTabFolders = 11753;
constexpr int sOptTabInlay = 11754;
constexpr int sOptTabFiles = 11755;
constexpr int sOptPrefsGroup = 11756;
constexpr int sOptSaveNow = 11757;
constexpr int sOptDeletePrefs = 11758;
constexpr int sOptPrefsOnExit = 11759;
constexpr int sOptSelection = 11760;
constexpr int sOptStandard = 11761;
constexpr int sOptStandardPal = 11762;
constexpr int sOptStandardNtsc = 11763;
constexpr int sOptSaveList = 11764;
constexpr int sOptSendTo = 11765;
constexpr int sOptFrequence = 11766;
constexpr int sOptFrequence32 = 11767;
constexpr int sOptFrequence44 = 11768;
constexpr int sOptFrequence48 = 11769;
constexpr int sOptPreviewHalf = 11770;
constexpr int sOptMemoPrefs = 11771;
constexpr int sOptCheckAll = 11772;
constexpr int sOptMemoCommands = 11773;
constexpr int sOptScenalyser = 11774;
constexpr int sOptRenameFormat = 11775;
constexpr int sOptRenameRoot = 11776;
constexpr int sOptDatecodeGroup = 11777;
constexpr int sOptAddFormat = 11778;
constexpr int sOptShowFormat = 11779;
constexpr int sOptAddBefore = 11780;
constexpr int sOptInlay1 = 11781;
constexpr int sOptInlay2 = 11782;
constexpr int sOptMemoFormats = 11783;
constexpr int sOptFoldersGroup = 11784;
constexpr int sOptOpenFolder = 11785;
constexpr int sOptAutoFolder = 11786;
constexpr int sOptPlayListFolder = 11787;
constexpr int sOptOutputGroup = 11788;
constexpr int sOptSameFolder = 11789;
constexpr int sOptSaveFolder = 11790;
constexpr int sOptMemoFolders = 11791;
constexpr int sOptFont = 11792;
constexpr int sOptAutoFontSize = 11793;
constexpr int sOptWhat = 11794;
constexpr int sOptWhatDatecode = 11795;
constexpr int sOptWhatTimecode = 11796;
constexpr int sOptAuto = 11797;
constexpr int sOptMode = 11798;
constexpr int sOptModeOnce = 11799;
constexpr int sOptModeScene = 11800;
constexpr int sOptModeDay = 11801;
constexpr int sOptDuration = 11802;
constexpr int sOptAlign = 11803;
constexpr int sOptAlignLeft = 11804;
constexpr int sOptAlignCentre = 11805;
constexpr int sOptAlignRight = 11806;
constexpr int sOptOffset = 11807;
constexpr int sOptMemoInlay = 11808;
constexpr int sOptKestrom = 11809;
constexpr int sOptF3 = 11810;
constexpr int sOptF4 = 11811;
constexpr int sOptMemoFiles = 11812;
constexpr int sOptProgramsFilter = 11813;
constexpr int sOptSendToFailed = 11814;
constexpr int sOptSendToRemoveFailed = 11815;
constexpr int sOptBadDuration = 11816;
constexpr int sOptCloseHint = 11817;
constexpr int sOptFontHint = 11818;
constexpr int sOptOffsetHint = 11819;

constexpr int sPageClose = 11840;
constexpr int sPageMailText = 11841;
constexpr int sPageHomeText = 11842;
constexpr int sPageHomeAddress = 11843;
constexpr int sPageMailSubject = 11844;

constexpr int sAboutTabSystem = 11850; // the four tabs, in order
constexpr int sAboutTabCommandLine = 11851;
constexpr int sAboutTabAbout = 11852;
constexpr int sAboutTabTest = 11853;
constexpr int sAboutColFunction = 11854;
constexpr int sAboutColKey = 11855;
constexpr int sAboutCommandLine = 11856;
constexpr int sAboutTestHint = 11857;
constexpr int sAboutUpdated = 11858;
constexpr int sAboutRow1 = 11859; // the three default rows of the command table
constexpr int sAboutRow2 = 11860;
constexpr int sAboutRow3 = 11861;
constexpr int sAboutCloseHint = 11862;
constexpr int sVideHelp1 = 11863; // the six help texts, in order
constexpr int sVideImageHint = 11869;

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
// Hints of the information frame and the options page, set by the main window's texts.
constexpr int sOptInlayAutoHint = 64144;  // 64144-64146: cbAuto
constexpr int sOptShowFormatHint = 64160; // 64160-64162: edAfficherDatecode
constexpr int sOptSameFolderHint = 64163; // 64163-64166: cbsameFolder
constexpr int sOptSaveFolderHint = 64167; // 64167-64168: edDossierSave
constexpr int sOptWhatHint = 64169;
constexpr int sOptModeHint = 64170;     // 64170-64173: rgMode
constexpr int sOptDurationHint = 64174; // 64174-64175: edDureeIncrust
constexpr int sOptMailAddress = 64178;  // the mail link's address, also its hint
constexpr int sOptSaveListHint = 64179; // 64179-64180: cbListe
constexpr int sOptSendToHint = 64181;   // 64181-64183: cbSendTo
constexpr int sOptOpenWithHint = 64184; // 64184 + 64185 (F3) or 64187 (F4) + 64186
constexpr int sOptOpenWithF3Hint = 64185;
constexpr int sOptOpenWithEndHint = 64186;
constexpr int sOptOpenWithF4Hint = 64187;
constexpr int sOptInlay1Hint = 64188;        // 64188-64189: edAfficher1
constexpr int sOptInlay2Hint = 64190;        // 64190-64191: edAfficher2
constexpr int sFrameIncrustHorzHint = 64192; // 64192-64193
constexpr int sFrameVideoHint = 64194;
constexpr int sFrameIncrustVertHint = 64195; // 64195-64196
constexpr int sFramePositionHint = 64214;    // 64214-64216: labTimeStamp
constexpr int sFrameGaugeHint = 64217;
constexpr int sFramePanelHint = 64218;
constexpr int sFrameNameHint = 64219;

} // namespace rtl::sid
