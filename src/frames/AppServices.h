// CAppServices: what the main frame and the document manager ask of the application
// object: the recent-file list. The application (app/QuorvixApp.h) implements it, so the
// frames library does not depend on the application's. It is also the last target on the
// command route (About, Open, the recent files, Exit). GUI thread only.
#pragma once

#include <QString>

#include "platform/CmdTarget.h"

class CRecentFileList;

class CAppServices : public CCmdTarget {
public:
    // Takes `path` off the recent-file list (the first entry equal to it, ignoring the case
    // of ASCII letters). False when no entry matched.
    virtual bool RemoveRecentFile(const QString& path) = 0;
    // Puts `path` first on the recent-file list.
    virtual void AddToRecentFileList(const QString& path) = 0;
    virtual const CRecentFileList& RecentFileList() const = 0;
};
