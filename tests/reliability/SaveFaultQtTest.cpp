// Saving a loaded log when the write cannot succeed: the disk full, the directory not
// writable, the target a directory. Whatever fails, the file that was there stays whole,
// nothing half-written is left beside it, the document stays modified and the user is
// told which path failed and why.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <unistd.h>

#include "commands/Commands.h"
#include "support/AppHarness.h"
#include "support/FaultInjection.h"
#include "view/LogListBox.h"

namespace fs = std::filesystem;

namespace {

// A loaded log of about 1 MB with its first line deleted, so modified, in the active
// window; the directory it is in holds nothing else but the configuration.
class SaveFault : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.Start());
        char line[80];
        for (int i = 0; i < 16384; ++i) {
            std::snprintf(line, sizeof line, "%08d %-54s\n", i, i % 5 ? "payload" : "12:00 x ERROR y");
            original += line;
        }
        log = harness.Write("app.log", original);
        window = harness.OpenAndLoad(log);
        ASSERT_NE(window, nullptr);
        window->LogView()->LogList().Model().DeleteString(0);
        window->Document()->SetModifiedFlag(true);
        harness.Frame().ActivateLogWindow(window);
        before = DirectoryEntries(harness.Dir().Path());
    }

    // The messages shown: `questions` "Save changes" questions first, then one that says
    // "Cannot save "<path>":" and gives the system's reason below it.
    void ExpectFailureMessage(const QString& path, const char* reason = nullptr, int questions = 0) {
        const QStringList messages = harness.prompts.MessageTexts();
        ASSERT_EQ(messages.size(), questions + 1) << messages.join('|').toStdString();
        for (int i = 0; i < questions; ++i)
            EXPECT_TRUE(messages[i].startsWith(QStringLiteral("Save changes to ")))
                << messages[i].toStdString();
        const QString message = messages.back();
        const QString head = QStringLiteral("Cannot save \"") + path + QStringLiteral("\":\n");
        ASSERT_TRUE(message.startsWith(head)) << message.toStdString();
        const QString why = message.mid(head.size()).trimmed();
        EXPECT_FALSE(why.isEmpty());
        if (reason) {
            EXPECT_EQ(why, QString::fromLocal8Bit(reason));
        }
    }

    // The log as it was, no temporary file beside it, the changes still unsaved.
    void ExpectNothingLost() {
        EXPECT_EQ(ReadWholeFile(log.toStdString()), original);
        EXPECT_EQ(DirectoryEntries(harness.Dir().Path()), before);
        EXPECT_TRUE(window->Document()->IsModified());
        EXPECT_EQ(harness.Docs().FindDocument(log), window->Document());
    }

    // What the list holds, as a save writes it.
    std::string Saved() const {
        std::string bytes;
        const DisplayList& list = window->LogView()->LogList().Model();
        for (int i = 0; i < list.GetCount(); ++i)
            bytes.append(list.GetText(i)).append("\r\n");
        return bytes;
    }

    AppHarness harness;
    std::string original;
    QString log;
    CSplitterFrame* window = nullptr;
    std::set<std::string> before;
};

} // namespace

// Each way of saving to the log's own file, on a full disk: File Save, closing the window
// and answering Yes, ending the program and answering Yes. None may close the window.
TEST_F(SaveFault, SavingOverTheLogOnAFullDiskKeepsLogWindowAndChanges) {
    const struct {
        const char* what;
        int questions;
        std::function<void()> save;
    } ways[] = {
        {"File Save", 0, [&] { harness.Frame().RouteCommand(ID_FILE_SAVE, true); }},
        {"Close, Yes", 1,
         [&] {
             harness.prompts.Answer(IDYES);
             window->close();
         }},
        {"Exit, Yes", 1,
         [&] {
             harness.prompts.Answer(IDYES);
             EXPECT_FALSE(harness.Frame().close());
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        harness.prompts.Clear();
        {
            FileSizeLimit full(64 * 1024);
            way.save();
            AppHarness::Settle();
        }
        ExpectFailureMessage(log, std::strerror(EFBIG), way.questions);
        ExpectNothingLost();
        EXPECT_TRUE(harness.Frame().isVisible());
    }

    // With room again the same save goes through.
    harness.prompts.Clear();
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    EXPECT_TRUE(harness.prompts.Requests().empty());
    EXPECT_EQ(ReadWholeFile(log.toStdString()), Saved());
    EXPECT_FALSE(window->Document()->IsModified());
}

// Save As over another file, and to a new name, on a full disk: the other file stays as
// it was, no new one appears, and opening the saved file is not offered.
TEST_F(SaveFault, SaveAsOnAFullDiskLeavesTheTargetAsItWas) {
    const QString existing = harness.Write("existing.txt", "keep me\n");
    const QString fresh = harness.PathOf("fresh.txt");
    before = DirectoryEntries(harness.Dir().Path());
    for (const QString& target : {existing, fresh}) {
        SCOPED_TRACE(target.toStdString());
        harness.prompts.Clear();
        harness.prompts.AnswerFiles({target});
        {
            FileSizeLimit full(64 * 1024);
            harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true);
        }
        EXPECT_EQ(harness.prompts.Count(PromptKind::SaveFile), 1);
        ExpectFailureMessage(target, std::strerror(EFBIG));
        ExpectNothingLost();
    }
    EXPECT_EQ(ReadWholeFile(existing.toStdString()), "keep me\n");
    EXPECT_FALSE(fs::exists(fresh.toStdString()));
    EXPECT_EQ(harness.Docs().Documents().size(), 1u);
}

// A real full disk: a file system with room for the old file but not for the new one.
TEST_F(SaveFault, SaveAsOnAFileSystemWithoutRoomLeavesTheTargetAsItWas) {
    const std::string mountPoint = harness.Dir().File("small");
    ASSERT_TRUE(fs::create_directory(mountPoint));
    before = DirectoryEntries(harness.Dir().Path());
    SmallFileSystem small(mountPoint, 256 * 1024);
    if (small.Path().empty())
        GTEST_SKIP() << small.Why();
    const std::string existing = small.Path() + "/existing.txt";
    { std::ofstream(existing, std::ios::binary) << "keep me\n"; }
    ASSERT_EQ(ReadWholeFile(existing), "keep me\n");
    const QString target = QString::fromStdString(existing);
    harness.prompts.AnswerFiles({target});
    harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true);
    ExpectFailureMessage(target, std::strerror(ENOSPC));
    ExpectNothingLost();
    EXPECT_EQ(ReadWholeFile(existing), "keep me\n");
    EXPECT_EQ(DirectoryEntries(small.Path()), std::set<std::string>{"existing.txt"});
}

TEST_F(SaveFault, SaveAsToADirectoryIsRefusedWithTheReason) {
    const QString folder = harness.PathOf("folder.txt");
    ASSERT_TRUE(fs::create_directory(folder.toStdString()));
    ASSERT_TRUE(fs::create_directory(folder.toStdString() + "/inside"));
    before = DirectoryEntries(harness.Dir().Path());
    harness.prompts.AnswerFiles({folder});
    harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true);
    ExpectFailureMessage(folder, std::strerror(EISDIR));
    ExpectNothingLost();
    EXPECT_TRUE(fs::is_directory(folder.toStdString() + "/inside"));
    EXPECT_EQ(harness.Docs().Documents().size(), 1u);
}

// The log's directory takes no new file, though the log itself may be written: the save
// goes through a new file beside the log, so File Save fails, and so does Save As there.
TEST_F(SaveFault, ADirectoryThatTakesNoNewFileFailsBothSavesWithTheReason) {
    const std::string dir = harness.Dir().Path();
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    struct Restore {
        std::string dir;
        ~Restore() { ::chmod(dir.c_str(), 0755); }
    } restore{dir};
    // Root gets past permissions unless its overriding capabilities are put aside.
    PermissionsHold permissions;
    if (MayWrite(dir))
        GTEST_SKIP() << "permissions do not hold this process back";

    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    ExpectFailureMessage(log, std::strerror(EACCES));
    ExpectNothingLost();

    harness.prompts.Clear();
    const QString fresh = harness.PathOf("fresh.txt");
    harness.prompts.AnswerFiles({fresh});
    harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true);
    ExpectFailureMessage(fresh, std::strerror(EACCES));
    ExpectNothingLost();
}
