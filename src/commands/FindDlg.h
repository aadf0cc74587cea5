// CFindDlg: the Find dialog (template 130) of one log view.
//
// "Find All" selects every line of the view's log list that holds the keyword (the log
// list's FindLine rule: A-Z without case, after the line's first byte or the whole line)
// in addition to the selection there is, bookmarks each of them while "Bookmark Found" is
// checked, and closes the dialog with IDOK. An empty keyword leaves the dialog open. A
// keyword found nowhere is reported and the dialog closes too; the Find command then
// opens a fresh one (g_findFound tells it so).
//
// Made and run modally by find_commands::OnFind; the view outlives it. GUI thread only.
#pragma once

#include <QString>

#include "platform/DialogTemplate.h"

class CommandHost;

// 1 when the last Find All, in any log, selected at least one line; 0 when it found none.
// 0 at start.
extern int g_findFound;

class CFindDlg : public CDialog {
    Q_OBJECT

public:
    explicit CFindDlg(CommandHost& view);

    // The keyword (edit 1011); empty when the dialog opens.
    QString m_keyword;
    // "Bookmark Found" (check box 1016); checked when the dialog opens.
    int m_bookmarkFound = 1;

protected:
    void OnInitDialog() override;
    // Find All.
    void OnOK() override;

private:
    // Controls to members (save) or members to controls.
    void UpdateData(bool save);
    void FindAll();

    CommandHost& m_view;
};
