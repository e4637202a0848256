// Ids of the string-table entries (resources/strings_*.rc), loaded with vt::LoadResString.
// Templates list what the writer passes, in order; a language may show fewer of them (see the
// tables), never more, so every call passes all of them.
#pragma once

namespace vt {

// --- User messages (message boxes of the request and the preview, caption "Vantrelle") ---
constexpr unsigned kMsgAskToChangeCompatibilityView = 10000;  // Yes/No question before the reload
constexpr unsigned kMsgPageTooLargeToPrint = 10001;
constexpr unsigned kMsgBrowserVersionTooOld = 10003;
constexpr unsigned kMsgNothingToPrintAfterClipping = 10004;
constexpr unsigned kMsgNoDefaultPrinter = 10005;
constexpr unsigned kMsgAskToQuit = 10008;
constexpr unsigned kMsgSelectPagesToSaveOrPrint = 10011;
constexpr unsigned kMsgSaveRefusedProtectedMode = 10028;
constexpr unsigned kMsgSaveRefusedLowIntegrity = 10029;
constexpr unsigned kMsgZoomOutOfRange = 65107;  // language-neutral: the same (Korean) text everywhere

// --- Captions of the preview, the all-pages preview and the print status window ---
constexpr unsigned kCaptionAddDelimiter = 10006;
constexpr unsigned kCaptionDeleteDelimiter = 10007;
constexpr unsigned kCaptionPrintPreview = 10010;
constexpr unsigned kCaptionPage = 10012;             // after "i/n " under a thumbnail
constexpr unsigned kTextPrintProgress = 10013;       // %d page being printed, %d pages to print
constexpr unsigned kTextPrintingPleaseWait = 10014;
constexpr unsigned kCaptionCancel = 10016;

// --- Captions of the page setup dialog ---
constexpr unsigned kCaptionPageSetup = 10017;
constexpr unsigned kCaptionSizeSetting = 10018;
constexpr unsigned kCaptionFitToWidth = 10019;
constexpr unsigned kCaptionFitToHeight = 10020;
constexpr unsigned kCaptionFitToPage = 10021;
constexpr unsigned kCaptionRealSize = 10022;
constexpr unsigned kCaptionCenterAlignSetting = 10023;
constexpr unsigned kCaptionAlignVerticalCenter = 10024;
constexpr unsigned kCaptionAlignHorizontalCenter = 10025;
constexpr unsigned kCaptionPrintSetup = 10026;
constexpr unsigned kCaptionOk = 10027;

// --- Log: close message, browser settings, instance mutex ---
constexpr unsigned kLogCloseMessage = 20000;
constexpr unsigned kLogCheckingCompatibilityView = 20001;
constexpr unsigned kLogSettingCompatibilityView = 20002;
constexpr unsigned kLogCompatibilityValueExists = 20003;
constexpr unsigned kLogCompatibilityViewIsOn = 20004;
constexpr unsigned kLogTurningCompatibilityViewOn = 20005;
constexpr unsigned kLogCompatibilityViewTurnedOn = 20006;
constexpr unsigned kLogError = 20007;  // followed by " = [message]"
constexpr unsigned kLogAlreadyRunning = 20008;
constexpr unsigned kLogNoRunningInstance = 20009;
constexpr unsigned kLogAllSitesAllowed = 20156;
// A Run2 (or Run) call while a request of the same control runs, refused.
constexpr unsigned kLogNestedRequestRefused = 20157;
// RunCompatibilityIEWinSize refused a window that is not the hosting browser's: %u its handle.
constexpr unsigned kLogWindowRefused = 20158;

// --- Log: scroll capture and the button-image package cache ---
constexpr unsigned kLogScrollCaptureStarted = 20010;
constexpr unsigned kLogPackageModifiedTime = 20029;  // %d x6: year, month, day, hour, minute, second
constexpr unsigned kLogPackageExtractFolder = 20030;
constexpr unsigned kLogPackageFileName = 20031;
constexpr unsigned kLogPackageSettingsPath = 20032;

// --- Log: request start, browser and frame ---
constexpr unsigned kLogRunStarted = 20033;  // written right after the product name
constexpr unsigned kLogCheckingBrowserVersion = 20034;
constexpr unsigned kLogNewBrowserOnVista = 20035;
constexpr unsigned kLogPopupModeAutomatic = 20036;
constexpr unsigned kLogLowIntegrity = 20151;
constexpr unsigned kLogNormalIntegrity = 20152;
constexpr unsigned kLogScrollCaptureOption = 20037;
constexpr unsigned kLogRunArguments = 20038;
constexpr unsigned kLogHourglassCursor = 20039;
constexpr unsigned kLogBrowserTooOld = 20040;
constexpr unsigned kLogReadingFrameId = 20041;
constexpr unsigned kLogFrameId = 20042;
constexpr unsigned kLogExactFrameSearch = 20043;
constexpr unsigned kLogGettingHostPage = 20044;
constexpr unsigned kLogCapturingHostDocument = 20045;
constexpr unsigned kLogSearchingFrame = 20046;
constexpr unsigned kLogFoundDocument = 20047;  // %u view window handle, %u document interface address
constexpr unsigned kLogFoundBrowser = 20048;   // %u top-level window handle
constexpr unsigned kLogCheckingRenderingEngine = 20049;

// --- Log: zoom and compatibility view ---
constexpr unsigned kLogCurrentZoom = 20153;   // %s zoom percentage as text
constexpr unsigned kLogZoomFixed = 20154;
constexpr unsigned kLogZoomRestored = 20155;  // %s zoom percentage as text
constexpr unsigned kLogBrowser7OrLater = 20050;
constexpr unsigned kLogCompatibilityOption = 20051;
constexpr unsigned kLogElevationDone = 20052;
constexpr unsigned kLogCompatibilityNotApplied = 20053;
constexpr unsigned kLogAskingToReload = 20054;
constexpr unsigned kLogUserAcceptedReload = 20055;
constexpr unsigned kLogReloadingPage = 20056;
constexpr unsigned kLogUserDeclinedReload = 20057;
constexpr unsigned kLogCompatibilityViewSet = 20058;
constexpr unsigned kLogCompatibilityAlreadyOn = 20059;

// --- Log: browser window size for the capture, and its restoring ---
constexpr unsigned kLogResizeNewSystem = 20063;
constexpr unsigned kLogResizeAlreadyElevated = 20064;
constexpr unsigned kLogResizeElevationDone = 20065;
constexpr unsigned kLogResizeOldSystem = 20066;
constexpr unsigned kLogResizingBrowserWindow = 20067;
constexpr unsigned kLogRestoreNewSystem = 20091;
constexpr unsigned kLogRestoreAlreadyElevated = 20092;
constexpr unsigned kLogRestoreElevationDone = 20093;
constexpr unsigned kLogRestoreOldSystem = 20094;
constexpr unsigned kLogRestoringBrowserWindow = 20095;

// --- Log: capture ---
constexpr unsigned kLogDocumentLoaded = 20068;
constexpr unsigned kLogGettingBody = 20069;
constexpr unsigned kLogNoBody = 20070;
constexpr unsigned kLogGettingBodyRender = 20071;
constexpr unsigned kLogNoBodyRender = 20072;
constexpr unsigned kLogGettingClientSize = 20073;
constexpr unsigned kLogClientSize = 20074;  // %d width, %d height
constexpr unsigned kLogClientSizeError = 20075;
constexpr unsigned kLogErrorMessage = 20076;  // %s error message
constexpr unsigned kLogHiddenFrame = 20077;   // followed by " : [True]" or " : [False]"
constexpr unsigned kLogLockingScreenUpdates = 20078;
constexpr unsigned kLogGettingParentWindow = 20079;
constexpr unsigned kLogNoParentWindow = 20080;
constexpr unsigned kLogResizingParentWindow = 20081;  // %d width, %d height
constexpr unsigned kLogCapturingDocument = 20082;
constexpr unsigned kLogScrollCapture = 20083;
constexpr unsigned kLogElementRenderCapture = 20084;
constexpr unsigned kLogNoDivElement = 20085;
constexpr unsigned kLogCapturingDiv = 20086;
constexpr unsigned kLogCaptureDone = 20087;
constexpr unsigned kLogCaptureFailed = 20088;
constexpr unsigned kLogRestoringHiddenFrame = 20089;
constexpr unsigned kLogUnlockingScreenUpdates = 20090;

// --- Log: preview window settings ---
constexpr unsigned kLogReadingPreviewOption = 20096;
constexpr unsigned kLogPreviewOption = 20097;  // %s option as given
constexpr unsigned kLogInvalidPreviewOption = 20098;
constexpr unsigned kLogCreatingPreview = 20099;
constexpr unsigned kLogPreviewSize = 20100;
constexpr unsigned kLogPreviewSizeGiven = 20101;
constexpr unsigned kLogPreviewPosition = 20102;
constexpr unsigned kLogCheckingAutoSize = 20103;
constexpr unsigned kLogPreviewMaximized = 20104;
constexpr unsigned kLogOrientation = 20143;  // %s one of the three texts below
constexpr unsigned kLogPortrait = 20144;
constexpr unsigned kLogLandscape = 20145;
constexpr unsigned kLogAutomatic = 20146;
constexpr unsigned kLogFitModeOutOfRange = 20131;

// --- Log: page breaks ---
constexpr unsigned kLogCheckingPageBreaks = 20105;
constexpr unsigned kLogPageBreakOption = 20106;
constexpr unsigned kLogStartAtBody = 20107;
constexpr unsigned kLogStartAtDiv = 20108;
constexpr unsigned kLogStartPosition = 20109;
constexpr unsigned kLogPageBreakBeforeCorrection = 20110;  // %d index, %d position
constexpr unsigned kLogNoPageBreaks = 20111;
constexpr unsigned kLogPageBreakPosition = 20112;  // %d index, %d position
constexpr unsigned kLogNoPageBreakOption = 20113;
constexpr unsigned kLogManualPageBreakOption = 20147;
constexpr unsigned kLogCheckingManualPageBreaks = 20148;

// --- Log: button images ---
constexpr unsigned kLogPackageUrl = 20114;
constexpr unsigned kLogPackageDownloaded = 20115;
constexpr unsigned kLogPackageFolder = 20116;
constexpr unsigned kLogPackageDownloadFailed = 20117;
constexpr unsigned kLogPreviewTitle = 20118;
constexpr unsigned kLogPreviewIcon = 20119;
constexpr unsigned kLogSystemLanguage = 20120;
constexpr unsigned kLogSettingImageButtons = 20121;
constexpr unsigned kLogImageButtonsSet = 20122;
constexpr unsigned kLogLocalizingPreview = 20123;

// --- Log: header/footer setting ---
constexpr unsigned kLogFormFileUrl = 20124;
constexpr unsigned kLogDownloadingFormFile = 20125;  // %s URL, %s local file
constexpr unsigned kLogAnalysingFormFile = 20126;    // %s local file
constexpr unsigned kLogDownloadingImage = 20127;     // %s local file
constexpr unsigned kLogLoadingImage = 20128;         // %s image URL
constexpr unsigned kLogConvertingGif = 20129;
constexpr unsigned kLogFormFileFailed = 20130;

// --- Log: help address, preview run and clean-up ---
constexpr unsigned kLogHelpAddress = 20149;  // followed directly by the address
constexpr unsigned kLogRunningPreview = 20132;
constexpr unsigned kLogProtectedModeLoop = 20133;
constexpr unsigned kLogClosingPreview = 20134;
constexpr unsigned kLogFreeingPreview = 20135;
constexpr unsigned kLogFreeingImage = 20136;
constexpr unsigned kLogRepostingQuit = 20137;
constexpr unsigned kLogFreeingUrlImages = 20138;
constexpr unsigned kLogDeletingFile = 20139;  // %d index, %s path
constexpr unsigned kLogFreeError = 20140;     // %s error message
constexpr unsigned kLogRunEnds = 20141;
constexpr unsigned kLogSavingLog = 20142;  // followed by " : path"

// --- Not a log text: the help page opened when the request names none ---
constexpr unsigned kDefaultHelpUrl = 20150;

}  // namespace vt
