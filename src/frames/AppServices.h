// CAppServices: what the frames, documents and views ask of the application object.
//
// The application (app/QuorvixApp.h) implements it; the frames reach it through a
// reference handed down at creation, so the frames library does not depend on the
// application's. It is also the last target on the command route (About, Open, the
// recent files, Exit). GUI thread only.
#pragma once

#include <QString>

#include "platform/CmdTarget.h"

class CQuorvixDoc;
class CRecentFileList;

class CAppServices : public CCmdTarget {
public:
    // Opens `path` as a log: activates the window of a document already open on that path,
    // or makes a new document with its log window. Null when no window could be made.
    virtual CQuorvixDoc* OpenDocumentFile(const QString& path) = 0;
    // Takes `path` off the recent-file list (the first entry equal to it, ignoring the case
    // of ASCII letters). False when no entry matched.
    virtual bool RemoveRecentFile(const QString& path) = 0;
    // Puts `path` first on the recent-file list.
    virtual void AddToRecentFileList(const QString& path) = 0;
    // Save As, answered Yes: shows the file `path` as it now is on disk, in a log window of
    // its own; `savedFrom` is the document whose list was saved (see CDocManager).
    // Without `newWindow`, only a window already open on `path` is renewed.
    virtual CQuorvixDoc* OpenSavedFile(const QString& path, const CQuorvixDoc* savedFrom, bool newWindow) = 0;
    virtual const CRecentFileList& RecentFileList() const = 0;
};
