// Find: the Find dialog, opened again for as long as the user asks for a keyword that is
// nowhere in the log.
#include "commands/Commands.h"
#include "commands/FindDlg.h"
#include "platform/Prompts.h"
#include "view/LogListBox.h"

namespace find_commands {

void OnFind(CommandHost& host) {
    for (;;) {
        if (host.LogList().GetCount() == 0)
            return;
        CFindDlg dialog(host);
        // A Find All that found nothing closes its dialog; a fresh one (empty keyword,
        // "Bookmark Found" checked) takes its place until the user finds something or
        // cancels.
        if (RunModal(dialog) != IDOK || g_findFound != 0)
            return;
    }
}

} // namespace find_commands
