#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QProcess>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "app/CommandLine.h"
#include "core/LevelConfig.h"
#include "core/Palette.h"
#include "frames/AboutDlg.h"
#include "platform/ControlIds.h"
#include "platform/Settings.h"
#include "res/BuildInfo.h"
#include "support/AppHarness.h"
#include "support/ScopedEnv.h"
#include "view/LogListBox.h"

namespace {

int TopLevelMainFrames() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<CMainFrame*>(widget) ? 1 : 0;
    return count;
}

// Writes a configuration of one level, NAME, to `dir`/Vostrane/quorvix.ini.
void PutConfiguration(const std::string& dir, const std::string& level) {
    std::filesystem::create_directories(dir + "/Vostrane");
    std::ofstream(dir + "/Vostrane/quorvix.ini") << "{\n$Type " << level << ":10\n}\n";
}

QStringList RecentEntries(const CRecentFileList& list) {
    QStringList entries;
    for (int i = 0; i < list.GetCount(); ++i)
        entries << list[i];
    return entries;
}

} // namespace

TEST(QuorvixApp, StartsBareWithoutArguments) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    EXPECT_TRUE(harness.Frame().isVisible());
    // The new document the start asks for is refused: no log window, no document.
    EXPECT_TRUE(harness.Frame().MdiClient()->subWindowList().isEmpty());
    EXPECT_TRUE(harness.Docs().Documents().empty());
    EXPECT_EQ(harness.Frame().MenuId(), 128);
    EXPECT_EQ(harness.prompts.Requests().size(), 0u);
}

TEST(QuorvixApp, LogsNamedOnTheCommandLineOpenInOrderAndAreClassified) {
    AppHarness harness;
    const QString first = harness.Write("first.log", "12:00 x ERROR y\n12:01 WARN z\nplain\n");
    const QString second = harness.Write("second.log", "12:02 WARN w\n");
    ASSERT_TRUE(harness.Start({first, second}));

    const std::vector<CQuorvixDoc*> docs = harness.Docs().Documents();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(docs[0]->GetPathName(), first);
    EXPECT_EQ(docs[1]->GetPathName(), second);
    EXPECT_EQ(docs[0]->GetTitle(), "first.log");

    CSplitterFrame* window = harness.WindowOf(first);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    // The configuration was read before the command line, so the lines got their levels.
    const DisplayList& lines = window->LogView()->LogList().Model();
    ASSERT_EQ(lines.GetCount(), 3);
    EXPECT_EQ(lines.GetItemData(0) & COLOUR_MASK, g_palette[10]);
    EXPECT_EQ(lines.GetItemData(1) & COLOUR_MASK, g_palette[6]);
    EXPECT_EQ(lines.GetItemData(2), 0u);
    EXPECT_TRUE(window->LogView()->Core().m_levelFilter[1].present);
    EXPECT_EQ(harness.Frame().MenuId(), 129);
}

TEST(QuorvixApp, WithoutConfigurationItEndsBeforeAnyWindowWithOneLineOnStandardError) {
    {
        AppHarness harness(std::nullopt);
        const QString log = harness.Write("a.log", "line\n");
        const int framesBefore = TopLevelMainFrames();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(harness.Start({log}));
        const std::string err = testing::internal::GetCapturedStderr();
        // Every place looked at, in order.
        EXPECT_EQ(err, "quorvix: cannot find quorvix.ini; looked for " + harness.Dir().File("quorvix.ini") +
                           ", " + harness.ConfigHome() + "/Vostrane/quorvix.ini, " +
                           harness.SystemConfigDir() + "/Vostrane/quorvix.ini\n");
        EXPECT_EQ(harness.app->ExitCode(), 1);
        EXPECT_EQ(harness.app->MainFrame(), nullptr);
        EXPECT_EQ(TopLevelMainFrames(), framesBefore);
        EXPECT_EQ(harness.prompts.Requests().size(), 0u);
    }
    {
        // A configuration that is there but cannot be read (a directory of that name).
        AppHarness harness(std::nullopt);
        ASSERT_TRUE(QDir().mkdir(QStringLiteral("quorvix.ini")));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(harness.Start());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "quorvix: cannot read the configuration " +
                                                              harness.Dir().File("quorvix.ini") +
                                                              ": Is a directory\n");
        EXPECT_EQ(harness.app->ExitCode(), 1);
        EXPECT_EQ(harness.app->MainFrame(), nullptr);
    }
}

TEST(QuorvixApp, StartUpReadsTheFirstConfigurationOfWorkingDirectoryUserFolderAndSystemFolders) {
    AppHarness harness(std::nullopt);
    TempDir second;
    ScopedEnv systemDirs("XDG_CONFIG_DIRS", harness.SystemConfigDir() + ":" + second.Path());
    // Starts the program and tells which configuration it read (its one level's name).
    const auto levelRead = [&](const QStringList& files = {}) -> std::string {
        testing::internal::CaptureStderr();
        const bool started = harness.Start(files);
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string level = started ? g_levelTypes[0].name : "failed: " + err;
        if (files.isEmpty())
            harness.Stop();
        return level;
    };

    // Each place found wins over those after it, whatever those hold.
    PutConfiguration(second.Path(), "SECOND");
    EXPECT_EQ(levelRead(), "SECOND");
    PutConfiguration(harness.SystemConfigDir(), "SYSTEM");
    EXPECT_EQ(levelRead(), "SYSTEM");
    PutConfiguration(harness.ConfigHome(), "USER");
    // As from the desktop's menu: a log named on the command line, classified by the
    // levels of the user's configuration.
    const QString log = harness.Write("a.log", "12:00 USER line\n");
    EXPECT_EQ(levelRead({log}), "USER");
    CSplitterFrame* window = harness.WindowOf(log);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    EXPECT_EQ(window->LogView()->LogList().Model().GetItemData(0) & COLOUR_MASK, g_palette[10]);
    harness.Stop();
    harness.Write("quorvix.ini", "{\n$Type HERE:3\n}\n");
    EXPECT_EQ(levelRead(), "HERE");
    EXPECT_EQ(harness.prompts.Requests().size(), 0u);

    // Without XDG_CONFIG_HOME the user's folder is ~/.config.
    ASSERT_TRUE(QFile::remove(harness.PathOf("quorvix.ini")));
    TempDir home;
    ScopedEnv homeVar("HOME", home.Path());
    ScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);
    PutConfiguration(home.Path() + "/.config", "HOME");
    EXPECT_EQ(levelRead(), "HOME");
}

TEST(QuorvixApp, StartedWithoutTerminalAMissingOrBrokenConfigurationIsAlsoToldInABox) {
    AppHarness harness(std::nullopt);
    const std::vector<std::string> places{harness.Dir().File("quorvix.ini"),
                                          harness.ConfigHome() + "/Vostrane/quorvix.ini",
                                          harness.SystemConfigDir() + "/Vostrane/quorvix.ini"};
    const auto start = [&] {
        harness.app = std::make_unique<CQuorvixApp>();
        harness.app->SetStartFailuresInBox(true);
        testing::internal::CaptureStderr();
        const bool started = harness.app->InitInstance({});
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(started);
        EXPECT_EQ(harness.app->ExitCode(), 1);
        EXPECT_EQ(harness.app->MainFrame(), nullptr);
        harness.app.reset();
        return err;
    };

    // None anywhere: the box lists every place, one a line (and where an example is, when
    // one is installed); standard error still gets its one line.
    const std::string err = start();
    EXPECT_EQ(err, "quorvix: cannot find quorvix.ini; looked for " + places[0] + ", " + places[1] + ", " +
                       places[2] + "\n");
    ASSERT_EQ(harness.prompts.Requests().size(), 1u);
    const PromptRequest& box = harness.prompts.Requests()[0];
    EXPECT_TRUE(
        box.text.startsWith(QString::fromStdString("Quorvix cannot start: no quorvix.ini was found.\n\n"
                                                   "Looked for:\n" +
                                                   places[0] + "\n" + places[1] + "\n" + places[2])))
        << box.text.toStdString();
    EXPECT_EQ(box.style & MB_ICONMASK, MB_ICONERROR);

    // The user's one is a directory: that is reported, not passed over for the system's.
    harness.prompts.Clear();
    std::filesystem::create_directories(places[1]);
    PutConfiguration(harness.SystemConfigDir(), "SYSTEM");
    EXPECT_EQ(start(), "quorvix: cannot read the configuration " + places[1] + ": Is a directory\n");
    ASSERT_EQ(harness.prompts.MessageTexts().size(), 1);
    EXPECT_TRUE(harness.prompts.MessageTexts()[0].startsWith(QString::fromStdString(
        "Quorvix cannot start: the configuration cannot be read.\n\n" + places[1] + ": Is a directory")));
}

#ifdef QUORVIX_EXE
TEST(QuorvixApp, TheProgramAnswersHelpAndVersionAndFailsWithoutConfiguration) {
    TempDir dir;
    const auto run = [&](const QStringList& args, int& status, QByteArray& out, QByteArray& err) {
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(dir.Path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"),
                   QString::fromStdString(dir.Path())); // not the user's settings
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUORVIX_EXE), args);
        ASSERT_TRUE(process.waitForFinished(kWaitMs));
        status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
    };
    int status = 0;
    QByteArray out;
    QByteArray err;

    run({QStringLiteral("--version")}, status, out, err);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Quorvix " QUORVIX_VERSION "\n");

    run({QStringLiteral("x.log"), QStringLiteral("--help")}, status, out, err);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(out.startsWith("Usage: quorvix"));
    EXPECT_TRUE(out.contains("$XDG_CONFIG_HOME/Vostrane")) << out.constData();

    // No quorvix.ini here: one line on standard error (Qt may add its own notes), no window.
    run({QString::fromStdString(dir.Write("a.log", "x\n"))}, status, out, err);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.contains(QByteArray::fromStdString("quorvix: cannot find quorvix.ini; looked for " +
                                                       dir.File("quorvix.ini") + ", ")))
        << err.constData();

    run({QStringLiteral("--bogus")}, status, out, err);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(err.contains("unknown option '--bogus'"));
}

TEST(QuorvixApp, TheProgramLooksInTheWorkingDirectoryThenTheUsersFolderThenEachSystemFolder) {
    TempDir root;
    const std::string work = root.File("work");
    const std::string home = root.File("home");
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(home);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), QString::fromStdString(home));
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"),
               QString::fromStdString(root.File("sys1") + ":" + root.File("sys2")));
    // Runs the program there, which must fail to start, and returns its own line on
    // standard error (Qt may add notes of its own).
    const auto failure = [&]() -> std::string {
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(work));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUORVIX_EXE), {});
        EXPECT_TRUE(process.waitForFinished(kWaitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        for (const QByteArray& line : process.readAllStandardError().split('\n')) {
            if (line.startsWith("quorvix: "))
                return line.toStdString();
        }
        return "no line of its own";
    };
    const std::string inWork = work + "/quorvix.ini";
    const std::string inHome = home + "/.config/Vostrane/quorvix.ini";
    const std::string inSys1 = root.File("sys1") + "/Vostrane/quorvix.ini";
    const std::string inSys2 = root.File("sys2") + "/Vostrane/quorvix.ini";

    EXPECT_EQ(failure(), "quorvix: cannot find quorvix.ini; looked for " + inWork + ", " + inHome + ", " +
                             inSys1 + ", " + inSys2);

    // A configuration that cannot be read (a directory) shows which place was taken: each
    // one made earlier in the order is taken instead of the later ones.
    const auto broken = [](const std::string& path) {
        std::filesystem::create_directories(path);
        return "quorvix: cannot read the configuration " + path + ": Is a directory";
    };
    // Each place is made before the program runs: EXPECT_EQ leaves the order of its two
    // arguments to the compiler.
    const auto failsAt = [&](const std::string& path) {
        const std::string expected = broken(path);
        const std::string actual = failure();
        return actual == expected
                   ? testing::AssertionSuccess()
                   : testing::AssertionFailure() << "expected: " << expected << "\n  actual: " << actual;
    };
    EXPECT_TRUE(failsAt(inSys2));
    EXPECT_TRUE(failsAt(inSys1));
    EXPECT_TRUE(failsAt(inHome));
    // XDG_CONFIG_HOME, when set, is the user's folder in place of ~/.config.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(root.File("cfg")));
    EXPECT_EQ(failure(), "quorvix: cannot read the configuration " + inSys1 + ": Is a directory");
    EXPECT_TRUE(failsAt(root.File("cfg") + "/Vostrane/quorvix.ini"));
    EXPECT_TRUE(failsAt(inWork));
}
#endif

TEST(QuorvixApp, CommandLineTakesFilesInOrderHelpVersionAndNothingElse) {
    using Action = CCommandLineInfo::Action;
    CCommandLineInfo info = ParseCommandLine({"b.log", "a.log", "-", "--", "--help", "-x"});
    EXPECT_EQ(info.action, Action::Run);
    EXPECT_EQ(info.files, (std::vector<std::string>{"b.log", "a.log", "-", "--help", "-x"}));

    EXPECT_EQ(ParseCommandLine({"a.log", "-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--version", "--bogus"}).action, Action::Version);
    // Help wins over version, wherever they stand.
    EXPECT_EQ(ParseCommandLine({"--version", "--help"}).action, Action::Help);
    info = ParseCommandLine({"a.log", "--bogus", "-y"});
    EXPECT_EQ(info.action, Action::Error);
    EXPECT_EQ(info.badOption, "--bogus");
    EXPECT_EQ(ParseCommandLine({}).action, Action::Run);
}

TEST(QuorvixApp, RecentFileListKeepsTheFourNewestAndOutlivesTheProgram) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    QStringList paths;
    for (const char* name : {"1.log", "2.log", "3.log", "4.log", "5.log"})
        paths << harness.Write(name, std::string("line of ") + name + "\n");
    for (const QString& path : paths)
        ASSERT_NE(harness.OpenAndLoad(path), nullptr);

    const QStringList newestFirst{paths[4], paths[3], paths[2], paths[1]};
    EXPECT_EQ(RecentEntries(harness.app->RecentFileList()), newestFirst);

    // The File menu shows them numbered, in place of the "Recent File" item.
    QMenu* file = harness.Frame().Menus(129).front();
    emit file->aboutToShow();
    QStringList shown;
    for (QAction* action : file->actions()) {
        if (action->isVisible() && action->text().startsWith(QLatin1Char('&')) && action->text()[1].isDigit())
            shown << action->text();
    }
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[0], QStringLiteral("&1 ") + paths[4]);
    EXPECT_EQ(shown[3], QStringLiteral("&4 ") + paths[1]);
    EXPECT_FALSE(harness.Frame().CommandAction(ID_FILE_MRU_FILE1)->isVisible());

    // Choosing an entry opens it again (here: activates its window).
    harness.Frame().RouteCommand(ID_FILE_MRU_FILE1 + 3, true);
    EXPECT_EQ(harness.Frame().ActiveLogWindow(), harness.WindowOf(paths[1]));

    // Written at the end, read at the next start.
    harness.Stop();
    ASSERT_TRUE(harness.Start());
    EXPECT_EQ(RecentEntries(harness.app->RecentFileList()), newestFirst);
}

TEST(QuorvixApp, AVanishedRecentFileIsRemovedWhateverTheCaseOfItsName) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const QString kept = harness.Write("Kept.log", "x\n");
    const QString gone = harness.Write("Gone.log", "x\n");
    ASSERT_NE(harness.OpenAndLoad(kept), nullptr);
    ASSERT_NE(harness.OpenAndLoad(gone), nullptr);
    harness.Docs().CloseAllDocuments();
    AppHarness::Settle();
    ASSERT_EQ(harness.app->RecentFileList().GetCount(), 2);

    // Removal compares ignoring the case of ASCII letters only.
    QString otherCase = gone;
    otherCase.replace(QStringLiteral("Gone.log"), QStringLiteral("gONE.LOG"));
    EXPECT_TRUE(harness.app->RemoveRecentFile(otherCase));
    EXPECT_EQ(RecentEntries(harness.app->RecentFileList()), QStringList{kept});
    EXPECT_FALSE(harness.app->RemoveRecentFile(otherCase));
    EXPECT_FALSE(harness.app->RemoveRecentFile(QStringLiteral("/no/such/entry.log")));

    // The user's way: the file vanished, its recent entry is chosen, the window reports it
    // and closes, and the entry goes.
    ASSERT_TRUE(QFile::remove(kept));
    harness.Frame().RouteCommand(ID_FILE_MRU_FILE1, true);
    EXPECT_EQ(harness.prompts.MessageTexts(), QStringList{QStringLiteral("Specified file not found!")});
    AppHarness::Settle();
    EXPECT_EQ(harness.app->RecentFileList().GetCount(), 0);
    EXPECT_TRUE(harness.Docs().Documents().empty());
    EXPECT_TRUE(harness.Frame().MdiClient()->subWindowList().isEmpty());
}

TEST(QuorvixApp, AMissingOrEmptyFileIsReportedAndItsWindowCloses) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const QString empty = harness.Write("empty.log", "");
    const QString missing = harness.PathOf("missing.log");
    ASSERT_TRUE(QDir().mkdir(harness.PathOf("a-directory.log")));
    for (const QString& path : {empty, missing, harness.PathOf("a-directory.log")}) {
        SCOPED_TRACE(path.toStdString());
        harness.prompts.Clear();
        ASSERT_NE(harness.app->OpenDocumentFile(path), nullptr);
        EXPECT_EQ(harness.prompts.MessageTexts(), QStringList{QStringLiteral("Specified file not found!")});
        // The window closes once the event loop turns; the path leaves the recent list.
        AppHarness::Settle();
        EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
        EXPECT_TRUE(harness.Frame().MdiClient()->subWindowList().isEmpty());
        EXPECT_EQ(harness.app->RecentFileList().GetCount(), 0);
        EXPECT_EQ(harness.Frame().MenuId(), 128);
    }
}

TEST(QuorvixApp, OpeningAPathThatIsOpenActivatesItsWindow) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const QString a = harness.Write("a.log", "a\n");
    const QString b = harness.Write("b.log", "b\n");
    CSplitterFrame* first = harness.OpenAndLoad(a);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(harness.OpenAndLoad(b), nullptr);
    EXPECT_NE(harness.Frame().ActiveLogWindow(), first);

    // The same file by another spelling of its path.
    CQuorvixDoc* again = harness.app->OpenDocumentFile(harness.PathOf("sub/../a.log"));
    EXPECT_EQ(again, harness.Docs().FindDocument(a));
    EXPECT_EQ(harness.Docs().Documents().size(), 2u);
    EXPECT_EQ(harness.Frame().MdiClient()->subWindowList().size(), 2);
    EXPECT_EQ(harness.Frame().ActiveLogWindow(), first);
}

TEST(QuorvixApp, ClosingAModifiedLogAsksWhetherToSave) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const QString path = harness.Write("edited.log", "one\ntwo\n");
    CSplitterFrame* window = harness.OpenAndLoad(path);
    ASSERT_NE(window, nullptr);
    CQuorvixDoc* doc = window->Document();

    // Unmodified: closes without a question.
    {
        const QString other = harness.Write("other.log", "x\n");
        CSplitterFrame* plain = harness.OpenAndLoad(other);
        ASSERT_NE(plain, nullptr);
        plain->close();
        AppHarness::Settle();
        EXPECT_EQ(harness.prompts.Requests().size(), 0u);
        EXPECT_EQ(harness.Docs().FindDocument(other), nullptr);
    }

    // Cancel keeps the window and the changes.
    window->LogView()->LogList().Model().DeleteString(0);
    doc->SetModifiedFlag(true);
    harness.prompts.Answer(IDCANCEL);
    window->close();
    AppHarness::Settle();
    ASSERT_EQ(harness.prompts.MessageTexts(), QStringList{QStringLiteral("Save changes to edited.log?")});
    EXPECT_EQ(harness.prompts.Requests().back().style & MB_TYPEMASK, MB_YESNOCANCEL);
    ASSERT_EQ(harness.Docs().FindDocument(path), doc);
    EXPECT_TRUE(doc->IsModified());

    // The main frame asks too, and Cancel keeps everything open.
    harness.prompts.Answer(IDCANCEL);
    EXPECT_FALSE(harness.Frame().close());
    EXPECT_EQ(harness.Docs().FindDocument(path), doc);

    // Yes saves the list over the file (through the log view) and closes.
    harness.prompts.Answer(IDYES);
    window->close();
    AppHarness::Settle();
    EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
    EXPECT_EQ(ReadWholeFile(path.toStdString()), "two\r\n");

    // No discards the changes and closes.
    CSplitterFrame* again = harness.OpenAndLoad(path);
    ASSERT_NE(again, nullptr);
    again->LogView()->LogList().Model().ResetContent();
    again->Document()->SetModifiedFlag(true);
    harness.prompts.Answer(IDNO);
    harness.Frame().RouteCommand(ID_FILE_CLOSE, true);
    AppHarness::Settle();
    EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
    EXPECT_EQ(ReadWholeFile(path.toStdString()), "two\r\n");
}

TEST(QuorvixApp, AboutBoxShowsTheVersionAndClosesWithOk) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    QStringList texts;
    QString caption;
    harness.prompts.AnswerDialog([&](CAboutDlg& dialog) {
        caption = dialog.windowTitle();
        for (QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        auto* ok = FindControl<QPushButton>(&dialog, IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        ok->click();
    });
    harness.Frame().RouteCommand(ID_APP_ABOUT, true);
    EXPECT_EQ(harness.prompts.Count(PromptKind::Dialog), 1);
    EXPECT_EQ(caption, "About Quorvix");
    EXPECT_TRUE(texts.contains(QStringLiteral("Quorvix Version " QUORVIX_VERSION)));
}
