#include "app/QuorvixApp.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

#include "app/CommandLine.h"
#include "core/ByteText.h"
#include "core/ConfigSearch.h"
#include "core/LevelConfig.h"
#include "frames/DocManager.h"
#include "frames/MainFrame.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "platform/Settings.h"
#include "res/FrameResources.h"
#include "res/Icons.h"
#include "res/Resources.h"
#include "res/Strings.h"

CQuorvixApp::CQuorvixApp() = default;

CQuorvixApp::~CQuorvixApp() {
    // The main frame closes the logs first: their readers and refills are joined while
    // everything they use still exists.
    m_mainFrame.reset();
}

bool CQuorvixApp::LoadConfiguration(const std::string& fileName, std::string* error) {
    LevelTables& tables = GlobalLevelTables();
    tables.levelTypes = LevelTypeTable{};
    tables.levelSlots = LevelSlotTable{};
    tables.loadStatus = 0;
    return LoadLevelConfiguration(fileName, tables, error);
}

bool CQuorvixApp::FindAndLoadConfiguration() {
    const std::vector<std::string> candidates =
        ConfigurationCandidates(res::kConfigFileName, res::kRegistryKey);
    const std::string found = FirstPresent(candidates);
    std::string error;
    if (!found.empty() && LoadConfiguration(found, &error))
        return true;

    QString boxText;
    if (found.empty()) {
        std::string joined;
        QStringList lines;
        for (const std::string& path : candidates) {
            joined += (joined.empty() ? "" : ", ") + path;
            lines << PathFromBytes(path);
        }
        std::fprintf(stderr, res::kNoConfiguration, joined.c_str());
        boxText = QString::fromUtf8(res::kNoConfigurationBox).arg(lines.join(QLatin1Char('\n')));
        const QString example = QString::fromUtf8(QUORVIX_EXAMPLE_CONFIG);
        if (QFileInfo(example).isFile())
            boxText += QString::fromUtf8(res::kExampleConfiguration).arg(example);
    } else {
        std::fprintf(stderr, res::kBadConfiguration, error.c_str());
        boxText = QString::fromUtf8(res::kBadConfigurationBox).arg(PathFromBytes(error));
    }
    std::fflush(stderr);
    if (m_startFailuresInBox)
        AfxMessageBox(boxText, MB_ICONERROR);
    return false;
}

bool CQuorvixApp::InitInstance(const QStringList& files) {
    m_exitCode = 1;
    // Control containers and 3-D controls have no counterpart here; the settings are kept
    // per user under the organisation and application name.
    QCoreApplication::setOrganizationName(QString::fromUtf8(res::kRegistryKey));
    QCoreApplication::setApplicationName(QString::fromUtf8(res::kMainCaption));

    m_recentFiles = std::make_unique<CRecentFileList>(kRecentFiles);
    m_recentFiles->ReadList();

    // Drag and drop (and every window) needs the GUI application object.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "quorvix: %s\n", res::kOleInitFailed);
        return false;
    }
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(res::MainFrameIcon());
    QGuiApplication::setDesktopFileName(QString::fromUtf8(res::kDesktopEntry));

    // The levels come before any window and before the command line: every view copies
    // them when it is made, so a log named on the command line is classified too.
    if (!FindAndLoadConfiguration())
        return false;

    m_mainFrame = std::make_unique<CMainFrame>(*this);
    if (!m_mainFrame->LoadFrame())
        return false;

    if (files.isEmpty()) {
        m_mainFrame->Docs().OnFileNew();
    } else {
        for (const QString& file : files) {
            if (!OpenDocumentFile(file))
                return false;
        }
    }

    m_mainFrame->show();
    m_exitCode = 0;
    return true;
}

int CQuorvixApp::ExitInstance() {
    if (m_recentFiles)
        m_recentFiles->WriteList();
    return 0;
}

void CQuorvixApp::OnAppAbout() {
    CAboutDlg about(m_mainFrame.get());
    RunModal(about);
}

void CQuorvixApp::OnFileOpen() {
    const QStringList paths = PromptOpenFiles(m_mainFrame.get(), QString::fromUtf8(res::kOpenFilter));
    for (const QString& path : paths)
        OpenDocumentFile(path);
}

CDocManager* CQuorvixApp::DocManager() const {
    return m_mainFrame ? &m_mainFrame->Docs() : nullptr;
}

CQuorvixDoc* CQuorvixApp::OpenDocumentFile(const QString& path) {
    return m_mainFrame ? m_mainFrame->Docs().OpenDocumentFile(path) : nullptr;
}

bool CQuorvixApp::RemoveRecentFile(const QString& path) {
    // Entries and paths are compared ignoring the case of ASCII letters only; every other
    // byte must be equal.
    const std::string wanted = bytetext::LowerAscii(PathToBytes(path));
    for (int i = 0; i < m_recentFiles->GetCount(); ++i) {
        const QString entry = m_recentFiles->At(i);
        if (entry.isEmpty() || bytetext::LowerAscii(PathToBytes(entry)) != wanted)
            continue;
        m_recentFiles->Remove(i);
        if (m_mainFrame)
            m_mainFrame->UpdateCommandUI();
        return true;
    }
    return false;
}

void CQuorvixApp::AddToRecentFileList(const QString& path) {
    m_recentFiles->Add(path);
    if (m_mainFrame)
        m_mainFrame->UpdateCommandUI();
}

bool CQuorvixApp::OnCmdMsg(int id, bool execute) {
    switch (id) {
    case ID_APP_ABOUT:
        if (execute)
            OnAppAbout();
        return true;
    case ID_FILE_OPEN:
        if (execute)
            OnFileOpen();
        return true;
    case ID_APP_EXIT:
        if (execute && m_mainFrame)
            m_mainFrame->close();
        return true;
    default:
        break;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
        const int index = static_cast<int>(id) - ID_FILE_MRU_FILE1;
        if (index >= m_recentFiles->GetCount())
            return false;
        if (execute)
            OpenDocumentFile(m_recentFiles->At(index));
        return true;
    }
    return false;
}

namespace {

// Started from the desktop's menu, standard input is not a terminal and standard error
// goes where nobody reads it; a failure to start is then told in a box as well. Not on a
// platform without a screen (offscreen, minimal), where a box would wait for ever.
bool StartedWithoutTerminal() {
    if (::isatty(STDIN_FILENO) || ::isatty(STDERR_FILENO))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

int RunQuorvix(int argc, char** argv) {
    // Help and version need no display, so they are answered before Qt starts.
    const CCommandLineInfo early = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (early.action == CCommandLineInfo::Action::Help) {
        std::fputs(res::kUsageText, stdout);
        return 0;
    }
    if (early.action == CCommandLineInfo::Action::Version) {
        std::fputs(res::kVersionText, stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setWindowIcon(res::MainFrameIcon());
    // Qt has taken its own options (-platform, -style ...) out of argv by now.
    const CCommandLineInfo info = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (info.action == CCommandLineInfo::Action::Error) {
        std::fprintf(stderr, res::kUnknownOption, info.badOption.c_str());
        return 2;
    }
    QStringList files;
    for (const std::string& file : info.files)
        files << PathFromBytes(file);

    CQuorvixApp app;
    app.SetStartFailuresInBox(StartedWithoutTerminal());
    if (!app.InitInstance(files))
        return app.ExitCode();
    const int status = QApplication::exec();
    const int exitStatus = app.ExitInstance();
    return status != 0 ? status : exitStatus;
}
