// CQuorvixMarksView: the right pane of every log window, a working list of bookmarked
// lines. The user fills it from the log view's bookmarks, puts separator entries (one
// space) between entries, copies the list to the clipboard, jumps from an entry to its
// line, and removes every bookmark of the log at once.
//
// It keeps nothing but its list: it reads and changes the log view beside it, found with
// GetSplitterPane column 0. An entry is a copy of a line's text; the line is found again
// by that text. Owned by its log window (a Qt child). GUI thread only.
//
// Its form: five buttons at the top, in as many columns (up to three) as the pane's width
// holds whole, and the list (control IDC_MARKS_LIST) below them, filling the rest. Tab
// order: the list, Refresh, Copy, Remove, Insert Line Break, Delete Line Break.
#pragma once

#include <QWidget>
#include <array>

#include "platform/CmdTarget.h"

class CListBox;
class CQuorvixView;
class QGridLayout;
class QPushButton;

class CQuorvixMarksView : public QWidget, public CCmdTarget {
    Q_OBJECT

public:
    // The text of a separator entry.
    static constexpr const char* kSeparator = " ";

    explicit CQuorvixMarksView(QWidget* parent = nullptr);

    // Puts the buttons in the columns the pane's width holds.
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

    // As narrow as one column of buttons.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CQuorvixView* LogView() const;
    void ArrangeButtons();
    int SelectedEntry() const;

    CListBox* m_bookmarkList = nullptr;
    // The buttons in the order they are placed: Refresh, Remove, Copy, then the line breaks.
    std::array<QPushButton*, 5> m_buttons{};
    QGridLayout* m_buttonGrid = nullptr;
    int m_columns = 0;
};
