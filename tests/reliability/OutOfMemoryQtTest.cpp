// Memory running out ends the one operation that ran out, never the program: a load
// keeps the lines it took and says how many, a copy leaves the clipboard alone, a save
// leaves no half-written file, a search changes nothing. The address space is limited
// (as a container or a small machine limits it), in a child process for a whole load and
// in this process for a single command.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "commands/Commands.h"
#include "commands/FindDlg.h"
#include "loader/TraceWnd.h"
#include "platform/Clipboard.h"
#include "platform/ControlIds.h"
#include "platform/QtText.h"
#include "res/Resources.h"
#include "support/AppHarness.h"
#include "support/FakeCommandHost.h"
#include "support/FaultInjection.h"
#include "view/LogListBox.h"

namespace {

// The child's side of the load test runs only when this names the log it loads.
constexpr char kChildLogVariable[] = "QUORVIX_OUT_OF_MEMORY_LOG";

// What the child may map beyond what it maps before the big load, and the size of that
// log: far more than fits, while every thread the load starts still fits.
constexpr size_t kChildHeadroom = 256u << 20;
constexpr size_t kBigLogBytes = 512u << 20;

// Line `n` of a big log, `padding` bytes longer than the shortest: fixed width, so any
// line can be checked by its number.
std::string BigLogLine(size_t n, size_t padding) {
    char line[128];
    std::snprintf(line, sizeof line, "12:00:00.%09zu gateway link %09zu %s retry after checksum mismatch ", n,
                  n, n % 5 == 0 ? "ERROR" : "WARN ");
    return line + std::string(padding, '.') + "\n";
}

// A big log's name is its lines' padding.
size_t PaddingOf(const std::string& path) {
    return std::stoul(path.substr(path.rfind('/') + 1));
}

void WriteBigLog(const std::string& path, size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::string chunk;
    for (size_t n = 0, written = 0; written < bytes; ++n) {
        chunk += BigLogLine(n, PaddingOf(path));
        if (chunk.size() >= (1u << 20)) {
            out << chunk;
            written += chunk.size();
            chunk.clear();
        }
    }
    out << chunk;
}

#define SKIP_WITH_SHADOW_MEMORY()                                                                            \
    if (ShadowMemorySanitizer())                                                                             \
    GTEST_SKIP() << "the sanitizer's shadow memory reserves terabytes: no address-space limit can be set"

} // namespace

// The program under a limit: this test runs its child below in a process of its own
// (this executable again) and reads what it saw from its output. Short lines run out of
// room in the list first (the GUI thread fails), long ones out of the reader's blocks.
TEST(OutOfMemory, ALogBeyondTheMemoryLeftLoadsWhatFitsAndEverythingElseLives) {
    SKIP_WITH_SHADOW_MEMORY();
    for (const char* padding : {"0", "900"}) {
        SCOPED_TRACE(std::string("lines padded by ") + padding);
        TempDir dir;
        const std::string log = dir.File(padding);
        WriteBigLog(log, kBigLogBytes);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildLogVariable), QString::fromStdString(log));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=OutOfMemoryChild.LoadsUnderTheLimit")});
        ASSERT_TRUE(child.waitForFinished(kWaitMs * 4));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const QString err = QString::fromUtf8(child.readAllStandardError());
        // Alive to the end, and every check there passed.
        ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << err.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString() << err.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("SKIPPED"))) << out.toStdString();
    }
}

// The child of the test above.
TEST(OutOfMemoryChild, LoadsUnderTheLimit) {
    const char* logVariable = std::getenv(kChildLogVariable);
    if (!logVariable)
        GTEST_SKIP() << "runs only as the child of OutOfMemory.ALogBeyondTheMemoryLeftLoads...";
    const std::string log = logVariable;
    const size_t padding = PaddingOf(log);
    AppHarness harness("LOAD_STATUS = 1\n{\n$Type ERROR:10\nchecksum,\n}\n{\n$Type WARN:6\n}\n");
    ASSERT_TRUE(harness.Start());
    // Another log, open before and while memory runs out.
    const QString other = harness.Write("other.log", "09:00 ERROR first\n09:01 WARN second\n09:02 third\n");
    CSplitterFrame* otherWindow = harness.OpenAndLoad(other);
    ASSERT_NE(otherWindow, nullptr);

    const QString big = PathFromBytes(log);
    CSplitterFrame* window = nullptr;
    {
        AddressSpaceLimit limit(kChildHeadroom);
        ASSERT_TRUE(limit.Ok());
        ASSERT_NE(harness.app->OpenDocumentFile(big), nullptr);
        window = harness.WindowOf(big);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(AppHarness::WaitForLoad(*window));
        // The message is posted: it comes from the event loop.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.prompts.MessageTexts().isEmpty(); }, kWaitMs));
    }
    CQuorvixView& view = *window->LogView();
    const DisplayList& lines = view.LogList().Model();
    const size_t kept = view.Core().m_lineEntries.GetCount();
    std::printf("kept %zu lines of the big log\n", kept);

    // The lines read before memory ran out stay, each in the store and the list, in order.
    ASSERT_GT(kept, 0u);
    EXPECT_LT(kept * BigLogLine(0, padding).size(), kBigLogBytes);
    EXPECT_EQ(static_cast<size_t>(lines.GetCount()), kept);
    for (const size_t n : {size_t{0}, kept / 2, kept - 1}) {
        const std::string line = BigLogLine(n, padding);
        EXPECT_EQ(lines.GetText(static_cast<int>(n)), line.substr(0, line.size() - 1)) << n;
        EXPECT_EQ(view.Core().m_lineEntries.Level(n), n % 5 == 0 ? 0 : 1) << n;
    }
    // In words, once; the progress dialog is gone; the load is over.
    EXPECT_EQ(harness.prompts.MessageTexts(),
              QStringList{
                  QStringLiteral("not enough memory to load all of %1: %2 lines loaded").arg(big).arg(kept)});
    ASSERT_NE(view.ReaderWindow(), nullptr);
    EXPECT_EQ(view.ReaderWindow()->ProgressDialog(), nullptr);
    EXPECT_TRUE(view.IsLoadDone());
    EXPECT_FALSE(view.IsLoading());
    EXPECT_TRUE(view.Core().m_levelFilter[1].present);

    // The other log is untouched and its window still works.
    const DisplayList& otherLines = otherWindow->LogView()->LogList().Model();
    ASSERT_EQ(otherLines.GetCount(), 3);
    EXPECT_EQ(otherLines.GetText(2), "09:02 third");
    EXPECT_EQ(otherWindow->LogView()->Core().m_lineEntries.GetCount(), 3u);
    window->CloseWithoutAsking();
    AppHarness::Settle();
    EXPECT_EQ(harness.Docs().Documents().size(), 1u);
    otherWindow->LogView()->LogList().Model().SetSel(-1, true);
    log_view_commands::OnCmdMsg(*otherWindow->LogView(), ID_EDIT_COPY, true);
    EXPECT_EQ(GetClipboardText(), QStringLiteral("09:00 ERROR first\n09:01 WARN second\n09:02 third\n"));
}

TEST(OutOfMemory, ACopyThatDoesNotFitSaysSoAndLeavesTheClipboardAlone) {
    SKIP_WITH_SHADOW_MEMORY();
    FakeCommandHost host;
    // 600 lines of 256 KiB each, all one text: the block would need 150 MiB.
    const std::string text(256u << 10, 'x');
    for (int i = 0; i < 600; ++i)
        host.LogList().Model().AddStringRef(text);
    host.LogList().Model().SetSel(-1, true);
    ASSERT_TRUE(SetClipboardText("before"));
    FakePrompts prompts;
    {
        AddressSpaceLimit limit(32u << 20);
        ASSERT_TRUE(limit.Ok());
        clipboard_commands::OnCopy(host);
    }
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QStringLiteral("not enough memory to copy 600 lines: the clipboard is unchanged")});
    EXPECT_EQ(GetClipboardText(), QStringLiteral("before"));
    EXPECT_EQ(host.LogList().Model().GetSelCount(), 600);

    // With the memory back, the same copy goes through.
    prompts.Clear();
    host.LogList().Model().DeleteItems({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    clipboard_commands::OnCopy(host);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QStringLiteral("Copied to Clipboard!")});
    EXPECT_EQ(GetClipboardText().size(), 590 * (text.size() + 1));
}

TEST(OutOfMemory, ASaveThatRunsOutOfMemoryWritesNothingAndSaysSo) {
    SKIP_WITH_SHADOW_MEMORY();
    TempDir dir;
    const std::string target = dir.Write("saved.log", "old content\n");
    FakeCommandHost host;
    host.Load({"first", "second"});
    FakePrompts prompts;
    bool saved = true;
    {
        // Less than the save's buffer of a few megabytes.
        AddressSpaceLimit limit(1u << 20);
        ASSERT_TRUE(limit.Ok());
        saved = save_commands::SaveDocument(host, PathFromBytes(target));
    }
    EXPECT_FALSE(saved);
    ASSERT_EQ(prompts.MessageTexts().size(), 1);
    EXPECT_EQ(prompts.MessageTexts().front(),
              QStringLiteral("Cannot save \"%1\":\n%2")
                  .arg(PathFromBytes(target), QString::fromLocal8Bit(std::strerror(ENOMEM))));
    // The target is as it was, and nothing half written lies beside it.
    EXPECT_EQ(ReadWholeFile(target), "old content\n");
    EXPECT_EQ(DirectoryEntries(dir.Path()), std::set<std::string>{"saved.log"});
    EXPECT_FALSE(host.modified);
}

TEST(OutOfMemory, AFindAllThatRunsOutOfMemoryChangesNothing) {
    SKIP_WITH_SHADOW_MEMORY();
    FakeCommandHost host;
    // Three million matching lines: the lines found alone take 12 MB.
    const std::string text = "12:00 link ERROR down";
    DisplayList& list = host.LogList().Model();
    for (int i = 0; i < 3000000; ++i)
        list.AddStringRef(text);
    host.Core().m_bookmarks.Add(7);
    list.SetSel(3, true);
    FakePrompts prompts;
    prompts.AnswerDialog([](CFindDlg& shown) {
        FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText(QStringLiteral("error"));
        FindControl<QAbstractButton>(&shown, IDC_BOOKMARK_FOUND)->setChecked(true);
        AddressSpaceLimit limit(16u << 20);
        ASSERT_TRUE(limit.Ok());
        FindControl<QPushButton>(&shown, IDOK)->click();
    });
    find_commands::OnFind(host);

    // The message, then the dialog again (cancelled here): nothing selected or bookmarked.
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QStringLiteral("not enough memory to search the log: no line was selected")});
    EXPECT_EQ(prompts.Count(PromptKind::Dialog), 2);
    EXPECT_EQ(list.GetSelCount(), 1);
    EXPECT_EQ(list.GetSel(3), 1);
    EXPECT_EQ(host.Core().m_bookmarks.Indices(), std::vector<uint32_t>{7});
    int marked = 0;
    for (int i = 0; i < list.GetCount(); ++i)
        marked += (list.GetItemData(i) & BOOKMARK_BIT) != 0 ? 1 : 0;
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(host.waitCursors, 0);
}

TEST(OutOfMemory, ARebuildThatRunsOutOfMemoryShowsTheLinesItCouldAndSaysHowMany) {
    SKIP_WITH_SHADOW_MEMORY();
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    constexpr int kLines = 2000000;
    std::string bytes;
    // Every other line is a warning: a rebuild that leaves warnings out needs the list's
    // numbers of the store's lines (a rebuild of every line needs none).
    for (int i = 0; i < kLines; ++i)
        bytes += "line " + std::to_string(i) + (i % 2 ? " WARN\n" : "\n");
    const QString path = harness.Write("many.log", bytes);
    CSplitterFrame* window = harness.OpenAndLoad(path);
    ASSERT_NE(window, nullptr);
    CQuorvixView& view = *window->LogView();
    DisplayList& list = view.LogList().Model();
    ASSERT_EQ(list.GetCount(), kLines);
    // All but the first thousand lines leave the list (not the store), and with them the
    // list's memory: a rebuild of the whole store needs 10 MB of it again.
    list.SelItemRange(true, 1000, kLines - 1);
    ASSERT_TRUE(edit_commands::DeleteSelectedLines(view));
    ASSERT_EQ(list.GetCount(), 1000);
    harness.prompts.Clear();
    {
        // Room for the rebuild's first run of lines, not for all of them.
        AddressSpaceLimit limit(4u << 20);
        ASSERT_TRUE(limit.Ok());
        list.ResetContent();
        view.Core().m_levelFilter[2].show = false;
        view.StartRefill();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.IsRefilling(); }, kWaitMs));
    }
    // The lines shown are the store's first ones but the warnings, in order; the user is
    // told how many.
    const int shown = list.GetCount();
    ASSERT_GT(shown, 0);
    EXPECT_LT(shown, kLines / 2);
    EXPECT_EQ(list.GetText(shown - 1), "line " + std::to_string(2 * (shown - 1)));
    EXPECT_EQ(
        harness.prompts.MessageTexts(),
        QStringList{
            QStringLiteral("not enough memory to show all of %1: %2 lines shown").arg(path).arg(shown)});
    EXPECT_EQ(view.RefillProgress(), nullptr);
    EXPECT_EQ(view.Core().m_lineEntries.GetCount(), static_cast<size_t>(kLines));

    // With the memory back, a rebuild shows every line again.
    harness.prompts.Clear();
    list.ResetContent();
    view.Core().m_levelFilter[2].show = true;
    view.StartRefill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.IsRefilling(); }, kWaitMs));
    EXPECT_EQ(list.GetCount(), kLines);
    EXPECT_TRUE(harness.prompts.MessageTexts().isEmpty());
}

// A log of more lines than a window holds (2^31 - 1; lowered here before the load starts)
// shows its first lines and says so, as a load that ran out of memory does.
TEST(LineLimit, ALogPastTheLimitShowsItsFirstLinesAndSaysHowMany) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    std::string bytes;
    for (int i = 0; i < 50000; ++i)
        bytes += "line " + std::to_string(i) + "\n";
    const QString path = harness.Write("long.log", bytes);
    ASSERT_TRUE(harness.app->OpenDocumentFile(path));
    CSplitterFrame* window = harness.WindowOf(path);
    ASSERT_NE(window, nullptr);
    // The load starts from the event loop, after the window is up.
    window->LogView()->Core().m_lineLimit = 30000;
    ASSERT_TRUE(AppHarness::WaitForLoad(*window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.prompts.MessageTexts().isEmpty(); }, kWaitMs));
    EXPECT_EQ(harness.prompts.MessageTexts(),
              QStringList{QStringLiteral(
                              "%1 has more lines than a log window can hold: its first 30000 lines are shown")
                              .arg(path)});
    const DisplayList& list = window->LogView()->LogList().Model();
    ASSERT_EQ(list.GetCount(), 30000);
    EXPECT_EQ(list.GetText(29999), "line 29999");
}
