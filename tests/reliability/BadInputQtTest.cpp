// Bad input through the whole program: odd bytes, a huge line, files that change or turn
// into something else while they load, paths that are no log at all, odd path names and
// oversized configurations. Each is a real file opened the way the user opens it.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMdiArea>
#include <QThread>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "commands/Commands.h"
#include "core/LevelConfig.h"
#include "core/LineFile.h"
#include "core/Palette.h"
#include "loader/TraceWnd.h"
#include "platform/Settings.h"
#include "support/AppHarness.h"
#include "support/FaultInjection.h"
#include "view/LogListBox.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using Lines = std::vector<std::string>;

constexpr size_t kPiece = CLineFile::kMaxPiece;

// The list a file's bytes should give, worked out independently of the reader: CR LF
// counts as LF, lines end at LF, a line comes in pieces of at most 1023 bytes (an empty
// line as one empty piece), and bytes after the last LF make a last line.
Lines ExpectedLines(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            text.push_back(bytes[i]);
    }
    Lines lines;
    for (size_t start = 0; start < text.size();) {
        const size_t lf = text.find('\n', start);
        const size_t end = lf == std::string::npos ? text.size() : lf;
        if (end == start)
            lines.emplace_back();
        for (size_t at = start; at < end; at += kPiece)
            lines.emplace_back(text.substr(at, std::min(kPiece, end - at)));
        start = end + 1;
    }
    return lines;
}

Lines ListTexts(CSplitterFrame& window) {
    const DisplayList& list = window.LogView()->LogList().Model();
    Lines texts;
    texts.reserve(static_cast<size_t>(list.GetCount()));
    for (int i = 0; i < list.GetCount(); ++i)
        texts.emplace_back(list.GetText(i));
    return texts;
}

// Threads of this process that run a worker of the program (a reader or a refill).
int WorkerThreads() {
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
            std::string name;
            std::getline(comm, name);
            count += name == "quorvix-worker" ? 1 : 0;
        }
        ::closedir(tasks);
    }
    return count;
}

// A joined thread may still be listed for a moment while the kernel lets it go.
bool NoWorkerThreadLeft() {
    return QTest::qWaitFor([] { return WorkerThreads() == 0; }, kWaitMs);
}

// Numbered lines of 64 bytes each, every seventh of level ERROR.
std::string NumberedLines(int first, int count) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(count) * 64);
    char line[80];
    for (int i = first; i < first + count; ++i) {
        std::snprintf(line, sizeof line, "%08d %-54s\n", i, i % 7 == 0 ? "12:00 x ERROR disk" : "payload");
        bytes += line;
    }
    return bytes;
}

// Opens `path` and turns the event loop only until its first lines have arrived. The
// reader is then at most a few batches (a few MB) ahead of the list.
CSplitterFrame* OpenUntilFirstLines(AppHarness& harness, const QString& path) {
    if (!harness.app->OpenDocumentFile(path))
        return nullptr;
    CSplitterFrame* window = harness.WindowOf(path);
    if (!window)
        return nullptr;
    const QDeadlineTimer guard(kWaitMs);
    while (window->LogView()->LogList().Model().GetCount() == 0 && !window->LogView()->IsLoadDone() &&
           !guard.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return window;
}

size_t BytesShown(CSplitterFrame& window) {
    const DisplayList& list = window.LogView()->LogList().Model();
    size_t bytes = 0;
    for (int i = 0; i < list.GetCount(); ++i)
        bytes += list.GetText(i).size() + 1;
    return bytes;
}

class BadInput : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    // Opens `path`, expecting the program to refuse it as no log: the one message, the
    // window gone, no document, no reader left.
    void ExpectRefused(const QString& path, const QString& message) {
        SCOPED_TRACE(path.toStdString());
        harness.prompts.Clear();
        ASSERT_NE(harness.app->OpenDocumentFile(path), nullptr);
        EXPECT_EQ(harness.prompts.MessageTexts(), QStringList{message});
        AppHarness::Settle();
        EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
        EXPECT_TRUE(harness.Frame().MdiClient()->subWindowList().isEmpty());
        EXPECT_TRUE(NoWorkerThreadLeft());
    }

    AppHarness harness;
};

} // namespace

TEST_F(BadInput, OddBytesArriveUnchangedAndPaint) {
    std::mt19937 random(20240611);
    std::string binary(256 * 1024, '\0');
    for (char& byte : binary)
        byte = static_cast<char>(random() & 0xff);
    std::string nulHeavy;
    for (int i = 0; i < 2000; ++i)
        nulHeavy += std::string(static_cast<size_t>(i % 5), '\0') + (i % 3 ? "ERROR\0x\n"s : "\r\n"s);
    const std::string invalidUtf8 = "lone continuation \x80\x80 ERROR\n"
                                    "overlong \xc0\xaf and surrogate \xed\xa0\x80\r\n"
                                    "cut short \xe2\x82\n"
                                    "five bytes \xf8\x88\x80\x80\x80 and \xff\xfe\n"
                                    "valid na\xc3\xafve \xe6\x97\xa5\xe6\x9c\xac\n"
                                    "\xe2\x82"; // ends inside a character, without a line feed
    std::string crOnly;
    for (int i = 0; i < 3000; ++i)
        crOnly += "12:00 line " + std::to_string(i) + (i % 4 ? " ERROR\r" : "\r");

    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {{"binary.log", binary},
                 {"nul.log", nulHeavy},
                 {"invalid-utf8.log", invalidUtf8},
                 // Old-style line ends are no line ends here: one long line in pieces.
                 {"cr-only.log", crOnly},
                 {"lf-only.log", std::string(5000, '\n')}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        harness.prompts.Clear();
        const QString path = harness.Write(c.name, c.bytes);
        CSplitterFrame* window = harness.OpenAndLoad(path);
        ASSERT_NE(window, nullptr);
        const Lines lines = ListTexts(*window);
        EXPECT_EQ(lines, ExpectedLines(c.bytes));
        for (const std::string& line : lines)
            ASSERT_LE(line.size(), kPiece);
        EXPECT_TRUE(harness.prompts.Requests().empty());
        // Painting turns the bytes into characters; the first rows and the last ones.
        CLogListBox& list = window->LogView()->LogList();
        EXPECT_FALSE(list.grab().isNull());
        list.Model().SetCaretIndex(list.Model().GetCount() - 1);
        EXPECT_FALSE(list.grab().isNull());
        window->CloseWithoutAsking();
        AppHarness::Settle();
    }
}

namespace {

// The huge line's byte at `offset`: letters with a CR now and then, no LF, and no period
// that divides the piece length, so a piece lost, doubled or moved shows.
char HugeLineByte(uint64_t offset) {
    return offset % 4099 == 4098 ? '\r' : static_cast<char>('a' + offset % 26);
}

} // namespace

// 200 MB by default; QUORVIX_HUGE_LINE_MB sizes it for slower machines.
TEST_F(BadInput, AHugeLineWithoutLineFeedArrivesInPiecesThatMakeUpTheFile) {
    uint64_t megabytes = 200;
    if (const char* size = std::getenv("QUORVIX_HUGE_LINE_MB"))
        megabytes = std::max<uint64_t>(1, std::strtoull(size, nullptr, 10));
    const uint64_t total = megabytes << 20;
    const QString path = harness.PathOf("huge.log");
    {
        std::ofstream out(path.toStdString(), std::ios::binary);
        std::string block(1 << 20, '\0');
        for (uint64_t at = 0; at < total; at += block.size()) {
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = HugeLineByte(at + i);
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        ASSERT_TRUE(out.good());
    }

    CSplitterFrame* window = harness.OpenAndLoad(path);
    ASSERT_NE(window, nullptr);
    const DisplayList& list = window->LogView()->LogList().Model();
    ASSERT_EQ(static_cast<uint64_t>(list.GetCount()), (total + kPiece - 1) / kPiece);
    uint64_t offset = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        const std::string_view piece = list.GetText(i);
        ASSERT_EQ(piece.size(), std::min<uint64_t>(kPiece, total - offset)) << "piece " << i;
        for (size_t k = 0; k < piece.size(); ++k)
            ASSERT_EQ(piece[k], HugeLineByte(offset + k)) << "piece " << i << " byte " << k;
        offset += piece.size();
    }
    EXPECT_EQ(offset, total);
    EXPECT_TRUE(harness.prompts.Requests().empty());
    window->CloseWithoutAsking();
    AppHarness::Settle();
    fs::remove(path.toStdString());
}

// The log is removed, cut short or added to after its first lines have arrived, with the
// progress dialog up. The reader keeps to what the open file holds when it gets there.
TEST(BadInputWhileLoading, TheListHoldsWhatTheFileHeldWhenTheReaderGotThere) {
    AppHarness harness("LOAD_STATUS = 1\n{\n$Type ERROR:10\n}\n");
    ASSERT_TRUE(harness.Start());
    constexpr int kLines = 1 << 19; // 32 MB: many batches
    const std::string original = NumberedLines(0, kLines);
    const std::string added = NumberedLines(kLines, kLines / 8);
    // Where the cut lands: mid-line, far beyond what the reader can have read ahead.
    const size_t cut = 20 * 1000 * 1000 + 17;

    enum class Change { Removed, Truncated, Grown };
    for (const Change change : {Change::Removed, Change::Truncated, Change::Grown}) {
        SCOPED_TRACE(static_cast<int>(change));
        harness.prompts.Clear();
        const QString path = harness.Write("changing.log", original);
        const std::string file = path.toStdString();
        CSplitterFrame* window = OpenUntilFirstLines(harness, path);
        ASSERT_NE(window, nullptr);
        ASSERT_FALSE(window->LogView()->IsLoadDone());
        ASSERT_LT(BytesShown(*window), 8u << 20); // the premise: the reader is far from the end

        std::string expected = original;
        switch (change) {
        case Change::Removed:
            ASSERT_EQ(::unlink(file.c_str()), 0);
            break;
        case Change::Truncated:
            ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(cut)), 0);
            expected.resize(cut);
            break;
        case Change::Grown: {
            std::ofstream out(file, std::ios::binary | std::ios::app);
            out << added;
            ASSERT_TRUE(out.good());
            expected += added;
            break;
        }
        }
        ASSERT_TRUE(AppHarness::WaitForLoad(*window));
        EXPECT_EQ(ListTexts(*window), ExpectedLines(expected));
        EXPECT_EQ(window->LogView()->ReaderWindow()->ProgressDialog(), nullptr);
        EXPECT_TRUE(harness.prompts.Requests().empty());
        window->CloseWithoutAsking();
        AppHarness::Settle();
        EXPECT_TRUE(NoWorkerThreadLeft());
    }
}

// The file checks out as a log, then its path changes before the reader opens it: a FIFO
// (whose open would wait for a writer), nothing, a directory, a file it may not read. The
// load ends without lines and the window closes without waiting.
TEST_F(BadInput, APathThatChangesBeforeTheReaderOpensItNeitherHangsNorLeavesAWorker) {
    // For root too; the reader thread, started from this one, inherits the reduced rights.
    PermissionsHold permissions;
    enum class Change { Fifo, Removed, Directory, Unreadable };
    for (const Change change : {Change::Fifo, Change::Removed, Change::Directory, Change::Unreadable}) {
        SCOPED_TRACE(static_cast<int>(change));
        const QString path = harness.Write("swapped.log", "12:00 ERROR one\ntwo\n");
        const std::string file = path.toStdString();
        ASSERT_NE(harness.app->OpenDocumentFile(path), nullptr); // the check has passed
        CSplitterFrame* window = harness.WindowOf(path);
        ASSERT_NE(window, nullptr);
        if (change == Change::Unreadable) {
            ASSERT_EQ(::chmod(file.c_str(), 0), 0);
            if (MayRead(file)) {
                window->CloseWithoutAsking();
                AppHarness::Settle();
                fs::remove(file);
                continue; // permissions do not hold this process back
            }
        } else {
            ASSERT_EQ(::unlink(file.c_str()), 0);
        }
        if (change == Change::Fifo) {
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        } else if (change == Change::Directory) {
            ASSERT_EQ(::mkdir(file.c_str(), 0700), 0);
        }

        CQuorvixView* view = window->LogView();
        const bool ended =
            QTest::qWaitFor([&] { return view->ReaderWindow() && !view->IsLoading(); }, kWaitMs);
        if (!ended && change == Change::Fifo) {
            // The reader waits for a writer: be one, so that the test fails instead of hanging.
            const int writer = ::open(file.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
        }
        ASSERT_TRUE(ended) << "the reader never finished";
        EXPECT_EQ(view->LogList().Model().GetCount(), 0);
        EXPECT_TRUE(harness.prompts.Requests().empty());
        window->CloseWithoutAsking();
        AppHarness::Settle();
        EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
        EXPECT_TRUE(NoWorkerThreadLeft());
        fs::remove(file);
    }
}

// Paths that exist but are no log are refused before anything reads them; a FIFO or a
// device is never opened, so nothing waits for a writer or reads forever.
TEST_F(BadInput, PathsThatAreNoLogAreRefusedWithoutBlocking) {
    const QString notFound = QStringLiteral("Specified file not found!");
    const std::string dir = harness.Dir().Path();
    ASSERT_EQ(::mkfifo((dir + "/pipe.log").c_str(), 0600), 0);
    fs::create_directory(dir + "/folder.log");
    fs::create_symlink(dir + "/pipe.log", dir + "/link-to-pipe.log");
    fs::create_symlink(dir + "/nowhere.log", dir + "/dangling.log");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir + "/socket.log";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    for (const char* name : {"pipe.log", "folder.log", "link-to-pipe.log", "dangling.log", "socket.log"})
        ExpectRefused(harness.PathOf(name), notFound);
    ExpectRefused(QStringLiteral("/dev/zero"), notFound);
    ::close(sock);
}

TEST_F(BadInput, AFileWithoutReadPermissionIsReportedByPath) {
    const QString path = harness.Write("locked.log", "12:00 ERROR secret\n");
    ASSERT_EQ(::chmod(path.toStdString().c_str(), 0), 0);
    PermissionsHold permissions;
    if (MayRead(path.toStdString()))
        GTEST_SKIP() << "permissions do not hold this process back";
    ASSERT_NE(harness.app->OpenDocumentFile(path), nullptr);
    EXPECT_EQ(harness.prompts.MessageTexts(),
              QStringList{QStringLiteral("Cannot open ") + path + QStringLiteral(":\n") +
                          QString::fromLocal8Bit(std::strerror(EACCES))});
    AppHarness::Settle();
    EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
    EXPECT_TRUE(harness.Frame().MdiClient()->subWindowList().isEmpty());
    // The file is there, so it stays on the recent-file list.
    EXPECT_EQ(harness.app->RecentFileList().GetCount(), 1);
    EXPECT_TRUE(NoWorkerThreadLeft());
}

// Blanks, line feeds, tabs and non-ASCII characters in names, from the command line; the
// log loads, its window is titled by its name, and File Save writes back to that path.
TEST(BadInputPaths, OddFileNamesOpenLoadAndSave) {
    AppHarness harness;
    fs::create_directory(harness.Dir().File("dir with space"));
    QStringList paths;
    for (const char* name : {"with space.log", " leading and trailing .log", "new\nline.log",
                             "\xc3\xbcmlaut \xe6\x97\xa5\xe6\x9c\xac \xd0\xbb\xd0\xbe\xd0\xb3.log",
                             "dir with space/tab\there.log"})
        paths << harness.Write(name, "12:00 ERROR one\r\ntwo\n");
    ASSERT_TRUE(harness.Start(paths));
    ASSERT_EQ(harness.Docs().Documents().size(), static_cast<size_t>(paths.size()));
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        CSplitterFrame* window = harness.WindowOf(path);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(AppHarness::WaitForLoad(*window));
        EXPECT_EQ(ListTexts(*window), (Lines{"12:00 ERROR one", "two"}));
        EXPECT_EQ(window->windowTitle(), QFileInfo(path).fileName());

        window->LogView()->LogList().Model().DeleteString(1);
        window->Document()->SetModifiedFlag(true);
        harness.Frame().ActivateLogWindow(window);
        harness.Frame().RouteCommand(ID_FILE_SAVE, true);
        EXPECT_FALSE(window->Document()->IsModified());
        EXPECT_EQ(ReadWholeFile(path.toStdString()), "12:00 ERROR one\r\n");
    }
    EXPECT_TRUE(harness.prompts.Requests().empty());
}

// Configurations far beyond what the format expects: the program starts, takes the first
// ten levels, and classifies and analyzes a log as usual.
TEST(BadInputConfiguration, HugeConfigurationsStartAndClassify) {
    std::string manyEntries = "LOAD_STATUS = 0\n";
    for (int i = 0; i < 100000; ++i)
        manyEntries += "{\n$Type L" + std::to_string(i) + ":" + std::to_string(10 + i % 3) + "\nkw" +
                       std::to_string(i) + ",\n}\n";
    std::string oneEntryRenamed = "LOAD_STATUS = 0\n{\n";
    for (int i = 0; i < 100000; ++i)
        oneEntryRenamed += "$Type N" + std::to_string(i) + ":11\n";
    oneEntryRenamed += "}\n";
    std::string keywordLine;
    for (int i = 0; keywordLine.size() < (1u << 20); ++i)
        keywordLine += "kw" + std::to_string(1000000 + i) + ", ";
    const std::string longLines = "LOAD_STATUS = 0\n{\n$Type ERROR:10\n" + keywordLine + "\n" +
                                  std::string(1u << 20, 'z') + "\n}\n{\n$Type " + std::string(1u << 20, 'n') +
                                  ":12\n}\n{\n$Type WARN:11\nretry,\n}\n";

    {
        AppHarness harness(manyEntries);
        ASSERT_TRUE(harness.Start());
        for (size_t k = 0; k < kLevelCount; ++k) {
            EXPECT_EQ(g_levelSlots[k].name, std::string("L").append(std::to_string(k)));
            EXPECT_EQ(g_levelSlots[k].colourIndex, 10 + static_cast<int32_t>(k) % 3);
        }
        CSplitterFrame* window = harness.OpenAndLoad(harness.Write("a.log", "x L7 y\nplain kw3\n"));
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->LogView()->LogList().Model().GetItemData(0) & COLOUR_MASK, g_palette[11]);
        log_view_commands::OnCmdMsg(*window->LogView(), ID_OPTIONS_ANALYZE, true);
        EXPECT_EQ(window->LogView()->Core().m_bookmarks.Indices(), (std::vector<uint32_t>{1}));
    }
    {
        AppHarness harness(oneEntryRenamed);
        ASSERT_TRUE(harness.Start());
        EXPECT_EQ(g_levelSlots[0].name, "N99999");
        EXPECT_EQ(g_levelSlots[1].levelIndex, -1);
    }
    {
        AppHarness harness(longLines);
        ASSERT_TRUE(harness.Start());
        // Lines come in pieces of at most 1023 bytes: so do the keywords.
        EXPECT_EQ(g_levelSlots[0].name, "ERROR");
        EXPECT_GT(g_levelTypes[0].keywords.size(), 50000u);
        for (const std::string& keyword : g_levelTypes[0].keywords)
            ASSERT_LE(keyword.size(), kPiece);
        EXPECT_LE(g_levelTypes[1].name.size(), kPiece);
        EXPECT_EQ(g_levelSlots[2].name, "WARN");
        // Keywords cut at a piece's edge leave fragments such as "w12" or "3": the other
        // lines hold no digit and no "w", so only the first one is found.
        CSplitterFrame* window =
            harness.OpenAndLoad(harness.Write("a.log", "12:00 ERROR kw1000050 x\nx WARN plain\nnothing\n"));
        ASSERT_NE(window, nullptr);
        const DisplayList& list = window->LogView()->LogList().Model();
        EXPECT_EQ(list.GetItemData(0) & COLOUR_MASK, g_palette[10]);
        EXPECT_EQ(list.GetItemData(1) & COLOUR_MASK, g_palette[11]);
        log_view_commands::OnCmdMsg(*window->LogView(), ID_OPTIONS_ANALYZE, true);
        EXPECT_EQ(window->LogView()->Core().m_bookmarks.Indices(), (std::vector<uint32_t>{0}));
    }
}
