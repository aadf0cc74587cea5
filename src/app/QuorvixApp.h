// CQuorvixApp: the application object. It brings the program up in a fixed order, owns
// the recent-file list and the main frame (which owns the document manager), handles About, Open,
// the recent files and Exit, and writes the recent-file list at the end.
//
// One instance, on the GUI thread, made after the QApplication. RunQuorvix is the whole
// program: main() only calls it.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "frames/AboutDlg.h"
#include "frames/AppServices.h"

class CDocManager;
class CMainFrame;
class CQuorvixDoc;
class CRecentFileList;

class CQuorvixApp : public CAppServices {
public:
    // The number of entries of the recent-file list.
    static constexpr int kRecentFiles = 4;

    CQuorvixApp();
    // Closes every log (without asking) and the main frame.
    ~CQuorvixApp() override;
    CQuorvixApp(const CQuorvixApp&) = delete;
    CQuorvixApp& operator=(const CQuorvixApp&) = delete;

    // Start-up, in this order: the settings and the recent-file list; drag and drop; the
    // level configuration, the first "quorvix.ini" of ConfigurationCandidates (the working
    // directory first); the document manager; the main frame; the logs `files` in order
    // (none: a new document, which is refused, so the frame stays bare); then the frame is
    // shown. True to run the event loop. False ends the program with ExitCode(): a missing
    // or unreadable configuration prints one line on standard error first, naming every
    // place looked at (or the file and why it cannot be read), and no window has been made
    // by then.
    bool InitInstance(const QStringList& files);
    // Whether InitInstance also shows a failure to find or read the configuration in a
    // message box (for a program started without a terminal). Off unless set.
    void SetStartFailuresInBox(bool inBox) { m_startFailuresInBox = inBox; }
    // At the end: writes the recent-file list. Returns the exit status it adds (0).
    int ExitInstance();
    int ExitCode() const { return m_exitCode; }

    // Loads the level tables from `fileName` (relative to the working directory) into the
    // process-wide tables, which start over. False when it cannot be read; `error`, when
    // given, then gets the path and the system's reason.
    static bool LoadConfiguration(const std::string& fileName, std::string* error = nullptr);

    // Help > About: the About box, modal.
    void OnAppAbout();
    // File > Open: the open-file dialog, every file; each chosen file opens as a log.
    void OnFileOpen();

    // Opens `path` as a log through the main frame's document manager (CDocManager::
    // OpenDocumentFile). Null when it could not be opened or there is no frame yet.
    CQuorvixDoc* OpenDocumentFile(const QString& path);

    // CAppServices
    bool RemoveRecentFile(const QString& path) override;
    void AddToRecentFileList(const QString& path) override;
    const CRecentFileList& RecentFileList() const override { return *m_recentFiles; }
    // About, Open, the recent files, Exit.
    bool OnCmdMsg(int id, bool execute) override;

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CDocManager* DocManager() const;

private:
    // Looks for the configuration and loads it; reports a failure on standard error (and
    // in a box when asked to). False when there is none or it cannot be read.
    bool FindAndLoadConfiguration();

    std::unique_ptr<CRecentFileList> m_recentFiles;
    std::unique_ptr<CMainFrame> m_mainFrame;
    int m_exitCode = 1;
    bool m_startFailuresInBox = false;
};

// The program: the command line, the application object, the event loop. Returns the
// process's exit status.
int RunQuorvix(int argc, char** argv);
