#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "commands/Commands.h"
#include "core/LogViewCore.h"
#include "platform/Clipboard.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

QString Q(const std::string& path) {
    return QString::fromStdString(path);
}

void Select(FakeCommandHost& host, std::initializer_list<int> indices) {
    for (int index : indices)
        host.LogList().Model().SetSel(index, true);
}

TEST(CopyAndClearSel, CopyPutsTheSelectedLinesWithLineFeedsAndClearSelDropsThem) {
    FakeCommandHost host;
    host.Load({"a", "skip", "b", "c", "skip too"});
    FakePrompts prompts;

    // No selection: nothing happens.
    ASSERT_TRUE(SetClipboardText("before"));
    clipboard_commands::OnCopy(host);
    EXPECT_EQ(GetClipboardText(), "before");
    EXPECT_TRUE(prompts.Requests().empty());

    Select(host, {3, 0, 2});
    clipboard_commands::OnCopy(host);
    EXPECT_EQ(GetClipboardText(), "a\nb\nc\n");
    EXPECT_EQ(prompts.MessageTexts(), QStringList({"Copied to Clipboard!"}));

    host.LogList().Model().SetCaretIndex(1);
    clipboard_commands::OnClearSel(host);
    EXPECT_EQ(host.LogList().Model().GetSelCount(), 0);
    EXPECT_EQ(host.LogList().Model().GetCaretIndex(), 1);
}

// What the clipboard holds as plain text, byte for byte.
std::string ClipboardBytes() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QByteArray bytes = data ? data->data("text/plain") : QByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

TEST(CopyAndClearSel, ValidUtf8LinesStayAsTheyAreBesideLatin1Ones) {
    FakeCommandHost host;
    host.Load({"caf\xC3\xA9 error", "caf\xE9 latin", "plain", "\xE2\x82\xAC \xFF"});
    FakePrompts prompts;
    Select(host, {0, 1, 2, 3});
    clipboard_commands::OnCopy(host);
    EXPECT_EQ(ClipboardBytes(),
              "caf\xC3\xA9 error\ncaf\xC3\xA9 latin\nplain\n\xC3\xA2\xC2\x82\xC2\xAC \xC3\xBF\n");
}

// Copy keeps the lines, not their text, and makes the text at each paste: what a paste
// gives must still be what was copied after the lines are edited, deleted, the list is
// rebuilt and the log's store is let go of; and the store's memory goes only when neither
// the view nor the clipboard needs it.
TEST(CopyAndClearSel, APasteGivesWhatWasCopiedWhateverTheLogDidSince) {
    std::weak_ptr<const LineStore> store;
    {
        FakeCommandHost host;
        host.Load({"  one  ", "two", "three", "four"});
        store = host.Core().StoreOwner();
        DisplayList& list = host.LogList().Model();
        list.SetItemText(2, "three, edited");
        Select(host, {0, 2, 3});
        FakePrompts prompts;
        clipboard_commands::OnCopy(host);
        const std::string copied = "  one  \nthree, edited\nfour\n";
        EXPECT_EQ(ClipboardBytes(), copied);
        EXPECT_EQ(GetClipboardText(), QString::fromStdString(copied));

        list.SetItemText(0, "changed");
        list.SetItemText(2, "changed again");
        list.DeleteItems({3});
        EXPECT_EQ(ClipboardBytes(), copied);
        host.Core().ResetForRebuild();
        EXPECT_EQ(ClipboardBytes(), copied);

        // The view lets go of its lines: the copy becomes text and lets go of them too.
        ClipboardLetGoOf(&host.Core().m_lineEntries);
        host.Core().FreeLineEntries();
        EXPECT_TRUE(host.Core().m_lineEntries.IsEmpty());
        EXPECT_EQ(ClipboardBytes(), copied);
    }
    EXPECT_TRUE(store.expired());

    // Without the view letting go first, the clipboard keeps the lines alive, and a paste
    // after the view has gone still gives them.
    {
        FakeCommandHost host;
        host.Load({"kept", "line"});
        store = host.Core().StoreOwner();
        Select(host, {1});
        FakePrompts prompts;
        clipboard_commands::OnCopy(host);
        host.Core().FreeLineEntries();
    }
    EXPECT_FALSE(store.expired());
    EXPECT_EQ(ClipboardBytes(), "line\n");
    ASSERT_TRUE(SetClipboardText("other"));
    EXPECT_TRUE(store.expired());
}

TEST(CopyAndClearSel, ALargeCopyFilledBySeveralThreadsKeepsEveryLineInOrder) {
    // Enough selected lines for the copy to be split between threads, of varying lengths
    // so the parts' boundaries fall anywhere in the block; now and then a line that is not
    // UTF-8, which alone grows by its Latin-1 bytes.
    FakeCommandHost host;
    std::vector<std::string> lines;
    const int count = 1200000;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        lines.push_back(std::to_string(i) + std::string(static_cast<size_t>(i % 7), 'x'));
        if (i % 4099 == 17)
            lines.back() += "\xE9";
        else if (i % 5003 == 3)
            lines.back() += "\xC3\xA9";
    }
    host.Load(lines);
    FakePrompts prompts;
    std::string expected;
    DisplayList& list = host.LogList().Model();
    for (int i = 0; i < count; ++i) {
        if (i % 3 == 1)
            continue;
        list.SetSel(i, true);
        std::string line = lines[static_cast<size_t>(i)];
        if (i % 4099 == 17)
            line.replace(line.size() - 1, 1, "\xC3\xA9");
        expected += line + "\n";
    }
    clipboard_commands::OnCopy(host);
    const std::string copied = ClipboardBytes();
    EXPECT_EQ(copied.size(), expected.size());
    EXPECT_TRUE(copied == expected); // not EXPECT_EQ: megabytes in a failure
}

TEST(SaveAs, WritesTheListWithCrLfAndOffersToOpenIt) {
    TempDir dir;
    const std::string path = dir.File("saved.txt");
    FakeCommandHost host;
    {
        // An empty list: no file, no question.
        FakePrompts prompts;
        prompts.AnswerFiles({Q(path)});
        save_commands::OnSaveAs(host);
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(prompts.Count(PromptKind::MessageBox), 0);
    }
    host.Load({"x", "y"});
    Select(host, {1});
    {
        // Saved; No to the question.
        FakePrompts prompts;
        prompts.AnswerFiles({Q(path)});
        prompts.Answer(IDNO);
        save_commands::OnSaveAs(host);
        EXPECT_EQ(ReadWholeFile(path), "x\r\ny\r\n");
        EXPECT_EQ(host.LogList().Model().GetSelCount(), 0);
        ASSERT_EQ(prompts.Requests().size(), 2u);
        EXPECT_EQ(prompts.Requests()[0].filter, "Text Files (*.txt)|*.txt|All Files(*.*)|*.*||");
        EXPECT_TRUE(prompts.Requests()[0].defaultPath.isEmpty() &&
                    prompts.Requests()[0].defaultExt.isEmpty());
        EXPECT_EQ(prompts.Requests()[1].text, "Do you want to open saved file (y/n)?");
        EXPECT_EQ(prompts.Requests()[1].style & MB_TYPEMASK, MB_YESNO);
        EXPECT_TRUE(host.openedDocuments.isEmpty());
    }
    {
        // Yes opens the saved file as a log.
        FakePrompts prompts;
        prompts.AnswerFiles({Q(path)});
        prompts.Answer(IDYES);
        save_commands::OnSaveAs(host);
        EXPECT_EQ(host.openedDocuments, QStringList({Q(path)}));
    }
}

TEST(SaveDocument, EachDocumentWritesItsOwnViewsLinesAsHeld) {
    TempDir dir;
    const std::string first = dir.Write("first.log", "old\n");
    const std::string second = dir.Write("second.log", "old\n");
    FakeCommandHost a;
    FakeCommandHost b;
    a.Load({"one", "  two  ", "three", "line\nwith LF", "nul\0byte"s});
    b.Load({"alpha", "beta"});
    a.LogList().Model().SetItemText(2, "THREE");
    a.LogList().Model().DeleteString(0);
    b.LogList().Model().DeleteString(1);
    a.modified = b.modified = true;

    FakePrompts prompts;
    EXPECT_TRUE(save_commands::SaveDocument(b, Q(second)));
    EXPECT_EQ(ReadWholeFile(second), "alpha\r\n");
    EXPECT_TRUE(a.modified && !b.modified);
    EXPECT_TRUE(save_commands::SaveDocument(a, Q(first)));
    EXPECT_EQ(ReadWholeFile(first), "  two  \r\nTHREE\r\nline\r\nwith LF\r\nnul\0byte\r\n"s);
    EXPECT_FALSE(a.modified);

    // An empty list writes nothing over the log, says nothing, and stays modified.
    b.LogList().Model().ResetContent();
    b.modified = true;
    EXPECT_FALSE(save_commands::SaveDocument(b, Q(second)));
    EXPECT_EQ(ReadWholeFile(second), "alpha\r\n");
    EXPECT_TRUE(b.modified);
    EXPECT_TRUE(prompts.Requests().empty());
}

// The one message shown names the path and gives a reason on the line after it.
void ExpectFailureMessage(const FakePrompts& prompts, const std::string& path) {
    ASSERT_EQ(prompts.MessageTexts().size(), 1);
    const QString message = prompts.MessageTexts()[0];
    EXPECT_TRUE(message.contains(Q(path))) << message.toStdString();
    EXPECT_FALSE(message.section(Q(path), 1).section('\n', 1).trimmed().isEmpty()) << message.toStdString();
}

// Makes a directory refuse new entries while it lives: by its mode, or, where modes do
// not hold the process back (root), by the immutable attribute.
class LockedDirectory {
public:
    explicit LockedDirectory(const std::string& path) : m_path(path) {
        ::chmod(path.c_str(), 0555);
        if (CanCreate())
            m_immutable = SetImmutable(true);
        locked = !CanCreate();
    }
    ~LockedDirectory() {
        if (m_immutable)
            SetImmutable(false);
        ::chmod(m_path.c_str(), 0755);
    }
    bool locked = false;

private:
    bool CanCreate() const {
        std::ofstream probe(m_path + "/.probe");
        return probe.is_open() && fs::remove(m_path + "/.probe");
    }
    bool SetImmutable(bool on) const {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        return done;
    }
    std::string m_path;
    bool m_immutable = false;
};

TEST(SaveFailure, TheTargetIsKeptAndTheMessageSaysWhy) {
    TempDir dir;
    const std::string folder = dir.File("folder");
    fs::create_directory(folder);
    const std::string path = dir.Write("folder/log.txt", "original\n");
    FakeCommandHost host;
    host.Load({"replacement"});
    host.modified = true;

    // A reader that opened the log before the save (a load still running) keeps reading
    // the bytes it opened.
    {
        std::ifstream reader(path, std::ios::binary);
        ASSERT_TRUE(save_commands::SaveDocument(host, Q(path)));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "original\n");
        EXPECT_EQ(ReadWholeFile(path), "replacement\r\n");
        dir.Write("folder/log.txt", "original\n");
        host.modified = true;
    }
    // The target is a directory: reported, the question not asked, the selection gone.
    {
        Select(host, {0});
        FakePrompts prompts;
        prompts.AnswerFiles({Q(folder)});
        prompts.Answer(IDYES);
        save_commands::OnSaveAs(host);
        ExpectFailureMessage(prompts, folder);
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_TRUE(host.openedDocuments.isEmpty());
        EXPECT_EQ(host.LogList().Model().GetSelCount(), 0);
    }
    // The directory refuses new files: the log is left whole, the document modified.
    LockedDirectory lock(folder);
    if (!lock.locked)
        GTEST_SKIP() << "cannot make a directory unwritable here";
    FakePrompts prompts;
    EXPECT_FALSE(save_commands::SaveDocument(host, Q(path)));
    ExpectFailureMessage(prompts, path);
    EXPECT_EQ(ReadWholeFile(path), "original\n");
    EXPECT_TRUE(host.modified);
}

} // namespace
