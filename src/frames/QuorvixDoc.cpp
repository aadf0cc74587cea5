#include "frames/QuorvixDoc.h"

#include "commands/Commands.h"
#include "core/FileState.h"
#include "frames/AppServices.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/FrameResources.h"
#include "res/Strings.h"
#include "view/FileProbe.h"

CQuorvixDoc::CQuorvixDoc(CAppServices& app) : m_app(app) {}

CQuorvixDoc::~CQuorvixDoc() = default;

bool CQuorvixDoc::OnNewDocument() {
    // The base step would empty the document; there is nothing to empty, and a document
    // without a file has nothing to show.
    m_modified = false;
    return false;
}

bool CQuorvixDoc::OnOpenDocument(const QString& path) {
    m_strFilePath = AbsolutePath(path);
    return true;
}

bool CQuorvixDoc::OnSaveDocument(const QString& path) {
    CommandHost* view = m_window ? m_window->DocumentView() : nullptr;
    if (!view)
        return false;
    if (!save_commands::SaveDocument(*view, path))
        return false;
    SetModifiedFlag(false);
    return true;
}

void CQuorvixDoc::SetPathName(const QString& path, bool addToRecentFiles) {
    m_strFilePath = AbsolutePath(path);
    SetTitle(PathForDisplay(PathFileName(m_strFilePath)));
    if (addToRecentFiles)
        m_app.AddToRecentFileList(m_strFilePath);
}

void CQuorvixDoc::SetModifiedFlag(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    if (m_window)
        m_window->ShowModified(modified);
}

void CQuorvixDoc::SetTitle(const QString& title) {
    m_title = title;
    if (m_window)
        m_window->ShowDocumentTitle(title);
}

bool CQuorvixDoc::SaveModified() {
    if (!IsModified())
        return true;
    switch (AskYesNoCancel(QString::fromUtf8(res::kAskToSave).arg(m_title), DialogParent())) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default: // No: the changes go with the window
        return true;
    }
}

bool CQuorvixDoc::DoFileSave() {
    // Refused before any dialog: the list is not whole yet.
    if (CommandHost* view = m_window ? m_window->DocumentView() : nullptr;
        view && save_commands::RefusedWhileIncomplete(*view))
        return false;
    const std::string target = PathToBytes(m_strFilePath);
    if (ProbeFile(m_strFilePath, FileProbe::Access::Write).Granted())
        return OnSaveDocument(m_strFilePath);
    // The file is gone or cannot be written: ask where to save instead, offering where the
    // log was (or the nearest folder of that path still there) under its own name.
    QString offered = m_title;
    if (!m_strFilePath.isEmpty()) {
        std::string folder = NearestExistingFolder(target);
        if (!folder.ends_with('/'))
            folder += '/';
        offered = PathFromBytes(folder + PathToBytes(PathFileName(m_strFilePath)));
    }
    const QString path = PromptSaveFile(DialogParent(), QString::fromUtf8(res::kOpenFilter), offered);
    if (path.isEmpty() || !OnSaveDocument(path))
        return false;
    SetPathName(path);
    return true;
}

void CQuorvixDoc::OnFileClose() {
    if (!SaveModified())
        return;
    // The window goes once this command has returned.
    if (m_window)
        m_window->CloseAfterCommand();
}

bool CQuorvixDoc::OnCmdMsg(int id, bool execute) {
    switch (id) {
    case ID_FILE_CLOSE:
        if (execute)
            OnFileClose();
        return true;
    case ID_FILE_SAVE:
        if (execute)
            DoFileSave();
        return true;
    default:
        return false;
    }
}
