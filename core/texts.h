// The three-language text table. Text n of the current language has the id n + the
// language offset: 0 Swedish (as written in Finland), 300 Finnish, 600 English.
#pragma once

#include <QString>

namespace vindelor {

constexpr int kSwedishOffset = 0;
constexpr int kFinnishOffset = 300;
constexpr int kEnglishOffset = 600;

// Texts of our own that the classic table does not have live at ids 1000 + n + offset.
constexpr int kOwnTextBase = 1000;
enum OwnText : int {
    kTextPortUnusable = 1,      // "%1" device, "%2" reason: the port could not be used
    kTextPortNoPermission = 2,  // "%1" device: join the dialout group
    // A session close that could not save everything: "%1" directory, "%2" reason,
    // "%3" the lines below that name what is missing.
    kTextSessionNotSaved = 3,
    kTextUnsavedLogLine = 4,     // "%1" the log line
    kTextUnsavedCostTotal = 5,   // "%1" the new total cost
    kTextUnsavedNetTime = 6,     // "%1" the new total time on the net
    kTextUnsavedTries = 7,       // "%1" the new number of failed tries
    kTextUnsavedActiveFlag = 8,  // the session flag still reads as running
    // The log viewer and its command line.
    kTextLogNotChanged = 9,     // "%1" file and system reason: a deletion was given up
    kTextLinesDeleted = 10,     // "%1" lines deleted of "%2" listed
    kTextLinesKept = 11,        // "%1" chosen lines that had changed meanwhile
    kTextFailedTries = 12,      // "%1" the number of failed tries
    kTextNotARowList = 13,      // "%1" what was given instead of rows
    kTextRowNotListed = 14,     // "%1" the row, "%2" the number of rows
    kTextUnknownOption = 15,    // "%1" the option
    kTextViewerUsage = 16,      // the command line's synopsis
    kTextViewerOptions = 17,    // what each option does
    kTextSettingNotSaved = 18,  // "%1" directory, "%2" reason: a dialog's setting
    kTextAlreadyRunning = 19,   // a second Vindelor on the same data directory
    kTextTotalsNotSaved = 20,   // "%1" file and system reason: lines went, totals did not
    // The port question asked for on the command line, and interface names.
    kTextPortChoiceAsked = 21,            // the user asked to choose the modem's port
    kTextPortChoiceBesideInterface = 22,  // "%1" the interface that stays watched
    kTextNotAnInterfaceName = 23,         // "%1" a name no network interface can have
    kOwnTextEnd = 24,                     // the first id without a text in this first block
    // Later blocks, each kept in ascending order in the table (gaps between blocks are
    // fine): 21-49 use and look, 50-89 connections, 90-139 budget, 140-189 log analysis,
    // 190-219 robustness. Every number stays below 300, the Finnish offset.
    // Faults found in use (40-49).
    kTextOldTemporaryKept = 40,  // "%1" where a "Vindelor.ny" with lines not in the log went
    // Installed modems.
    kTextDeviceAbsent = 50,  // "%1" the device a Com n leads to, when it is not there
    // NetworkManager and ModemManager as the connection.
    kTextNmNotRunning = 51,         // "%1" the connection: NetworkManager is not running
    kTextMmNotRunning = 52,         // "%1" the modem: ModemManager is not running
    kTextWatchNetworkManager = 53,  // choice: a connection of NetworkManager
    kTextWatchModem = 54,           // choice: a modem of ModemManager
    kTextReadingServices = 55,      // the lists are being read
    kTextNoNmConnections = 56,      // NetworkManager lists no connection, or is not there
    kTextAnyModem = 58,             // the choice of whichever modem connects
    // Which connection is watched: a serial port or a network interface.
    kTextInterfaceMissing = 70,   // "%1" interface: it does not exist (yet)
    kTextInterfaceUnusable = 71,  // "%1" interface, "%2" reason: it cannot be watched
    kTextConnectionMenu = 72,     // the settings dialog's menu item and the page's title
    kTextWatchSerialPort = 73,    // choice: the modem's serial port
    kTextWatchInterface = 74,     // choice: a network interface
    kTextDeviceMissing = 75,      // "%1" device path that does not exist
    kTextNoInterfaces = 76,       // no interface to choose from
    kTextWatchExplained = 77,     // what counts as a connection in each case
    kTextWatchNextStart = 78,     // the choice holds from the next start
    // The budget guard and its page.
    kTextBudgetWarning = 90,       // "%1" percent, "%2" month's cost, "%3" budget, "%4" month's end
    kTextNextMinute = 91,          // "%1" seconds, "%2" time of day, "%3" the minute's charge
    kTextHangUpRan = 92,           // "%1" budget, "%2" the command
    kTextHangUpFailed = 93,        // "%1" budget, "%2" the command, "%3" why
    kTextHangUpTimedOut = 94,      // "%1" budget, "%2" the command
    kTextHangUpSignalled = 95,     // "%1" budget, "%2" pppd's process id
    kTextHangUpSignalFailed = 96,  // "%1" budget, "%2" process id, "%3" why
    kTextHangUpNoWay = 97,         // "%1" budget: no command and no pppd
    kTextHangUpNotOurs = 98,       // "%1" budget, "%2" the other user's pppd
    kTextHangUpBadCommand = 99,    // "%1" budget, "%2" the command
    kTextExitStatus = 100,         // "%1" a command's exit status
    kTextBudgetPage = 101,         // the page's title and menu item
    kTextStartDayLabel = 102,
    kTextBudgetLabel = 103,
    kTextWarnLabel = 104,
    kTextNextMinuteLabel = 105,
    kTextHangUpAtLabel = 106,
    kTextHangUpLabel = 107,
    kTextHolidaysLabel = 108,
    kTextNoCountry = 109,
    kTextFinland = 110,
    kTextSweden = 111,
    kTextDatesLabel = 112,
    kTextBadStartDay = 113,
    kTextBadBudget = 114,
    kTextBadWarn = 115,  // "%1" the bad part
    kTextBadNextMinute = 116,
    kTextBadHangUp = 117,
    kTextBadDates = 118,  // "%1" the bad part
    kTextNothingStored = 119,
    kTextUndatedLines = 120,    // "%1" log lines whose date could not be read
    kTextMarkBelowSpent = 121,  // "%1" a warning mark the month had passed before the session
    kTextUndatedWhich = 122,    // "%1" the numbers of those lines, as the log viewer counts
    // Log analysis in the viewer: months, estimate, selection subtotal, export.
    kTextMonthsMenu = 140,        // the list's menu item that opens the months window
    kTextExportMenu = 141,        // the list's menu item that exports the log
    kTextMonthsTitle = 142,       // the months window's title
    kTextMonthColumnStart = 143,  // the months table's columns …
    kTextMonthColumnSessions = 144,
    kTextMonthColumnFailed = 145,
    kTextMonthColumnNetTime = 146,
    kTextMonthColumnCost = 147,
    kTextCostPerMonthChart = 148,  // the chart of the last twelve billing months
    kTextCostPerDayChart = 149,    // "%1" … "%2": the days of the month chosen
    // "%1" … "%2" the current billing month, "%3" cost so far, "%4" the estimate,
    // "%5" the days of the whole month.
    kTextEstimate = 150,
    kTextSelectionSubtotal = 151,  // "%1" rows, "%2" net time, "%3" cost
    kTextExportTitle = 152,        // the export's file dialog
    kTextCsvFilter = 153,
    kTextJsonFilter = 154,
    kTextExportNotWritten = 155,   // "%1" file and system reason
    kTextUndatedLeftOut = 156,     // "%1" how many lines, "%2" their keys
    kTextNotADate = 157,           // "%1" what was given instead of YYYY-MM-DD
    kTextViewerUsageMore = 158,    // the synopsis lines of --export and --months
    kTextViewerOptionsMore = 159,  // what --export, --months, --from/--to do
    kTextUnknownFormat = 160,      // "%1" what was given instead of csv, json or xlsx
    // The spreadsheet export (170-189).
    kTextXlsxFilter = 170,
    kTextSheetColumns = 171,  // the sheet's six column titles, parted by tabs
    kTextSheetTotal = 172,    // the label of the totals row
    // Faults found in the guard, the hang-up, the interface watch and the exports.
    kTextAverageSerialOnly = 190,  // the connect time is taken off a serial port's sessions only
    kTextHangUpNotStorable = 191,  // "%1" the characters Windows-1252 cannot hold
    kTextEndedBySignal = 192,      // "%1" signal number, "%2" its name: a command's end
    kTextGraceLabel = 193,         // the connection page's drop that still belongs to it
    kTextBadGrace = 194,
    kTextOutputIsFolder = 195,     // "%1" the --output path, a folder
    kTextOutputForeignLink = 196,  // "%1" the --output path, a link someone else planted
    kTextStdoutNotWritten = 197,   // "%1" the system's reason
    // [Data] "Metered" on the data tariff's page: its label and its three choices.
    kTextMeteredLabel = 215,
    kTextMeteredOff = 216,
    kTextMeteredAlways = 217,
    kTextMeteredFromWarning = 218,
    // Data volume: units, the data tariff's page, volume warnings, the months' volume.
    kTextMegabytes = 220,  // the unit after a number of MB, as the language writes it
    kTextGigabytes = 221,
    kTextMegabitsPerSecond = 222,
    kTextKilobitsPerSecond = 223,
    kTextDataPage = 224,  // the page's title and menu item
    kTextPerMBLabel = 225,
    kTextIncludedLabel = 226,
    kTextDayFeeLabel = 227,
    kTextDataInterfaceLabel = 228,
    kTextDataWarnLabel = 229,
    kTextDataHangUpAtLabel = 230,
    kTextBadPerMB = 231,
    kTextBadIncluded = 232,
    kTextBadDayFee = 233,
    kTextBadDataInterface = 234,
    kTextBadDataWarn = 235,      // "%1" the bad part (empty: warnings without included MB)
    kTextBadDataHangUpAt = 236,  // a cap without included MB
    kTextDataWarning = 237,      // "%1" percent, "%2" used, "%3" included, "%4" month's end
    kTextDataCapReached = 238,   // "%1" the included volume: why the connection is ended
    kTextMonthColumnVolume = 239,
    kTextVolumePerMonthChart = 240,
    kTextDataExplained = 241,  // what the page's prices mean
    // The main settings page's refusals and the tray's way back to the window (242-249).
    kTextBadCharge = 242,
    kTextBadMinimum = 243,
    kTextBadAverage = 244,
    kTextShowWindow = 245,   // the status icon's menu item that brings the window back
    kTextMonitorHelp = 246,  // vindelor --help, a long text: read it with LongText()
    // Links told apart (247-255).
    kTextNmIdOfSeveral = 247,  // "%1" a connection's id, "%2" the connections that have it
    // Roaming, the operator's charged unit, metered links (256-275).
    kTextUnitLabel = 256,  // kB per charged unit, on the data and roaming pages
    kTextBadUnit = 257,
    kTextRoamingPage = 258,  // the page's title and menu item
    kTextRoamingExplained = 259,
    kTextRoamingPerMBLabel = 260,
    kTextRoamingIncludedLabel = 261,
    kTextRoamingHangUpAtLabel = 262,
    kTextRoamingWarnLabel = 263,
    kTextBadRoamingHangUpAt = 264,
    kTextBadRoamingWarn = 265,     // "%1" the bad part (empty: warnings without a cap)
    kTextRoamingEntered = 266,     // "%1" network's name, "%2" its code, "%3" a MB's price
    kTextRoamingTip = 267,         // the tray tip's line while the modem roams
    kTextRoamingWarning = 268,     // "%1" percent, "%2" used, "%3" the cap, "%4" month's end
    kTextRoamingCapReached = 269,  // "%1" the cap abroad: why the connection is ended
    kTextMonthColumnRoaming = 270,
    kTextMeteredRefused = 271,  // "%1" the interface, "%2" NetworkManager's reason
    kTextRoamingPerMinLabel = 272,
    kTextBadRoamingPerMin = 273,
    // Plans: a link each, with files of its own (276-289).
    kTextBadPlanName = 276,         // "%1" a name no plan can have
    kTextNoSuchPlan = 277,          // "%1" the plan named on the command line
    kTextPlanNotMade = 278,         // "%1" the plan, "%2" the system's reason
    kTextPlanOption = 279,          // the help's line for --plan NAME
    kTextLinkClaimed = 280,         // "%1" the plan that already watches the link
    kTextPlansPage = 281,           // the page's title and menu item
    kTextPlanColumns = 282,         // the list's two column titles, parted by a tab
    kTextDefaultPlan = 283,         // the default plan's name in the list
    kTextPlanButtons = 284,         // New, Rename, Delete, parted by tabs
    kTextPlanNamePrompt = 285,      // asked for a new name
    kTextDeletePlanQuestion = 286,  // "%1" the plan, "%2" the folder its files go to
    kTextPlanNameTaken = 287,       // "%1" the name of a plan that exists
    kTextPlanInUse = 288,           // "%1" the plan: a run of it, or this window's plan
    kTextPlansNotChanged = 289,     // "%1" the system's reason
    // Plans side by side in the viewer, and what is left of a month (290-299).
    kTextPlansTotal = 291,      // the plan column of a calendar month's total
    kTextPlanMenu = 292,        // the list's menu of plans; the plan column's title
    kTextAllPlans = 293,        // the months window's choice of every plan at once
    kTextLeftADay = 294,        // "%1" left, "%2" a day, "%3" days left, today included
    kTextLeftToday = 295,       // "%1" left on the month's last day
    kTextNothingLeft = 296,     // "%1" the budget or included volume, used exactly
    kTextOverBudget = 297,      // "%1" beyond, "%2" the budget
    kTextOverIncluded = 298,    // "%1" beyond, "%2" the included volume
    kTextAllPlansOption = 299,  // what --all-plans does, a line of the options
};

// Process-wide language offset; 0 until a program selects its language.
int LanguageOffset();
void SetLanguageOffset(int offset);

// The text with this exact id; empty for an unknown id. At most 254 characters.
QString LoadText(int id);
// Text n of the current language: LoadText(n + LanguageOffset()).
QString Text(int n);
// Own text n of the current language, whole: for the few texts (a program's --help)
// longer than the 254 characters LoadText gives. Empty for a number without one.
QString LongText(OwnText n);

// "S" -> 0, "SF" -> 300, "UK" -> 600, compared exactly; any other code changes nothing.
// Returns whether the code was recognised.
bool SelectLanguage(const QString& code);
// Offset -> "S", "SF", "UK" (empty for any other offset).
QString LanguageCodeForOffset(int offset);
// Code -> help file "SVindelor", "SFVindelor", "UKVindelor" (empty for any other code).
QString HelpFileForCode(const QString& code);
QString HelpFileForOffset(int offset);

}  // namespace vindelor
