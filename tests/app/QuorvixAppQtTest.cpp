#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QProcess>
#include <QPushButton>

#include "app/CommandLine.h"
#include "app/LevelConfig.h"
#include "platform/Settings.h"
#include "res/BuildInfo.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"
#include "view/Palette.h"

namespace {

int TopLevelMainFrames() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<CMainFrame*>(widget) ? 1 : 0;
    return count;
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
        EXPECT_EQ(err, "quorvix: cannot read quorvix.ini in the working directory\n");
        EXPECT_NE(harness.app->ExitCode(), 0);
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
        EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
        EXPECT_EQ(harness.app->MainFrame(), nullptr);
    }
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

    // No quorvix.ini here: one line on standard error (Qt may add its own notes), no window.
    run({QString::fromStdString(dir.Write("a.log", "x\n"))}, status, out, err);
    EXPECT_NE(status, 0);
    EXPECT_TRUE(err.contains("quorvix: cannot read quorvix.ini in the working directory\n"))
        << err.constData();

    run({QStringLiteral("--bogus")}, status, out, err);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(err.contains("unknown option '--bogus'"));
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
    harness.prompts.AnswerDialog([&](CDialog& dialog) {
        caption = dialog.windowTitle();
        for (QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        auto* ok = dialog.GetDlgItem<QPushButton>(IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        ok->click();
    });
    harness.Frame().RouteCommand(ID_APP_ABOUT, true);
    EXPECT_EQ(harness.prompts.Count(PromptKind::Dialog), 1);
    EXPECT_EQ(caption, "About Quorvix");
    EXPECT_TRUE(texts.contains(QStringLiteral("Quorvix Version " QUORVIX_VERSION)));
}
