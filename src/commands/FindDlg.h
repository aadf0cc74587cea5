// CFindDlg: the Find dialog of one log view, laid out in code.
//
// "Find All" selects every line of the view's log list that holds the keyword in addition
// to the selection there is, bookmarks each of them while "Bookmark Found" is checked, and
// closes the dialog with IDOK. With no search option checked the keyword is found by the
// log list's FindLine rule (A-Z without case, after the line's first byte or the whole
// line); "Match case", "Whole word" and "Regular expression" search through a TextMatcher,
// where a match anywhere in the line counts. An empty keyword leaves the dialog open, and
// so does a regular expression that does not compile (after a message saying why, with
// the keyword selected). A keyword found nowhere is reported and the dialog closes too;
// the Find command then opens a fresh one (g_findFound tells it so).
//
// Controls, by id: the keyword edit (IDC_FIND_WHAT), Find All (IDOK, the default button),
// Cancel (IDCANCEL), "Bookmark Found" (IDC_BOOKMARK_FOUND) and the three options
// (IDC_FIND_MATCH_CASE, IDC_FIND_WHOLE_WORD, IDC_FIND_REGEX), in that tab order.
//
// Made by find_commands::OnFind and run through RunModal (Prompts.h); the view outlives
// it. GUI thread only.
#pragma once

#include <QDialog>
#include <QString>

#include "core/TextMatcher.h"

class CommandHost;
class QCheckBox;
class QLineEdit;
class QPushButton;

// 1 when the last Find All, in any log, selected at least one line; 0 when it found none.
// 0 at start.
extern int g_findFound;

class CFindDlg : public QDialog {
    Q_OBJECT

public:
    explicit CFindDlg(CommandHost& view);

    // The keyword (edit 1011); empty when the dialog opens.
    QString m_keyword;
    // "Bookmark Found" (check box 1016); checked when the dialog opens.
    int m_bookmarkFound = 1;
    // The three option boxes; unchecked when the dialog opens.
    MatchOptions m_options;

    // Find All: closes the dialog unless the keyword is empty or cannot be searched for.
    void accept() override;

private:
    // Controls to members (save) or members to controls.
    void UpdateData(bool save);
    // False when the keyword cannot be searched for (the dialog stays open).
    bool FindAll();

    CommandHost& m_view;
    QLineEdit* m_edit;
    QPushButton* m_findAll;
    QCheckBox* m_bookmark;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QCheckBox* m_regex;
};
