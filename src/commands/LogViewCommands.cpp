// The log view's command route: which command family answers each of its menu commands and
// each thing the user does to its list.
#include <QObject>
#include <new>

#include "commands/Commands.h"
#include "platform/Prompts.h"
#include "res/Strings.h"
#include "view/QuorvixView.h"

namespace {

// The commands that allocate by the size of the log end cleanly themselves when memory
// runs out; this is the last stop for the rest, short of the program.
template <class Command> void RunGuarded(CommandHost& view, Command command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        AfxMessageBox(QString::fromUtf8(res::kCommandOutOfMemory), MB_OK | MB_ICONWARNING,
                      view.DialogParent());
    }
}

} // namespace

namespace log_view_commands {

bool OnCmdMsg(CommandHost& view, int id, bool execute) {
    void (*command)(CommandHost&) = nullptr;
    switch (id) {
    case ID_EDIT_COPY:
        command = clipboard_commands::OnCopy;
        break;
    case ID_EDIT_FIND:
        command = find_commands::OnFind;
        break;
    case ID_EDIT_CLEAR:
        command = clipboard_commands::OnClearSel;
        break;
    case ID_FILE_SAVE_AS:
        command = save_commands::OnSaveAs;
        break;
    case ID_VIEW_OPTIONS:
        command = filter_commands::OnOptions;
        break;
    case ID_EDIT_BOOKMARK:
        command = bookmark_commands::OnBookmark;
        break;
    case ID_EDIT_NEXTMARK:
        command = bookmark_commands::OnNextMark;
        break;
    case ID_OPTIONS_ANALYZE:
        command = analyze_commands::OnAnalyze;
        break;
    case ID_VIEW_BOOKMARKS:
        command = bookmark_commands::OnShowBookmarks;
        break;
    case ID_VIEW_FILTERBAR:
        command = filter_commands::OnFilterBar;
        break;
    case ID_VIEW_FOLLOW:
        command = [](CommandHost& host) { host.SetFollow(!host.IsFollowing()); };
        break;
    default:
        return false;
    }
    if (execute)
        RunGuarded(view, [&] { command(view); });
    return true;
}

void Attach(CQuorvixView& view) {
    CQuorvixView* host = &view;
    QObject::connect(host, &CQuorvixView::LogListDoubleClicked, host,
                     [host] { edit_commands::BeginLineEdit(*host); });
    QObject::connect(host, &CQuorvixView::LogListSelectionChanged, host,
                     [host] { edit_commands::OnLogSelChange(*host); });
    QObject::connect(host, &CQuorvixView::DeleteKeyPressed, host,
                     [host] { RunGuarded(*host, [host] { edit_commands::DeleteSelectedLines(*host); }); });
    QObject::connect(host, &CQuorvixView::EnterKeyPressed, host,
                     [host](QWidget* target) { edit_commands::CommitLineEdit(*host, target); });
}

} // namespace log_view_commands
