// The texts the application, its frames and views show the user.
#pragma once

#include "res/BuildInfo.h"

namespace res {

// The main frame's caption (string 128) and the application name (string 57344).
inline constexpr const char* kMainCaption = "Quorvix";
// The document strings of the log windows (string 129): window title, document name,
// new-document name, filter name, filter extension, file type id, file type name.
inline constexpr const char* kDocumentStrings = "\nQuorva\nQuorva\n\n\nQuorvix.Document\nQuorva Document";
// The settings key (string 61446): the organisation the settings are kept under.
inline constexpr const char* kRegistryKey = "Vostrane";
// The installed desktop entry (data/com.vostrane.quorvix.desktop) without its extension:
// the desktop finds the program's name and icon for its windows by it.
inline constexpr const char* kDesktopEntry = "com.vostrane.quorvix";

// The File Open dialog: every file, whatever its name.
inline constexpr const char* kOpenFilter = "All Files (*.*)|*.*||";

// Status bar: the message pane when idle, and the key-state indicators.
inline constexpr const char* kIdleMessage = "Ready";
inline constexpr const char* kIndicatorCaps = "CAP";
inline constexpr const char* kIndicatorNum = "NUM";
inline constexpr const char* kIndicatorScroll = "SCRL";
// The placeholder of the recent-file list while it is empty.
inline constexpr const char* kRecentFilePlaceholder = "Recent File";

// The About box.
inline constexpr const char* kAboutCaption = "About Quorvix";
inline constexpr const char* kAboutVersion = "Quorvix Version " QUORVIX_VERSION;
inline constexpr const char* kAboutSecondLine = "A viewer for large text logs";

// The buttons of the forms, and the captions of the Options dialog and the marks pane.
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kCancelCaption = "Cancel";
inline constexpr const char* kOptionsCaption = "Options";
inline constexpr const char* kDisplayOptions = "Display Options";
inline constexpr const char* kMarksRefresh = "Refresh Bookmarks";
inline constexpr const char* kMarksRemove = "Remove Bookmarks";
inline constexpr const char* kMarksCopy = "Copy Bookmarks";
inline constexpr const char* kMarksInsertBreak = "Insert Line Break";
inline constexpr const char* kMarksDeleteBreak = "Delete Line Break";

// Message boxes.
inline constexpr const char* kOleInitFailed = "Failed to initialize OLE!";
inline constexpr const char* kFileNotFound = "Specified file not found!";
// %1: the path, %2: the system's reason.
inline constexpr const char* kCannotOpenFile = "Cannot open %1:\n%2";
inline constexpr const char* kMarksCopied = "Copied to Clipboard!!";
// %1: the document's title.
inline constexpr const char* kAskToSave = "Save changes to %1?";
// Save As over a file open in another log window with unsaved changes; %1: its title.
inline constexpr const char* kDiscardForSavedFile =
    "%1 is open with unsaved changes.\nClose it without saving them and open the saved file?";
// Memory ran out. %1: the log's path, %2: the number of lines it holds (or shows).
inline constexpr const char* kLoadOutOfMemory = "not enough memory to load all of %1: %2 lines loaded";
inline constexpr const char* kLoadTooManyLines =
    "%1 has more lines than a log window can hold: its first %2 lines are shown";
// A compressed log whose data is cut short or damaged. %1: the log's path, %2: the format,
// %3: the compressed bytes read before the fault, %4: the file's size, %5: the lines
// loaded, %6: the decompression library's reason.
inline constexpr const char* kLoadDataStopped =
    "%1 is cut short or damaged: its %2 data stops near byte %3 of %4, after %5 lines. "
    "The lines before are shown.\nReason: %6";
// A compressed log whose text is larger than the memory budget and the disk can keep.
// %1: the log's path, %2: the lines loaded, %3: the reason (the folder and its free space).
inline constexpr const char* kLoadNoRoom =
    "%1 holds more text than memory and the disk can keep: it stopped after %2 lines.\nReason: %3";
inline constexpr const char* kRefillOutOfMemory = "not enough memory to show all of %1: %2 lines shown";
// %1: the number of bookmarks.
inline constexpr const char* kMarksOutOfMemory = "not enough memory to list %1 bookmarks";
inline constexpr const char* kCommandOutOfMemory = "not enough memory to finish the command";
// Copy or Save of a log read from its file, which another program changed.
inline constexpr const char* kSourceChangedNoCopy =
    "The log's file was changed by another program after it was loaded: its lines can no "
    "longer be read, so nothing was copied or saved.";
// A save of a log whose list is not whole yet; %1: the log's name.
inline constexpr const char* kSaveWhileLoading =
    "%1 is still loading. It can be saved once all of its lines are in the list.";
// A save over a log's file that changed since it was read; %1: the file's name.
inline constexpr const char* kSaveOverWrittenFile =
    "%1 is still being written by another program. Replacing it would lose what that program "
    "writes next.\n\nReplace it anyway? Choose No to save the lines under another name instead.";
// A followed log's file changed under it (the status bar, once); %1: the file's name.
inline constexpr const char* kFollowRotated =
    "%1 was rotated: its lines so far stay, and the new file of that name is read from its start";
inline constexpr const char* kFollowRecreated = "%1 was made again: it is read from its start";
inline constexpr const char* kFollowDeleted =
    "%1 was deleted: its lines stay, and it is read again when a file of that name comes back";
inline constexpr const char* kFollowTruncated =
    "%1 was cut short: its lines so far stay, and what it holds now is read from its start";
inline constexpr const char* kFollowTruncatedRestart =
    "%1 was cut short: its earlier lines can no longer be read from it, so the log shows it "
    "again from its start";
// The status bar's pane lit while the active log is followed.
inline constexpr const char* kIndicatorFollow = "FOLLOW";

// The command line.
inline constexpr const char* kVersionText = "Quorvix " QUORVIX_VERSION "\n";
inline constexpr const char* kUsageText =
    "Usage: quorvix [OPTION]... [FILE]...\n"
    "Opens each log FILE in a window of its own, its lines coloured by the levels of the\n"
    "first quorvix.ini found in:\n"
    "  1. the working directory;\n"
    "  2. $XDG_CONFIG_HOME/Vostrane (~/.config/Vostrane when XDG_CONFIG_HOME is unset);\n"
    "  3. DIR/Vostrane for each DIR of $XDG_CONFIG_DIRS (/etc/xdg when it is unset).\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";
// %s: the option.
inline constexpr const char* kUnknownOption = "quorvix: unknown option '%s'\nTry 'quorvix --help'.\n";

// The level configuration: its name, looked for in the working directory and then in the
// folder kRegistryKey under the user's and the system's configuration folders.
inline constexpr const char* kConfigFileName = "quorvix.ini";
// When no configuration is found or the one found cannot be read, one line on standard
// error and the program ends; started without a terminal, a message box says it too.
// %s: every path looked at, separated by ", ".
inline constexpr const char* kNoConfiguration = "quorvix: cannot find quorvix.ini; looked for %s\n";
// %s: the path and the system's reason.
inline constexpr const char* kBadConfiguration = "quorvix: cannot read the configuration %s\n";
// %1: every path looked at, one a line.
inline constexpr const char* kNoConfigurationBox =
    "Quorvix cannot start: no quorvix.ini was found.\n\nLooked for:\n%1";
// %1: the path and the system's reason.
inline constexpr const char* kBadConfigurationBox =
    "Quorvix cannot start: the configuration cannot be read.\n\n%1";
// Added to the first box when the installed example is there. %1: its path.
inline constexpr const char* kExampleConfiguration = "\n\nTo begin, copy the example %1 to one of them.";

// The Find dialog.
inline constexpr const char* kFindCaption = "Find";
inline constexpr const char* kFindWhatLabel = "Find what:";
inline constexpr const char* kFindAllButton = "&Find All";
inline constexpr const char* kCancelButton = "Cancel";
inline constexpr const char* kBookmarkFoundBox = "Bookmark Found";
// The search options, of the Find dialog and of the filter bar.
inline constexpr const char* kMatchCaseBox = "&Match case";
inline constexpr const char* kWholeWordBox = "&Whole word";
inline constexpr const char* kRegexBox = "&Regular expression";
inline constexpr const char* kSearchRuleTip =
    "With no option checked, a line is found when the text occurs after its first character "
    "(or is the whole line), A-Z without case. With any option checked, a match anywhere in "
    "the line counts.";
// A regular expression that does not compile. %1: the engine's reason; %2: the character of
// the expression where it is (1 for the first).
inline constexpr const char* kBadRegexAt = "The regular expression is not valid at character %2:\n%1";
inline constexpr const char* kBadRegex = "The regular expression is not valid:\n%1";

// The filter bar above the log list.
inline constexpr const char* kFilterBarTitle = "Filters:";
inline constexpr const char* kFilterTextTip = "A text or regular expression; Enter adds the filter";
// The options again, with mnemonics the main window's menu bar does not use.
inline constexpr const char* kFilterMatchCaseBox = "Match &case";
inline constexpr const char* kFilterWholeWordBox = "Whole wor&d";
inline constexpr const char* kFilterRegexBox = "&Regular expression";
inline constexpr const char* kFilterShowOnly = "Show only";
inline constexpr const char* kFilterHide = "Hide";
inline constexpr const char* kFilterAdd = "&Add";
inline constexpr const char* kFilterRemove = "Re&move";
inline constexpr const char* kFilterEmpty = "Type the text to filter by first";
inline constexpr const char* kFilterListTip =
    "The filters of this log: a line is shown when its level is shown and it passes every "
    "checked filter; uncheck one to switch it off";
// %1: the mode (kFilterShowOnly or kFilterHide); %2: the text; %3: the options, if any.
inline constexpr const char* kFilterEntry = "%1: %2%3";
inline constexpr const char* kFilterOptionCase = "case";
inline constexpr const char* kFilterOptionWord = "word";
inline constexpr const char* kFilterOptionRegex = "regex";
// In the status bar after a rebuild that left no line.
inline constexpr const char* kFilterHidesAll = "The filters hide every line of this log";

} // namespace res
