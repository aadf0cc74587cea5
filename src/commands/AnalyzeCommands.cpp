// Analyze: selects and bookmarks every line that holds a keyword of a configured level,
// and puts the current mark on the first bookmark so that F3 walks the findings from the
// top. Earlier selections and bookmarks stay; running it twice is running it once.
#include <QLineEdit>
#include <new>
#include <string_view>
#include <vector>

#include "commands/Commands.h"
#include "core/LevelConfig.h"
#include "core/LogViewCore.h"
#include "core/TextMatcher.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "view/LogListBox.h"

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

    Bookmarks& bookmarks = host.Core().m_bookmarks;
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
            // One automaton for every keyword: each line is read once, not once a keyword.
            found = LinesMatching(model, *TextMatcher::ForFindLine(keywords));
            // Bookmarking a line drops its selection, so the lines are selected after it.
            // AddAll makes its room first: when memory runs out, nothing has changed yet.
            bookmarks.AddAll(found);
        } catch (const std::bad_alloc&) {
            host.EndWaitCursor();
            AfxMessageBox(QString::fromUtf8(res::kSearchOutOfMemory), MB_OK | MB_ICONWARNING,
                          host.DialogParent());
            return;
        }
        for (const int index : found)
            model.SetSel(index, true);
        if (!bookmarks.Empty()) {
            shown = static_cast<int>(bookmarks.Indices().front());
            bookmarks.SetCurrentMark(shown);
            model.SetSel(shown, true);
        }
    }
    // The caret ends on the first bookmark, in view, where F3 starts.
    if (shown >= 0) {
        list.SetCaretIndex(shown);
        edit_commands::ShowCaretLine(host);
    }
    host.EndWaitCursor();
}

} // namespace analyze_commands
