// CQuorvixDoc: the document of one open log. It holds no lines (the log view does); it
// carries the file's path from the open step to the log view, the title shown on the
// log window, the modified flag the line edits set, and the save sequence that ends in
// the log view writing its list.
//
// Owned by the document manager; lives exactly as long as its log window (the window
// removes it as it goes). GUI thread only.
#pragma once

#include <QPointer>
#include <QString>

#include "platform/CmdTarget.h"

class CDocManager;
class CSplitterFrame;

class CQuorvixDoc : public CCmdTarget {
public:
    explicit CQuorvixDoc(CDocManager& manager);
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

    // The path given to the open step.
    QString m_strFilePath;

    // The path the document is known by (absolute) and its title (the file name, as the
    // user reads it: PathForDisplay). Setting
    // the path also sets the title and, unless told otherwise, puts the path on the
    // recent-file list.
    const QString& GetPathName() const { return m_pathName; }
    void SetPathName(const QString& path, bool addToRecentFiles = true);
    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    CDocManager& Manager() { return m_manager; }
    // The log window showing this document.
    CSplitterFrame* Frame() const { return m_frame.data(); }
    void SetFrame(CSplitterFrame* frame) { m_frame = frame; }

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
    bool DoSave(const QString& path);

    CDocManager& m_manager;
    QString m_pathName;
    QString m_title;
    bool m_modified = false;
    QPointer<CSplitterFrame> m_frame;
};
