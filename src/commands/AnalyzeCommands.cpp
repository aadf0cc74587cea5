// Analyze: selects and bookmarks every line that holds a keyword of a configured level,
// and puts the current mark on the first bookmark so that F3 walks the findings from the
// top. Earlier selections and bookmarks stay; running it twice is running it once.
#include <QLineEdit>

#include "app/LevelConfig.h"
#include "commands/Commands.h"
#include "loader/Messages.h"
#include "view/LogListBox.h"
#include "view/LogViewCore.h"

namespace analyze_commands {

void OnAnalyze(CommandHost& host) {
    CLogListBox& list = host.LogList();
    DisplayList& model = list.Model();
    if (model.GetCount() == 0)
        return;
    // A pending in-place edit is dropped from view, not written.
    if (QLineEdit* editor = host.LineEditor())
        editor->hide();
    host.BeginWaitCursor();

    CLogViewCore& core = host.Core();
    const HWND view = host.ViewHandle();
    int shown = -1;
    {
        // Each keyword's lines arrive in ascending order: one merge per keyword.
        bookmark_commands::BookmarkBatch batch(host);
        for (const LevelType& level : g_levelTypes) {
            if (level.name.empty() || level.keywords.empty())
                continue;
            for (const std::string& keyword : level.keywords) {
                // FindLine only moves forward: one pass over the list per keyword.
                for (int index = list.FindLine(-1, keyword); index >= 0;
                     index = list.FindLine(index, keyword)) {
                    // Bookmarking a line drops its selection, so the line is selected after it.
                    SendMessage(view, UM_ADD_BOOKMARK, 0, index);
                    model.SetSel(index, true);
                }
            }
            batch.Flush();
            if (!core.m_bookmarks.empty()) {
                core.m_currentMark = static_cast<int>(core.m_bookmarks.front());
                model.SetSel(core.m_currentMark, true);
                shown = core.m_currentMark;
            }
        }
    }
    // The caret ends on the first bookmark, in view, where F3 starts.
    if (shown >= 0)
        list.SetCaretIndex(shown);
    host.EndWaitCursor();
}

} // namespace analyze_commands
