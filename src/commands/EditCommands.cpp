#include "commands/Commands.h"

namespace edit_commands {
void BeginLineEdit(CommandHost&) {}
bool CommitLineEdit(CommandHost&, const QWidget*) { return false; }
bool DeleteSelectedLines(CommandHost&) { return false; }
void OnLogSelChange(CommandHost&) {}
} // namespace edit_commands
