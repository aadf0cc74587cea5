// Logs whose file names are bytes that are no UTF-8 (a Latin-1 name from an old share)
// open from the command line, save, come back through the recent-file list and the
// settings, and drop onto the window, each time as the same bytes.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMimeData>
#include <QSettings>

#include "platform/QtText.h"
#include "platform/Settings.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"

namespace {

const std::string kName = "caf\xe9.log";
const QString kShownName = QString::fromUtf8("caf\xc3\xa9.log");

// The File menu's numbered recent-file items, as shown.
QStringList RecentItems(CMainFrame& frame) {
    QMenu* file = frame.Menus(frame.MenuId()).front();
    emit file->aboutToShow();
    QStringList shown;
    for (QAction* action : file->actions()) {
        if (action->isVisible() && action->text().startsWith(QLatin1Char('&')) && action->text()[1].isDigit())
            shown << action->text();
    }
    return shown;
}

int Lines(CSplitterFrame& window) {
    return window.LogView()->LogList().Model().GetCount();
}

} // namespace

TEST(NonUtf8Names, ALatin1NameOpensSavesAndReopensThroughTheRecentFiles) {
    AppHarness harness;
    const std::string bytes = harness.Dir().Write(kName, "12:00 ERROR one\nplain two\n");
    // As RunQuorvix makes it of the argument's bytes.
    const QString path = PathFromBytes(bytes);
    ASSERT_TRUE(harness.Start({path}));

    CSplitterFrame* window = harness.WindowOf(path);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    EXPECT_EQ(Lines(*window), 2);
    EXPECT_EQ(harness.prompts.Requests().size(), 0u)
        << harness.prompts.MessageTexts().join("|").toStdString();
    // The title shows the name readably; the document keeps the bytes.
    CQuorvixDoc* doc = harness.Docs().FindDocument(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), kShownName);
    EXPECT_EQ(window->windowTitle(), kShownName);
    EXPECT_EQ(PathToBytes(doc->GetPathName()), bytes);

    // Save writes the file of that very name (no second file under a mangled name).
    window->LogView()->LogList().Model().SetItemText(1, "edited two");
    doc->SetModifiedFlag(true);
    ASSERT_TRUE(doc->DoFileSave());
    EXPECT_EQ(harness.prompts.Count(PromptKind::SaveFile), 0);
    EXPECT_EQ(ReadWholeFile(bytes), "12:00 ERROR one\r\nedited two\r\n");
    EXPECT_EQ(DirectoryEntries(harness.Dir().Path()), (std::set<std::string>{kName, "quorvix.ini"}));

    // The recent-file list has it, shown readably, and opens it again.
    ASSERT_EQ(harness.app->RecentFileList().GetCount(), 1);
    EXPECT_EQ(harness.app->RecentFileList()[0], path);
    harness.Docs().CloseAllDocuments();
    AppHarness::Settle();
    EXPECT_EQ(RecentItems(harness.Frame()), QStringList{QStringLiteral("&1 ") + PathForDisplay(path)});
    harness.Frame().RouteCommand(ID_FILE_MRU_FILE1, true);
    window = harness.WindowOf(path);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    EXPECT_EQ(Lines(*window), 2);

    // Written at the end and read at the next start, it is still the same bytes; an entry
    // written as text by an earlier version reads as before.
    harness.Stop();
    {
        const auto settings = OpenSettings();
        EXPECT_EQ(settings->value("Recent File List/File1").toByteArray(), QByteArray::fromStdString(bytes));
        settings->setValue("Recent File List/File2", QStringLiteral("/logs/plain.log"));
    }
    ASSERT_TRUE(harness.Start());
    ASSERT_EQ(harness.app->RecentFileList().GetCount(), 2);
    EXPECT_EQ(harness.app->RecentFileList()[0], path);
    EXPECT_EQ(harness.app->RecentFileList()[1], QStringLiteral("/logs/plain.log"));
    harness.Frame().RouteCommand(ID_FILE_MRU_FILE1, true);
    window = harness.WindowOf(path);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    EXPECT_EQ(window->LogView()->LogList().Model().GetText(1), "edited two");
    EXPECT_EQ(harness.prompts.Requests().size(), 0u)
        << harness.prompts.MessageTexts().join("|").toStdString();
}

TEST(NonUtf8Names, ADroppedLatin1NameOpens) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    // Dropped names pass the extension rule only without an extension or with .txt/.dat.
    const std::string bytes = harness.Dir().Write("caf\xe9.txt", "dropped line\n");
    // A file manager's drop: the name's bytes percent-encoded in the URL.
    QByteArray url = "file://" + QByteArray::fromStdString(bytes).toPercentEncoding("/") + "\r\n";
    QMimeData files;
    files.setData(QStringLiteral("text/uri-list"), url);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&harness.Frame(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&harness.Frame(), &drop);
    ASSERT_EQ(harness.Frame().DroppedPaths().size(), 1);
    EXPECT_EQ(PathToBytes(harness.Frame().DroppedPaths().front()), bytes);

    AppHarness::Settle();
    CSplitterFrame* window = harness.WindowOf(PathFromBytes(bytes));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    EXPECT_EQ(Lines(*window), 1);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("caf\xc3\xa9.txt"));
    EXPECT_EQ(harness.prompts.Requests().size(), 0u)
        << harness.prompts.MessageTexts().join("|").toStdString();
}
