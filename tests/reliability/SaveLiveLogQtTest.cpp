// Saving a log that is not at rest: one still loading, one another program keeps writing,
// one whose file or folder has gone. The log on disk is never replaced by a part of the
// list, never replaced under a writer without the user agreeing, and a save that must ask
// for a name offers the place the log was.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "commands/Commands.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"

namespace fs = std::filesystem;

namespace {

std::string BigLog(int lines) {
    std::string text;
    char line[80];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%08d %s\n", i, i % 7 ? "payload of the line" : "x ERROR y");
        text += line;
    }
    return text;
}

// What the window's list holds, as a save writes it.
std::string Saved(CSplitterFrame& window) {
    std::string bytes;
    const DisplayList& list = window.LogView()->LogList().Model();
    for (int i = 0; i < list.GetCount(); ++i)
        bytes.append(list.GetText(i)).append("\r\n");
    return bytes;
}

bool StartsWith(const QString& text, const char* head) {
    return text.startsWith(QString::fromUtf8(head));
}

} // namespace

// Every road to a save while the log still loads says so and leaves the file alone; once
// the load has ended, the same save writes the whole list.
TEST(SaveLiveLog, SavesWhileTheLogLoadsAreRefusedOnEveryRoad) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const std::string original = BigLog(200000);
    const QString log = harness.Write("big.log", original);

    const struct {
        const char* what;
        std::function<void(CSplitterFrame&)> save;
    } roads[] = {
        {"File Save", [&](CSplitterFrame&) { harness.Frame().RouteCommand(ID_FILE_SAVE, true); }},
        // Refused before a name is asked for, so before the log's own could be given.
        {"Save As", [&](CSplitterFrame&) { harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true); }},
        {"Close, Yes",
         [&](CSplitterFrame& window) {
             harness.prompts.Answer(IDYES);
             window.close();
         }},
        {"Exit, Yes",
         [&](CSplitterFrame&) {
             harness.prompts.Answer(IDYES);
             EXPECT_FALSE(harness.Frame().close());
         }},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.what);
        ASSERT_NE(harness.app->OpenDocumentFile(log), nullptr);
        CSplitterFrame* window = harness.WindowOf(log);
        ASSERT_NE(window, nullptr);
        // The load is asked for and runs from the event loop: the list is not whole yet.
        ASSERT_TRUE(window->LogView()->IsListIncomplete());
        window->Document()->SetModifiedFlag(true);
        harness.Frame().ActivateLogWindow(window);
        harness.prompts.Clear();
        road.save(*window);
        const QStringList messages = harness.prompts.MessageTexts();
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_TRUE(StartsWith(messages.back(), "big.log is still loading."))
            << messages.back().toStdString();
        EXPECT_EQ(harness.prompts.Count(PromptKind::SaveFile), 0);
        EXPECT_EQ(harness.WindowOf(log), window); // the window stays, and so do its changes
        EXPECT_TRUE(window->Document()->IsModified());
        ASSERT_TRUE(AppHarness::WaitForLoad(*window));
        EXPECT_EQ(ReadWholeFile(log.toStdString()), original);
        window->Document()->SetModifiedFlag(false);
        window->close();
        AppHarness::Settle();
    }

    // Loaded to its end, the same save writes every line, and asks nothing.
    CSplitterFrame* window = harness.OpenAndLoad(log);
    ASSERT_NE(window, nullptr);
    harness.Frame().ActivateLogWindow(window);
    harness.prompts.Clear();
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    EXPECT_TRUE(harness.prompts.Requests().empty());
    EXPECT_EQ(window->LogView()->LogList().GetCount(), 200000);
    EXPECT_EQ(ReadWholeFile(log.toStdString()), Saved(*window));

    // A rebuild of the list counts as not whole too.
    window->LogView()->StartRefill();
    ASSERT_TRUE(window->LogView()->IsListIncomplete());
    harness.prompts.Clear();
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    EXPECT_EQ(harness.prompts.MessageTexts().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->LogView()->IsListIncomplete(); }, kWaitMs));
}

// A file another program goes on appending to: the question comes first, No by default;
// No replaces nothing (every line the writer wrote stays in the file) and offers Save As;
// Yes replaces it with the list. A log nobody writes saves without a question.
TEST(SaveLiveLog, ALogAnotherProgramWritesIsReplacedOnlyWhenTheUserSaysSo) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const QString log = harness.Write("live.log", "first\nsecond x ERROR\n");
    CSplitterFrame* window = harness.OpenAndLoad(log);
    ASSERT_NE(window, nullptr);
    harness.Frame().ActivateLogWindow(window);

    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::thread writer([&] {
        std::ofstream out(log.toStdString(), std::ios::app | std::ios::binary);
        while (!stop.load()) {
            out << "appended " << written.load() << '\n' << std::flush;
            written.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.load() > 5; }, kWaitMs));

    // No, and the offered Save As cancelled: nothing written anywhere.
    harness.prompts.Answer(IDNO);
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    QStringList messages = harness.prompts.MessageTexts();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(StartsWith(messages[0],
                           "live.log is still being written by another program. Replacing it would "
                           "lose what that program writes next."))
        << messages[0].toStdString();
    EXPECT_EQ(DefaultButton(harness.prompts.Requests()[0].style), IDNO);
    EXPECT_EQ(harness.prompts.Count(PromptKind::SaveFile), 1);

    // No, and another name given: the lines go there (those the window has read of the
    // writer's so far too), the log stays the writer's.
    const QString other = harness.PathOf("copy.txt");
    harness.prompts.Clear();
    harness.prompts.Answer(IDNO);
    harness.prompts.AnswerFiles({other});
    harness.prompts.Answer(IDNO); // not opened
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    const std::string copy = ReadWholeFile(other.toStdString());
    EXPECT_EQ(copy, Saved(*window));
    EXPECT_TRUE(copy.starts_with("first\r\nsecond x ERROR\r\n")) << copy;

    stop.store(true);
    writer.join();
    std::string expected = "first\nsecond x ERROR\n";
    for (int i = 0; i < written.load(); ++i)
        expected += "appended " + std::to_string(i) + '\n';
    EXPECT_EQ(ReadWholeFile(log.toStdString()), expected);

    // Yes replaces it; after that save the file is as this window knows it, so the next
    // save asks nothing.
    harness.prompts.Clear();
    harness.prompts.Answer(IDYES);
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    EXPECT_EQ(harness.prompts.MessageTexts().size(), 1);
    EXPECT_EQ(ReadWholeFile(log.toStdString()), Saved(*window));
    harness.prompts.Clear();
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    EXPECT_TRUE(harness.prompts.Requests().empty());
}

// The log's file deleted, then its folder removed: Save asks for a name, offering the log's
// own path (then the nearest folder still there), and taking the offer writes it there.
TEST(SaveLiveLog, ALogWhoseFileIsGoneIsOfferedBackWhereItWas) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    const fs::path folder = fs::path(harness.Dir().Path()) / "logs";
    fs::create_directories(folder / "deep");
    const std::string path = (folder / "deep" / "app.log").string();
    std::ofstream(path) << "one\ntwo x ERROR\n";
    CSplitterFrame* window = harness.OpenAndLoad(QString::fromStdString(path));
    ASSERT_NE(window, nullptr);
    harness.Frame().ActivateLogWindow(window);

    fs::remove(path);
    harness.prompts.AnswerFiles({QString::fromStdString(path)});
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    ASSERT_EQ(harness.prompts.Count(PromptKind::SaveFile), 1);
    EXPECT_EQ(harness.prompts.Requests()[0].defaultPath, QString::fromStdString(path));
    EXPECT_EQ(ReadWholeFile(path), "one\r\ntwo x ERROR\r\n");

    fs::remove_all(folder / "deep");
    const std::string nearest = (folder / "app.log").string();
    harness.prompts.Clear();
    harness.prompts.AnswerFiles({QString::fromStdString(nearest)});
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    ASSERT_EQ(harness.prompts.Count(PromptKind::SaveFile), 1);
    EXPECT_EQ(harness.prompts.Requests()[0].defaultPath, QString::fromStdString(nearest));
    EXPECT_EQ(ReadWholeFile(nearest), "one\r\ntwo x ERROR\r\n");
}
