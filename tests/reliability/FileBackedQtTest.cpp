// Logs whose text is read from their file, through the whole program. A budget of no
// bytes at all (QUORVIX_TEXT_BUDGET=0) makes every log file-backed; the same bytes loaded
// in memory beside it are the measure of what it must show, find, save, copy and rebuild.
// What another program does to the file after the load: a rename over its path, its
// deletion and our own save change nothing; a file cut short, or cut and written again,
// is told once, reads empty, and is neither saved nor copied.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "commands/Commands.h"
#include "commands/FindDlg.h"
#include "core/LineFile.h"
#include "frames/MarksView.h"
#include "platform/Clipboard.h"
#include "platform/ControlIds.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "support/AppHarness.h"
#include "support/ScopedEnv.h"
#include "view/LogListBox.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using Lines = std::vector<std::string>;

// More than one look at the file apart (the view looks every 2 s).
constexpr int kPastOneLookMs = 2600;

// Every kind of line the reader cuts its own way, `rounds` times over (about 5 KB a
// round, so that texts come from several windows of the file): LF and CR LF ends, empty
// and blank lines, white space at either end (a rebuild shows lines trimmed), long lines
// in pieces of 1023 bytes (3000 bytes: 1023, 1023 and 954; two whole pieces; two and a
// byte), lines of exactly one piece and of one byte more, NUL bytes, bytes that are no
// UTF-8, CRs that end no line, and at the end a line without a line feed.
std::string OddLog(int rounds) {
    std::string log;
    for (int r = 0; r < rounds; ++r) {
        const std::string n = std::to_string(r);
        log += "12:00 round " + n + " ERROR timeout\n";
        log += "crlf line " + n + "\r\n";
        log += "\n";
        log += "\r\n";
        log += "   both ends " + n + " WARN retry  \n";
        log += "one trailing blank " + n + " \r\n";
        log += "\tleading tab " + n + "\n";
        log += "   \n";
        const size_t kPiece = CLineFile::kMaxPiece;
        std::string huge(r % 3 ? 3000 : 2 * kPiece + static_cast<size_t>(r % 2), '\0');
        for (size_t i = 0; i < huge.size(); ++i)
            huge[i] = static_cast<char>('a' + (i + static_cast<size_t>(r)) % 26);
        log += huge + (r % 2 ? "\r\n" : "\n");
        log += std::string(kPiece, 'p') + "\r\n";
        log += std::string(kPiece + 1, 'q') + (r % 2 ? "\n" : "\r\n");
        log += "nul\0inside "s + n + " error\0\n"s;
        log += "invalid \xff\xfe utf-8 \xc3 " + n + "\n";
        log += "lone cr \r inside " + n + "\r\n";
        log += "ends in cr " + n + "\r\r\n";
    }
    log += "x ERROR refused, the last line, without a line feed ";
    return log;
}

Lines TextsOf(const DisplayList& list) {
    Lines texts;
    texts.reserve(static_cast<size_t>(list.GetCount()));
    for (int i = 0; i < list.GetCount(); ++i)
        texts.emplace_back(list.GetText(i));
    return texts;
}

std::vector<uint32_t> ItemDataOf(const DisplayList& list) {
    std::vector<uint32_t> data;
    for (int i = 0; i < list.GetCount(); ++i)
        data.push_back(list.GetItemData(i));
    return data;
}

// What the clipboard holds as plain text, byte for byte.
std::string ClipboardBytes() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QByteArray bytes = data ? data->data("text/plain") : QByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Descriptors of this process open on the file at `path` (canonical), or on the file that
// was there before it was deleted.
int DescriptorsOn(const std::string& path) {
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const fs::path target = fs::read_symlink(entry.path(), error);
        if (!error && (target == path || target == path + " (deleted)"))
            ++count;
    }
    return count;
}

class FileBacked : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    // Writes `bytes` to `name` and loads it, its text read from the file or kept in memory.
    CSplitterFrame* Open(std::string_view name, std::string_view bytes, bool fromFile) {
        budget.Set(fromFile ? "0" : "1000000000000000");
        CSplitterFrame* window = harness.OpenAndLoad(harness.Write(name, bytes));
        budget.Set("0");
        EXPECT_NE(window, nullptr) << name;
        if (window) {
            EXPECT_EQ(window->LogView()->Core().m_lineEntries.FileBacked(), fromFile) << name;
        }
        return window;
    }

    // Save As to `name` in the working directory, No to opening the saved file; the bytes
    // written, or "(none)" when no file was written.
    std::string SaveAs(CQuorvixView& view, std::string_view name) {
        const QString path = harness.PathOf(name);
        harness.prompts.AnswerFiles({path});
        harness.prompts.Answer(IDNO);
        log_view_commands::OnCmdMsg(view, ID_FILE_SAVE_AS, true);
        return fs::exists(path.toStdString()) ? ReadWholeFile(path.toStdString()) : "(none)";
    }

    // Find All of `word` (selecting and bookmarking); the lines selected then.
    std::vector<int> FindAll(CQuorvixView& view, const QString& word) {
        harness.prompts.AnswerDialog([word](CFindDlg& shown) {
            FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText(word);
            FindControl<QAbstractButton>(&shown, IDC_BOOKMARK_FOUND)->setChecked(true);
            FindControl<QPushButton>(&shown, IDOK)->click();
        });
        log_view_commands::OnCmdMsg(view, ID_EDIT_FIND, true);
        return view.LogList().Model().GetSelItems();
    }

    // Copy of every line; what a paste gets then.
    std::string CopyAll(CQuorvixView& view) {
        view.LogList().Model().SetSel(-1, true);
        log_view_commands::OnCmdMsg(view, ID_EDIT_COPY, true);
        return ClipboardBytes();
    }

    // The messages about a file changed under its log (told, or refusing a command).
    QStringList ChangeMessages() const {
        return harness.prompts.MessageTexts().filter(QStringLiteral("changed by another program"));
    }

    static bool WaitForRefill(CQuorvixView& view) {
        return QTest::qWaitFor([&] { return !view.IsRefilling() && !view.IsRefillPending(); }, kWaitMs);
    }

    AppHarness harness;
    // No budget: every log opened is read from its file, unless Open says otherwise.
    ScopedEnv budget{"QUORVIX_TEXT_BUDGET", "0"};
};

} // namespace

// The list, Find All, the marks pane, Save As and Copy, each against the in-memory view;
// then the copy outlives its window, and the file's descriptor goes with the last user.
TEST_F(FileBacked, ShowsFindsSavesAndCopiesWhatTheLogShowsInMemory) {
    const std::string bytes = OddLog(300);
    CSplitterFrame* memoryWindow = Open("memory.log", bytes, false);
    CSplitterFrame* fileWindow = Open("file.log", bytes, true);
    ASSERT_TRUE(memoryWindow && fileWindow);
    CQuorvixView& memory = *memoryWindow->LogView();
    CQuorvixView& file = *fileWindow->LogView();
    const DisplayList& memoryList = memory.LogList().Model();
    const DisplayList& fileList = file.LogList().Model();

    const Lines shown = TextsOf(memoryList);
    ASSERT_GT(shown.size(), 300u * 17);
    EXPECT_EQ(TextsOf(fileList), shown);
    EXPECT_EQ(ItemDataOf(fileList), ItemDataOf(memoryList));
    // Backwards and by jumps, as scrolling up and going to a line read.
    for (int i = fileList.GetCount() - 1; i >= 0; --i)
        ASSERT_EQ(fileList.GetText(i), shown[static_cast<size_t>(i)]) << "line " << i;
    for (int i = 0, step = 7919; i < fileList.GetCount(); ++i) {
        const int at = static_cast<int>((static_cast<int64_t>(i) * step) % fileList.GetCount());
        ASSERT_EQ(fileList.GetText(at), shown[static_cast<size_t>(at)]) << "line " << at;
    }
    // Painting reads the rows on screen, the first ones and the last ones.
    EXPECT_FALSE(file.LogList().grab().isNull());
    file.LogList().Model().SetCaretIndex(fileList.GetCount() - 1);
    EXPECT_FALSE(file.LogList().grab().isNull());

    for (const QString& word : {QStringLiteral("error"), QStringLiteral("inside"), QStringLiteral("PPPP")}) {
        SCOPED_TRACE(word.toStdString());
        const std::vector<int> found = FindAll(memory, word);
        EXPECT_FALSE(found.empty());
        EXPECT_EQ(FindAll(file, word), found);
        EXPECT_EQ(file.Core().m_bookmarks.Indices(), memory.Core().m_bookmarks.Indices());
    }
    // Analyze: every line holding one of the levels' keywords.
    for (CQuorvixView* view : {&memory, &file})
        log_view_commands::OnCmdMsg(*view, ID_OPTIONS_ANALYZE, true);
    EXPECT_FALSE(memoryList.GetSelItems().empty());
    EXPECT_EQ(file.Core().m_bookmarks.Indices(), memory.Core().m_bookmarks.Indices());
    EXPECT_EQ(fileList.GetSelItems(), memoryList.GetSelItems());
    // The marks pane lists the bookmarked lines from the same store.
    memoryWindow->MarksView()->OnRefreshBookmarks();
    fileWindow->MarksView()->OnRefreshBookmarks();
    const Lines marked = TextsOf(memoryWindow->MarksView()->BookmarkList().Model());
    EXPECT_FALSE(marked.empty());
    EXPECT_EQ(TextsOf(fileWindow->MarksView()->BookmarkList().Model()), marked);
    memoryWindow->MarksView()->OnCopyBookmarks();
    const std::string marksCopied = ClipboardBytes();
    fileWindow->MarksView()->OnCopyBookmarks();
    EXPECT_EQ(ClipboardBytes(), marksCopied);

    const std::string saved = SaveAs(memory, "memory.txt");
    ASSERT_GT(saved.size(), bytes.size() / 2);
    EXPECT_EQ(SaveAs(file, "file.txt"), saved);

    const std::string copied = CopyAll(memory);
    ASSERT_GT(copied.size(), bytes.size() / 2);
    EXPECT_EQ(CopyAll(file), copied);
    EXPECT_EQ(ChangeMessages(), QStringList());

    // The log's descriptors are the store's and the reader's, which follows the file. The
    // copy keeps the store, and with it the file, past the window and the path's deletion;
    // the descriptor goes with the copy.
    const std::string path = fs::canonical(harness.PathOf("file.log").toStdString());
    EXPECT_EQ(DescriptorsOn(path), 2);
    fileWindow->CloseWithoutAsking();
    AppHarness::Settle();
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(ClipboardBytes(), copied);
    EXPECT_EQ(DescriptorsOn(path), 1);
    ASSERT_TRUE(SetClipboardText("other"));
    AppHarness::Settle();
    EXPECT_EQ(DescriptorsOn(path), 0);
}

// A rebuild shows the stored lines again, trimmed: with a level hidden and with every
// line shown, as in memory.
TEST_F(FileBacked, ARebuildShowsWhatItShowsInMemory) {
    const std::string bytes = OddLog(100);
    CSplitterFrame* memoryWindow = Open("memory.log", bytes, false);
    CSplitterFrame* fileWindow = Open("file.log", bytes, true);
    ASSERT_TRUE(memoryWindow && fileWindow);
    CQuorvixView& memory = *memoryWindow->LogView();
    CQuorvixView& file = *fileWindow->LogView();
    const Lines loaded = TextsOf(memory.LogList().Model());

    // Filter entry 1, the lines of level ERROR: hidden, then shown again.
    for (const bool showErrors : {false, true}) {
        SCOPED_TRACE(showErrors);
        for (CQuorvixView* view : {&memory, &file}) {
            view->Core().m_levelFilter[1].show = showErrors;
            view->StartRefill();
            ASSERT_TRUE(WaitForRefill(*view));
        }
        const Lines rebuilt = TextsOf(memory.LogList().Model());
        EXPECT_NE(rebuilt, loaded); // trimmed, or fewer
        EXPECT_EQ(TextsOf(file.LogList().Model()), rebuilt);
        EXPECT_EQ(ItemDataOf(file.LogList().Model()), ItemDataOf(memory.LogList().Model()));
        for (const QString& word : {QStringLiteral("ends"), QStringLiteral("error")}) {
            const std::vector<int> found = FindAll(memory, word);
            EXPECT_FALSE(found.empty()) << word.toStdString();
            EXPECT_EQ(FindAll(file, word), found) << word.toStdString();
        }
    }
    EXPECT_EQ(memory.LogList().GetCount(), static_cast<int>(loaded.size()));
    EXPECT_EQ(SaveAs(file, "file.txt"), SaveAs(memory, "memory.txt"));
    EXPECT_EQ(ChangeMessages(), QStringList());
}

// The file's path gets another file (a rotation renames a new one over it), or none, or
// the log itself is saved over it: the lines read stay as they were, served by the file
// they were read from; the rotated-in file is read after them, the saved one is not.
TEST_F(FileBacked, ARotationAddsTheNewFileAndADeletionOrItsOwnSaveChangesNothing) {
    const std::string bytes = OddLog(20);
    struct Case {
        const char* name;
        CSplitterFrame* window = nullptr;
        Lines lines{};
        std::string saved{};
        std::string copied{};
    };
    Case cases[] = {{"renamed.log"}, {"deleted.log"}, {"saved.log"}};
    for (Case& c : cases) {
        c.window = Open(c.name, bytes, true);
        ASSERT_NE(c.window, nullptr);
        c.lines = TextsOf(c.window->LogView()->LogList().Model());
        c.saved = SaveAs(*c.window->LogView(), "before.txt");
        c.copied = CopyAll(*c.window->LogView());
    }
    const std::string renamed = harness.PathOf("renamed.log").toStdString();
    const std::string other = harness.Dir().Write("other.log", "another file\n");
    ASSERT_EQ(::rename(other.c_str(), renamed.c_str()), 0);
    ASSERT_EQ(::unlink(harness.PathOf("deleted.log").toStdString().c_str()), 0);
    // File Save over the log, one line deleted: a new file goes in its place.
    CSplitterFrame* saving = cases[2].window;
    saving->LogView()->LogList().Model().DeleteString(0);
    saving->Document()->SetModifiedFlag(true);
    harness.Frame().ActivateLogWindow(saving);
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    EXPECT_FALSE(saving->Document()->IsModified());
    cases[2].lines.erase(cases[2].lines.begin());
    cases[2].saved = ReadWholeFile(harness.PathOf("saved.log").toStdString());
    cases[2].copied = cases[2].copied.substr(cases[2].copied.find('\n') + 1);

    // The file now at the renamed one's path is a rotation: read from its start, after the
    // lines that were there.
    cases[0].lines.push_back("another file");
    cases[0].saved += "another file\r\n";
    cases[0].copied += "another file\n";
    harness.prompts.Clear();
    QTest::qWait(kPastOneLookMs);
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQuorvixView& view = *c.window->LogView();
        EXPECT_EQ(TextsOf(view.LogList().Model()), c.lines);
        EXPECT_EQ(SaveAs(view, "after.txt"), c.saved);
        EXPECT_EQ(CopyAll(view), c.copied);
        EXPECT_FALSE(view.Core().m_lineEntries.SourceChanged());
    }
    EXPECT_EQ(ReadWholeFile(renamed), "another file\n");
    EXPECT_EQ(ChangeMessages(), QStringList());
}

// Another program cuts the file short, to nothing or to half, or cuts it and writes it
// anew, longer than before (a log rotated by copying and truncating). Each view tells
// once, within a look or two, and its lines read empty but for an edited one; Save, Save
// As, Copy and Copy Bookmarks refuse, and a copy made before gives a paste nothing.
// A log read from its file, cut short or rewritten by another program: the lines read so far
// can be read no more, so the log starts again with what the file holds now and says so
// once; the list, the bookmarks and the marks pane start again, and an earlier copy pastes
// nothing (never the file's new bytes). Save and Copy then work on what is shown.
TEST_F(FileBacked, AFileCutShortStartsAgainWithWhatItHoldsNow) {
    const std::string bytes = OddLog(20);
    struct Case {
        const char* name;
        std::string after; // what the other program leaves in the file
        CSplitterFrame* window = nullptr;
    };
    std::string rewritten;
    while (rewritten.size() < bytes.size() * 2)
        rewritten += "new\n";
    Case cases[] = {
        {"emptied.log", ""}, {"halved.log", "kept 1\nkept 2 ERROR x\n"}, {"rewritten.log", rewritten}};
    for (Case& c : cases) {
        c.window = Open(c.name, bytes, true);
        ASSERT_NE(c.window, nullptr);
        CQuorvixView& view = *c.window->LogView();
        view.Core().m_bookmarks.Add(0);
        c.window->MarksView()->OnRefreshBookmarks();
    }
    // A copy made before the change, not pasted until after it.
    CopyAll(*cases[1].window->LogView());
    harness.prompts.Clear();

    for (const Case& c : cases) {
        const std::string path = harness.PathOf(c.name).toStdString();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << c.after;
        ASSERT_TRUE(out.good());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQuorvixView& view = *c.window->LogView();
        Lines expected;
        for (size_t at = 0; at < c.after.size();) {
            const size_t lf = c.after.find('\n', at);
            expected.push_back(c.after.substr(at, lf - at));
            at = lf + 1;
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return TextsOf(view.LogList().Model()) == expected; }, kWaitMs));
        EXPECT_EQ(TextsOf(view.LogList().Model()), expected);
        EXPECT_TRUE(view.Core().m_bookmarks.Indices().empty());
        EXPECT_EQ(c.window->MarksView()->BookmarkList().GetCount(), 0);
        EXPECT_FALSE(view.Core().m_lineEntries.SourceChanged());
        if (!expected.empty()) {
            std::string plain;
            for (const std::string& line : expected)
                plain += line + "\r\n";
            EXPECT_EQ(SaveAs(view, "copy.txt"), plain);
        }
    }
    EXPECT_EQ(ClipboardBytes(), "");
    EXPECT_EQ(ChangeMessages(), QStringList());
}

// The budget is shared by the open logs: a log that fits in what the others left is kept
// in memory, one that does not is read from its file, and a window that goes gives its
// share back, also when its lines were on the clipboard (they are made into text first).
TEST_F(FileBacked, TheBudgetIsSharedByTheOpenLogsAndComesBackWithTheirWindows) {
    ASSERT_TRUE(SetClipboardText("")); // no store of an earlier test held by the clipboard
    const std::string bytes = OddLog(10);
    budget.Set(std::to_string(bytes.size() * 3 / 2));
    const auto open = [&](std::string_view name) {
        CSplitterFrame* window = harness.OpenAndLoad(harness.Write(name, bytes));
        EXPECT_NE(window, nullptr) << name;
        return window;
    };
    const auto fromFile = [](CSplitterFrame* window) {
        return window && window->LogView()->Core().m_lineEntries.FileBacked();
    };
    CSplitterFrame* first = open("first.log");
    CSplitterFrame* second = open("second.log");
    EXPECT_FALSE(fromFile(first));
    EXPECT_TRUE(fromFile(second));
    ASSERT_TRUE(first && second);
    const std::string copied = CopyAll(*first->LogView());
    first->CloseWithoutAsking();
    AppHarness::Settle();
    EXPECT_EQ(ClipboardBytes(), copied);
    CSplitterFrame* third = open("third.log");
    EXPECT_FALSE(fromFile(third));
    // The file-backed one took nothing: its window going leaves no room beside the third.
    second->CloseWithoutAsking();
    AppHarness::Settle();
    EXPECT_TRUE(fromFile(open("fourth.log")));
    // The budget is read at every load.
    budget.Set(std::to_string(bytes.size() * 5 / 2));
    EXPECT_FALSE(fromFile(open("fifth.log")));
}
