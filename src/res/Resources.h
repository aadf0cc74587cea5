// The program's resources: dialog templates by number and the texts the user sees.
#pragma once

#include "platform/DialogTemplate.h"

// Dialog template ids.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_QUORVIX_FORM = 101;
inline constexpr int IDD_FIND = 130;
inline constexpr int IDD_OPTIONS = 138;
inline constexpr int IDD_PROGRESS = 141;
inline constexpr int IDD_MARKS_FORM = 143;

// Control ids.
inline constexpr int IDC_PROGRESS = 1021;

// The template with number `id`; throws std::out_of_range for an unknown id.
const DialogTemplate& GetDialogTemplate(int id);

namespace res {
inline constexpr const char* kAppName = "Quorvix";
inline constexpr const char* kProgressCaption = "Processing (please wait ...)";
} // namespace res
