// The program's private window messages. Every handler returns 0 and no sender reads
// the result. Numbers are fixed: tests and the message router refer to them.
#pragma once

#include "platform/WinTypes.h"

// The log view to itself (posted) once its file exists and is not empty.
inline constexpr UINT UM_START_LOAD = WM_USER + 2;
// Reader thread to its reader window, once, after the file is open.
inline constexpr UINT UM_READER_START = WM_USER + 3;
// Reader thread to its reader window after the loop ended and the file is closed: wParam
// kLoadComplete at the end of the file, kLoadOutOfMemory when memory ran out before it.
inline constexpr UINT UM_READER_END = WM_USER + 4;
// Reader thread to its reader window with lines (lParam: the reader's line batch).
inline constexpr UINT UM_READER_LINE = WM_USER + 5;
// Reader window to the log view, one per line (lParam: LineRecord*).
inline constexpr UINT UM_ADD_LINE = WM_USER + 6;
// Reader window to the log view once the load has ended: wParam kLoadComplete when the
// whole file was read, kLoadOutOfMemory when memory ran out first (the lines the view took
// stay, and no more come).
inline constexpr UINT UM_LOAD_DONE = WM_USER + 8;
inline constexpr WPARAM kLoadComplete = 0;
inline constexpr WPARAM kLoadOutOfMemory = 1;
// Producer to its progress dialog: wParam the step.
inline constexpr UINT UM_PROGRESS_STEP = WM_USER + 10;
// The log view to itself (posted) after files were dropped on it.
inline constexpr UINT UM_OPEN_FILES = WM_USER + 11;
// WM_USER+12 to WM_USER+19 are not used.
// The main frame to itself (posted) after files were dropped on it.
inline constexpr UINT UM_OPEN_DROPPED_FILES = WM_USER + 20;
