// Bookmarks: F2 toggles the caret line's bookmark, F3 walks the bookmarks, Ctrl+Shift+B
// lists them in the marks view. The bookmarks themselves (the bit, the sorted indices,
// the current mark) are the core's Bookmarks object, which keeps them consistent.
#include "commands/Commands.h"
#include "core/Bookmarks.h"
#include "core/LogViewCore.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "view/LogListBox.h"

namespace bookmark_commands {

void OnBookmark(CommandHost& host) {
    CLogListBox& list = host.LogList();
    const int index = list.GetCurSel();
    if (index < 0)
        return;
    // A line marked now is selected too, in addition to the selection.
    if (host.Core().m_bookmarks.Toggle(index))
        list.Model().SetSel(index, true);
}

void OnNextMark(CommandHost& host) {
    CLogListBox& list = host.LogList();
    Bookmarks& bookmarks = host.Core().m_bookmarks;
    const int index = bookmarks.CurrentMark();
    // The current mark is the line to select. (Searching the list for the line's own text
    // from just before it finds that very line, so no search is needed.) A mark past the
    // end selects nothing; selecting index -1 would select every line.
    if (index < 0 || index >= list.GetCount())
        return;
    // Selected in addition to the selection and brought to the caret, in view, as the
    // platform's list box does for a selection request: F3 must not select a bookmark the
    // user cannot see.
    list.Model().SetSel(index, true);
    list.SetCaretIndex(index);
    edit_commands::ShowCaretLine(host);
    bookmarks.Advance(index);
}

void OnShowBookmarks(CommandHost& host) {
    if (host.Core().m_bookmarks.Empty()) {
        AfxMessageBox(QString::fromUtf8(res::kNoBookmarks), MB_OK, host.DialogParent());
        return;
    }
    host.RefreshMarks();
}

} // namespace bookmark_commands
