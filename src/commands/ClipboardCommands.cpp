#include "commands/Commands.h"

namespace clipboard_commands {
void OnCopy(CommandHost&) {}
void OnClearSel(CommandHost&) {}
void OnSaveAs(CommandHost&) {}
bool SaveDocument(CommandHost&, const QString&) { return false; }
} // namespace clipboard_commands
