// Save As and the document's save: every line of the log list to a file.
#include <string>

#include "commands/Commands.h"
#include "core/TextBlock.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/Resources.h"
#include "view/LogListBox.h"

namespace {

// Every line of the view's list to `path`; the selection goes first, whether or not the
// file can be written. Tells the user when it cannot.
SaveStatus SaveList(CommandHost& host, const QString& path) {
    DisplayList& list = host.LogList().Model();
    if (list.GetCount() == 0)
        return SaveStatus::EmptyList;
    if (clipboard_commands::RefusedForChangedSource(list, host.DialogParent()))
        return SaveStatus::Failed;
    if (list.GetSelCount() > 0)
        list.SelectOnly(-1, -1);
    std::string error;
    const SaveStatus status = SaveListToFile(list, PathToBytes(path), error);
    if (status == SaveStatus::Failed)
        AfxMessageBox(
            QString::fromUtf8(res::kCannotSaveFile).arg(PathForDisplay(path), QString::fromLocal8Bit(error)),
            MB_OK | MB_ICONERROR, host.DialogParent());
    return status;
}

} // namespace

namespace save_commands {

void OnSaveAs(CommandHost& host) {
    const QString path = PromptSaveFile(host.DialogParent(), QString::fromUtf8(res::kSaveAsFilter));
    if (path.isEmpty() || SaveList(host, path) != SaveStatus::Saved)
        return;
    if (AskYesNo(QString::fromUtf8(res::kOpenSavedFile), host.DialogParent()) == IDYES)
        host.OpenSavedFile(path);
}

bool SaveDocument(CommandHost& host, const QString& path) {
    // An empty list writes nothing over the log; the document stays modified.
    if (SaveList(host, path) != SaveStatus::Saved)
        return false;
    host.SetModifiedFlag(false);
    return true;
}

} // namespace save_commands
