// Save As and the document's save: every line of the log list to a file.
#include <string>

#include "commands/Commands.h"
#include "core/FileState.h"
#include "core/TextBlock.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/LogListBox.h"

namespace {

QString SourceName(CommandHost& host) {
    return PathForDisplay(PathFileName(host.SourcePath()));
}

// Whether `path` is the log's own file (by name, or the very file that was read) and no
// longer as the view last read it: grown, shrunk or written since, or another file now
// at its name. Another program may still be writing it then.
bool MayBeWrittenByAnother(CommandHost& host, const QString& path) {
    const std::optional<FileState> now = FileState::OfPath(PathToBytes(path));
    if (!now)
        return false; // nothing there to lose
    const std::optional<FileState> read = host.SourceState();
    const bool ownName =
        !host.SourcePath().isEmpty() && AbsolutePath(path) == AbsolutePath(host.SourcePath());
    if (!ownName && !(read && read->SameFile(*now)))
        return false;
    return !read || *now != *read;
}

SaveStatus SaveList(CommandHost& host, const QString& path);

// The save-file dialog, the save and the offer to open what was saved.
void SaveAsChosenFile(CommandHost& host) {
    const QString path = PromptSaveFile(host.DialogParent(), QString::fromUtf8(res::kSaveAsFilter));
    if (path.isEmpty() || SaveList(host, path) != SaveStatus::Saved)
        return;
    host.OpenSavedFile(path, AskYesNo(QString::fromUtf8(res::kOpenSavedFile), host.DialogParent()) == IDYES);
}

// Every line of the view's list to `path`; the selection goes first, whether or not the
// file can be written. Tells the user when it cannot, or why it does not.
SaveStatus SaveList(CommandHost& host, const QString& path) {
    if (save_commands::RefusedWhileIncomplete(host))
        return SaveStatus::Failed;
    DisplayList& list = host.LogList().Model();
    if (list.GetCount() == 0)
        return SaveStatus::EmptyList;
    if (clipboard_commands::RefusedForChangedSource(list, host.DialogParent()))
        return SaveStatus::Failed;
    if (MayBeWrittenByAnother(host, path) &&
        AfxMessageBox(QString::fromUtf8(res::kSaveOverWrittenFile).arg(SourceName(host)),
                      MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, host.DialogParent()) != IDYES) {
        // The file stays as the other program has it; the lines may go elsewhere.
        SaveAsChosenFile(host);
        return SaveStatus::Failed;
    }
    if (list.GetSelCount() > 0)
        list.SelectOnly(-1, -1);
    std::string error;
    const SaveStatus status = SaveListToFile(list, PathToBytes(path), error);
    if (status == SaveStatus::Failed)
        AfxMessageBox(
            QString::fromUtf8(res::kCannotSaveFile).arg(PathForDisplay(path), QString::fromLocal8Bit(error)),
            MB_OK | MB_ICONERROR, host.DialogParent());
    if (status == SaveStatus::Saved)
        host.OnListSaved(path);
    return status;
}

} // namespace

namespace save_commands {

bool RefusedWhileIncomplete(CommandHost& host) {
    if (!host.IsListIncomplete())
        return false;
    AfxMessageBox(QString::fromUtf8(res::kSaveWhileLoading).arg(SourceName(host)), MB_OK | MB_ICONWARNING,
                  host.DialogParent());
    return true;
}

void OnSaveAs(CommandHost& host) {
    // Asked before a name is, not after.
    if (RefusedWhileIncomplete(host))
        return;
    SaveAsChosenFile(host);
}

bool SaveDocument(CommandHost& host, const QString& path) {
    // An empty list writes nothing over the log; the document stays modified.
    if (SaveList(host, path) != SaveStatus::Saved)
        return false;
    host.SetModifiedFlag(false);
    return true;
}

} // namespace save_commands
