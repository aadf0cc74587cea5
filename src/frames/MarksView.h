// CQuorvixMarksView: the right pane of every log window, a working list of bookmarked
// lines. The user fills it from the log view's bookmarks, puts separator entries (one
// space) between entries, copies the list to the clipboard, jumps from an entry to its
// line, and removes every bookmark of the log at once.
//
// It keeps nothing but its list and knows nothing of the log view beside it: what it needs
// of the log it asks by signals, which its log window connects, and the window hands it the
// bookmarks to show (ShowBookmarks). An entry is a copy of a line's text; the line is found
// again by that text. Owned by its log window (a Qt child). GUI thread only.
//
// Its form: five buttons at the top, in as many columns (up to three) as the pane's width
// holds whole, and the list (control IDC_MARKS_LIST) below them, filling the rest. Tab
// order: the list, Refresh, Copy, Remove, Insert Line Break, Delete Line Break.
#pragma once

#include <QByteArray>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/CmdTarget.h"

class CListBox;
class DisplayList;
class LineStore;
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

    // Refresh Bookmarks: asks for the log's bookmarks (BookmarksWanted).
    void OnRefreshBookmarks() { emit BookmarksWanted(); }
    // Shows the lines of `lines` at `bookmarks` (ascending), which refer to `store`; the list
    // stays as it is when there are none.
    void ShowBookmarks(const std::vector<uint32_t>& bookmarks, const DisplayList& lines,
                       std::shared_ptr<const LineStore> store);
    // Copy Bookmarks: every entry and a line feed after each, on the clipboard.
    void OnCopyBookmarks();
    // Remove Bookmarks: asks for the log list to be rebuilt from its stored lines, which
    // empties this list and the log's bookmarks. Does nothing while this list is empty.
    void OnRemoveBookmarks();
    // A separator above the selected entry, which the selection then moves to.
    void OnInsertLineBreak();
    // Deletes the selected entry when it is a separator.
    void OnDeleteLineBreak();
    // Double click: asks for the first log line holding the entry's text to be made the
    // current mark and selected (GoToLineWanted).
    void OnGoToLine();

    // The marks view handles no menu command of its own.
    bool OnCmdMsg(int id, bool execute) override;

    // As narrow as one column of buttons.
    QSize minimumSizeHint() const override;

signals:
    void BookmarksWanted();
    void RemoveBookmarksWanted();
    void GoToLineWanted(const QByteArray& entry);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ArrangeButtons();
    int SelectedEntry() const;

    CListBox* m_bookmarkList = nullptr;
    // The store of the lines shown, while the log keeps it (for Copy Bookmarks).
    std::weak_ptr<const LineStore> m_store;
    // The buttons in the order they are placed: Refresh, Remove, Copy, then the line breaks.
    std::array<QPushButton*, 5> m_buttons{};
    QGridLayout* m_buttonGrid = nullptr;
    int m_columns = 0;
};
