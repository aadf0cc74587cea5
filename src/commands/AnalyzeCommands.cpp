// Analyze: selects and bookmarks every line that holds a keyword of a configured level,
// and puts the current mark on the first bookmark so that F3 walks the findings from the
// top. Earlier selections and bookmarks stay; running it twice is running it once.
#include <QLineEdit>
#include <new>
#include <string_view>
#include <vector>

#include "app/LevelConfig.h"
#include "commands/Commands.h"
#include "loader/Messages.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
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
    // Every keyword of every named level, searched together: one pass over the list
    // instead of one per keyword. The lines found, and so the selection and bookmarks,
    // are the union of what each keyword finds, as keyword-by-keyword searches give.
    std::vector<std::string_view> keywords;
    for (const LevelType& level : g_levelTypes) {
        if (level.name.empty())
            continue;
        for (const std::string& keyword : level.keywords)
            keywords.push_back(keyword);
    }
    if (!keywords.empty()) {
        std::vector<int> found;
        try {
            found = find_commands::LinesHoldingAny(model, keywords);
            // The bookmarks' room first, so that bookmarking below cannot fail half way.
            core.m_bookmarks.reserve(core.m_bookmarks.size() + found.size());
        } catch (const std::bad_alloc&) {
            // Nothing was changed yet.
            host.EndWaitCursor();
            AfxMessageBox(QString::fromUtf8(res::kSearchOutOfMemory), MB_OK | MB_ICONWARNING,
                          host.DialogParent());
            return;
        }
        // The lines arrive in ascending order: one merge at the end.
        bookmark_commands::BookmarkBatch batch(host);
        for (const int index : found) {
            // Bookmarking a line drops its selection, so the line is selected after it.
            SendMessage(view, UM_ADD_BOOKMARK, 0, index);
            model.SetSel(index, true);
        }
        batch.Flush();
        if (!core.m_bookmarks.empty()) {
            core.m_currentMark = static_cast<int>(core.m_bookmarks.front());
            model.SetSel(core.m_currentMark, true);
            shown = core.m_currentMark;
        }
    }
    // The caret ends on the first bookmark, in view, where F3 starts.
    if (shown >= 0)
        list.SetCaretIndex(shown);
    host.EndWaitCursor();
}

} // namespace analyze_commands
