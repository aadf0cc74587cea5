// The texts the application, its frames and views show the user.
#pragma once

namespace res {

// The main frame's caption (string 128) and the application name (string 57344).
inline constexpr const char* kMainCaption = "Quorvix";
// The document strings of the log windows (string 129): window title, document name,
// new-document name, filter name, filter extension, file type id, file type name.
inline constexpr const char* kDocumentStrings = "\nQuorva\nQuorva\n\n\nQuorvix.Document\nQuorva Document";
// The settings key (string 61446): the organisation the settings are kept under.
inline constexpr const char* kRegistryKey = "Vostrane";

// The File Open dialog: every file, whatever its name.
inline constexpr const char* kOpenFilter = "All Files (*.*)|*.*||";

// Status bar: the message pane when idle, and the key-state indicators.
inline constexpr const char* kIdleMessage = "Ready";
inline constexpr const char* kIndicatorCaps = "CAP";
inline constexpr const char* kIndicatorNum = "NUM";
inline constexpr const char* kIndicatorScroll = "SCRL";
// The placeholder of the recent-file list while it is empty.
inline constexpr const char* kRecentFilePlaceholder = "Recent File";

// The About box (template 100).
inline constexpr const char* kAboutCaption = "About Quorvix";
inline constexpr const char* kAboutVersion = "Quorvix Version 3.6.0.4";
inline constexpr const char* kAboutSecondLine = "A viewer for large text logs";

// Message boxes.
inline constexpr const char* kOleInitFailed = "Failed to initialize OLE!";
inline constexpr const char* kFileNotFound = "Specified file not found!";
// %1: the path, %2: the system's reason.
inline constexpr const char* kCannotOpenFile = "Cannot open %1:\n%2";
inline constexpr const char* kMarksCopied = "Copied to Clipboard!!";
// %1: the document's title.
inline constexpr const char* kAskToSave = "Save changes to %1?";
// Memory ran out. %1: the log's path, %2: the number of lines it holds (or shows).
inline constexpr const char* kLoadOutOfMemory = "not enough memory to load all of %1: %2 lines loaded";
inline constexpr const char* kRefillOutOfMemory = "not enough memory to show all of %1: %2 lines shown";
// %1: the number of bookmarks.
inline constexpr const char* kMarksOutOfMemory = "not enough memory to list %1 bookmarks";
inline constexpr const char* kCommandOutOfMemory = "not enough memory to finish the command";

// The command line.
inline constexpr const char* kVersionText = "Quorvix 3.6.0.4\n";
inline constexpr const char* kUsageText =
    "Usage: quorvix [OPTION]... [FILE]...\n"
    "Opens each log FILE in a window of its own, its lines coloured by the levels of\n"
    "quorvix.ini in the working directory.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";
// %s: the option.
inline constexpr const char* kUnknownOption = "quorvix: unknown option '%s'\nTry 'quorvix --help'.\n";
// One line on standard error when the configuration cannot be read; the program then ends.
inline constexpr const char* kNoConfiguration = "quorvix: cannot read quorvix.ini in the working directory\n";

} // namespace res
