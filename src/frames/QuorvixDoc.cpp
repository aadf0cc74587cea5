#include "frames/QuorvixDoc.h"

#include <sys/stat.h>
#include <unistd.h>

#include "commands/Commands.h"
#include "frames/AppServices.h"
#include "frames/DocManager.h"
#include "frames/SplitterFrame.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/FrameResources.h"
#include "res/Strings.h"
#include "view/QuorvixView.h"

CQuorvixDoc::CQuorvixDoc(CDocManager& manager) : m_manager(manager) {}

CQuorvixDoc::~CQuorvixDoc() = default;

bool CQuorvixDoc::OnNewDocument() {
    // The base step would empty the document; there is nothing to empty, and a document
    // without a file has nothing to show.
    m_modified = false;
    return false;
}

bool CQuorvixDoc::OnOpenDocument(const QString& path) {
    m_strFilePath = path;
    return true;
}

bool CQuorvixDoc::OnSaveDocument(const QString& path) {
    CSplitterFrame* frame = Frame();
    auto* view = frame ? dynamic_cast<CQuorvixView*>(GetSplitterPane(frame->GetActiveView(), 0)) : nullptr;
    if (!view)
        return false;
    if (!clipboard_commands::SaveDocument(*view, path))
        return false;
    SetModifiedFlag(false);
    return true;
}

void CQuorvixDoc::SetPathName(const QString& path, bool addToRecentFiles) {
    m_pathName = CDocManager::DocumentPathOf(path);
    SetTitle(PathForDisplay(PathFileName(m_pathName)));
    if (addToRecentFiles)
        m_manager.App().AddToRecentFileList(m_pathName);
}

void CQuorvixDoc::SetTitle(const QString& title) {
    m_title = title;
    if (CSplitterFrame* frame = Frame())
        frame->setWindowTitle(title);
}

bool CQuorvixDoc::SaveModified() {
    if (!IsModified())
        return true;
    switch (AskYesNoCancel(QString::fromUtf8(res::kAskToSave).arg(m_title), Frame())) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default: // No: the changes go with the window
        return true;
    }
}

bool CQuorvixDoc::DoFileSave() {
    const std::string target = PathToBytes(m_pathName);
    struct stat st {};
    if (!m_pathName.isEmpty() && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(target.c_str(), W_OK) == 0)
        return DoSave(m_pathName);
    // The file is gone or cannot be written: ask where to save instead.
    const QString path = PromptSaveFile(Frame(), QString::fromUtf8(res::kOpenFilter), m_title);
    if (path.isEmpty() || !DoSave(path))
        return false;
    SetPathName(path);
    return true;
}

bool CQuorvixDoc::DoSave(const QString& path) {
    return OnSaveDocument(path);
}

void CQuorvixDoc::OnFileClose() {
    if (!SaveModified())
        return;
    if (CSplitterFrame* frame = Frame())
        frame->CloseWithoutAsking();
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
