// Compressed logs through the whole program: each format shows, finds and saves what the
// plain log shows, whatever the file's name; beyond the memory budget the text is served
// from a private temporary file (from the start, or from the batch that found the budget
// full); data cut short or damaged shows the lines before the fault and says so once; a
// temporary file the disk cannot take stops the load with a message.
#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "platform/Settings.h"
#include "res/Resources.h"
#include "support/AppHarness.h"
#include "support/Compress.h"
#include "support/FaultInjection.h"
#include "support/ScopedEnv.h"
#include "view/LogListBox.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using Lines = std::vector<std::string>;

constexpr Compression kFormats[] = {Compression::Gzip, Compression::Bzip2, Compression::Xz,
                                    Compression::Zstd};

// About 1 KB a round of the lines the reader cuts its own way: CR LF ends, a line longer
// than a piece, NUL bytes, levels, a last line without a line feed.
std::string SampleLog(int rounds) {
    std::string log;
    for (int r = 0; r < rounds; ++r) {
        const std::string n = std::to_string(r);
        log += "12:00 round " + n + " ERROR timeout\n";
        log += "crlf line " + n + " WARN retry\r\n";
        log += "\n";
        log += std::string(1500 + static_cast<size_t>(r % 7), static_cast<char>('a' + r % 26)) + "\n";
        log += "nul\0inside "s + n + "\n";
    }
    return log + "the last line, without a line feed";
}

Lines TextsOf(const DisplayList& list) {
    Lines texts;
    for (int i = 0; i < list.GetCount(); ++i)
        texts.emplace_back(list.GetText(i));
    return texts;
}

class Compressed : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    // What the plain log shows and Save As writes, loaded in memory and closed again.
    void LoadPlain(std::string_view bytes) {
        CSplitterFrame* window = harness.OpenAndLoad(harness.Write("plain.log", bytes));
        ASSERT_NE(window, nullptr);
        plainLines = TextsOf(window->LogView()->LogList().Model());
        plainSaved = SaveAs(*window->LogView(), "plain.txt");
        window->CloseWithoutAsking();
        AppHarness::Settle();
    }

    // Save As to `name`, No to opening the saved file; the bytes written.
    std::string SaveAs(CQuorvixView& view, std::string_view name) {
        const QString path = harness.PathOf(name);
        harness.prompts.AnswerFiles({path});
        harness.prompts.Answer(IDNO);
        log_view_commands::OnCmdMsg(view, ID_FILE_SAVE_AS, true);
        return fs::exists(path.toStdString()) ? ReadWholeFile(path.toStdString()) : "(none)";
    }

    QStringList Messages(const char* containing) const {
        return harness.prompts.MessageTexts().filter(QString::fromUtf8(containing));
    }
    // What a load of a compressed log may tell: bad data, no room.
    QStringList Troubles() const {
        return Messages("cut short or damaged") + Messages("more text than memory and the disk can keep");
    }

    // Files in the temporary-file folder: none, since each is unlinked once made.
    std::set<std::string> CacheEntries() const {
        const std::string folder = cache.Path() + "/quorvix";
        return fs::exists(folder) ? DirectoryEntries(folder) : std::set<std::string>();
    }

    AppHarness harness;
    TempDir cache;
    ScopedEnv cacheHome{"XDG_CACHE_HOME", cache.Path()};
    ScopedEnv budget{"QUORVIX_TEXT_BUDGET", "1000000000000000"};
    Lines plainLines;
    std::string plainSaved;
};

} // namespace

// Each format, in memory and from a temporary file, shows the plain log's lines and saves
// its bytes; the name misleads neither way, and the window keeps the compressed file's.
TEST_F(Compressed, EachFormatShowsAndSavesThePlainText) {
    const std::string text = SampleLog(300);
    LoadPlain(text);
    ASSERT_GT(plainLines.size(), 1500u);

    for (const Compression format : kFormats) {
        for (const bool fromFile : {false, true}) {
            SCOPED_TRACE(std::string(CompressionName(format)) +
                         (fromFile ? " from a temporary file" : " in memory"));
            // A budget of nothing sends the text to a temporary file from the first line.
            budget.Set(fromFile ? "0" : "1000000000000000");
            // a.log is compressed, whatever its name says.
            const std::string name =
                std::string(fromFile ? "file-" : "memory-") + CompressionName(format) + ".log";
            const QString path = harness.Write(name, Compress(format, text));
            CSplitterFrame* window = harness.OpenAndLoad(path);
            ASSERT_NE(window, nullptr);
            CQuorvixView& view = *window->LogView();
            EXPECT_EQ(view.Core().m_lineEntries.FileBacked(), fromFile);
            EXPECT_EQ(TextsOf(view.LogList().Model()), plainLines);
            EXPECT_EQ(SaveAs(view, name + ".txt"), plainSaved);
            EXPECT_TRUE(window->windowTitle().contains(QString::fromStdString(name)));
            EXPECT_EQ(harness.app->RecentFileList()[0], path);
            EXPECT_EQ(Troubles(), QStringList());
            EXPECT_EQ(CacheEntries(), std::set<std::string>());
            window->CloseWithoutAsking();
            AppHarness::Settle();
        }
    }

    // b.gz holds plain text: it reads as such.
    CSplitterFrame* plainGz = harness.OpenAndLoad(harness.Write("b.gz", text));
    ASSERT_NE(plainGz, nullptr);
    EXPECT_EQ(TextsOf(plainGz->LogView()->LogList().Model()), plainLines);

    // Members one after the other read as one log; an archive of nothing is an empty log.
    const std::string half = text.substr(0, text.size() / 2);
    CSplitterFrame* members = harness.OpenAndLoad(
        harness.Write("members.gz", Compress(Compression::Gzip, half) +
                                        Compress(Compression::Gzip, text.substr(half.size()))));
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(TextsOf(members->LogView()->LogList().Model()), plainLines);
    for (const Compression format : kFormats) {
        CSplitterFrame* empty =
            harness.OpenAndLoad(harness.Write("empty"s + CompressionSuffix(format), Compress(format, "")));
        ASSERT_NE(empty, nullptr) << CompressionName(format);
        EXPECT_EQ(empty->LogView()->LogList().Model().GetCount(), 0);
    }
    EXPECT_EQ(Troubles(), QStringList());
}

// A text that compresses far better than guessed starts in memory and goes on in a
// temporary file once the budget is full: the lines are those of the plain log, read from
// both places, and Save As writes the plain bytes.
TEST_F(Compressed, ATextLargerThanTheBudgetGoesOnInATemporaryFile) {
    // Rounds repeat within gzip's window, so every format packs them tightly.
    std::string text;
    const std::string block = SampleLog(20);
    while (text.size() < (10u << 20))
        text += block + "\n";
    LoadPlain(text);

    for (const Compression format : kFormats) {
        SCOPED_TRACE(CompressionName(format));
        const std::string packed = Compress(format, text);
        ASSERT_LT(packed.size() * 24, 4u << 20) << "would go to the temporary file from the start";
        budget.Set(std::to_string(4u << 20));
        CSplitterFrame* window =
            harness.OpenAndLoad(harness.Write("big.log"s + CompressionSuffix(format), packed));
        ASSERT_NE(window, nullptr);
        CQuorvixView& view = *window->LogView();
        EXPECT_TRUE(view.Core().m_lineEntries.FileBacked());
        EXPECT_EQ(TextsOf(view.LogList().Model()), plainLines);
        EXPECT_EQ(SaveAs(view, "big.txt"), plainSaved);
        EXPECT_EQ(Troubles(), QStringList());
        EXPECT_EQ(CacheEntries(), std::set<std::string>());
        window->CloseWithoutAsking();
        AppHarness::Settle();
    }
}

// Cut short or damaged: the lines before the fault, and one message saying where the data
// stopped and why; the file stays in the recent-file list.
TEST_F(Compressed, BadDataShowsTheLinesBeforeItAndSaysSoOnce) {
    const std::string text = SampleLog(2000);
    LoadPlain(text);
    for (const Compression format : kFormats) {
        const std::string packed = Compress(format, text);
        std::string damaged = packed;
        for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i)
            damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
        for (const auto& [kind, bytes] :
             {std::pair{"cut", packed.substr(0, packed.size() / 2)}, std::pair{"damaged", damaged}}) {
            SCOPED_TRACE(std::string(CompressionName(format)) + " " + kind);
            harness.prompts.Clear();
            const QString path = harness.Write(kind + "-log"s + CompressionSuffix(format), bytes);
            CSplitterFrame* window = harness.OpenAndLoad(path);
            ASSERT_NE(window, nullptr);
            const Lines shown = TextsOf(window->LogView()->LogList().Model());
            EXPECT_LT(shown.size(), plainLines.size());
            AppHarness::Settle();
            const QStringList told = Messages("cut short or damaged");
            ASSERT_EQ(told.size(), 1);
            EXPECT_TRUE(
                told[0].contains(QString::fromUtf8(CompressionName(format)) + " data stops near byte"));
            EXPECT_TRUE(told[0].contains(QStringLiteral("after %1 lines").arg(shown.size())));
            EXPECT_TRUE(told[0].contains(QStringLiteral("Reason: ")));
            // A cut file shows exactly the lines before the cut; the last may be a part.
            if (std::string(kind) == "cut" && !shown.empty()) {
                for (size_t i = 0; i + 1 < shown.size(); ++i)
                    ASSERT_EQ(shown[i], plainLines[i]) << "line " << i;
                EXPECT_TRUE(plainLines[shown.size() - 1].starts_with(shown.back()));
            }
            EXPECT_EQ(harness.app->RecentFileList()[0], path);
            window->CloseWithoutAsking();
            AppHarness::Settle();
        }
    }
}

// A temporary file the disk cannot take (writes failing as on a full disk; or less free
// space than must stay free) stops the load with a message, the lines written so far shown.
TEST_F(Compressed, NoRoomForTheTemporaryFileStopsTheLoadWithAMessage) {
    const std::string text = SampleLog(12000);
    const QString path = harness.Write("big.zst", Compress(Compression::Zstd, text));
    budget.Set("0");
    {
        // Two batches of the reader fit, the third does not.
        const FileSizeLimit limit(5 << 20);
        CSplitterFrame* window = harness.OpenAndLoad(path);
        ASSERT_NE(window, nullptr);
        AppHarness::Settle();
        const QStringList told = Messages("more text than memory and the disk can keep");
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains(QString::fromStdString(cache.Path()))) << told[0].toStdString();
        const int shown = window->LogView()->LogList().Model().GetCount();
        EXPECT_GT(shown, 0);
        EXPECT_LT(static_cast<size_t>(shown), text.size() / 1000);
        // What is shown reads back from the file.
        EXPECT_EQ(window->LogView()->LogList().Model().GetText(0), "12:00 round 0 ERROR timeout");
        window->CloseWithoutAsking();
        AppHarness::Settle();
    }

    // No folder takes a temporary file: nothing is loaded, and the message says why.
    {
        ScopedEnv nowhere{"XDG_CACHE_HOME", "/proc/self"};
        ScopedEnv noHome{"HOME", "/proc/self"};
        ScopedEnv noTemp{"TMPDIR", "/proc/self"};
        harness.prompts.Clear();
        CSplitterFrame* window = harness.OpenAndLoad(path);
        ASSERT_NE(window, nullptr);
        AppHarness::Settle();
        ASSERT_EQ(Messages("more text than memory and the disk can keep").size(), 1);
        EXPECT_EQ(window->LogView()->LogList().Model().GetCount(), 0);
    }
}
