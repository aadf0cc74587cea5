// AppHarness: the whole application for one test. It runs in a working directory of its
// own (with a quorvix.ini unless told otherwise), keeps its settings in a directory of
// their own, which is also its only user configuration folder (XDG_CONFIG_HOME; the
// system's, XDG_CONFIG_DIRS, is a folder that is not there), so that no quorvix.ini of the
// machine's is found, and answers every prompt with FakePrompts. Destroying it closes every log
// (joining their threads) and restores the working directory.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/QuorvixApp.h"
#include "frames/DocManager.h"
#include "frames/MainFrame.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "res/FrameResources.h"
#include "support/FakePrompts.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "view/QuorvixView.h"

// QStrings in test messages as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Two levels, no progress dialog.
inline constexpr std::string_view kTestIni = "LOAD_STATUS = 0\n"
                                             "{\n$Type ERROR:10\ntimeout, refused,\n}\n"
                                             "{\n$Type WARN:6\nretry,\n}\n";

// Only a guard against hanging; nothing here takes that long.
inline constexpr int kWaitMs = 60000;

class AppHarness {
public:
    // `ini`: the configuration file's text, or nothing for a directory without one.
    explicit AppHarness(std::optional<std::string_view> ini = kTestIni) : m_oldDir(QDir::currentPath()) {
        const QString settings = QString::fromStdString(m_settings.Path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
        // The level tables as a new process has them, whatever an earlier test loaded.
        CQuorvixApp::LoadConfiguration(m_settings.File("no-such.ini"));
        if (ini)
            m_dir.Write("quorvix.ini", *ini);
        QDir::setCurrent(QString::fromStdString(m_dir.Path()));
    }

    ~AppHarness() {
        Stop();
        QDir::setCurrent(m_oldDir);
    }

    // The user's configuration folder (XDG_CONFIG_HOME) and the one system folder
    // (XDG_CONFIG_DIRS) start-up looks in after the working directory; neither exists
    // until a test makes it.
    std::string ConfigHome() const { return m_settings.Path(); }
    std::string SystemConfigDir() const { return m_settings.File("xdg"); }

    AppHarness(const AppHarness&) = delete;
    AppHarness& operator=(const AppHarness&) = delete;

    // Makes the application and runs its start-up with these command-line files.
    bool Start(const QStringList& files = {}) {
        app = std::make_unique<CQuorvixApp>();
        return app->InitInstance(files);
    }
    // Ends the application as the program does at exit.
    void Stop() {
        if (!app)
            return;
        app->ExitInstance();
        app.reset();
        Settle();
    }

    CMainFrame& Frame() { return *app->MainFrame(); }
    CDocManager& Docs() { return *app->DocManager(); }

    // A file in the working directory, written byte for byte; returns its absolute path.
    QString Write(std::string_view name, std::string_view bytes) {
        return QString::fromStdString(m_dir.Write(name, bytes));
    }
    QString PathOf(std::string_view name) const { return QString::fromStdString(m_dir.File(name)); }
    const TempDir& Dir() const { return m_dir; }

    // The log window of the document open on `path`, or null.
    CSplitterFrame* WindowOf(const QString& path) {
        CQuorvixDoc* doc = Docs().FindDocument(path);
        return CDocManager::WindowOf(doc);
    }
    // Opens `path` and waits until its log has loaded. Null when it did not open.
    CSplitterFrame* OpenAndLoad(const QString& path) {
        if (!app->OpenDocumentFile(path))
            return nullptr;
        CSplitterFrame* frame = WindowOf(path);
        if (!frame || !WaitForLoad(*frame))
            return nullptr;
        return frame;
    }
    static bool WaitForLoad(CSplitterFrame& frame) {
        return QTest::qWaitFor([&] { return frame.LogView() && frame.LogView()->IsLoadDone(); }, kWaitMs);
    }

    // Runs what the event loop has queued, deferred deletions included.
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    FakePrompts prompts;
    std::unique_ptr<CQuorvixApp> app;

private:
    TempDir m_settings;
    TempDir m_dir;
    QString m_oldDir;
    ScopedEnv m_configHome{"XDG_CONFIG_HOME", m_settings.Path()};
    ScopedEnv m_configDirs{"XDG_CONFIG_DIRS", m_settings.File("xdg")};
};
