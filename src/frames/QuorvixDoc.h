// CQuorvixDoc: the document of one open log. It holds no lines (the log view does); it
// carries the file's path from the open step to the log view, the title shown on the
// log window, the modified flag the line edits set, and the save sequence that ends in
// the log view writing its list.
//
// Owned by the document manager; lives exactly as long as its log window (the manager
// removes it when the window goes). What the document needs of that window it asks
// through CDocumentWindow. GUI thread only.
#pragma once

#include <QString>

#include "platform/CmdTarget.h"

class CAppServices;
class CommandHost;
class QWidget;

// What a document asks of the log window that shows it. The log window implements it.
class CDocumentWindow {
public:
    virtual ~CDocumentWindow() = default;
    // The log view whose list the document's save writes.
    virtual CommandHost* DocumentView() = 0;
    // The widget questions about the document are asked over.
    virtual QWidget* DocumentDialogParent() = 0;
    virtual void ShowDocumentTitle(const QString& title) = 0;
    // The modified flag changed (the log view keeps a copy for its commands).
    virtual void ShowModified(bool modified) = 0;
    // Closes the window without asking about unsaved changes (the document has asked),
    // once the command running now has returned.
    virtual void CloseAfterCommand() = 0;
};

class CQuorvixDoc : public CCmdTarget {
public:
    explicit CQuorvixDoc(CAppServices& app);
    ~CQuorvixDoc() override;
    CQuorvixDoc(const CQuorvixDoc&) = delete;
    CQuorvixDoc& operator=(const CQuorvixDoc&) = delete;

    // A new, empty document is refused: there is nothing to show without a file.
    bool OnNewDocument();
    // Keeps `path` for the log view, which checks the file itself; never fails.
    bool OnOpenDocument(const QString& path);
    // Writes the log view's list to `path` (the view's save, which tells the user of a
    // failure); clears the modified flag on success.
    bool OnSaveDocument(const QString& path);

    // The path the document is known by (absolute, as the open step got it) and its title
    // (the file name, as the user reads it: PathForDisplay). Setting the path also sets the
    // title and, unless told otherwise, puts the path on the recent-file list.
    const QString& GetPathName() const { return m_strFilePath; }
    void SetPathName(const QString& path, bool addToRecentFiles = true);
    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    // The log window showing this document, null once it has gone.
    CDocumentWindow* Window() const { return m_window; }
    void SetWindow(CDocumentWindow* window) { m_window = window; }

    // Before the document goes: when modified, asks whether to save (Yes saves, No
    // discards). False when the user cancels or the save fails: the document stays.
    bool SaveModified();
    // File Save: saves to the document's own path, or asks for a new one when that file is
    // gone or cannot be written. False when nothing was saved.
    bool DoFileSave();
    // File Close: asks as SaveModified does, then closes the log window (which removes
    // the document).
    void OnFileClose();

    // Close and Save.
    bool OnCmdMsg(int id, bool execute) override;

private:
    QWidget* DialogParent() const { return m_window ? m_window->DocumentDialogParent() : nullptr; }

    CAppServices& m_app;
    QString m_strFilePath;
    QString m_title;
    bool m_modified = false;
    CDocumentWindow* m_window = nullptr;
};
