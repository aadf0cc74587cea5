#include "commands/Commands.h"

namespace bookmark_commands {
void OnBookmark(CommandHost&) {}
void OnNextMark(CommandHost&) {}
void OnShowBookmarks(CommandHost&) {}
LRESULT OnAddBookmark(CommandHost&, int) { return 0; }
void AdvanceMark(CommandHost&, int) {}
} // namespace bookmark_commands
