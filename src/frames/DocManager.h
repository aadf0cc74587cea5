// CDocManager: the open documents, one per path, each with its log window.
//
// Opening a path that is already open activates that document's window instead of
// making a second document. A new empty document is refused, so a start without a file
// leaves the main frame bare. Documents go with their windows: a log window that closes
// removes its document.
//
// Owned by the application; holds its documents. GUI thread only.
#pragma once

#include <QString>
#include <memory>
#include <vector>

class CAppServices;
class CLogWindowHost;
class CQuorvixDoc;
class CSplitterFrame;

class CDocManager {
public:
    explicit CDocManager(CAppServices& app);
    // Closes every log window without asking.
    ~CDocManager();
    CDocManager(const CDocManager&) = delete;
    CDocManager& operator=(const CDocManager&) = delete;

    // The frame the log windows open in; until it is set nothing can be opened.
    void SetHost(CLogWindowHost* host) { m_host = host; }

    // Opens `path` (see the class comment): for a new document the log window is made, the
    // path is stored and put on the recent-file list, and the views start (the log view
    // checks the file and loads it, or reports it missing and closes the window). Returns
    // the document, or null when its window could not be made.
    CQuorvixDoc* OpenDocumentFile(const QString& path);
    // Save As, Yes: shows the file just saved from `savedFrom` at `path` in a new log
    // window, so what is shown is the file as it now is. A document already open on `path`
    // shows it as it was and goes first, its window closed without the save question: the
    // document saved from has nothing left unsaved (its lines are in the file); another
    // one with unsaved changes goes only when the user agrees to lose them, and otherwise
    // stays as it is, brought forward, and nothing new opens. Returns the document shown.
    //
    // Without `newWindow` (the user did not ask to see the saved file) only a window of
    // another document already open on `path` is renewed, on the same terms, so that it
    // does not take the new file for a rotation of its log; one kept for its unsaved
    // changes takes the new file as read and follows it from its end.
    CQuorvixDoc* OpenSavedFile(const QString& path, const CQuorvixDoc* savedFrom, bool newWindow = true);
    // Makes a document that refuses to be new, and drops it. Always null.
    CQuorvixDoc* OnFileNew();

    // The open document with this path, or null. Documents whose windows are closing are
    // left out, here and in Documents().
    CQuorvixDoc* FindDocument(const QString& path) const;
    // The log window of `doc`, null when it has none.
    static CSplitterFrame* WindowOf(const CQuorvixDoc* doc);
    std::vector<CQuorvixDoc*> Documents() const;
    // Asks about every modified document in turn; false as soon as one is kept.
    bool SaveAllModified();
    // Closes every log window without asking, at once (never from a log window's command);
    // their documents go with them.
    void CloseAllDocuments();
    // Deletes `doc`; its log window has gone (or never came).
    void RemoveDocument(CQuorvixDoc* doc);

private:
    // The window's signals: to the main frame, the application and this manager.
    void Connect(CSplitterFrame* frame);

    CAppServices& m_app;
    CLogWindowHost* m_host = nullptr;
    std::vector<std::unique_ptr<CQuorvixDoc>> m_documents;
};
