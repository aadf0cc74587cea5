// CQuorvixMarksView: the right pane of every log window, a working list of bookmarked
// lines. The user fills it from the log view's bookmarks, puts separator entries (one
// space) between entries, copies the list to the clipboard, jumps from an entry to its
// line, and removes every bookmark of the log at once.
//
// It keeps nothing but its list: it reads and changes the log view beside it, found with
// GetSplitterPane column 0. An entry is a copy of a line's text; the line is found again
// by that text. Owned by its log window (a Qt child). GUI thread only.
#pragma once

#include <QRect>
#include <utility>
#include <vector>

#include "platform/CmdTarget.h"
#include "platform/DialogTemplate.h"

class CListBox;
class CQuorvixView;

class CQuorvixMarksView : public CFormView, public CCmdTarget {
    Q_OBJECT

public:
    // The text of a separator entry.
    static constexpr const char* kSeparator = " ";

    explicit CQuorvixMarksView(QWidget* parent = nullptr);

    void OnInitialUpdate();
    // The list, control 1015: single selection, entries without data.
    CListBox& BookmarkList() { return *m_bookmarkList; }

    // Refresh Bookmarks: the texts of the log view's bookmarked lines, in line order; the
    // list stays as it is when the log has no bookmarks.
    void OnRefreshBookmarks();
    // Copy Bookmarks: every entry and a line feed after each, on the clipboard.
    void OnCopyBookmarks();
    // Remove Bookmarks: empties this list and the log's bookmarks and rebuilds the log list
    // from its stored lines. Does nothing while this list is empty.
    void OnRemoveBookmarks();
    // A separator above the selected entry, which the selection then moves to.
    void OnInsertLineBreak();
    // Deletes the selected entry when it is a separator.
    void OnDeleteLineBreak();
    // Double click: makes the first log line holding the entry's text the current mark and
    // asks the log view for Next Mark, which selects it.
    void OnGoToLine();

    // The marks view handles no menu command of its own.
    bool OnCmdMsg(int id, bool execute) override;

protected:
    void OnCommand(int id) override;
    QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CQuorvixView* LogView() const;
    void OnSize();
    int SelectedEntry() const;

    CListBox* m_bookmarkList = nullptr;
    // The buttons with the places the form gives them, in tab order.
    std::vector<std::pair<QWidget*, QRect>> m_buttons;
};
